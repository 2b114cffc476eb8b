// CControllerScript: a controller played at byte level from a table of
// command text to reply text, for tests. It takes the bytes the
// development environment writes and produces the bytes a controller would
// send back. Plain C++ over bytes, so the same engine can stand behind the
// scripted link (scripted_controller.h), a loopback TCP peer or a serial
// pty peer.
//
// What it plays:
// - Command line (after start-up and after "VQE(0)"): a line ends with CR;
//   ETX (Ctrl-C) drops the line typed so far and answers CR LF ">>"; LF
//   and ESC-digit pairs are passed over. The answer is the echo (the line
//   and CR LF), the reply lines (each followed by CR LF) and the prompt ">>".
// - "VQE(1)" and "VQE(3)" on the command line: the echo, then channel mode
//   (3: the packet form) and the prompt on channel 0. "VQE(0)" on any
//   channel goes back to the command line, answered like a command-line
//   command (the echo still on its channel, the prompt plain).
// - Channel mode: ESC and '0' + channel select the channel of the bytes
//   that follow (ESC ESC is one ESC). Channel 8 takes commands that end
//   with LF DC4 and answers on channel 8 with the echo ("text" LF DC4), the
//   reply lines ("text" CR DC4 each) and the end mark (LF DC4). Channel 0
//   is the terminal's command line, answered on channel 0 like the command
//   line. Bytes on the other channels are recorded (TerminalInput). Output
//   goes as the simulated controller's port sends it: data DC1 and DC3 as
//   ESC 0x01 and ESC 0x02, ESC as it is; the output channel is announced
//   with ESC and its digit whenever it changes and again after every ACK,
//   DC2, DC4 or NAK of channel 8 or 9 (which ends a text there), so each
//   line of those channels comes with its channel selection.
// - Packet form (after "VQE(3)"): a channel-8 command comes as a CRC packet
//   (link/syncpacket.h) with LF DC4; a good one is answered with a lone ACK
//   instead of the echo, a bad one with a lone NAK. Every reply line, the
//   end mark and every status line goes out as a frame of its own (packet,
//   CR or LF, DC4), one at a time: the next frame waits until the other
//   side has answered ACK on the frame's channel. NAK sends the refused
//   frame again, with its channel selection; so does silence for 300 ms; a
//   frame sent 5 times without ACK is given up.
// - Status lines on channel 9 ("%[Process 2:Line 17] - Paused" CR DC4),
//   sent on request or after a scripted reply.
// - Replies are found by the exact command, then by pattern ("?VR(%d);":
//   %d stands for any integer, %s for any text), then by a callback, then
//   the default.
// - Fast load (when switched on with SetFastLoadModel): "LOAD_PROJECT" on
//   the command line is answered with its echo and ENQ, "LOAD_PROJECT(n)"
//   on channel 8 with its reply and ENQ on channel -1. Then the loader's
//   frames are taken (on the command line, or on channel -1): a header
//   (SOH, name FS type, ETX, three check characters, STX) and a text
//   ended by ETX and its three check characters are each answered with ACK
//   when their CRC-16 holds, else NAK. EOT ends the load: ">>" on the
//   command line, nothing on channel -1. The programs taken whole are kept
//   (FastLoaded).
// - Faults: silence (nothing answered), garbage or any bytes injected, a
//   reply held back by virtual time, bad packets (NAK), outgoing frames
//   corrupted once, ACKs from the other side lost, a dropped link.
//
// Every byte written to the controller and every byte it sends is kept for
// the test (Written, Sent, Transcript).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
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
    // The end mark ends the last reply line itself, as the controller
    // answers a value printed with ";" (text LF DC4, no empty line).
    bool markEndsLastLine = false;
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
    // The reply to every command that matches pattern ("%d": an optional
    // sign and digits, "%s": any text, anything else literally); patterns
    // are tried in the order set, after the exact commands.
    void SetReplyPattern(const std::string& pattern, const ScriptedReply& reply);
    // Asked after the patterns: fills reply and returns true to answer.
    using ReplyCallback = std::function<bool(const std::string& command, ScriptedReply& reply)>;
    void SetReplyCallback(ReplyCallback callback);
    // The reply to commands that have none (by default: echo and prompt).
    void SetDefaultReply(const ScriptedReply& reply);
    // Every command taken from now on goes unanswered (echo included).
    void SetSilent(bool silent) { m_silent = silent; }
    // The next count good packets are answered with NAK as if damaged.
    void RejectNextPackets(int count) { m_rejectPackets = count; }
    // The next count frames go out with a damaged check character the first
    // time (a repeat is sound).
    void CorruptNextFrames(int count) { m_corruptFrames = count; }
    // The next count ACKs from the other side are lost on the way.
    void LoseNextAcks(int count) { m_loseAcks = count; }
    // The fast-load model (see above); off by default.
    struct FastLoadedProgram {
        std::string name;
        int type;
        std::string text; // as received: line feeds removed, CRs kept
    };
    void SetFastLoadModel(bool on) { m_fastLoadModel = on; }
    // The next count fast-load frames (headers or texts) are answered NAK.
    void NakNextFastLoadFrames(int count) { m_fastLoadNaks = count; }
    // The next fast-load frame is answered with these bytes instead.
    void AnswerNextFastLoadFrameWith(const std::string& bytes) { m_fastLoadAnswer = bytes; }
    // Fast-load frames go unanswered (the loader's wait runs out).
    void SetFastLoadSilent(bool silent) { m_fastLoadSilent = silent; }
    bool IsInFastLoad() const { return m_fastLoadState != 0; }
    const std::vector<FastLoadedProgram>& FastLoaded() const { return m_fastLoaded; }
    // Every header and text block taken, as "name:type:length" per block.
    const std::vector<std::string>& FastLoadBlocks() const { return m_fastLoadBlocks; }

    // How long a frame waits for its ACK before it is sent again.
    static const std::uint64_t kFrameAckTimeoutMs = 300;
    static const int kFrameRounds = 5;

    // Takes bytes written by the development environment at nowMs.
    void Receive(const BYTE* bytes, int count, std::uint64_t nowMs);
    // Up to maximum bytes whose time has come, in order; 0 when none.
    int TakeOutput(BYTE* buffer, int maximum, std::uint64_t nowMs);
    // Whether output is waiting whose time has come (a frame repeat due
    // counts).
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
    int FramesSent() const { return m_framesSent; }
    int FramesRepeated() const { return m_framesRepeated; }
    int AcksReceived() const { return m_acksReceived; }
    int NaksReceived() const { return m_naksReceived; }

