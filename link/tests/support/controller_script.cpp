#include "link/tests/support/controller_script.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "foundation/bytenames.h"
#include "foundation/crc.h"
#include "link/syncpacket.h"

namespace {

const BYTE kEsc = 0x1B;
const BYTE kDc1 = 0x11;
const BYTE kDc3 = 0x13;
const int kNoChannel = -99;
const int kTerminalCommandChannel = 0;
const int kCommandChannel = 8;
const int kStatusChannel = 9;

// "VQE(n)" with a one-digit n; -1 for any other text.
int ChannelModeCommand(const std::string& command)
{
    if (command.size() == 6 && command.compare(0, 4, "VQE(") == 0 && command[5] == ')' && command[4] >= '0' &&
        command[4] <= '9')
        return command[4] - '0';
    return -1;
}

} // namespace

CControllerScript::CControllerScript() = default;

void CControllerScript::SetReply(const std::string& command, const ScriptedReply& reply)
{
    m_replies[command] = reply;
}

void CControllerScript::QueueReply(const std::string& command, const ScriptedReply& reply)
{
    m_queued[command].push_back(reply);
}

void CControllerScript::SetReplyPattern(const std::string& pattern, const ScriptedReply& reply)
{
    for (auto& entry : m_patterns) {
        if (entry.first == pattern) {
            entry.second = reply;
            return;
        }
    }
    m_patterns.emplace_back(pattern, reply);
}

void CControllerScript::SetReplyCallback(ReplyCallback callback)
{
    m_callback = std::move(callback);
}

bool CControllerScript::MatchPattern(const char* pattern, const char* text)
{
    if (*pattern == '\0')
        return *text == '\0';
    if (pattern[0] == '%' && pattern[1] == 'd') {
        const char* p = text;
        if (*p == '-' || *p == '+')
            ++p;
        if (*p < '0' || *p > '9')
            return false;
        while (*p >= '0' && *p <= '9')
            ++p;
        return MatchPattern(pattern + 2, p);
    }
    if (pattern[0] == '%' && pattern[1] == 's') {
        for (const char* p = text;; ++p) {
            if (MatchPattern(pattern + 2, p))
                return true;
            if (*p == '\0')
                return false;
        }
    }
    return *pattern == *text && MatchPattern(pattern + 1, text + 1);
}

void CControllerScript::SetDefaultReply(const ScriptedReply& reply)
{
    m_defaultReply = reply;
}

