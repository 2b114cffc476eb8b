// The controller connection against the scripted controller: the command
// line, identification, channel mode, the command channel's exchange in
// both forms, replies reaching the window that asked, status lines, and
// the hostile cases (silence, a dropped link, late, duplicate and garbage
// replies). Slow waits run on the virtual clock.
#include "link/controllerconnection.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/winutil.h"
#include "framework/app.h"
#include "link/commandtable.h"
#include "link/messagesender.h"
#include "link/multitransmitterlease.h"
#include "link/syncpacket.h"
#include "link/tests/support/bus_models.h"
#include "link/tests/support/fake_project.h"
#include "link/tests/support/program_store.h"
#include "link/tests/support/recording_tool.h"
#include "link/tests/support/scripted_controller.h"
#include "link/vexoreply.h"
#include "settings/vqregistry.h"
#include "testsupport/deleted_storage.h"
#include "testsupport/fake_clock.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

const std::string kEsc = "\x1b";
const std::string kDc4 = "\x14";

class ConnectionTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_connection = std::make_unique<CControllerConnection>(&m_project);
        m_project.SetConnection(m_connection.get());
        m_connection->SetLinkFactory(ScriptedLinkFactory(m_link));
        // Virtual time runs on only once what the controller has sent by
        // now has been taken in.
        m_clock.SetSleepHook([this](std::uint64_t) {
            if (m_link)
                m_link->WaitUntilQuiet(2000);
        });
        m_project.Register(m_toolWindow);
    }
    void TearDown() override
    {
        m_clock.SetSleepHook({});
        m_connection.reset();
        m_link = nullptr;
    }

    bool Open(int type = LINK_TYPE_SERIAL, bool channelMode = false)
    {
        CCommPortData record;
        record.SetName("Test");
        record.SetTypeDefaults(type);
        return m_connection->OpenLink(m_project.GetSafeHwnd(), &record, channelMode) != FALSE;
    }
    // The bytes written since the last call.
    std::string NewlyWritten()
    {
        const std::string all = m_link->Written();
        const std::string fresh = all.substr(m_written);
        m_written = all.size();
        return fresh;
    }
    // A request of the tool window on the command channel.
    BOOL Ask(int id, LPCSTR argument = nullptr)
    {
        CMessageSender sender;
        return argument ? sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(id, argument)})
                        : sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(id)});
    }
    // The tool's read of VR(index) on the command channel.
    BOOL AskVr(int index)
    {
        CMessageSender sender;
        return sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(32, index)});
    }
    std::vector<std::string> Errors() { return m_project.Errors(); }

    CWinApp m_app{"link tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    CFakeProjectLink m_project;
    std::unique_ptr<CControllerConnection> m_connection;
    CScriptedController* m_link = nullptr;
    std::size_t m_written = 0;
    TestWindow m_toolWindow{"tool"};
    RecordingTool m_tool;
};

TEST_F(ConnectionTest, TheMessageTimeOutStaysInItsRange)
{
    const int cases[][2] = {{3, 5}, {200, 120}, {60, 60}, {5, 5}, {120, 120}, {-1, 5}};
    for (const auto& c : cases) {
        m_connection->SetMessageTimeout(c[0]);
        EXPECT_EQ(c[1], m_connection->GetMessageTimeout()) << c[0];
    }
}

TEST_F(ConnectionTest, ResetToTheCommandLine)
{
    ASSERT_TRUE(Open());
    EXPECT_TRUE(m_connection->ResetLinkToCommandLine());
    EXPECT_EQ(kEsc + "0VQE(0)\r" + "\r", NewlyWritten());
    // A reply to the lone CR that is not empty gets one more CR.
    m_link->QueueReply("", ScriptedReply("noise"));
    EXPECT_TRUE(m_connection->ResetLinkToCommandLine());
    EXPECT_EQ(kEsc + "0VQE(0)\r" + "\r\r", NewlyWritten());
}

TEST_F(ConnectionTest, IdentifyByControlCode)
{
    ASSERT_TRUE(Open());
    struct Case {
        const char* reply;
        const char* model;
        bool locked;
        bool known;
    };
    const Case cases[] = {
        {"1206", "QC116", true, true},
        {"206", "QC116", false, true},
        {"0", "None", false, false},
        {"999", "Unknown", false, false},
        {"1464", "QC374", true, true},
    };
    for (const Case& c : cases) {
        m_link->SetReply("?CONTROL[0]", ScriptedReply(c.reply));
        int row = -1;
        EXPECT_EQ(c.known, m_connection->Identify(row) != FALSE) << c.reply;
        EXPECT_STREQ(c.model, m_connection->GetModel().m_szName) << c.reply;
        EXPECT_EQ(row, m_connection->GetModelRow()) << c.reply;
        EXPECT_EQ(c.locked, m_connection->IsLocked() != FALSE) << c.reply;
    }
    // A reply that is no number fails, shows message 1000 and keeps the model.
    m_link->SetReply("?CONTROL[0]", ScriptedReply("abc"));
    int row = -1;
    EXPECT_FALSE(m_connection->Identify(row));
    EXPECT_EQ(0, row);
    EXPECT_STREQ("QC374", m_connection->GetModel().m_szName);
    ASSERT_FALSE(m_prompts.Texts().empty());
    EXPECT_EQ(0u, m_prompts.Texts().back().find("Error in reply to last command:\n?CONTROL[0]<CR>\nReply should be float value:\nabc"));
}

TEST_F(ConnectionTest, TheCommandLineExchangeGivesUpWithoutAPrompt)
{
    ASSERT_TRUE(Open());
    CString reply;
    // Someone else's output before the echo: the exchange fails and says so.
    ScriptedReply printing("1");
    printing.echo = false;
    printing.before = "PRINTED\r\n";
    m_link->QueueReply("?IN(1)", printing);
    EXPECT_FALSE(m_connection->SyncCommand("?IN(1)\r", reply, FALSE));
    ASSERT_FALSE(m_prompts.Records().empty());
    EXPECT_EQ(0u, m_prompts.Records().back().text.find(
                      "Error in reply to last command:\n?IN(1)<CR>\nReply:\nPRINTED<CR><LF>1<CR><LF>>>\n\nNOTE:"));
    EXPECT_EQ("Error", m_prompts.Records().back().caption);

    struct Case {
        const char* name;
        std::uint64_t everyMs; // a byte without a prompt arrives this often
        std::uint64_t failsAfterMs;
    };
    const Case cases[] = {
        {"a byte a second", 1000, 10000},  // bytes keep coming, the prompt never
        {"a flood of 150", 0, 0},          // more than 100 characters at once
    };
    for (const Case& c : cases) {
        ScriptedReply mute;
        mute.silent = true;
        m_link->QueueReply("?SLOW", mute);
        std::uint64_t next = 0;
        const std::size_t mark = m_link->Written().size();
        m_clock.SetSleepHook([&](std::uint64_t) {
            if (m_link->Written().find("?SLOW\r", mark) == std::string::npos)
                return;
            if (c.everyMs == 0 && next == 0) {
                const std::string flood(150, 'x');
                m_connection->OnReceive(CHANNEL_DIRECT, 150, reinterpret_cast<const BYTE*>(flood.data()));
                next = 1;
            } else if (c.everyMs != 0 && m_clock.NowMs() >= next) {
                m_connection->OnReceive(CHANNEL_DIRECT, 1, reinterpret_cast<const BYTE*>("."));
                next = m_clock.NowMs() + c.everyMs;
            }
        });
        const std::uint64_t start = m_clock.NowMs();
        EXPECT_FALSE(m_connection->SyncCommand("?SLOW\r", reply, FALSE)) << c.name;
        const std::uint64_t took = m_clock.NowMs() - start;
        EXPECT_GE(took, c.failsAfterMs) << c.name;
        EXPECT_LT(took, c.failsAfterMs + 1000) << c.name;
        m_clock.SetSleepHook([this](std::uint64_t) { m_link->WaitUntilQuiet(2000); });
        // The prompt comes at last: the next exchange takes it for the end
        // of this one.
        m_connection->OnReceive(CHANNEL_DIRECT, 2, reinterpret_cast<const BYTE*>(">>"));
    }

    // The answer to an exchange that gave up comes late: it is waited for
    // and flushed, never taken as the next exchange's (a locked QC116
    // after the controller was unlocked).
    ScriptedReply late("1206");
    late.delayMs = 12000;
    m_link->QueueReply("?CONTROL[0]", late);
    m_link->SetReply("?CONTROL[0]", ScriptedReply("206"));
    int row = -1;
    EXPECT_FALSE(m_connection->Identify(row));
    EXPECT_TRUE(m_connection->Identify(row));
    EXPECT_STREQ("QC116", m_connection->GetModel().m_szName);
    EXPECT_FALSE(m_connection->WasLocked());
}

