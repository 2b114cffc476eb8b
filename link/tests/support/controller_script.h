// CControllerScript: a controller played at byte level from a table of
// command text to reply text, for tests. It takes the bytes the
// development environment writes and produces the bytes a controller would
// send back. Plain C++ over bytes, so the same engine can stand behind the
// scripted link (scripted_controller.h), a loopback TCP peer or a serial
// pty peer.
//
// What it plays:
// - Command line (after start-up and after "VQE(0)"): a line ends with CR;
//   ETX drops the line typed so far; LF and ESC-digit pairs are passed
//   over. The answer is the echo (the line and CR LF), the reply lines
//   (each followed by CR LF) and the prompt ">>".
// - "VQE(1)" and "VQE(3)" on the command line: echo, then channel mode
//   (3: the packet form). "VQE(0)" on any channel goes back to the
//   command line, answered like a command-line command.
// - Channel mode: ESC and '0' + channel select the channel of the bytes
//   that follow (ESC ESC is one ESC). Channel 8 takes commands that end
//   with LF DC4 and answers on channel 8 with the echo line, the reply
//   lines (each "text" CR LF DC4) and the end mark LF DC4. Channel 0 is the
//   terminal's command line, answered on channel 0 like the command line.
//   Bytes on the other channels are recorded (TerminalInput). Output bytes
//   ESC, DC1 and DC3 are sent as ESC ESC, ESC 0x01, ESC 0x02; a change of
//   output channel is announced with ESC and the channel digit.
// - Packet form (after "VQE(3)"): a channel-8 command comes as a CRC packet
//   (link/syncpacket.h) with LF DC4; a good one is answered with ACK
//   instead of the echo, a bad one with NAK. Reply lines and the end mark
//   go out as packets; a NAK from the other side repeats the last one.
// - Status lines on channel 9 ("%[Process 2:Line 17] - Paused" CR LF DC4),
//   sent on request or after a scripted reply.
// - Faults: silence (nothing answered), garbage or any bytes injected, a
//   reply held back by virtual time, bad packets (NAK), a dropped link.
//
// Every byte written to the controller and every byte it sends is kept for
// the test (Written, Sent, Transcript).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "framework/types.h"

struct ScriptedReply {
    ScriptedReply() = default;
    ScriptedReply(const char* replyText) : text(replyText) {}
    ScriptedReply(std::string replyText) : text(std::move(replyText)) {}

    // Reply lines separated by "\n"; each goes out as one line. Empty: no
    // reply lines.
    std::string text;
    bool echo = true;      // echo the command (ACK in the packet form)
    bool prompt = true;    // ">>" after a command-line reply
    bool endMark = true;   // LF DC4 after a channel-8 reply
    bool silent = false;   // take the command and answer nothing at all
    bool dropLink = false; // the link drops once the bytes before it are read
    // Raw bytes that go out before the echo (PRINT output, line noise).
    std::string before;
    // Status lines sent on channel 9 after the reply (channel mode only).
    std::vector<std::string> statusLines;
    // Virtual milliseconds from the command until the answer can be read.
    std::uint64_t delayMs = 0;
};

class CControllerScript {
public:
    CControllerScript();

    // The reply to a command, used every time it comes (a later call
    // replaces it). command is the text as the controller takes it,
    // without line end, channel selection or packet framing.
    void SetReply(const std::string& command, const ScriptedReply& reply);
    // A reply used once, before the standing one; queued replies of one
    // command are used in order.
    void QueueReply(const std::string& command, const ScriptedReply& reply);
    // The reply to commands that have none (by default: echo and prompt).
    void SetDefaultReply(const ScriptedReply& reply);
    // Every command taken from now on goes unanswered (echo included).
    void SetSilent(bool silent) { m_silent = silent; }
    // The next count good packets are answered with NAK as if damaged.
    void RejectNextPackets(int count) { m_rejectPackets = count; }

    // Takes bytes written by the development environment at nowMs.
    void Receive(const BYTE* bytes, int count, std::uint64_t nowMs);
    // Up to maximum bytes whose time has come, in order; 0 when none.
    int TakeOutput(BYTE* buffer, int maximum, std::uint64_t nowMs);
    // Whether output is waiting whose time has come.
    bool HasOutput(std::uint64_t nowMs) const;

