// The controller's power-up banner, the command line with its line editor
// and history, and the command channel 8, run as process 0 on the test
// thread on virtual time.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/command_line.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/vocabulary.h"
#include "simulator/runtime/tests/control_codes.h"
#include "simulator/runtime/tests/store_helpers.h"

using namespace qcrt;
using namespace testbytes;

namespace {

const std::string XON = "\x11";

float Vr(int n)
{
    int32_t bits;
    std::memcpy(&bits, g_MemoryBase + kVrOffset + 4 * n, 4);
    return std::bit_cast<float>(bits);
}

// The three check characters of a framed command, as the development
// environment writes them.
std::string FrameCheck(const std::string& text)
{
    std::string body = text + ETX;
    uint8_t code[3];
    EncodeFrameCrc(Crc16(reinterpret_cast<const uint8_t*>(body.data()), body.size()), code);
    return std::string(reinterpret_cast<const char*>(code), 3);
}

// The check of a program load's block: 4, 6 and 6 bits of the CRC-16, each
// plus 32.
std::string LoadCheck(const std::string& bytes)
{
    uint16_t v = Crc16(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return {static_cast<char>(((v >> 12) & 15) + 32), static_cast<char>(((v >> 6) & 63) + 32),
            static_cast<char>((v & 63) + 32)};
}

std::string Framed(const std::string& text, char lineEnd)
{
    return STX + text + ETX + FrameCheck(text) + lineEnd + DC4;
}

class CommandLine : public StoreEnvironment {
protected:
    CommandLine()
    {
        // As at power-up: CONTROL, VERSION and the other system values.
        SetSystemDefaults();
        ResetParameterValues();
        InstallInterpreter();
        SetCommandChannelService(ServiceCommandChannel);
        ResetCommandChannel();
        ClearHistory();
        std::memset(g_MemoryBase + kVrOffset, 0, 4096);
        RunServices(); // the link's first XON
        env.host.TakeWritten(0);
    }

    // Types the keys at the terminal and runs the command line until they
    // are all taken and nothing more happens; returns what reached the link.
    std::string Session(const std::string& keys)
    {
        env.host.Send(0, keys);
        int idle = 0;
        env.host.onSleep = [&] {
            bool waiting = env.host.Pending(0) > 0 || InputCount(0) > 0;
            idle = waiting ? 0 : idle + 1;
            if (idle > idleLimit)
                g_ProcessRecords[0].stopRequest.store(1);
        };
        {
            InlineProcess commandLine(0);
            CommandLineLoop();
        }
        env.host.onSleep = nullptr;
        g_ProcessRecords[0].stopRequest.store(0);
        return Flushed();
    }

    // Milliseconds of quiet after which Session stops the command line.
    int idleLimit = 200;

    std::string Flushed()
    {
        for (int n = 0; n < 50; ++n)
            RunServices();
        return env.host.TakeWritten(0);
    }

    // Reads one line from keys already waiting on channel 0; returns the line.
    std::string Edit(const std::string& keys, std::string* echo = nullptr)
    {
        FillInput(0, keys);
        char line[kLineBufferSize];
        {
            InlineProcess commandLine(0);
            EXPECT_TRUE(ReadCommandLine(0, line, kCommandLineMaximum)) << keys;
        }
        std::string shown = DrainOutput(0);
        if (echo)
            *echo = shown;
        return line;
    }
};

TEST_F(CommandLine, TypedLinesAndTheirReports)
{
    struct Case {
        const char* typed;
        std::string written;
    };
    const Case cases[] = {
        {"FOO\r", ">>FOO\r\n%[COMMAND 1] Command not recognized\r\n>>"},
        {"FOR i = 1, 5\r", ">>FOR i = 1, 5\r\n%[COMMAND 44] TO expected after FOR\r\n>>"},
        {"\r", ">>\r\n>>"},
        {"10\r", ">>10\r\n>>"},
        {"   \r", ">>   \r\n>>"},
        {"VR(3)=4\r", ">>VR(3)=4\r\n>>"},
        {"IF 1 THEN\r", ">>IF 1 THEN\r\n%[COMMAND 39] Structure nesting error\r\n>>"},
        {"?CONTROL[0]\r", ">>?CONTROL[0]\r\n200\r\n>>"},
        {"?3\r", ">>?3\r\n3.0000\r\n>>"},
        {"?3[5.2]\r", ">>?3[5.2]\r\n 3.00\r\n>>"},
        {"?1+2*3\r", ">>?1+2*3\r\n7.0000\r\n>>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Session(c.typed), c.written) << c.typed;
    EXPECT_FLOAT_EQ(Vr(3), 4.0f);
}

TEST_F(CommandLine, StatementsOfOneLineRunInTurnAndStopAtTheFirstError)
{
    EXPECT_EQ(Session("VR(1)=2: VR(2)=VR(1)*3: VR(3)=1/0: VR(4)=1\r"),
              ">>VR(1)=2: VR(2)=VR(1)*3: VR(3)=1/0: VR(4)=1\r\n%[COMMAND 9] Divide by zero\r\n>>");
    EXPECT_FLOAT_EQ(Vr(2), 6.0f);
    EXPECT_FLOAT_EQ(Vr(4), 0.0f);
    Session("FOR n = 1 TO 5: VR(7)=VR(7)+n: NEXT n\r");
    EXPECT_FLOAT_EQ(Vr(7), 15.0f) << "a loop runs within its line";

    // A loop that an error leaves open ends with its line: more of them
    // than the FOR stack holds, then a loop that must still run.
    for (int n = 0; n < 10; ++n)
        EXPECT_EQ(Session("FOR n = 1 TO 2: VR(8)=1/0: NEXT n\r"),
                  ">>FOR n = 1 TO 2: VR(8)=1/0: NEXT n\r\n%[COMMAND 9] Divide by zero\r\n>>");
    EXPECT_EQ(Session("FOR n = 1 TO 3: VR(9)=VR(9)+n: NEXT n\r"), ">>FOR n = 1 TO 3: VR(9)=VR(9)+n: NEXT n\r\n>>");
    EXPECT_FLOAT_EQ(Vr(9), 6.0f);
}

TEST_F(CommandLine, ControlReadsTheLockedState)
{
    EXPECT_EQ(Session("?CONTROL[0]\r"), ">>?CONTROL[0]\r\n200\r\n>>");
    ASSERT_TRUE(WriteSetting(0, kSettingUnlocked, 0));
    ResetMemory(); // the lock holds from the next power-up of the memory on
    EXPECT_EQ(Session("?CONTROL[0]\r"), ">>?CONTROL[0]\r\n1200\r\n>>");
}

TEST_F(CommandLine, GlobalAndConstantNamesStandForTheirVrAndValue)
{
    struct Case {
        const char* typed;
        std::string printed; // after the echo
    };
    const Case cases[] = {
        {"GLOBAL \"amount\", 10", ""},
        {"amount=5", ""},
        {"?VR(10)", "5.0000\r\n"},
        {"?amount+1", "6.0000\r\n"},
        {"CONSTANT \"limit\", 2.5", ""},
        {"?limit*2", "5.0000\r\n"},
        {"VR(10)=limit", ""},
        {"?amount", "2.5000\r\n"},
        // Once removed, the name is the command line's own variable again.
        {"GLOBAL \"amount\"", ""},
        {"amount=7", ""},
        {"?VR(10)", "2.5000\r\n"},
        {"?amount", "7.0000\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Session(std::string(c.typed) + "\r"), ">>" + std::string(c.typed) + "\r\n" + c.printed + ">>")
            << c.typed;
}

TEST_F(CommandLine, VqeWithAnArgumentClearsTheHistory)
{
    struct Case {
        const char* typed;
        std::string history;
    };
    const Case cases[] = {
        {"?VQE", "\r\n    ?VQE\r\n    VR(1)=1"},
        {"VQE(0)", ""},
    };
    for (const Case& c : cases) {
        ClearHistory();
        std::string written = Session("VR(1)=1\r" + std::string(c.typed) + "\r\x16");
        std::string tail = "History buffer:\r\n" + c.history + "\r\n\r\n>>";
        ASSERT_GE(written.size(), tail.size()) << c.typed;
        EXPECT_EQ(written.substr(written.size() - tail.size()), tail) << c.typed;
    }
}

TEST_F(CommandLine, LineEditorKeys)
{
    const std::string Left = "\x1b[D";
    const std::string Right = "\x1b[C";
    struct Case {
        const char* name;
        std::string keys;
        std::string line;
    };
    const Case cases[] = {
        {"backspace", "abc\bd\r", "abd"},
        {"ctrl-b then insert", "abc\x02x\r", "xabc"},
        {"ctrl-d deletes at the cursor", "abc\x02\x04\r", "bc"},
        {"ctrl-a deletes to the end", "abc def\x02\x18\x01\r", "abc "},
        {"ctrl-e goes to the end", "abc\x02\x05x\r", "abcx"},
        {"ctrl-z to the word on the left", "abc def\x1az\r", "abc zdef"},
        {"ctrl-x to the next word", "abc def\x02\x18Q\r", "abc Qdef"},
        {"tab to the next word", "ab cd\x02\tx\r", "ab xcd"},
        {"tab past the last word goes round", "ab cd\tx\r", "xab cd"},
        {"ctrl-w drops separators up to the word", "ab  cd\x02" + Right + Right + "\x17\r", "abcd"},
        {"ctrl-w on a word changes nothing", "ab cd\x02\x17\r", "ab cd"},
        {"ctrl-t overwrites", "abc\x02\x14xy\r", "xyc"},
        {"cursor keys", "abc" + Left + Left + "x" + Right + "y\r", "axbyc"},
        {"ctrl-c empties the line", "abc\x03z\r", "z"},
        {"another control key keeps the line", "ab\x06" "c\r", "abc"},
        {"enter in the middle keeps the whole line", "abc\x02\r", "abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Edit(c.keys), c.line) << c.name;

    std::string echo;
    Edit("ab\x06\r", &echo);
    EXPECT_EQ(echo, "ab\nControl char : 0x6\r\n>>\r\n");
    Edit("abc\x02x\r", &echo);
    EXPECT_EQ(echo, "abc\b\b\bxabc\b\b\b\r\n") << "an insert redraws the rest of the line";
    Edit("abc\x02\x04\r", &echo);
    EXPECT_EQ(echo, "abc\b\b\bbc \b\b\b\r\n");
}

TEST_F(CommandLine, LineLengthLimitInInsertAndOverwriteMode)
{
    const std::string full(78, 'A');
    std::string echo;
    // Insert mode: the 78th position refuses with BEL.
    EXPECT_EQ(Edit(full + "\r", &echo), full.substr(0, 77));
    EXPECT_EQ(echo, full.substr(0, 77) + "\a\r\n");
    // Overwrite mode takes exactly 78, and refuses the 79th.
    EXPECT_EQ(Edit("\x14" + full + "B\r", &echo), full);
    EXPECT_EQ(echo, full + "\a\r\n");
    // On channel 8 and above the refusal rings no bell.
    g_ProcessRecords[0].outputChannel = 10;
    Edit(full + "\r", &echo);
    g_ProcessRecords[0].outputChannel = 0;
    EXPECT_EQ(DrainOutput(10), full.substr(0, 77) + "\r\n");
}

TEST_F(CommandLine, HistoryKeepsDistinctLinesAndRecallsThem)
{
    const std::string Up = "\x1b[A";
    // The repeated line is stored once, so two steps back reach the first
    // line, which runs again and becomes the most recent entry.
    std::string written = Session("VR(1)=1\rVR(1)=1\rVR(2)=2\r" + Up + Up + "\r\x16\x03\r");
    const std::string expectedHelp =
        "\nCommand line editing keys:\r\n\n"
        "\tctl-a: del to the end of the line\r\n"
        "\tctl-e: go end of the line\r\n"
        "\tctl-b: go start of the line\r\n"
        "\tctl-z: go the start of the left word\r\n"
        "\tctl-x: go the start of the right word\r\n"
        "\ttab  : go the start of the next word\r\n"
        "\tctl-t: toggle insert mode\r\n"
        "\tctl-v: view history buffer\r\n"
        "\tctl-c: abort this edit & reset the line\r\n"
        "\n\nHistory buffer:\r\n";
    const std::string tail =
        ">>" + expectedHelp + "\r\n    VR(1)=1\r\n    VR(2)=2\r\n    VR(1)=1\r\n\r\n>>\r\n>>\r\n>>";
    ASSERT_GE(written.size(), tail.size());
    EXPECT_EQ(written.substr(written.size() - tail.size()), tail);
    // The recall erased the line on screen and echoed the entry.
    EXPECT_NE(written.find(">>VR(2)=2\b\b\b\b\b\b\b       \b\b\b\b\b\b\bVR(1)=1\r\n"), std::string::npos)
        << written;
}

TEST_F(CommandLine, HistoryRecallWithOneLineKeepsRecallingIt)
{
    std::string keys = "VR(5)=VR(5)+1\r";
    for (int n = 0; n < 10; ++n)
        keys += "\x1b[A";
    Session(keys + "\r");
    EXPECT_FLOAT_EQ(Vr(5), 2.0f);
}

TEST_F(CommandLine, CtrlVWithAnEmptyHistory)
{
    std::string written = Session("\x16");
    EXPECT_NE(written.find("\n\nHistory buffer:\r\n\r\n\r\n>>"), std::string::npos) << written;
}

// Command channel 8.
class CommandChannel : public CommandLine {
protected:
    // Plays the development environment: every frame the runtime sends on
    // channel 8 is acknowledged.
    void AcknowledgeFrames()
    {
        env.host.SetResponder([](FakeHost& host, int, std::string_view bytes) {
            for (char c : bytes) {
                if (c == DC4)
                    host.Send(0, E + "8" + ACK);
            }
        });
    }

    // Plays the development environment loading a program: every frame on
    // channel 8 is acknowledged, and the load goes out on the first ENQ that
    // comes after the end of a reply (a closing frame); true once it went.
    std::shared_ptr<bool> SendLoadOnEnq(const std::string& load)
    {
        auto sent = std::make_shared<bool>(false);
        auto replyEnded = std::make_shared<bool>(false);
        env.host.SetResponder([=](FakeHost& host, int, std::string_view bytes) {
            for (char c : bytes) {
                if (c == DC4) {
                    *replyEnded = true;
                    host.Send(0, E + "8" + ACK);
                } else if (c == ENQ && *replyEnded && !*sent) {
                    *sent = true;
                    host.Send(0, load);
                }
            }
        });
        return sent;
    }

    // Sends the bytes on channel 8 while the command line waits for a key.
    std::string Serve(const std::string& bytes)
    {
        return Session(E + "8" + bytes + E + "0");
    }
};

TEST_F(CommandChannel, AGoodFrameIsAcknowledgedAndExecuted)
{
    EXPECT_EQ(FrameCheck("?VERSION"), "uaJ") << "the development environment's check of ?VERSION";
    g_LinkProtocolMode = 3;
    AcknowledgeFrames();
    std::string written = Serve(STX + std::string("VR(3)=9") + ETX + FrameCheck("VR(3)=9") + "\n" + DC4);
    EXPECT_FLOAT_EQ(Vr(3), 9.0f);
    EXPECT_EQ(written, E + "0>>" + E + "8" + ACK + E + "8" + Framed("", '\n'));
}

TEST_F(CommandChannel, VersionAskedAsTheDevelopmentEnvironmentAsks)
{
    g_LinkProtocolMode = 3;
    AcknowledgeFrames();
    EXPECT_EQ(Serve(STX + std::string("?VERSION") + ETX + "uaJ\n" + DC4),
              E + "0>>" + E + "8" + ACK + E + "8" + Framed("1.6500", '\r') + E + "8" + Framed("", '\n'));
    EXPECT_EQ(Serve(STX + std::string("?VERSION") + ETX + "uaK\n" + DC4), E + "0>>" + E + "8" + NAK)
        << "a bad check runs nothing";
}

TEST_F(CommandChannel, AReplyIsSentAgainOnNakAndAfter300msOfSilence)
{
    g_LinkProtocolMode = 3;
    idleLimit = 2 * kFrameReplyWaitMs;
    struct Case {
        const char* name;
        std::string answers; // to the reply frames in turn: 'N' NAK, '-' nothing; ACK after these
        int sends;
        uint64_t leastMs;
    };
    const Case cases[] = {
        {"refused once", "N", 2, 0},
        {"silence once", "-", 2, kFrameReplyWaitMs},
        {"refused, then silence", "N-", 3, kFrameReplyWaitMs},
    };
    for (const Case& c : cases) {
        size_t frames = 0;
        env.host.SetResponder([&](FakeHost& host, int, std::string_view bytes) {
            for (char b : bytes) {
                if (b != DC4)
                    continue;
                char answer = frames < c.answers.size() ? c.answers[frames] : 'A';
                ++frames;
                if (answer != '-')
                    host.Send(0, E + "8" + (answer == 'N' ? NAK : ACK));
            }
        });
        uint64_t before = env.host.MillisecondsSinceStart();
        std::string written = Serve(Framed("?VERSION", '\n'));
        std::string reply;
        for (int n = 0; n < c.sends; ++n)
            reply += E + "8" + Framed("1.6500", '\r');
        EXPECT_EQ(written, E + "0>>" + E + "8" + ACK + reply + E + "8" + Framed("", '\n')) << c.name;
        EXPECT_GE(env.host.MillisecondsSinceStart() - before, c.leastMs) << c.name;
    }
}

TEST_F(CommandChannel, TerminalKeysReachTheLineEditorInChannelMode)
{
    // The link escapes a literal ESC as ESC ESC, so cursor keys typed at
    // the terminal arrive on channel 0 while the link multiplexes.
    g_LinkProtocolMode = 3;
    const std::string Left = E + E + "[D";
    Session(E + "0" + "VR(1)=45" + Left + "\x04" + Left + "2\r");
    EXPECT_FLOAT_EQ(Vr(1), 24.0f);
}

TEST_F(CommandChannel, AFrameReportsItsErrorInsideTheReply)
{
    g_LinkProtocolMode = 3;
    AcknowledgeFrames();
    std::string written = Serve(STX + std::string("FOO") + ETX + FrameCheck("FOO") + "\n" + DC4);
    EXPECT_EQ(written, E + "0>>" + E + "8" + ACK + E + "8" + Framed("%[COMMAND 1] Command not recognized", '\r') + E +
                           "8" + Framed("", '\n'));
}

TEST_F(CommandChannel, ABadFrameIsRefusedAndNothingRuns)
{
    g_LinkProtocolMode = 3;
    AcknowledgeFrames();
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"wrong check", STX + std::string("VR(3)=9") + ETX + "AAA\n" + DC4},
        {"no ETX", STX + std::string("VR(3)=9") + "uaJ\n" + DC4},
        {"too short", STX + std::string("\n") + DC4},
        {"no STX", std::string("VR(3)=9") + ETX + FrameCheck("VR(3)=9") + "\n" + DC4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Serve(c.bytes), E + "0>>" + E + "8" + NAK) << c.name;
        EXPECT_FLOAT_EQ(Vr(3), 0.0f) << c.name;
    }
}

TEST_F(CommandChannel, BytesBeforeTheFrameAndAnEndWithoutStartAreIgnored)
{
    g_LinkProtocolMode = 3;
    AcknowledgeFrames();
    // A DC4 before any line start ends nothing; noise before STX is dropped.
    std::string written =
        Serve(std::string(1, DC4) + "noise" + STX + "VR(4)=2" + ETX + FrameCheck("VR(4)=2") + "\n" + DC4);
    EXPECT_FLOAT_EQ(Vr(4), 2.0f);
    EXPECT_EQ(written, E + "0>>" + E + "8" + ACK + E + "8" + Framed("", '\n'));
}

TEST_F(CommandChannel, PlainModesEchoAndExecuteOnDc4AndOnlyEchoOnDc2)
{
    g_LinkProtocolMode = 0;
    EXPECT_EQ(Serve("VR(6)=3\n" + std::string(1, DC4)), ">>VR(6)=3\r\n\r\n");
    EXPECT_FLOAT_EQ(Vr(6), 3.0f);
    EXPECT_EQ(Serve("VR(6)=5\n\x12"), ">>VR(6)=5\n!\n\x12");
    EXPECT_FLOAT_EQ(Vr(6), 3.0f) << "DC2 runs nothing";
}

TEST_F(CommandChannel, AWaitingCommandIsReadInOneTurnNotAByteASleep)
{
    // The service takes one byte per call. While bytes wait the command line
    // calls it again at once, so a 45-byte command costs the few service
    // turns its bytes need to arrive (16 a turn), not a millisecond a byte.
    g_LinkProtocolMode = 0;
    const std::string command = "VR(6)=1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1";
    env.host.Send(0, E + "8" + command + "\n" + DC4 + E + "0");
    const uint64_t start = env.host.MillisecondsSinceStart();
    uint64_t executedAt = 0;
    env.host.onSleep = [&] {
        const uint64_t now = env.host.MillisecondsSinceStart();
        if (executedAt == 0 && Vr(6) == 20.0f)
            executedAt = now;
        if (now - start > 500)
            g_ProcessRecords[0].stopRequest.store(1);
    };
    {
        InlineProcess commandLine(0);
        CommandLineLoop();
    }
    env.host.onSleep = nullptr;
    g_ProcessRecords[0].stopRequest.store(0);
    ASSERT_NE(executedAt, 0u) << "the command never ran";
    EXPECT_LT(executedAt - start, 15u) << "ms of virtual time to take a " << command.size() << "-byte command";
}

TEST_F(CommandChannel, AnOverlongCommandKeepsOverwritingItsLastByte)
{
    g_LinkProtocolMode = 0;
    std::string written = Serve(std::string(150, ' ') + "VR(6)=3\n" + std::string(1, DC4));
    std::erase(written, '\x11'); // the flow control of the long burst
    std::erase(written, '\x13');
    EXPECT_FLOAT_EQ(Vr(6), 0.0f);
    EXPECT_EQ(written, ">>" + std::string(98, ' ') + "\r\n\r\n");
}

// As the development environment loads a program: it announces the load
// framed on channel 8 and waits for the end of that command's reply (its
// closing frame, acknowledged), then for ENQ; only then does it send the
// blocks raw on channel -1.
TEST_F(CommandChannel, ASingleProgramLoadEndsItsReplyBeforeEnqAndAnswersOnChannelMinusOne)
{
    g_LinkProtocolMode = 3;
    int keep = MakeProgram("KEEP", {"x=1"});
    const std::string header = "MAIN" + std::string(1, FS) + "0";
    const std::string text = "VR(1)=2\r";
    const std::string load =
        E + "/" + SOH + header + ETX + LoadCheck(header) + STX + text + ETX + LoadCheck(text) + EOT;
    auto loadSent = SendLoadOnEnq(load);
    std::string written = Session(E + "8" + Framed("LOAD_PROJECT(1)", '\n'));
    env.host.SetResponder(nullptr);
    EXPECT_TRUE(*loadSent) << "no ENQ after the end of the reply";
    EXPECT_EQ(written, E + "0>>" + E + "8" + ACK + E + "8" + Framed("", '\n') + E + "8" + E + "/" + ENQ + E + "/" + ACK +
                           E + "8" + E + "/" + ACK);
    int main = FindProgram("MAIN");
    ASSERT_GE(main, 0);
    EXPECT_EQ(LineCount(main), 1);
    EXPECT_EQ(FindProgram("KEEP"), keep);
}

// A failed load ends the reply once too: the NAK follows the closing frame
// and no second closing frame comes.
TEST_F(CommandChannel, ASingleProgramLoadThatFailsEndsItsReplyOnce)
{
    g_LinkProtocolMode = 3;
    const std::string header = "MAIN" + std::string(1, FS) + "0";
    auto loadSent = SendLoadOnEnq(E + "/" + SOH + header + ETX + "!!!");
    std::string written = Session(E + "8" + Framed("LOAD_PROJECT(2)", '\n'));
    env.host.SetResponder(nullptr);
    EXPECT_TRUE(*loadSent);
    const std::string closing = Framed("", '\n');
    ASSERT_NE(written.find(closing), std::string::npos) << written;
    EXPECT_EQ(written.find(closing), written.rfind(closing)) << written;
    EXPECT_LT(written.find(closing), written.find(ENQ)) << written;
    EXPECT_NE(written.find(E + "/" + NAK), std::string::npos) << written;
    EXPECT_LT(FindProgram("MAIN"), 0);
}

TEST_F(CommandChannel, ACommandArrivingWhileATypedCommandWaitsForAKeyRunsInBetween)
{
    g_LinkProtocolMode = 0;
    SetSystemLoaderHook([] {});
    // LOADSYSTEM asks Y/N; while it waits, a command arrives on channel 8
    // (once the question is out: in this plain mode the two channels' output
    // would otherwise share the port 16 bytes at a time). The answer is
    // typed only once that command has run.
    bool answered = false;
    std::function<void()> answer = [&] {
        if (!answered && Vr(2) == 5.0f) {
            answered = true;
            env.host.Send(0, "n");
        }
    };
    auto shown = std::make_shared<std::string>();
    env.host.SetResponder([shown](FakeHost& host, int, std::string_view bytes) {
        const bool asked = shown->find("? ") != std::string::npos;
        shown->append(bytes);
        if (!asked && shown->find("? ") != std::string::npos)
            host.Send(0, E + "8VR(2)=5\n" + std::string(1, DC4) + E + "0");
    });
    env.host.Send(0, "LOADSYSTEM\r");
    int idle = 0;
    env.host.onSleep = [&] {
        answer();
        bool waiting = env.host.Pending(0) > 0 || InputCount(0) > 0 || !answered;
        idle = waiting ? 0 : idle + 1;
        if (idle > 200 || env.host.MillisecondsSinceStart() > 60000)
            g_ProcessRecords[0].stopRequest.store(1);
    };
    {
        InlineProcess commandLine(0);
        CommandLineLoop();
    }
    env.host.onSleep = nullptr;
    env.host.SetResponder(nullptr);
    g_ProcessRecords[0].stopRequest.store(0);
    SetSystemLoaderHook(nullptr);
    EXPECT_TRUE(answered);
    EXPECT_EQ(Flushed(), ">>LOADSYSTEM\r\nWARNING: This will stop the controller\r\nContinue [Y/N] ? VR(2)=5\r\n\r\nN\b\r\n>>");
}

// A program loaded and started from the command line runs on a thread of
// its own under a sequencer.
class CommandLineThreads : public CommandChannel {
protected:
    ~CommandLineThreads() override
    {
        WindDownProcesses();
        for (ProcessRecord& r : g_ProcessRecords)
            r.stopRequest.store(0);
    }
};

TEST_F(CommandLineThreads, AProgramLoadedWithLoadProjectRunsAndPrints)
{
    g_LinkProtocolMode = 0;
    const std::string header = "MAIN" + std::string(1, FS) + "0";
    // The wait lets the status line of channel 9 go out first: on a plain
    // link the channels share the port without holding it for a line.
    const std::string text = "total=0\rFOR n = 1 TO 4\r  total=total+n\rNEXT n\rWA(500)\rPRINT \"TOTAL \"; total[4,1]\r";
    const std::string load = SOH + header + ETX + LoadCheck(header) + STX + text + ETX + LoadCheck(text) + EOT;
    // The development environment sends the load once the controller asks.
    env.host.SetResponder([&](FakeHost& host, int, std::string_view bytes) {
        if (bytes.find(ENQ) != std::string_view::npos)
            host.Send(0, load);
    });
    std::string answers = Session("LOAD_PROJECT\r");
    std::erase(answers, '\x11'); // the flow control of the burst
    std::erase(answers, '\x13');
    EXPECT_EQ(answers, ">>LOAD_PROJECT\r\n" + std::string({ENQ, ACK, ACK}) + ">>");
    env.host.SetResponder(nullptr);
    ASSERT_GE(FindProgram("MAIN"), 0);

    EXPECT_EQ(Session("RUN\r"), ">>RUN\r\nCompiling MAIN\r\nLinking MAIN\r\nPass=1\rPass=2\r>>");
    TestSequencer sequencer;
    sequencer.Start();
    bool done = WaitFor([&] {
        return env.host.Written(0).find("%[Process 14:Line 5] (31) - Program is stopped") != std::string::npos;
    });
    sequencer.Stop();
    std::string written = env.host.Written(0);
    EXPECT_TRUE(done) << written;
    EXPECT_NE(written.find("%[Process 14:Program MAIN] - Running\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("TOTAL 10.0\r\n"), std::string::npos) << written;
}

// The development environment starts programs through framed commands on
// channel 8 and follows them by the status lines framed on channel 9.
TEST_F(CommandLineThreads, FramedRunAndStepReportOnChannel9)
{
    g_LinkProtocolMode = 3;
    // Acknowledges every frame on the channel it came on.
    int channel = 0;
    bool escape = false;
    env.host.SetResponder([&](FakeHost& host, int, std::string_view bytes) {
        for (char c : bytes) {
            if (escape)
                channel = c - '0';
            escape = !escape && c == 27;
            if (c == DC4)
                host.Send(0, E + static_cast<char>('0' + channel) + ACK);
        }
    });
    struct Case {
        const char* command;
        std::string reply;  // on channel 8
        std::string status; // the frames that follow on channel 9
    };
    const std::string running = E + "9" + Framed("%[Process 14:Program MAIN] - Running", '\n');
    const Case cases[] = {
        {"RUN", "", running + E + "9" + Framed("%[Process 14:Line 0] (31) - Program is stopped", '\n')},
        {"STEPLINE", E + "8" + Framed("OK", '\r'),
         running + E + "9" + Framed("%[Process 14:Line 1] - Paused", '\r') + E + "9" + Framed("VR(0)=7", '\n')},
    };
    for (const Case& c : cases) {
        InitProcessTable();
        ResetMemory();
        MakeProgram("MAIN", {"VR(0)=7"});
        EXPECT_EQ(Serve(Framed(c.command, '\n')), E + "0>>" + E + "8" + ACK + c.reply + E + "8" + Framed("", '\n'))
            << c.command;
        TestSequencer sequencer;
        sequencer.Start();
        WaitFor([&] { return env.host.Written(0).size() >= c.status.size(); });
        sequencer.Stop();
        for (ProcessRecord& r : g_ProcessRecords)
            r.stopRequest.store(0); // the sequencer's stop wound the processes down
        EXPECT_EQ(Flushed(), c.status) << c.command;
    }
}

// Stopping the controller ends the thread of a program that would never end
// by itself.
TEST_F(CommandLineThreads, AWindDownEndsProgramsThatNeverEnd)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        const char* command;
        const char* started; // what the output shows once the program is under way
    };
    const Case cases[] = {
        {"endless loop", {"PRINT \"GO\"", "WHILE 1", "  VR(0)=VR(0)+1", "WEND"}, "RUN", "GO\r\n"},
        {"endless wait", {"PRINT \"GO\"", "WAIT UNTIL 0"}, "RUN", "GO\r\n"},
        {"paused", {"VR(0)=1"}, "STEPLINE", "- Paused"},
    };
    for (const Case& c : cases) {
        InitProcessTable();
        ResetMemory();
        MakeProgram("MAIN", c.lines);
        Session(std::string(c.command) + "\r");
        TestSequencer sequencer;
        sequencer.Start();
        EXPECT_TRUE(WaitFor([&] { return env.host.Written(0).find(c.started) != std::string::npos; })) << c.name;
        sequencer.Stop(); // returns once every process thread has ended
        EXPECT_FALSE(IsProcessActive(14)) << c.name;
        for (ProcessRecord& r : g_ProcessRecords)
            r.stopRequest.store(0);
        Flushed();
    }
}

// Power-up.
class PowerUp : public testing::Test {
protected:
    PowerUp()
    {
        SetMemoryTestHook(nullptr);
        g_ProcessRecords[0].stopRequest.store(0);
    }
    ~PowerUp() override
    {
        SetMemoryTestHook(nullptr);
        // Threads of programs started at power-up wait for a sequencer.
        WindDownProcesses();
        for (ProcessRecord& r : g_ProcessRecords)
            r.stopRequest.store(0);
    }

    // Starts the controller and stops the command line at its first prompt;
    // returns everything it wrote.
    std::string Start()
    {
        env.host.onSleep = [this] {
            if (env.host.Written(0).find(">>") != std::string::npos)
                g_ProcessRecords[0].stopRequest.store(1);
        };
        {
            InlineProcess commandLine(0);
            EXPECT_EQ(ControllerStartup(), 0);
        }
        env.host.onSleep = nullptr;
        for (int n = 0; n < 50; ++n)
            RunServices();
        return env.host.TakeWritten(0);
    }

    static std::string Banner()
    {
        return E + "0\r\nVexo Labs Ltd\r\n\n"
                   "QC Multitasking BASIC Version 1.65\r\n"
                   "Created " +
               std::string(BuildDate()) + " @ " + BuildTime() +
               "\r\n\n"
               "Axes initialised: 24\r\n"
               "\r\nCAN comms boards       : None\r\n"
               "USB comms boards       : None\r\n"
               "SLM comms boards       : None\r\n"
               "SERCOS comms boards    : None\r\n"
               "Profibus comms boards  : None\r\n"
               "Ethernet comms boards  : None\r\n"
               "Analog feedback boards : None\r\n"
               "Enhanced CAN boards    : None\r\n"
               "EthernetIP comms boards: None\r\n"
               "\r\nInput numbers: 0-31\r\n"
               "Output numbers: 8-31\r\n\n"
               "Analog Inputs: 0\r\n\n"
               "Processes initialised: 15\r\n\n";
    }

    RuntimeEnvironment env;
};

TEST_F(PowerUp, FreshImagesPrintTheBannerByteForByte)
{
    // Names declared before the power-up are gone after it.
    InstallInterpreter();
    {
        InlineProcess commandLine(0);
        ExecuteCommandLine("GLOBAL \"amount\", 10");
        ExecuteCommandLine("CONSTANT \"limit\", 2.5");
    }
    ASSERT_EQ(env.host.TakeWritten(0).find("%["), std::string::npos);
    uint64_t before = env.host.MillisecondsSinceStart();
    std::string written = Start();
    EXPECT_EQ(written, XON + Banner() +
                           "Test APPS RAM: Success\r\n"
                           "Test System RAM: Success\r\n\n"
                           "RAM selected for power up\r\n"
                           "FLASHSTICK allowed\r\n"
                           "\nTotal memory available: 1031136\r\n"
                           "\n>>");
    EXPECT_GE(env.host.MillisecondsSinceStart() - before, 1500u) << "the 500 ms and 1000 ms waits";
    EXPECT_EQ(std::string(BuildDate()).size(), 11u);
    EXPECT_EQ(std::string(BuildTime()).size(), 8u);

    g_ProcessRecords[0].stopRequest.store(0);
    {
        InlineProcess commandLine(0);
        ExecuteCommandLine("?VERSION");
        ExecuteCommandLine("LIST_GLOBAL");
    }
    for (int n = 0; n < 50; ++n)
        RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), "1.6500\r\n"
                                       "Global           VR\r\n"
                                       "---------------- ----\r\n"
                                       "Constant         Value\r\n"
                                       "---------------- -------\r\n");
}

TEST_F(PowerUp, EveryProcessStartsWithoutOpenLoopsOrSubroutines)
{
    for (ProcessRecord& r : g_ProcessRecords) {
        r.forDepth = 8;
        r.gosubDepth = 7;
    }
    Start();
    for (const ProcessRecord& r : g_ProcessRecords) {
        EXPECT_EQ(r.forDepth, 0) << r.processNumber;
        EXPECT_EQ(r.gosubDepth, 0) << r.processNumber;
    }
}

TEST_F(PowerUp, VersionIsAnsweredAsTheBannerShowsIt)
{
    // Whatever the system words held before, power-up gives VERSION its value.
    int32_t* version = SystemParameterWord(FindParameter("VERSION"));
    ASSERT_NE(version, nullptr);
    *version = 0;
    Start();
    EXPECT_EQ(*version, std::bit_cast<int32_t>(1.65f));
}

TEST_F(PowerUp, MemoryFaultsAreReportedAndRecorded)
{
    struct Case {
        MemoryTestHook hook;
        std::string text;
        int32_t fault;
    };
    const Case cases[] = {
        {[](uint32_t start, uint32_t, int, int) -> uint32_t { return start == 0 ? 4096u : 0u; },
         "Test APPS RAM: Error at 4096\r\nTest System RAM: Success\r\n\n", 0},
        {[](uint32_t start, uint32_t, int, int offset) -> uint32_t {
             return start == 0x100000 && offset == 0 ? 0x100010u : 0u;
         },
         "Test APPS RAM: Success\r\nTest System RAM: Error at low word 1048592\r\n", 1},
        {[](uint32_t, uint32_t, int, int offset) -> uint32_t { return offset == 16 ? 0x100020u : 0u; },
         "Test APPS RAM: Success\r\nTest System RAM: Error at high word 1048608\r\n\n", 2},
    };
    for (const Case& c : cases) {
        SetMemoryTestHook(c.hook);
        std::string written = Start();
        EXPECT_NE(written.find(Banner() + c.text + "RAM selected"), std::string::npos) << written;
        EXPECT_EQ(g_MemoryFault, c.fault);
    }
}

TEST_F(PowerUp, ACorruptDirectoryIsReportedAndNothingStarts)
{
    // A directory whose checksum does not hold.
    std::memset(env.host.batteryRam.data(), 0, kDirectorySize + 8);
    std::memcpy(env.host.batteryRam.data(), "MAIN", 4);
    env.host.batteryRam[kMemoryChecksumOffset] = 0x5A;
    std::string written = Start();
    EXPECT_NE(written.find("%[Error 80] - Directory structure invalid\r\n>>"), std::string::npos) << written;
}

TEST_F(PowerUp, ProgramsMarkedToRunAtPowerUpStart)
{
    InitProcessTable();
    ResetMemory();
    MakeProgram("MAIN", {"VR(0)=1"});
    MakeProgram("IDLE", {"VR(1)=1"});
    ASSERT_TRUE(SetRunType("MAIN", kRunAtPowerUp, 3, 0));
    std::string written = Start();
    EXPECT_NE(written.find("Total memory available: "), std::string::npos);
    EXPECT_EQ(written.find("%["), std::string::npos) << written;
    EXPECT_EQ(g_ProcessRecords[3].requestedState, kStateRunning);
    EXPECT_EQ(g_ProcessRecords[3].programNumber, FindProgram("MAIN"));
    for (int p = 1; p < kProcessCount; ++p) {
        if (p != 3) {
            EXPECT_EQ(g_ProcessRecords[p].requestedState, kStateStopped) << p;
        }
    }
}

TEST_F(PowerUp, AKeyWaitingAtPowerUpSkipsTheAutoRun)
{
    InitProcessTable();
    ResetMemory();
    MakeProgram("MAIN", {"VR(0)=1"});
    ASSERT_TRUE(SetRunType("MAIN", kRunAtPowerUp, 3, 0));
    env.host.Send(0, "\x03");
    Start();
    EXPECT_EQ(g_ProcessRecords[3].requestedState, kStateStopped);
}

TEST_F(PowerUp, VrValuesKeptInFlashComeBackOverALostMemory)
{
    Start();
    WriteVr(3, 6.0f, 0);
    WriteVr(4, 8.0f, 0);
    ASSERT_TRUE(WriteFlashVr(3, ReadVr(3, 0), 0));
    std::fill(env.host.batteryRam.begin(), env.host.batteryRam.end(), uint8_t{0});
    Start();
    EXPECT_FLOAT_EQ(ReadVr(3, 0), 6.0f);
    EXPECT_FLOAT_EQ(ReadVr(4, 0), 0.0f);
}

TEST_F(PowerUp, AStoredTableIsReadFromFlash)
{
    const uint32_t at = 0x100000;
    env.host.flash[at] = 0;
    float value = 2.5f;
    std::memcpy(&env.host.flash[at + 1 + 4 * 7], &value, 4);
    std::string written = Start();
    EXPECT_NE(written.find("\r\nReading FLASH table\r\n\n>>"), std::string::npos) << written;
    float read = 0;
    EXPECT_TRUE(ReadTable(7, read, 0));
    EXPECT_FLOAT_EQ(read, 2.5f);
}

} // namespace