TEST_F(ConnectionTest, AReplyNobodyAskedForIsReported)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    m_link->SendOnChannel(CHANNEL_COMMAND, "2.0137\r\x14");
    m_link->SendOnChannel(CHANNEL_COMMAND, "\r\x14");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    EXPECT_EQ((std::vector<std::string>{"Unrequested reply received from controller:   2.0137",
                                        "Unrequested reply received from controller:   <Empty>"}),
              Errors());
    EXPECT_TRUE(m_tool.Replies().empty());
}

TEST_F(ConnectionTest, LockingAndTheLinksAModelTakes)
{
    ASSERT_TRUE(Open());
    NewlyWritten();
    // The lock commands are answered by identifying again.
    m_link->SetReply("?CONTROL[0]", ScriptedReply("1206"));
    EXPECT_TRUE(m_connection->Lock(1234));
    EXPECT_EQ("LOCK(1234)\r?CONTROL[0]\r", NewlyWritten());
    m_link->SetReply("?CONTROL[0]", ScriptedReply("206"));
    EXPECT_FALSE(m_connection->Unlock(-7));
    EXPECT_EQ("UNLOCK(-7)\r?CONTROL[0]\r", NewlyWritten());

    struct Case {
        int type;
        const char* code;
        bool supported;
    };
    const Case cases[] = {
        {LINK_TYPE_SERIAL, "206", true},    // QC116: serial only
        {LINK_TYPE_ETHERNET, "206", false},
        {LINK_TYPE_ETHERNET, "262", true},  // RJ1-QC26: Ethernet only
        {LINK_TYPE_SERIAL, "262", false},
        {LINK_TYPE_PCI, "208", true},       // PCX118: the PCI card
        {LINK_TYPE_USB, "264", false},      // QCK82's mask 33 names no USB
        {LINK_TYPE_SIMULATOR, "0", false},  // no controller
    };
    for (const Case& c : cases) {
        m_connection->CloseLink();
        ASSERT_TRUE(Open(c.type)) << c.type << " " << c.code;
        m_link->SetReply("?CONTROL[0]", ScriptedReply(c.code));
        EXPECT_EQ(c.supported, m_connection->IsLinkTypeSupported() != FALSE) << c.type << " " << c.code;
    }
    m_connection->CloseLink();
    EXPECT_FALSE(m_connection->IsLinkTypeSupported());
}

// Exclusive use waits for the transmit lock on the clock, and only its
// holder ends it.
TEST_F(ConnectionTest, ExclusiveUseBelongsToTheThreadThatTookIt)
{
    ASSERT_TRUE(Open());
    m_connection->SetMessageTimeout(5);
    m_clock.SetSleepHook([this](std::uint64_t) { m_clock.Advance(99); });
    std::atomic<bool> taken{false}, release{false};
    std::atomic<int> unlockedByOwner{-1};
    std::thread owner([&] {
        taken = m_connection->LockExclusive() != FALSE;
        while (!release)
            Sleep(1);
        unlockedByOwner = m_connection->UnlockExclusive() != FALSE;
    });
    while (!taken)
        Sleep(1);
    EXPECT_EQ(CONNECTION_EXCLUSIVE, m_connection->GetLinkMode());
    EXPECT_EQ(LINK_MODE_EXCLUSIVE, m_link->GetMode());
    EXPECT_FALSE(m_connection->UnlockExclusive()); // not this thread's
    EXPECT_EQ(CONNECTION_EXCLUSIVE, m_connection->GetLinkMode());
    const std::uint64_t start = m_clock.NowMs();
    EXPECT_FALSE(m_connection->LockExclusive());
    EXPECT_GE(m_clock.NowMs() - start, 10000u); // twice the message time-out
    EXPECT_LT(m_clock.NowMs() - start, 11000u);
    release = true;
    owner.join();
    EXPECT_EQ(1, unlockedByOwner.load());
    EXPECT_EQ(CONNECTION_COMMAND_LINE, m_connection->GetLinkMode());
    EXPECT_EQ(LINK_MODE_RAW, m_link->GetMode());
    EXPECT_TRUE(m_connection->LockExclusive());
    EXPECT_TRUE(m_connection->LockExclusive()); // held already
    EXPECT_TRUE(m_connection->UnlockExclusive());
    EXPECT_FALSE(m_connection->UnlockExclusive());
}

TEST_F(ConnectionTest, VersionAndTheOldestSystemSoftwareForChannelMode)
{
    ASSERT_TRUE(Open());
    EXPECT_DOUBLE_EQ(2.0137, m_connection->GetVersion());
    m_link->SetReply("?VERSION", ScriptedReply("1.15"));
    EXPECT_FALSE(m_connection->EnterChannelMode(nullptr));
    ASSERT_FALSE(m_prompts.Records().empty());
    EXPECT_EQ("Controller system software (Ver 1.15) is too old\n\nmust be Ver 1.16 or later",
              m_prompts.Records().back().text);
    EXPECT_EQ("Error", m_prompts.Records().back().caption);
    EXPECT_EQ(CONNECTION_COMMAND_LINE, m_connection->GetLinkMode());
}

TEST_F(ConnectionTest, EnteringAndLeavingChannelMode)
{
    struct Case {
        int type;
        int packetSetting;
        const char* command;
    };
    const Case cases[] = {
        {LINK_TYPE_SERIAL, 0, "VQE(1)\r"},
        {LINK_TYPE_SERIAL, 1, "VQE(3)\r"},
        {LINK_TYPE_ETHERNET, 1, "VQE(1)\r"},
    };
    for (const Case& c : cases) {
        CVQRegistry().SetPacket(c.packetSetting);
        m_connection->CloseLink();
        m_written = 0;
        ASSERT_TRUE(Open(c.type, true)) << c.command;
        const std::string written = NewlyWritten();
        EXPECT_EQ(kEsc + "0VQE(0)\r\r?CONTROL[0]\r?VERSION\r" + c.command, written) << c.command;
        EXPECT_EQ(CONNECTION_CHANNEL_MODE, m_connection->GetLinkMode());
        EXPECT_EQ(c.command[4] == '3', m_connection->IsPacketMode() != FALSE) << c.command;
        EXPECT_TRUE(m_link->IsControllerInChannelMode());
        EXPECT_TRUE(m_connection->LeaveChannelMode());
        EXPECT_EQ(kEsc + "0\x03VQE(0)\r", NewlyWritten());
        EXPECT_EQ(CONNECTION_COMMAND_LINE, m_connection->GetLinkMode());
    }
}

// The media links close when they are configured; channel mode entered
// with link data must still find the link open.
TEST_F(ConnectionTest, ChannelModeWithLinkDataKeepsALinkThatClosesWhenConfigured)
{
    struct Case {
        const char* name;
        bool changed;
    };
    const Case cases[] = {{"the same link data", false}, {"changed link data", true}};
    for (const Case& c : cases) {
        m_connection->CloseLink();
        ASSERT_TRUE(Open(LINK_TYPE_ETHERNET)) << c.name;
        m_link->SetClosesWhenConfigured(true);
        CCommPortData record;
        record.SetName("Test");
        record.SetTypeDefaults(LINK_TYPE_ETHERNET);
        if (c.changed)
            record.m_data.ethernet.m_nPort += 1;
        EXPECT_TRUE(m_connection->EnterChannelMode(&record)) << c.name;
        EXPECT_TRUE(m_link->IsOpen()) << c.name;
        EXPECT_TRUE(m_link->IsControllerInChannelMode()) << c.name;
        EXPECT_EQ(CONNECTION_CHANNEL_MODE, m_connection->GetLinkMode()) << c.name;
        EXPECT_TRUE(m_connection->LeaveChannelMode()) << c.name;
    }
}