    // Controller output on a channel: in channel mode with its channel
    // selection and escapes, on the command line as it stands.
    void SendOnChannel(int channel, const std::string& bytes, std::uint64_t nowMs = 0);
    // A status line on channel 9 (in channel mode), framed like a reply line.
    void SendStatusLine(const std::string& line, std::uint64_t nowMs = 0);
    // Bytes that go out exactly as given (garbage, hand-made frames).
    void InjectRaw(const std::string& bytes, std::uint64_t nowMs = 0);
    // The link drops now: waiting output is lost, input is ignored.
    void DropLink();
    bool IsDropped() const { return m_dropped; }
    // Puts the controller back on the command line with nothing pending.
    void ResetState();

    bool IsChannelMode() const { return m_channelMode; }
    bool IsPacketMode() const { return m_packetMode; }

    // Every byte written to the controller, every byte it sent.
    const std::string& Written() const { return m_written; }
    const std::string& Sent() const { return m_sent; }
    // The commands taken, in order (packets as their payload).
    const std::vector<std::string>& Commands() const { return m_commands; }
    // Bytes received on a terminal channel other than the command paths.
    std::string TerminalInput(int channel) const;
    // One line per write ("W: ") and per answer ("R: "), bytes shown by
    // their names ("<CR>", "<ESC>"), for golden comparisons.
    const std::string& Transcript() const { return m_transcript; }
    int PacketsRejected() const { return m_packetsRejected; }
    int AcksReceived() const { return m_acksReceived; }
    int NaksReceived() const { return m_naksReceived; }

private:
    struct Chunk {
        std::uint64_t readyAt;
        std::string bytes;
        bool drop; // the link drops when the reader reaches this chunk
    };

    // Decoded input byte on the current input channel.
    void TakeByte(BYTE byte, std::uint64_t nowMs);
    void TakeCommandLineByte(int channel, BYTE byte, std::uint64_t nowMs);
    void TakeCommandChannelByte(BYTE byte, std::uint64_t nowMs);
    // Records a command and takes its reply; false when nothing more is
    // answered (silence, a silent reply, a dropped link).
    bool TakeCommand(const std::string& command, std::uint64_t nowMs, ScriptedReply& reply);
    // A complete command on the command line (channel -99 or 0).
    void AnswerCommandLine(int channel, const std::string& line, std::uint64_t nowMs);
    // A complete command on channel 8.
    void AnswerCommandChannel(const std::string& command, std::uint64_t nowMs);
    ScriptedReply FindReply(const std::string& command);
    static std::vector<std::string> SplitLines(const std::string& text);
    // Handles "VQE(n)"; true when the command was one.
    bool SwitchMode(const std::string& command);

    // Output of one answer, collected and then queued as one chunk.
    void Out(int channel, const std::string& bytes);
    void OutLine(int channel, const std::string& text, bool withCR);
    void Queue(std::uint64_t readyAt, bool drop = false);
    void Log(const char* prefix, const std::string& bytes);

    std::map<std::string, ScriptedReply> m_replies;
    std::map<std::string, std::deque<ScriptedReply>> m_queued;
    ScriptedReply m_defaultReply;
    bool m_silent = false;
    int m_rejectPackets = 0;

    bool m_channelMode = false;
    bool m_packetMode = false;
    bool m_dropped = false;
    int m_inputChannel = 0;
    bool m_inputEscape = false;
    int m_outputChannel = -99;
    std::map<int, std::string> m_lines; // line being typed, per channel
    std::map<int, std::string> m_terminalInput;
    std::string m_lastPacket; // repeated on NAK

    std::string m_pending; // output of the answer being built
    std::deque<Chunk> m_output;

    std::string m_written;
    std::string m_sent;
    std::vector<std::string> m_commands;
    std::string m_transcript;
    int m_packetsRejected = 0;
    int m_acksReceived = 0;
    int m_naksReceived = 0;
};