void CControllerScript::Receive(const BYTE* bytes, int count, std::uint64_t nowMs)
{
    if (m_dropped || !bytes || count < 1)
        return;
    CheckFrameTimeout(nowMs);
    const std::string written(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
    m_written += written;
    Log("W: ", written);
    for (int n = 0; n < count; ++n) {
        const BYTE byte = bytes[n];
        if (m_inputEscape) {
            m_inputEscape = false;
            const int channel = static_cast<int>(byte) - '0';
            if (channel >= -1 && channel <= 9)
                m_inputChannel = channel;
            else if (byte == 0x01)
                TakeByte(kDc1, nowMs);
            else if (byte == 0x02)
                TakeByte(kDc3, nowMs);
            else if (byte == kEsc)
                TakeByte(kEsc, nowMs);
            else {
                TakeByte(kEsc, nowMs);
                TakeByte(byte, nowMs);
            }
            continue;
        }
        if (byte == kEsc)
            m_inputEscape = true;
        else
            TakeByte(byte, nowMs);
    }
}

void CControllerScript::TakeByte(BYTE byte, std::uint64_t nowMs)
{
    if (m_fastLoadState != 0 && (m_channelMode ? m_inputChannel == -1 : true)) {
        TakeFastLoadByte(byte, nowMs);
        return;
    }
    if (!m_channelMode) {
        TakeCommandLineByte(kNoChannel, byte, nowMs);
        return;
    }
    if (m_packetMode && m_inputChannel == kStatusChannel &&
        (byte == static_cast<BYTE>(ACK) || byte == static_cast<BYTE>(NAK)))
        TakeFrameAnswer(kStatusChannel, byte, nowMs);
    else if (m_inputChannel == kCommandChannel)
        TakeCommandChannelByte(byte, nowMs);
    else if (m_inputChannel == kTerminalCommandChannel)
        TakeCommandLineByte(kTerminalCommandChannel, byte, nowMs);
    else
        m_terminalInput[m_inputChannel] += static_cast<char>(byte);
}

void CControllerScript::TakeCommandLineByte(int channel, BYTE byte, std::uint64_t nowMs)
{
    std::string& line = m_lines[channel];
    if (byte == static_cast<BYTE>(ETX)) {
        line.clear();
        Out(channel, "\r\n>>");
        Queue(nowMs);
    } else if (byte == '\r') {
        const std::string command = line;
        line.clear();
        AnswerCommandLine(channel, command, nowMs);
    } else if (byte != '\n') {
        line += static_cast<char>(byte);
    }
}

void CControllerScript::TakeCommandChannelByte(BYTE byte, std::uint64_t nowMs)
{
    std::string& line = m_lines[kCommandChannel];
    if (m_packetMode && line.empty() && (byte == static_cast<BYTE>(ACK) || byte == static_cast<BYTE>(NAK))) {
        TakeFrameAnswer(kCommandChannel, byte, nowMs);
        return;
    }
    if (byte != static_cast<BYTE>(DC4)) {
        line += static_cast<char>(byte);
        return;
    }
    std::string unit = line;
    line.clear();
    while (!unit.empty() && (unit.back() == '\n' || unit.back() == '\r'))
        unit.pop_back();
    if (!m_packetMode) {
        AnswerCommandChannel(unit, nowMs);
        return;
    }
    CSyncPacket packet;
    packet.SetText(CString(unit));
    if (!packet.Check() || m_rejectPackets > 0) {
        if (packet.Check())
            --m_rejectPackets;
        ++m_packetsRejected;
        Out(kCommandChannel, std::string(1, NAK));
        Queue(nowMs);
        return;
    }
    AnswerCommandChannel(packet.GetPayload().str(), nowMs);
}

ScriptedReply CControllerScript::FindReply(const std::string& command)
{
    auto queued = m_queued.find(command);
    if (queued != m_queued.end() && !queued->second.empty()) {
        ScriptedReply reply = queued->second.front();
        queued->second.pop_front();
        return reply;
    }
    auto standing = m_replies.find(command);
    if (standing != m_replies.end())
        return standing->second;
    for (const auto& entry : m_patterns) {
        if (MatchPattern(entry.first.c_str(), command.c_str()))
            return entry.second;
    }
    ScriptedReply computed;
    if (m_callback && m_callback(command, computed))
        return computed;
    return m_defaultReply;
}

std::vector<std::string> CControllerScript::SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool CControllerScript::SwitchMode(const std::string& command)
{
    const int mode = ChannelModeCommand(command);
    if (mode < 0)
        return false;
    m_channelMode = mode != 0;
    m_packetMode = mode == 3;
    m_outputChannel = kNoChannel;
    m_lines.clear();
    m_frames.clear();
    m_frameInFlight = false;
    return true;
}

bool CControllerScript::TakeCommand(const std::string& command, std::uint64_t nowMs, ScriptedReply& reply)
{
    m_commands.push_back(command);
    if (m_silent)
        return false;
    reply = FindReply(command);
    if (reply.silent)
        return false;
    m_pending += reply.before;
    if (reply.dropLink) {
        Queue(nowMs + reply.delayMs, true);
        return false;
    }
    return true;
}

void CControllerScript::AnswerCommandLine(int channel, const std::string& line, std::uint64_t nowMs)
{
    ScriptedReply reply;
    if (!TakeCommand(line, nowMs, reply))
        return;
    const std::uint64_t readyAt = nowMs + reply.delayMs;
    m_answerReadyAt = readyAt;
    const int mode = ChannelModeCommand(line);
    if (reply.echo)
        Out(channel, line + "\r\n");
    if (m_fastLoadModel && !m_channelMode && line == "LOAD_PROJECT") {
        StartFastLoad(kNoChannel, readyAt);
        return;
    }
    if (mode >= 0) {
        // The mode changes after the echo; the prompt comes in the new mode
        // (on channel 0 in channel mode).
        Queue(readyAt);
        SwitchMode(line);
        channel = m_channelMode ? kTerminalCommandChannel : kNoChannel;
    }
    for (const std::string& text : SplitLines(reply.text))
        Out(channel, text + "\r\n");
    if (reply.prompt)
        Out(channel, ">>");
    Queue(readyAt);
    if (m_channelMode) {
        for (const std::string& status : reply.statusLines)
            OutLine(kStatusChannel, status, true);
        Queue(readyAt);
        SendNextFrame(nowMs);
    }
}

void CControllerScript::AnswerCommandChannel(const std::string& command, std::uint64_t nowMs)
{
    ScriptedReply reply;
    if (!TakeCommand(command, nowMs, reply))
        return;
    const std::uint64_t readyAt = nowMs + reply.delayMs;
    m_answerReadyAt = readyAt;
    if (reply.echo) {
        if (m_packetMode)
            Out(kCommandChannel, std::string(1, ACK));
        else
            OutLine(kCommandChannel, command, false);
    }
    if (ChannelModeCommand(command) == 0) {
        // Back to the command line: the reply's end is a plain line end.
        Queue(readyAt);
        SwitchMode(command);
        Out(kNoChannel, "\r\n");
        Queue(readyAt);
        return;
    }
    const std::vector<std::string> lines = SplitLines(reply.text);
    for (std::size_t n = 0; n < lines.size(); ++n)
        OutLine(kCommandChannel, lines[n], !(reply.markEndsLastLine && n + 1 == lines.size()));
    if (reply.endMark && !(reply.markEndsLastLine && !lines.empty()))
        OutLine(kCommandChannel, "", false);
    for (const std::string& status : reply.statusLines)
        OutLine(kStatusChannel, status, true);
    Queue(readyAt);
    SendNextFrame(nowMs);
    if (m_fastLoadModel && !m_packetMode && command.compare(0, 13, "LOAD_PROJECT(") == 0)
        StartFastLoad(-1, readyAt);
}

namespace {

std::uint16_t FastLoadCrc(const std::string& bytes)
{
    CCrcCalculator crc;
    crc.SelectModel("CRC-16");
    crc.Reset();
    crc.Update(bytes.data(), bytes.size());
    return static_cast<std::uint16_t>(crc.GetValue());
}

std::string FastLoadNumber(std::uint16_t value)
{
    const char text[3] = {static_cast<char>(((value >> 12) & 15) + 32), static_cast<char>(((value >> 6) & 63) + 32),
                          static_cast<char>((value & 63) + 32)};
    return std::string(text, 3);
}

} // namespace

void CControllerScript::StartFastLoad(int channel, std::uint64_t readyAt)
{
    m_fastLoadState = 1;
    m_fastLoadChannel = channel;
    Out(channel, std::string(1, '\x05'));
    Queue(readyAt);
}

void CControllerScript::AnswerFastLoadFrame(bool good, std::uint64_t nowMs)
{
    if (m_fastLoadSilent)
        return;
    if (!m_fastLoadAnswer.empty()) {
        Out(m_fastLoadChannel, m_fastLoadAnswer);
        m_fastLoadAnswer.clear();
        Queue(nowMs);
        return;
    }
    if (good && m_fastLoadNaks > 0) {
        --m_fastLoadNaks;
        good = false;
    }
    Out(m_fastLoadChannel, std::string(1, good ? ACK : NAK));
    Queue(nowMs);
}

void CControllerScript::TakeFastLoadByte(BYTE byte, std::uint64_t nowMs)
{
    const char c = static_cast<char>(byte);
    if (byte == 0x04) {
        // EOT ends the load.
        m_fastLoadState = 0;
        if (m_fastLoadChannel == kNoChannel) {
            Out(kNoChannel, "\r\n>>");
            Queue(nowMs);
        }
        return;
    }
    switch (m_fastLoadState) {
    case 1:
        if (byte == 0x01) {
            m_fastLoadHeader.clear();
            m_fastLoadState = 2;
        }
        break;
    case 2:
        if (byte == 0x03) {
            m_fastLoadCheck.clear();
            m_fastLoadState = 3;
        } else {
            m_fastLoadHeader += c;
        }
        break;
    case 3:
        m_fastLoadCheck += c;
        if (m_fastLoadCheck.size() == 3)
            m_fastLoadState = 4;
        break;
    case 4: {
        const bool good = byte == 0x02 && m_fastLoadCheck == FastLoadNumber(FastLoadCrc(m_fastLoadHeader));
        const std::size_t fs = m_fastLoadHeader.find('\x1c');
        m_fastLoadState = good ? 5 : 1;
        m_fastLoadText.clear();
        if (good && !m_fastLoadSilent && m_fastLoadNaks == 0 && m_fastLoadAnswer.empty()) {
            FastLoadedProgram program;
            program.name = m_fastLoadHeader.substr(0, fs);
            program.type = fs == std::string::npos ? -1 : std::atoi(m_fastLoadHeader.c_str() + fs + 1);
            // The blocks of one program load add to one program.
            if (m_fastLoadChannel != -1 || m_fastLoaded.empty() || m_fastLoaded.back().name != program.name)
                m_fastLoaded.push_back(program);
        } else {
            m_fastLoadState = 1;
        }
        AnswerFastLoadFrame(good, nowMs);
        break;
    }
    case 5:
        if (byte == 0x03) {
            m_fastLoadCheck.clear();
            m_fastLoadState = 6;
        } else {
            m_fastLoadText += c;
        }
        break;
    case 6:
        m_fastLoadCheck += c;
        if (m_fastLoadCheck.size() == 3) {
            const bool good = m_fastLoadCheck == FastLoadNumber(FastLoadCrc(m_fastLoadText));
            m_fastLoadState = 1;
            if (good && !m_fastLoadSilent && m_fastLoadNaks == 0 && !m_fastLoaded.empty()) {
                m_fastLoaded.back().text += m_fastLoadText;
                m_fastLoadBlocks.push_back(m_fastLoaded.back().name + ":" + std::to_string(m_fastLoaded.back().type) +
                                           ":" + std::to_string(m_fastLoadText.size()));
            }
            AnswerFastLoadFrame(good, nowMs);
        }
        break;
    default:
        break;
    }
}

void CControllerScript::Out(int channel, const std::string& bytes)
{
    const bool selects = m_channelMode && channel != kNoChannel;
    for (char ch : bytes) {
        const BYTE byte = static_cast<BYTE>(ch);
        if (selects && channel != m_outputChannel) {
            m_pending += static_cast<char>(kEsc);
            m_pending += static_cast<char>('0' + channel);
            m_outputChannel = channel;
        }
        // The port to the development environment uses flow control: data
        // DC1 and DC3 go as ESC 0x01 and ESC 0x02; ESC goes as it is.
        if (byte == kDc1) {
            m_pending += static_cast<char>(kEsc);
            m_pending += '\x01';
        } else if (byte == kDc3) {
            m_pending += static_cast<char>(kEsc);
            m_pending += '\x02';
        } else {
            m_pending += ch;
        }
        // ACK, DC2, DC4 and NAK end a text of channel 8 or 9: the next byte
        // of any channel selects its channel again.
        if (selects && channel >= kCommandChannel &&
            (byte == static_cast<BYTE>(ACK) || byte == static_cast<BYTE>(DC2) || byte == static_cast<BYTE>(DC4) ||
             byte == static_cast<BYTE>(NAK)))
            m_outputChannel = kNoChannel;
    }
}

void CControllerScript::OutLine(int channel, const std::string& text, bool withCR)
{
    const std::string end = std::string(1, withCR ? '\r' : '\n') + static_cast<char>(DC4);
    if (!m_packetMode) {
        Out(channel, text + end);
        return;
    }
    CSyncPacket packet;
    m_frames.push_back(Frame{channel, packet.Build(text.c_str()).str() + end, m_answerReadyAt});
}

void CControllerScript::SendFrame(const Frame& frame, bool repeat, std::uint64_t nowMs)
{
    std::string bytes = frame.bytes;
    if (!repeat && m_corruptFrames > 0) {
        --m_corruptFrames;
        // The first check character, changed but still printable.
        const std::size_t check = bytes.find(static_cast<char>(ETX)) + 1;
        bytes[check] = static_cast<char>(bytes[check] == '@' ? 'A' : '@');
    }
    Out(frame.channel, bytes);
    const std::uint64_t readyAt = std::max(nowMs, frame.readyAt);
    Queue(readyAt);
    m_frameInFlight = true;
    m_frameSentAt = readyAt;
    ++m_frameRounds;
    if (repeat)
        ++m_framesRepeated;
    else
        ++m_framesSent;
}

void CControllerScript::SendNextFrame(std::uint64_t nowMs)
{
    if (m_frameInFlight || m_frames.empty() || m_dropped)
        return;
    m_frameRounds = 0;
    SendFrame(m_frames.front(), false, nowMs);
}

void CControllerScript::TakeFrameAnswer(int channel, BYTE byte, std::uint64_t nowMs)
{
    if (byte == static_cast<BYTE>(ACK) && m_loseAcks > 0) {
        --m_loseAcks;
        return;
    }
    if (byte == static_cast<BYTE>(ACK))
        ++m_acksReceived;
    else
        ++m_naksReceived;
    if (!m_frameInFlight || m_frames.front().channel != channel)
        return; // nothing of that channel waits for an answer
    if (byte == static_cast<BYTE>(ACK) || m_frameRounds >= kFrameRounds) {
        m_frames.pop_front();
        m_frameInFlight = false;
        SendNextFrame(nowMs);
        return;
    }
    SendFrame(m_frames.front(), true, nowMs);
}

void CControllerScript::CheckFrameTimeout(std::uint64_t nowMs)
{
    while (m_frameInFlight && !m_dropped && nowMs >= m_frameSentAt + kFrameAckTimeoutMs) {
        if (m_frameRounds >= kFrameRounds) {
            m_frames.pop_front();
            m_frameInFlight = false;
            SendNextFrame(nowMs);
        } else {
            SendFrame(m_frames.front(), true, m_frameSentAt + kFrameAckTimeoutMs);
        }
    }
}

void CControllerScript::Queue(std::uint64_t readyAt, bool drop)
{
    if (m_pending.empty() && !drop)
        return;
    m_sent += m_pending;
    if (!m_pending.empty())
        Log("R: ", m_pending);
    m_output.push_back(Chunk{readyAt, m_pending, drop});
    m_pending.clear();
}

int CControllerScript::TakeOutput(BYTE* buffer, int maximum, std::uint64_t nowMs)
{
    CheckFrameTimeout(nowMs);
    int copied = 0;
    while (!m_dropped && !m_output.empty() && copied < maximum && m_output.front().readyAt <= nowMs) {
        Chunk& chunk = m_output.front();
        const std::size_t take = std::min(chunk.bytes.size(), static_cast<std::size_t>(maximum - copied));
        std::memcpy(buffer + copied, chunk.bytes.data(), take);
        copied += static_cast<int>(take);
        chunk.bytes.erase(0, take);
        if (!chunk.bytes.empty())
            break;
        if (chunk.drop) {
            DropLink();
            break;
        }
        m_output.pop_front();
    }
    return copied;
}

bool CControllerScript::HasOutput(std::uint64_t nowMs) const
{
    if (m_dropped)
        return false;
    if (m_frameInFlight && nowMs >= m_frameSentAt + kFrameAckTimeoutMs)
        return true;
    return !m_output.empty() && m_output.front().readyAt <= nowMs;
}

void CControllerScript::SendOnChannel(int channel, const std::string& bytes, std::uint64_t nowMs)
{
    Out(channel, bytes);
    Queue(nowMs);
}

void CControllerScript::SendStatusLine(const std::string& line, std::uint64_t nowMs)
{
    if (!m_channelMode)
        return;
    m_answerReadyAt = nowMs;
    OutLine(kStatusChannel, line, true);
    Queue(nowMs);
    SendNextFrame(nowMs);
}

void CControllerScript::InjectRaw(const std::string& bytes, std::uint64_t nowMs)
{
    m_pending += bytes;
    Queue(nowMs);
}

void CControllerScript::DropLink()
{
    m_dropped = true;
    m_output.clear();
    m_pending.clear();
    m_frames.clear();
    m_frameInFlight = false;
    m_transcript += "-- link dropped\n";
}

void CControllerScript::ResetState()
{
    m_channelMode = false;
    m_packetMode = false;
    m_dropped = false;
    m_inputChannel = 0;
    m_inputEscape = false;
    m_outputChannel = kNoChannel;
    m_lines.clear();
    m_output.clear();
    m_pending.clear();
    m_frames.clear();
    m_frameInFlight = false;
    m_fastLoadState = 0;
}

std::string CControllerScript::TerminalInput(int channel) const
{
    auto found = m_terminalInput.find(channel);
    return found != m_terminalInput.end() ? found->second : std::string();
}

void CControllerScript::Log(const char* prefix, const std::string& bytes)
{
    m_transcript += prefix;
    m_transcript +=
        BufferToByteNames(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<int>(bytes.size())).str();
    m_transcript += "\n";
}