TEST_F(ConnectionTest, ChannelWritesAndTheirPrefixes)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    NewlyWritten();
    const auto write = [&](int channel, const std::string& text) {
        return m_connection->WriteChannel(channel, reinterpret_cast<const BYTE*>(text.data()),
                                          static_cast<int>(text.size()), FALSE);
    };
    EXPECT_TRUE(write(0, "?1\r"));
    EXPECT_EQ(kEsc + "0?1\r", NewlyWritten());
    EXPECT_TRUE(write(8, "?VERSION;"));
    EXPECT_EQ(kEsc + "8?VERSION;\n" + kDc4, NewlyWritten());
    EXPECT_TRUE(write(8, "?VERSION;"));
    EXPECT_EQ("?VERSION;\n" + kDc4, NewlyWritten());
    EXPECT_TRUE(write(-1, "x"));
    EXPECT_EQ(kEsc + "/x", NewlyWritten());
    EXPECT_TRUE(m_connection->WriteChannel(-1, reinterpret_cast<const BYTE*>("y"), 1, TRUE));
    EXPECT_EQ(kEsc + "/y", NewlyWritten());

    // 100 bytes go; 101 never go, and the caller hears of it.
    EXPECT_TRUE(write(8, std::string(100, 'A')));
    EXPECT_EQ(kEsc + "8" + std::string(100, 'A') + "\n" + kDc4, NewlyWritten());
    EXPECT_FALSE(write(8, std::string(101, 'B')));
    EXPECT_EQ("", NewlyWritten());
    ASSERT_FALSE(m_prompts.Records().empty());
    EXPECT_EQ("Command too long (100 chans max)\n\"" + std::string(101, 'B') + "\"", m_prompts.Records().back().text);
    EXPECT_EQ("Transmit", m_prompts.Records().back().caption);
}

// Two threads writing on two channels at once: each byte reaches its own
// channel (the channel is chosen and the bytes written as one step).
TEST_F(ConnectionTest, WritesOfTwoThreadsOnTwoChannelsKeepTheirChannels)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    const int count = 2000;
    const auto writer = [&](int channel, char byte) {
        for (int n = 0; n < count; ++n)
            m_connection->WriteChannel(channel, reinterpret_cast<const BYTE*>(&byte), 1, FALSE);
    };
    std::thread onThree(writer, 3, 'a');
    std::thread onFive(writer, 5, 'b');
    onThree.join();
    onFive.join();
    const std::string three = m_link->TerminalInput(3);
    const std::string five = m_link->TerminalInput(5);
    EXPECT_TRUE(three == std::string(count, 'a')) << std::count(three.begin(), three.end(), 'b') << " misrouted";
    EXPECT_TRUE(five == std::string(count, 'b')) << std::count(five.begin(), five.end(), 'a') << " misrouted";
}

TEST_F(ConnectionTest, AToolsRequestGoesThroughTheProjectWindowAndItsReplyComesBack)
{
    MemoryLog log(8);
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    NewlyWritten();
    ASSERT_TRUE(Ask(40)); // "?VERSION;", a real reply
    EXPECT_EQ(kEsc + "8?VERSION;\n" + kDc4, NewlyWritten());
    EXPECT_EQ(1, m_project.ProcessedCount());
    const auto replies = m_tool.Replies();
    ASSERT_EQ(1u, replies.size());
    EXPECT_DOUBLE_EQ(2.0137, replies[0].GetReal());
    EXPECT_EQ(40, replies[0].m_nCommandId);
    EXPECT_EQ(CHANNEL_COMMAND, replies[0].m_nChannel);
    EXPECT_EQ(m_project.GetSafeHwnd(), replies[0].m_hReplyWnd);
    EXPECT_NE(0, replies[0].m_nSequence);
    EXPECT_TRUE(Errors().empty());

    // Ids 8 and 9 are no sequence items: nothing is sent, and the log shows
    // the sequence's start and end under one number.
    CMessageSender sender;
    EXPECT_FALSE(sender.SendSequence(m_toolWindow, {CommandItem(COMMAND_ID_RAW, "x", 1), CommandItem(40)}));
    EXPECT_EQ(1, m_project.ProcessedCount());
    std::string start, end;
    for (const std::string& line : log.Lines()) {
        if (line.find("Sequence ") == 0 && line.find(" start") != std::string::npos)
            start = line.substr(9, line.size() - 9 - 6);
        if (line.find("Sequence ") == 0 && line.find(" end") != std::string::npos)
            end = line.substr(9, line.size() - 9 - 4);
    }
    EXPECT_FALSE(start.empty());
    EXPECT_EQ(start, end);
    // An argument that does not fit the command's kind stops the sequence,
    // and so does a kind without an argument form (9).
    EXPECT_FALSE(sender.SendSequence(m_toolWindow, {CommandItem(32, "text for an integer")}));
    SetCommandRow(52, "KIND9 %s", 9, 1);
    EXPECT_FALSE(sender.SendSequence(m_toolWindow, {CommandItem(52, "x")}));
    EXPECT_FALSE(sender.SendSequence(m_toolWindow, {CommandItem(52)}));
    SetCommandRow(52, "", 0, 0, 0, 0, 0);
    EXPECT_EQ(1, m_project.ProcessedCount());
    // A closing tool's sender sends nothing; a closing tool hears nothing.
    sender.SetClosing(true);
    EXPECT_FALSE(sender.SendSequence(m_toolWindow, {CommandItem(40)}));
    EXPECT_EQ(1, m_project.ProcessedCount());
}

TEST_F(ConnectionTest, TheRepliesOfEveryKindReachTheTool)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    m_link->SetReply("?IN(3)[0];", ScriptedReply("1"));
    m_link->SetReply("?FREE[0];", ScriptedReply("123456"));
    m_link->SetReply("DIR F", ScriptedReply("FILE A"));
    m_link->SetReply("HALT", ScriptedReply(""));
    CMessageSender sender;
    EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(60, 3)}));
    EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(35)}));
    EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(16)}));
    EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(7)}));
    const auto replies = m_tool.Replies();
    ASSERT_EQ(3u, replies.size());
    EXPECT_EQ(1, replies[0].GetInteger());
    EXPECT_EQ(0, replies[0].GetLength());
    EXPECT_EQ(123456, replies[1].GetInteger());
    EXPECT_STREQ("FILE A", replies[2].GetText());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ConnectionTest, ABlockOfTableValuesArrivesWhole)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    std::string values;
    for (int n = 0; n < 31; ++n)
        values += std::to_string(n) + ".5,";
    values += "###.#"; // the controller's mark for a value it cannot print
    m_link->SetReply("TABLEVALUES(0,32,0)", ScriptedReply(values.c_str()));
    EXPECT_TRUE(Ask(31, "0,32,0"));
    const auto replies = m_tool.Replies();
    ASSERT_EQ(32u, replies.size());
    EXPECT_STREQ("0.5", replies[0].GetText());
    EXPECT_STREQ("30.5", replies[30].GetText());
    EXPECT_EQ(0, replies[31].GetLength());
    EXPECT_GT(replies[31].GetReal(), 1e300);

    // "k" items (a count and its value) and "#" items keep their place.
    m_link->SetReply("TABLEVALUES(0,8,0)", ScriptedReply("1.0,k5,2.0,##.#,3.0"));
    EXPECT_TRUE(Ask(31, "0,8,0"));
    const auto more = m_tool.Replies();
    ASSERT_EQ(36u, more.size());
    EXPECT_STREQ("1.0", more[32].GetText());
    EXPECT_STREQ("k5,2.0", more[33].GetText());
    EXPECT_STREQ("##.#", more[34].GetText());
    EXPECT_DOUBLE_EQ(3.0, more[35].GetReal());
}

TEST_F(ConnectionTest, AWrongEchoAndSilenceAreReportedOnce)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    m_connection->SetMessageTimeout(5);
    ScriptedReply wrong("?OTHER;");
    wrong.echo = false;
    m_link->QueueReply("?VERSION;", wrong);
    const std::uint64_t start = m_clock.NowMs();
    EXPECT_FALSE(Ask(40));
    EXPECT_GE(m_clock.NowMs() - start, 5000u); // the message time-out
    auto errors = Errors();
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ("Command echo eror:   ?VERSION;", errors[0]);
    EXPECT_EQ("** Connection to controller timed out    ?VERSION;", errors[1]);
    EXPECT_TRUE(m_tool.Replies().empty());

    // Later exchanges of the session fail at once, without being sent (the
    // controller would run them): the refusal is reported once; entering
    // channel mode again clears the latch.
    m_link->SetSilent(true);
    NewlyWritten();
    const std::uint64_t again = m_clock.NowMs();
    EXPECT_FALSE(Ask(40));
    EXPECT_FALSE(AskVr(1));
    EXPECT_LT(m_clock.NowMs() - again, 1000u);
    EXPECT_EQ("", NewlyWritten());
    errors = Errors();
    ASSERT_EQ(3u, errors.size());
    EXPECT_EQ("** Controller not answering: no command is sent until it is connected again    ?VERSION;", errors[2]);
    m_link->SetSilent(false);
    ASSERT_TRUE(m_connection->EnterChannelMode(nullptr));
    EXPECT_TRUE(Ask(40));
    EXPECT_EQ(1u, m_tool.Replies().size());
}