private:
    struct Chunk {
        std::uint64_t readyAt;
        std::string bytes;
        bool drop; // the link drops when the reader reaches this chunk
    };

    struct Frame {
        int channel;
        std::string bytes; // packet, line end and DC4
        std::uint64_t readyAt;
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
    // A line on channel 8 or 9: "text" CR DC4 (withCR) or LF DC4; in the
    // packet form a frame that waits its turn.
    void OutLine(int channel, const std::string& text, bool withCR);
    // An ACK or NAK of the other side for the frame in flight.
    void TakeFrameAnswer(int channel, BYTE byte, std::uint64_t nowMs);
    // Sends the next waiting frame when none is in flight.
    void SendNextFrame(std::uint64_t nowMs);
    void SendFrame(const Frame& frame, bool repeat, std::uint64_t nowMs);
    // Repeats a frame whose ACK did not come in time.
    void CheckFrameTimeout(std::uint64_t nowMs);
    static bool MatchPattern(const char* pattern, const char* text);
    // Fast load: enters it answering on channel; takes one loader byte.
    void StartFastLoad(int channel, std::uint64_t nowMs);
    void TakeFastLoadByte(BYTE byte, std::uint64_t nowMs);
    void AnswerFastLoadFrame(bool good, std::uint64_t nowMs);
    void Queue(std::uint64_t readyAt, bool drop = false);
    void Log(const char* prefix, const std::string& bytes);

    std::map<std::string, ScriptedReply> m_replies;
    std::map<std::string, std::deque<ScriptedReply>> m_queued;
    std::vector<std::pair<std::string, ScriptedReply>> m_patterns;
    ReplyCallback m_callback;
    ScriptedReply m_defaultReply;
    bool m_silent = false;
    int m_rejectPackets = 0;
    int m_corruptFrames = 0;
    int m_loseAcks = 0;

    bool m_channelMode = false;
    bool m_packetMode = false;
    bool m_dropped = false;
    int m_inputChannel = 0;
    bool m_inputEscape = false;
    int m_outputChannel = -99;
    std::map<int, std::string> m_lines; // line being typed, per channel
    std::map<int, std::string> m_terminalInput;
    std::deque<Frame> m_frames; // waiting their turn, the one in flight first
    bool m_frameInFlight = false;
    std::uint64_t m_frameSentAt = 0;
    int m_frameRounds = 0;
    std::uint64_t m_answerReadyAt = 0; // the answer being built goes out then

    bool m_fastLoadModel = false;
    bool m_fastLoadSilent = false;
    int m_fastLoadNaks = 0;
    std::string m_fastLoadAnswer;
    int m_fastLoadState = 0; // 0 off, 1 between frames, 2 header, 3 its check, 4 STX, 5 text, 6 its check
    int m_fastLoadChannel = -99;
    std::string m_fastLoadHeader;
    std::string m_fastLoadCheck;
    std::string m_fastLoadText;
    std::vector<FastLoadedProgram> m_fastLoaded;
    std::vector<std::string> m_fastLoadBlocks;

    std::string m_pending; // output of the answer being built
    std::deque<Chunk> m_output;

    std::string m_written;
    std::string m_sent;
    std::vector<std::string> m_commands;
    std::string m_transcript;
    int m_packetsRejected = 0;
    int m_framesSent = 0;
    int m_framesRepeated = 0;
    int m_acksReceived = 0;
    int m_naksReceived = 0;
};