TEST_F(ConnectionTest, ADroppedLinkEndsTheTransactionAtOnce)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    ScriptedReply drop;
    drop.echo = false;
    drop.dropLink = true;
    m_link->SetReply("?VERSION;", drop);
    const std::uint64_t start = m_clock.NowMs();
    EXPECT_FALSE(Ask(40));
    EXPECT_LT(m_clock.NowMs() - start, 100u);
    EXPECT_TRUE(m_connection->IsLinkLost());
    EXPECT_FALSE(Ask(40)); // nothing waits on a lost link
    EXPECT_EQ((std::vector<std::string>{"** Connection to controller lost"}), Errors());
    // The project window hears of it once, to disconnect now.
    PumpWaitingMessages();
    int posted = 0;
    for (const auto& message : m_project.PrivateMessages())
        posted += message.first == WM_VEXO_LINK_FAILED ? 1 : 0;
    EXPECT_EQ(1, posted);
}

// Replies that come late, twice or mixed with garbage never reach a
// request they do not belong to.
TEST_F(ConnectionTest, StrayRepliesAreNeverGivenToTheNextRequest)
{
    struct Case {
        const char* name;
        std::string stray; // channel-8 bytes that arrive before the request
    };
    const Case cases[] = {
        {"a late reply", "?VERSION;\n" + kDc4 + "2.0137\r" + kDc4 + "\n" + kDc4},
        {"a duplicate value", "2.0137\r" + kDc4},
        {"garbage", "#$%&\r" + kDc4 + "zz\n" + kDc4},
    };
    for (const Case& c : cases) {
        m_written = 0;
        ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true)) << c.name;
        const std::size_t before = m_tool.Replies().size();
        ScriptedReply vr("7.25");
        vr.before = kEsc + "8" + c.stray;
        m_link->SetReplyPattern("?VR(%d);", vr);
        CMessageSender sender;
        EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(32, 1)})) << c.name;
        const auto replies = m_tool.Replies();
        ASSERT_LT(before, replies.size()) << c.name;
        EXPECT_DOUBLE_EQ(7.25, replies.back().GetReal()) << c.name;
        for (std::size_t n = before; n < replies.size(); ++n)
            EXPECT_NE(2.0137, replies[n].GetReal()) << c.name;
    }
}

// A request that ends before its reply (cancelled) leaves that reply to
// come late: it is dropped without a word, before the next request's echo
// or with no request at all, and the next request gets its own answer.
TEST_F(ConnectionTest, AReplyThatOutlivesItsRequestIsDropped)
{
    struct Case {
        const char* name;
        int nextRequest; // the VR the next request reads; 0: none
    };
    const Case cases[] = {
        {"before the next request's echo", 2},
        {"with no request waiting", 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true)) << c.name;
        ScriptedReply late("5.5");
        late.delayMs = 3000;
        m_link->QueueReply("?VR(1);", late);
        m_link->SetReply("?VR(2);", ScriptedReply("7.25"));
        std::thread canceller([this] {
            const ULONGLONG start = GetTickCount64();
            while (!m_connection->IsRequestPending() && GetTickCount64() - start < 10000)
                Sleep(1);
            m_connection->CancelPendingRequest();
        });
        const std::size_t before = m_tool.Replies().size();
        EXPECT_FALSE(AskVr(1)) << c.name;
        canceller.join();
        if (c.nextRequest) {
            EXPECT_TRUE(AskVr(2)) << c.name;
        } else {
            m_clock.Advance(5000);
            ASSERT_TRUE(m_link->WaitUntilQuiet()) << c.name;
        }
        const auto replies = m_tool.Replies();
        ASSERT_EQ(before + (c.nextRequest ? 1 : 0), replies.size()) << c.name;
        if (c.nextRequest) {
            EXPECT_DOUBLE_EQ(7.25, replies.back().GetReal()) << c.name;
        }
        EXPECT_TRUE(Errors().empty()) << c.name;
    }
}

// A reply line taken while its request was active is given to nobody once
// the request has ended before the reply is handed over (cancelled here,
// between the dispatcher's look and the delivery).
TEST_F(ConnectionTest, AReplyIsDeliveredOnlyWhileItsRequestWaits)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    m_link->SetReplyPattern("?VR(%d);", ScriptedReply("7.25"));
    std::atomic<int> checks{0};
    std::atomic<bool> hookDone{false};
    m_project.SetDispatchCheckHook([&] {
        if (checks++ != 0)
            return;
        m_connection->CancelPendingRequest();
        const ULONGLONG start = GetTickCount64();
        while (m_connection->IsRequestPending() && GetTickCount64() - start < 10000)
            Sleep(1);
        hookDone = true;
    });
    EXPECT_FALSE(AskVr(1));
    // The hook goes only once the receive thread has left it.
    ASSERT_TRUE(PumpUntil([&] { return hookDone.load(); }));
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    m_project.SetDispatchCheckHook(nullptr);
    EXPECT_GE(checks.load(), 1);
    EXPECT_TRUE(m_tool.Replies().empty());
    EXPECT_TRUE(Errors().empty());
}

// A command text with a byte the link takes as control would switch
// channels or split the line: it is never sent and the caller fails.
TEST_F(ConnectionTest, ACommandWithControlBytesIsNeverSent)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    SetCommandRow(52, "T=%s", ARGUMENT_TEXT, REPLY_DISCARD);
    struct Case {
        std::string text;
        bool sent;
    };
    const Case cases[] = {
        {"a\x1b" "0VQE(0)", false}, {"a\x12" "b", false}, {"a\x14" "b", false}, {"\x02" "x", false},
        {"a\rRUN", false},        {"a\nb", false},        {"a\x1f", false},        {"a\tb", true},
    };
    for (const Case& c : cases) {
        NewlyWritten();
        EXPECT_EQ(c.sent, Ask(52, c.text.c_str()) != FALSE) << c.text;
        const std::string written = NewlyWritten();
        EXPECT_EQ(c.sent, written.find("T=") != std::string::npos) << c.text;
    }
    // A tool's raw bytes are its own: they go as they are.
    CMessageSender sender;
    EXPECT_TRUE(sender.SendRaw(m_toolWindow, 3, reinterpret_cast<const BYTE*>("\x1b" "1"), 2));
    SetCommandRow(52, "", 0, 0, 0, 0, 0);
    ASSERT_FALSE(Errors().empty());
    EXPECT_EQ("** Command not sent: it holds control characters    T=a<ESC>0VQE(0)", Errors().front());
}

// A transaction that waited for another thread's exclusive use finds the
// link back on the command line: a command-channel request has no channel
// then, is not written and fails (it never passes for an answered one).
TEST_F(ConnectionTest, ATransactionBehindExclusiveUseIsDecidedAfterTheWait)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    m_connection->SetMessageTimeout(120);
    std::atomic<bool> taken{false}, asked{false};
    std::thread owner([&] {
        taken = m_connection->LockExclusive() != FALSE;
        while (!asked)
            Sleep(1);
        Sleep(100); // the request waits for the transmit lock meanwhile
        m_connection->UnlockExclusive();
    });
    while (!taken)
        Sleep(1);
    NewlyWritten();
    std::thread asker([&] {
        Sleep(20);
        asked = true;
    });
    EXPECT_FALSE(AskVr(1));
    asker.join();
    owner.join();
    EXPECT_EQ(CONNECTION_COMMAND_LINE, m_connection->GetLinkMode());
    EXPECT_EQ("", NewlyWritten());
    EXPECT_TRUE(m_tool.Replies().empty());
}

// The controller prints a queried value with ";" and ends its reply with
// LF DC4 right after it: that line is the reply and its end.
TEST_F(ConnectionTest, AValueLineWithoutCarriageReturnEndsTheExchange)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    ScriptedReply value("43.0000");
    value.markEndsLastLine = true;
    m_link->SetReplyPattern("?VR(%d);", value);
    CMessageSender sender;
    EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(32, 2)}));
    const auto replies = m_tool.Replies();
    ASSERT_FALSE(replies.empty());
    EXPECT_DOUBLE_EQ(43.0, replies.back().GetReal());
    EXPECT_TRUE(Errors().empty());
    // The next exchange is not held up by the one before.
    EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(32, 3)}));
    EXPECT_EQ(replies.size() + 1, m_tool.Replies().size());
}

TEST_F(ConnectionTest, AToolReadsTheDriveBusesThroughTheModels)
{
    // The drive tools' commands as the command table builds them (the
    // CAN message with its seven optional bytes given as 0), answered by
    // the bus models, and their values as the tool's reply entry gets them.
    CProgramStore store;
    CBusModelSet buses(store);
    CCanBusModel::Amplifier amplifier;
    amplifier.address = 9;
    CCanBusModel::Node node;
    node.node = 2;
    CCanBusModel can({{0, {amplifier}, {node}, 0}});
    CMechatrolinkBusModel::Station station;
    station.axis = 3;
    CMechatrolinkBusModel mlink({{1, 31, {station}}});
    buses.Add(can);
    buses.Add(mlink);
    m_connection->SetLinkFactory(ScriptedLinkFactory(m_link, [&](CScriptedController& link) { buses.Attach(link); }));
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    struct Step {
        CommandItem item;
        const char* command; // as the controller took it
        double value;        // the reply's value; NAN: no value reply
    };
    const Step steps[] = {
        {CommandItem(87, "0,14,52,9"), "CAN(0,7,14,52,9,0,0,0,0,0,0)", NAN},
        {CommandItem(88, "0,1"), "?CAN(0,3,1)[0];", 1},
        {CommandItem(89, "0,1,240"), "CAN(0,6,1,240)", NAN},
        {CommandItem(32, 245), "?VR(245);", 73},
        {CommandItem(86, "0,13,1538,8,1"), "CAN(0,5,13,1538,8,1)", NAN},
        {CommandItem(86, "0,1,1410,8,0"), "CAN(0,5,1,1410,8,0)", NAN},
        {CommandItem(140, "0,13,1,4120,1,240"), "CAN(0,8,13,1,4120,1,240)", NAN},
        {CommandItem(32, 240), "?VR(240);", 0x43},
        {CommandItem(32, 241), "?VR(241);", 130},
        {CommandItem(28, 3), "?ATYPE AXIS(3)[0];", 40},
        {CommandItem(37, 1), "WDOG=1", NAN},
        {CommandItem(34), "?WDOG[0];", 1},
    };
    for (const Step& step : steps) {
        const std::size_t before = m_tool.Replies().size();
        CMessageSender sender;
        EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {step.item})) << step.command;
        EXPECT_EQ(m_link->Commands().back(), step.command);
        const auto replies = m_tool.Replies();
        if (std::isnan(step.value)) {
            EXPECT_EQ(replies.size(), before) << step.command;
        } else if (replies.size() == before + 1) {
            const double got = step.item.commandId == 32 ? replies.back().GetReal() : replies.back().GetInteger();
            EXPECT_EQ(got, step.value) << step.command;
        } else {
            ADD_FAILURE() << step.command << ": no reply";
        }
    }
    // A MECHATROLINK text reply: the value line, then the success line,
    // each a reply of its own.
    const std::size_t before = m_tool.Replies().size();
    CMessageSender sender;
    EXPECT_TRUE(sender.SendSequenceEx(m_toolWindow, &m_tool, {CommandItem(161, 1)}));
    const auto replies = m_tool.Replies();
    ASSERT_EQ(replies.size(), before + 2);
    EXPECT_STREQ(replies[before].GetText(), "1");
    EXPECT_STREQ(replies[before + 1].GetText(), "-1");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ConnectionTest, TerminalBytesGoBothWaysOnTheirChannels)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    NewlyWritten();
    // A tool's raw bytes go on their channel as they are: no line end.
    CMessageSender sender;
    EXPECT_TRUE(sender.SendRaw(m_toolWindow, 3, reinterpret_cast<const BYTE*>("abc"), 3));
    EXPECT_TRUE(sender.SendRawString(m_toolWindow, 3, "de"));
    EXPECT_EQ(kEsc + "3abcde", NewlyWritten());
    EXPECT_EQ("abcde", m_link->TerminalInput(3));
    // The controller's output on a terminal channel goes to the windows
    // (the prompts of entering and leaving channel mode went there before).
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    std::size_t before = m_project.Dispatched().size();
    m_link->SendOnChannel(5, "out");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    auto dispatched = m_project.Dispatched();
    ASSERT_EQ(before + 1, dispatched.size());
    EXPECT_EQ(COMMAND_ID_RECEIVED, dispatched.back().m_nCommandId);
    EXPECT_EQ(5, dispatched.back().m_nChannel);
    EXPECT_EQ("out", std::string(dispatched.back().GetText()));
    // On the command line every byte belongs to no channel.
    EXPECT_TRUE(m_connection->LeaveChannelMode());
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    before = m_project.Dispatched().size();
    m_link->InjectRaw("plain");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    dispatched = m_project.Dispatched();
    ASSERT_EQ(before + 1, dispatched.size());
    EXPECT_EQ(CHANNEL_DIRECT, dispatched.back().m_nChannel);
    EXPECT_EQ("plain", std::string(dispatched.back().GetText()));
}

TEST_F(ConnectionTest, ACancelledRequestEndsWithoutATimeOut)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    ScriptedReply mute;
    mute.silent = true;
    m_link->QueueReply("?VERSION;", mute);
    std::thread canceller([this] {
        const ULONGLONG start = GetTickCount64();
        while (!m_connection->IsRequestPending() && GetTickCount64() - start < 10000)
            Sleep(1);
        m_connection->CancelPendingRequest();
    });
    const std::uint64_t start = m_clock.NowMs();
    EXPECT_FALSE(Ask(40));
    canceller.join();
    EXPECT_LT(m_clock.NowMs() - start, 5000u);
    EXPECT_TRUE(Errors().empty());
    EXPECT_FALSE(m_connection->IsTimeoutLatched());
    EXPECT_TRUE(Ask(40)); // the next request is not held up
}

TEST_F(ConnectionTest, StatusLinesReachTheProjectWindow)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    m_link->SendStatusLine("%[Process 2:Line 17] - Paused");
    m_link->SendStatusLine("%[Process 1:Program MAIN] - Running");
    m_link->SendStatusLine("%[VQE 1] Command not allowed");
    m_link->SendStatusLine("%[Error 80] - Directory structure invalid");
    m_link->SendStatusLine("%[Process 3:Line 5] (31) - Axis in error");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    const auto statuses = m_project.ProcessStatuses();
    ASSERT_EQ(2u, statuses.size());
    EXPECT_EQ(2, statuses[0].process);
    EXPECT_EQ(3, statuses[0].status);
    EXPECT_EQ(17, statuses[0].line);
    EXPECT_EQ(-1, statuses[0].error);
    EXPECT_FALSE(statuses[0].hasText);
    EXPECT_EQ(31, statuses[1].error);
    EXPECT_EQ("Axis in error", statuses[1].text);
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{1, "MAIN"}}), m_project.ProgramStatuses());
    EXPECT_EQ((std::vector<std::pair<std::string, int>>{{"Unknown program", -1}}), m_project.CompileMessages());
}

TEST_F(ConnectionTest, ThePacketFormAcknowledgesChecksAndResends)
{
    MemoryLog log(1 | 512 | LOG_STATUS_ERRORS);
    CVQRegistry().SetPacket(1);
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    ASSERT_TRUE(m_connection->IsPacketMode());
    NewlyWritten();
    CSyncPacket packet;
    const std::string sent = packet.Build("?VERSION;").str();
    EXPECT_EQ("\x02?VERSION;\x03" "bON", sent);

    // A good reply packet is answered with ACK on its channel.
    EXPECT_TRUE(Ask(40));
    EXPECT_DOUBLE_EQ(2.0137, m_tool.Replies().back().GetReal());
    EXPECT_EQ(kEsc + "8" + sent + "\n" + kDc4 + "\x06\x06", NewlyWritten());

    // A damaged one gets NAK and comes again; the exchange still succeeds.
    m_link->CorruptNextFrames(1);
    EXPECT_TRUE(Ask(40));
    EXPECT_EQ(sent + "\n" + kDc4 + "\x15\x06\x06", NewlyWritten());
    EXPECT_TRUE(log.Contains("Invalid packet received"));

    // A packet the controller never answers goes again every 5 s.
    ScriptedReply lost;
    lost.silent = true;
    m_link->QueueReply("?VERSION;", lost);
    const std::uint64_t start = m_clock.NowMs();
    EXPECT_TRUE(Ask(40));
    EXPECT_GE(m_clock.NowMs() - start, 5000u);
    EXPECT_LT(m_clock.NowMs() - start, 6000u);
    EXPECT_TRUE(log.Contains("Resend packet: <STX>?VERSION;<ETX>bON"));
    EXPECT_EQ(3u, m_tool.Replies().size());

    // Our ACK is lost: the controller sends the same packet again after
    // 300 ms. It is acknowledged again and taken once.
    m_link->LoseNextAcks(1);
    EXPECT_TRUE(Ask(40));
    EXPECT_EQ(4u, m_tool.Replies().size());
    EXPECT_TRUE(log.Contains("Repeated packet dropped"));
    EXPECT_TRUE(Errors().empty());
    // Two requests in a row whose replies are one equal packet each (the
    // end mark alone) each take theirs.
    EXPECT_TRUE(AskVr(1));
    EXPECT_TRUE(AskVr(1));
}

TEST_F(ConnectionTest, TheLeaseSendsThroughOneTransmitter)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    CMultiTransmitterLease lease(m_connection.get());
    EXPECT_FALSE(lease.Send(m_toolWindow, {CommandItem(40)})); // none held
    ASSERT_TRUE(lease.Acquire());
    NewlyWritten();
    EXPECT_TRUE(lease.Send(m_project.GetSafeHwnd(), {CommandItem(40), CommandItem(32, 1)}));
    EXPECT_EQ(kEsc + "8?VERSION;\n" + kDc4 + "?VR(1);\n" + kDc4, NewlyWritten());
    EXPECT_EQ(1u, m_project.OwnReplies().size()); // ?VR(1); has the default reply: none

    // A command of argument kind 5 stops the run before it goes out.
    SetCommandRow(52, "KIND5", 5, 1);
    EXPECT_FALSE(lease.Send(m_toolWindow, {CommandItem(52, "x")}));
    SetCommandRow(52, "", 0, 0, 0, 0, 0);
    EXPECT_EQ("", NewlyWritten());
    lease.Release();
    EXPECT_FALSE(lease.Send(m_toolWindow, {CommandItem(40)}));
    EXPECT_EQ("", NewlyWritten());

    // No transmitter while the transactions are held.
    m_connection->SetTransactionHold(TRUE);
    EXPECT_FALSE(lease.Acquire());
    m_connection->SetTransactionHold(FALSE);
}

// A repeating transmitter that is slow to come back after each run: a
// caller that sees the last transmission done sends the next at once.
class SlowMultiTransmitter : public CMultiTransmitter {
public:
    using CMultiTransmitter::CMultiTransmitter;
    void Run() override
    {
        CMultiTransmitter::Run();
        Sleep(30);
    }
};

TEST_F(ConnectionTest, ARepeatingTransmitterTakesTheNextMessageOnceTheLastIsDone)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    auto* transmitter = new SlowMultiTransmitter(m_connection.get());
    ASSERT_TRUE(transmitter->Start());
    NewlyWritten();
    ControllerMessage message;
    message.m_nCommandId = 40;
    message.m_nChannel = CHANNEL_COMMAND;
    message.m_hReplyWnd = m_project.GetSafeHwnd();
    EXPECT_TRUE(transmitter->Transmit(message));
    EXPECT_TRUE(transmitter->Transmit(message));
    EXPECT_TRUE(transmitter->IsDone());
    transmitter->Stop(); // its worker deletes it
    EXPECT_EQ(kEsc + "8?VERSION;\n" + kDc4 + "?VERSION;\n" + kDc4, NewlyWritten());
}

TEST_F(ConnectionTest, LinkManagement)
{
    int created = 0;
    m_connection->SetLinkFactory([&](int type) -> CComms* {
        if (type == LINK_TYPE_FINS)
            return nullptr; // no link class for FINS
        ++created;
        m_link = new CScriptedController(type);
        m_link->SetReply("?CONTROL[0]", ScriptedReply("206"));
        m_link->SetReply("?VERSION", ScriptedReply("2.0137"));
        return m_link;
    });
    CCommPortData fins;
    fins.SetTypeDefaults(LINK_TYPE_FINS);
    EXPECT_FALSE(m_connection->OpenLink(m_project.GetSafeHwnd(), &fins, FALSE));
    EXPECT_EQ(nullptr, m_connection->GetLink());
    EXPECT_FALSE(m_connection->IsLinkOpened());

    // A record equal in its settings (names aside) changes nothing and
    // keeps the link open.
    ASSERT_TRUE(Open(LINK_TYPE_ETHERNET));
    CComms* first = m_connection->GetLink();
    CCommPortData same;
    same.SetTypeDefaults(LINK_TYPE_ETHERNET);
    EXPECT_TRUE(m_connection->ApplyLinkData(&same, TRUE));
    EXPECT_EQ(first, m_connection->GetLink());
    EXPECT_TRUE(first->GetOpenFlag());
    EXPECT_EQ("Scripted 192.168.0.250", m_connection->GetLinkName(TRUE).str());

    // Changed settings of the same type: the link opens again with them.
    CCommPortData moved = same;
    moved.SetEthernet("127.0.0.1", 4023);
    EXPECT_TRUE(m_connection->ApplyLinkData(&moved, TRUE));
    EXPECT_EQ(first, m_connection->GetLink());
    EXPECT_TRUE(first->GetOpenFlag());
    EXPECT_EQ("Ethernet:127.0.0.1:4023", m_connection->GetLinkDescription(1).str());

    // Another type replaces the link object; a closed link stays closed.
    m_connection->GetLink()->Close();
    CCommPortData serial;
    serial.SetTypeDefaults(LINK_TYPE_SERIAL);
    EXPECT_TRUE(m_connection->ApplyLinkData(&serial, TRUE));
    ASSERT_NE(nullptr, m_connection->GetLink());
    EXPECT_EQ(LINK_TYPE_SERIAL, m_connection->GetLinkData()->m_nType);
    EXPECT_FALSE(m_connection->GetLink()->GetOpenFlag());
    EXPECT_EQ(2, created);

    // Reopening is for the command line only.
    ASSERT_TRUE(m_connection->OpenLink(nullptr, nullptr, TRUE));
    EXPECT_FALSE(m_connection->ReopenLink());
    EXPECT_TRUE(m_connection->LeaveChannelMode());
    EXPECT_TRUE(m_connection->ReopenLink());
    m_connection->CloseLink();
    EXPECT_EQ(nullptr, m_connection->GetLink());
    EXPECT_EQ("", m_connection->GetLinkName(FALSE).str());
}

// Every transaction runs on the connection's one worker, whichever thread
// asks; the asking thread answers messages sent to its windows while it
// waits, and gets its answer as soon as the worker has it.
TEST_F(ConnectionTest, TransactionsRunOnOneWorkerWhileTheCallerAnswersSentMessages)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    ScriptedReply slow("2.0137");
    slow.delayMs = 3000;
    m_link->SetReply("?VERSION;", slow);
    struct ThreadRecorder : CVexoReply {
        void OnReply(ControllerMessage*) override
        {
            std::lock_guard<std::mutex> guard(lock);
            threads.push_back(::GetCurrentThreadId());
        }
        std::mutex lock;
        std::vector<DWORD> threads;
    } recorder;
    TestWindow window("caller's window");
    m_project.Register(window);
    const auto transact = [&] {
        ControllerMessage message;
        message.m_nCommandId = 40;
        message.m_nChannel = CHANNEL_COMMAND;
        message.m_hReplyWnd = window;
        message.m_pReplyReceiver = &recorder;
        return m_connection->Transact(&message) != FALSE;
    };
    std::atomic<LRESULT> answered{-1};
    std::thread asker([&] {
        const ULONGLONG start = GetTickCount64();
        while (!m_connection->IsRequestPending() && GetTickCount64() - start < 10000)
            Sleep(1);
        DWORD_PTR length = 0;
        if (::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length))
            answered = static_cast<LRESULT>(length);
    });
    EXPECT_TRUE(transact());
    asker.join();
    EXPECT_EQ(static_cast<LRESULT>(std::strlen("caller's window")), answered.load())
        << "answered while the transaction waited";
    EXPECT_TRUE(transact());
    bool other = false;
    std::thread second([&] { other = transact(); });
    second.join();
    EXPECT_TRUE(other);
    std::lock_guard<std::mutex> guard(recorder.lock);
    ASSERT_EQ(3u, recorder.threads.size());
    EXPECT_NE(::GetCurrentThreadId(), recorder.threads[0]);
    EXPECT_EQ(recorder.threads[0], recorder.threads[1]);
    EXPECT_EQ(recorder.threads[0], recorder.threads[2]) << "one worker for every caller";
    m_project.Unregister(window);
}

TEST_F(ConnectionTest, AHoldAbortsTheWaitingCallerWithFailure)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    ScriptedReply slow("2.0137");
    slow.delayMs = 3000;
    m_link->SetReply("?VERSION;", slow);
    // The hold comes while the caller waits for the worker.
    std::thread holder([this] {
        const ULONGLONG start = GetTickCount64();
        while (!m_connection->IsRequestPending() && GetTickCount64() - start < 10000)
            Sleep(1);
        m_connection->SetTransactionHold(TRUE);
    });
    ControllerMessage message;
    message.m_nCommandId = 40;
    message.m_nChannel = CHANNEL_COMMAND;
    EXPECT_FALSE(m_connection->Transact(&message));
    holder.join();
    EXPECT_FALSE(m_connection->Transact(&message)); // refused while held
    m_connection->SetTransactionHold(FALSE);
    const ULONGLONG start = GetTickCount64();
    while (m_connection->IsRequestPending() && GetTickCount64() - start < 10000)
        Sleep(1);
    EXPECT_FALSE(m_connection->IsRequestPending());
}

// A tool that closes on its own thread while its replies are being
// delivered: once it has unregistered it hears nothing more, so deleting it
// then is safe.
class SlowTool : public CVexoReply {
public:
    void OnReply(ControllerMessage*) override
    {
        ++m_nReplies;
        Sleep(2);
        ++m_nReplies; // a write the deleted storage shows
        ++s_replies;
    }
    static inline std::atomic<int> s_replies{0};

private:
    int m_nReplies = 0;
};
class DeletedTool : public DeletedStorage<SlowTool> {};

TEST_F(ConnectionTest, AToolThatClosesMidReplyHearsNothingAfterItUnregistered)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    std::string values;
    for (int n = 0; n < 32; ++n)
        values += std::to_string(n) + (n < 31 ? ".5," : ".5");
    m_link->SetReply("TABLEVALUES(0,32,0)", ScriptedReply(values.c_str()));
    TestWindow window("closing tool");
    m_project.Register(window);
    auto* tool = new DeletedTool;
    SlowTool::s_replies = 0;
    std::thread closer([&] {
        const ULONGLONG start = GetTickCount64();
        while (SlowTool::s_replies < 4 && GetTickCount64() - start < 10000)
            Sleep(1);
        tool->SetClosing();
        m_project.Unregister(window);
        delete tool;
    });
    CMessageSender sender;
    EXPECT_TRUE(sender.SendSequenceEx(window, tool, {CommandItem(31, "0,32,0")}));
    closer.join();
    ASSERT_TRUE(DeletedTool::IsDeleted());
    EXPECT_EQ(-1, DeletedTool::FirstWriteAfterDeletion());
    EXPECT_GE(SlowTool::s_replies.load(), 4);
    EXPECT_LT(SlowTool::s_replies.load(), 32);
}

// Whichever of caller and worker finishes second deletes the transmitter,
// and nothing touches it after.
class ProbeTransmitter : public DeletedStorage<CTransmitter> {
public:
    using DeletedStorage<CTransmitter>::DeletedStorage;
};

TEST_F(ConnectionTest, TheLastOfCallerAndWorkerDeletesTheTransmitter)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    ControllerMessage message;
    message.m_nCommandId = 40;
    message.m_nChannel = CHANNEL_COMMAND;
    const auto deleted = [] {
        const ULONGLONG start = GetTickCount64();
        while (!ProbeTransmitter::IsDeleted() && GetTickCount64() - start < 10000)
            Sleep(1);
        return ProbeTransmitter::IsDeleted();
    };

    // The worker finishes first.
    auto* transmitter = new ProbeTransmitter(m_connection.get());
    ASSERT_TRUE(transmitter->Start());
    EXPECT_TRUE(CTransmitter::TransmitAndRelease(transmitter, message));
    EXPECT_TRUE(deleted());
    EXPECT_EQ(-1, ProbeTransmitter::FirstWriteAfterDeletion());

    // The caller is aborted by a hold while the worker still waits for the
    // reply: the worker, finishing later, deletes it.
    ScriptedReply slow("2.0137");
    slow.delayMs = 3000;
    m_link->QueueReply("?VERSION;", slow);
    transmitter = new ProbeTransmitter(m_connection.get());
    ASSERT_TRUE(transmitter->Start());
    std::thread holder([this] {
        const ULONGLONG start = GetTickCount64();
        while (!m_connection->IsRequestPending() && GetTickCount64() - start < 10000)
            Sleep(1);
        m_connection->SetTransactionHold(TRUE);
    });
    EXPECT_FALSE(CTransmitter::TransmitAndRelease(transmitter, message));
    holder.join();
    EXPECT_FALSE(ProbeTransmitter::IsDeleted());
    m_connection->SetTransactionHold(FALSE);
    EXPECT_TRUE(deleted());
    EXPECT_EQ(-1, ProbeTransmitter::FirstWriteAfterDeletion());
}

TEST_F(ConnectionTest, TheProgramListFollowsTheDirectory)
{
    const auto program = [](const char* name, int type, int codeSize = 0) {
        CProgramData data;
        data.m_strName = name;
        data.m_nType = type;
        data.m_nCodeSize = codeSize;
        return data;
    };
    CProgramData main = program("MAIN", 0);
    main.m_nState = 7;
    ASSERT_NE(nullptr, m_connection->AddProgram(main));
    ASSERT_NE(nullptr, m_connection->AddProgram(program("SUB", 0)));
    EXPECT_TRUE(m_connection->HasProgram("main"));
    EXPECT_EQ(nullptr, m_connection->FindProgram(""));
    EXPECT_EQ(nullptr, m_connection->FindProgram(nullptr));

    CTList<CProgramData> directory;
    CProgramData entry = program("Main", 0, 10);
    directory.AddTail(&entry);
    entry = program("NEWONE", 2, 20);
    directory.AddTail(&entry);
    m_connection->SyncProgramList(directory);

    EXPECT_EQ(2, m_connection->CountPrograms(PROGRAM_TYPE_ALL));
    EXPECT_EQ(1, m_connection->CountPrograms(2));
    EXPECT_EQ(PROGRAM_TYPE_NONE, m_connection->GetProgramType("SUB"));
    EXPECT_EQ(2, m_connection->GetProgramType("newone"));
    CProgramData found;
    ASSERT_TRUE(m_connection->LookupProgram("MAIN", found));
    EXPECT_EQ("MAIN", found.m_strName.str()); // its own spelling and state stay
    EXPECT_EQ(7, found.m_nState);
    EXPECT_EQ(10, found.m_nCodeSize);
    EXPECT_EQ(1, found.m_nSeen);
    EXPECT_TRUE(m_connection->RemoveProgram("Newone"));
    EXPECT_FALSE(m_connection->RemoveProgram("NEWONE"));
    EXPECT_EQ(1, m_connection->CountPrograms(PROGRAM_TYPE_ALL));
}

TEST_F(ConnectionTest, AProgramIsSelectedBeforeACommandThatNamesIt)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    const auto add = [this](const char* name, int type) {
        CProgramData data;
        data.m_strName = name;
        data.m_nType = type;
        m_connection->AddProgram(data);
    };
    add("MAIN", 0);
    add("QUEUE", 5); // a FIFO: never selected
    add("BAD", 0);
    ScriptedReply refused("%[COMMAND 9] - Program not found");
    m_link->SetReply("SELECT \"BAD\"", refused);
    const auto compile = [this](const char* program) {
        ControllerMessage message;
        message.m_nCommandId = 46; // "COMPILE"
        message.m_nChannel = CHANNEL_COMMAND;
        message.m_hReplyWnd = m_project.GetSafeHwnd();
        message.SetProgramName(program);
        return m_connection->Transact(&message) != FALSE;
    };
    NewlyWritten();

    EXPECT_TRUE(compile("MAIN"));
    EXPECT_EQ(kEsc + "8SELECT \"MAIN\"\n" + kDc4 + "COMPILE\n" + kDc4, NewlyWritten());
    EXPECT_EQ("MAIN", m_connection->GetSelectedProgram().str());
    EXPECT_EQ((std::vector<std::string>{"MAIN"}), m_project.ControlPanelPrograms());
    // Selected already (names ignore case): the command goes alone.
    EXPECT_TRUE(compile("main"));
    EXPECT_EQ("COMPILE\n" + kDc4, NewlyWritten());

    // A program the list does not know, or of a type that is never
    // selected: nothing goes out.
    EXPECT_FALSE(compile("OTHER"));
    EXPECT_FALSE(compile("QUEUE"));
    EXPECT_EQ("", NewlyWritten());

    // The controller refuses the selection: the user hears of it, the
    // command does not go, the old selection stands.
    EXPECT_FALSE(compile("BAD"));
    EXPECT_EQ("SELECT \"BAD\"\n" + kDc4, NewlyWritten());
    ASSERT_FALSE(m_prompts.Records().empty());
    EXPECT_EQ("Unable to select program BAD", m_prompts.Records().back().text);
    EXPECT_EQ("Controller", m_prompts.Records().back().caption);
    EXPECT_EQ("MAIN", m_connection->GetSelectedProgram().str());

    // A new session knows nothing of the controller's selection.
    ASSERT_TRUE(m_connection->EnterChannelMode(nullptr));
    NewlyWritten();
    EXPECT_TRUE(compile("MAIN"));
    EXPECT_EQ(kEsc + "8SELECT \"MAIN\"\n" + kDc4 + "COMPILE\n" + kDc4, NewlyWritten());
}

TEST_F(ConnectionTest, DirectoryAndProcessListsArriveAsRecords)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    m_link->SetReply("DIR X", ScriptedReply("RAM,12000\nMAIN,1200,300,0,0\nAVERYLONGPROGRAMNAME1,10,5,3,2\n"
                                            "TABLE,1,2,3,4\nSHORT,1,2\nEPROM,5,5,5,5\nOLD,1,2,-1"));
    EXPECT_TRUE(Ask(0));
    auto replies = m_tool.Replies();
    std::vector<CProgramData> programs;
    for (const ControllerMessage& reply : replies) {
        CProgramData program;
        ASSERT_TRUE(ReadDirectoryReply(reply, program));
        programs.push_back(program);
    }
    ASSERT_EQ(3u, programs.size());
    EXPECT_EQ("MAIN", programs[0].m_strName.str());
    EXPECT_EQ(1200, programs[0].m_nSourceSize);
    EXPECT_EQ(300, programs[0].m_nCodeSize);
    EXPECT_EQ(0, programs[0].m_nType);
    EXPECT_EQ("AVERYLONGPROGRA", programs[1].m_strName.str()); // 15 characters
    EXPECT_EQ(3, programs[1].m_nAutoRun);
    EXPECT_EQ(2, programs[1].m_nType);
    EXPECT_EQ("OLD", programs[2].m_strName.str());
    EXPECT_EQ(-1, programs[2].m_nAutoRun);
    EXPECT_EQ(PROGRAM_TYPE_NONE, programs[2].m_nType);
    EXPECT_TRUE(Errors().empty());

    // A controller with feature 16 adds whether the program may be edited.
    m_link->SetReply("?CONTROL[0]", ScriptedReply("464"));
    ASSERT_TRUE(m_connection->EnterChannelMode(nullptr));
    m_link->SetReply("DIR X", ScriptedReply("MAIN,1200,300,0,0,1"));
    EXPECT_TRUE(Ask(0));
    CProgramData editable;
    ASSERT_TRUE(ReadDirectoryReply(m_tool.Replies().back(), editable));
    EXPECT_EQ(1, editable.m_nEditable);

    m_link->SetReply("PROCESS",
                     ScriptedReply("0,1,Command line/NTE,0\n2,1,MAIN,16\n3,3,A_PROGRAM_TEXT_OF_THIRTY_CHARS,4"));
    const std::size_t before = m_tool.Replies().size();
    EXPECT_TRUE(Ask(1));
    replies = m_tool.Replies();
    ASSERT_EQ(before + 2, replies.size());
    CProcessData process;
    ASSERT_TRUE(ReadProcessReply(replies[before], process));
    EXPECT_EQ(2, process.m_nProcess);
    EXPECT_EQ(1, process.m_nState);
    EXPECT_EQ(16, process.m_nLine);
    EXPECT_EQ("MAIN", process.m_strProgram.str());
    EXPECT_EQ(1, process.m_nProgramCount);
    ASSERT_TRUE(ReadProcessReply(replies[before + 1], process));
    EXPECT_EQ("A_PROGRAM_TEXT_OF_THIRTY", process.m_strProgram.str()); // 24 characters
    // Neither record reads from another reply.
    EXPECT_FALSE(ReadProcessReply(replies[0], process));
    CProgramData program;
    EXPECT_FALSE(ReadDirectoryReply(replies[before], program));

    // Lines that do not scan fail the request and are reported.
    m_link->SetReply("DIR X", ScriptedReply("BAD,x,1,2,3"));
    EXPECT_FALSE(Ask(0));
    m_link->SetReply("PROCESS", ScriptedReply("2,x"));
    EXPECT_FALSE(Ask(1));
    EXPECT_EQ((std::vector<std::string>{"** Error in response to DIR command:   BAD,x,1,2,3",
                                        "** Error in response to PROCESS command:   2,x"}),
              Errors());
}

TEST_F(ConnectionTest, ThePowerUpSettingComesFromItsQuery)
{
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true)); // a QC116: it keeps the setting
    struct Case {
        const char* reply;
        bool active;
    };
    const Case cases[] = {{"1", true}, {"2", false}, {"3", true}, {"0", false}};
    for (const Case& c : cases) {
        m_link->SetReply("?POWER_UP[0];", ScriptedReply(c.reply));
        EXPECT_TRUE(Ask(33)) << c.reply;
        EXPECT_EQ(c.active, m_connection->IsPowerUpActive() != FALSE) << c.reply;
    }
    m_link->SetReply("?POWER_UP[0];", ScriptedReply("1"));
    EXPECT_TRUE(Ask(33));
    EXPECT_TRUE(m_connection->LeaveChannelMode());
    EXPECT_FALSE(m_connection->IsPowerUpActive());
}

TEST_F(ConnectionTest, AFullCaptureRingFailsTheExchangeInsteadOfOverwriting)
{
    ASSERT_TRUE(Open());
    // The controller's answer comes at once with more behind it than the
    // ring holds: a whole reply, then noise.
    ScriptedReply unanswered;
    unanswered.silent = true;
    m_link->QueueReply("?VERSION", unanswered);
    bool sent = false;
    m_clock.SetSleepHook([&](std::uint64_t) {
        if (sent || m_link->Written().find("?VERSION\r") == std::string::npos)
            return;
        sent = true;
        const std::string flood = "?VERSION\r\n1.5\r\n>>" + std::string(CAPTURE_RING_SIZE + 100, 'x');
        m_connection->OnReceive(CHANNEL_DIRECT, static_cast<int>(flood.size()),
                                reinterpret_cast<const BYTE*>(flood.data()));
    });
    double value = 0.0;
    EXPECT_FALSE(m_connection->QueryNumber("?VERSION\r", value));
    EXPECT_TRUE(sent);
    EXPECT_TRUE(m_connection->HasCaptureOverflowed());
    EXPECT_EQ(0.0, value);

    // The next exchange starts clean.
    m_clock.SetSleepHook([this](std::uint64_t) { m_link->WaitUntilQuiet(2000); });
    EXPECT_TRUE(m_connection->QueryNumber("?VERSION\r", value));
    EXPECT_DOUBLE_EQ(2.0137, value);
    EXPECT_FALSE(m_connection->HasCaptureOverflowed());
}

TEST_F(ConnectionTest, SequenceNumbersWrapToOneNeverZero)
{
    const int cases[][2] = {{0, 1}, {1, 2}, {41, 42}, {INT_MAX - 1, INT_MAX}, {INT_MAX, 1}, {-7, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(c[1], SequenceNumberAfter(c[0])) << c[0];
    for (int n = 0; n < 3; ++n)
        EXPECT_GT(NextSequenceNumber(), 0);
}

TEST_F(ConnectionTest, ALongWaitWarnsEveryThreeSecondsAfterTen)
{
    MemoryLog log(1);
    std::atomic<int> beeps{0};
    m_connection->SetWarningBeep([&] { ++beeps; });
    ASSERT_TRUE(Open(LINK_TYPE_SERIAL, true));
    m_connection->SetMessageTimeout(20);
    // The wait runs in steps of 100 virtual ms, so that seconds of it do
    // not keep the window system busy for other test programs.
    m_clock.SetSleepHook([this](std::uint64_t) {
        m_clock.Advance(99);
        m_link->WaitUntilQuiet(2000);
    });
    // Each warning is a beep and a line of the log.
    const auto warnings = [&] {
        int count = 0;
        for (const std::string& line : log.Lines())
            count += line == "Comms waiting warning" ? 1 : 0;
        EXPECT_EQ(count, beeps.load());
        return count;
    };
    ScriptedReply slow("2.0137");
    slow.delayMs = 9000;
    m_link->QueueReply("?VERSION;", slow);
    EXPECT_TRUE(Ask(40));
    EXPECT_EQ(0, warnings());
    slow.delayMs = 14500; // warned at 10 s and 13 s
    m_link->QueueReply("?VERSION;", slow);
    EXPECT_TRUE(Ask(40));
    EXPECT_EQ(2, warnings());
    EXPECT_TRUE(Errors().empty());
}

} // namespace
