#include "simulator/runtime/print.h"

#include <atomic>
#include <cmath>
#include <vector>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"

namespace qcrt {

int32_t g_LinkProtocolMode = 0;

namespace {

// Widths beyond this are taken as this: a program's silly width must not
// hold a channel for minutes.
constexpr int kMaxWidth = 4096;

// Rounding constants of %f by precision (single-precision values).
constexpr float kRounding[5] = {0.50000012f, 0.050000120f, 0.0050001191f, 0.00050011923f, 0.000050119208f};

// Frame state of channels 8 and 9 in link protocol mode 3. The frame buffer
// keeps what was sent so that it can be sent again; it grows with the line.
struct OutputFrames {
    std::atomic<int> owner{-1};
    int openCount = 0;
    std::vector<uint8_t> buffer[2];
    uint32_t crc[2] = {0, 0};
};
OutputFrames g_Frames;

int32_t IntegerOf(const PrintArg& arg)
{
    switch (arg.kind) {
    case PrintArg::Kind::Integer:
        return arg.integer;
    case PrintArg::Kind::Real:
        if (!(arg.real > -2147483649.0 && arg.real < 2147483648.0))
            return 0;
        return static_cast<int32_t>(arg.real);
    default:
        return 0;
    }
}

double RealOf(const PrintArg& arg)
{
    switch (arg.kind) {
    case PrintArg::Kind::Integer:
        return arg.integer;
    case PrintArg::Kind::Real:
        return arg.real;
    default:
        return 0.0;
    }
}

const char* TextOf(const PrintArg& arg)
{
    return arg.kind == PrintArg::Kind::Text && arg.text ? arg.text : "";
}

template <typename Sink> void PutText(Sink& put, const std::string& text)
{
    for (char c : text)
        put(static_cast<uint8_t>(c));
}

template <typename Sink> void PutRepeated(Sink& put, char c, int count)
{
    for (int n = 0; n < count; ++n)
        put(static_cast<uint8_t>(c));
}

// Right-aligns a number in the width; one that does not fit becomes width
// times "*".
template <typename Sink> void PutNumber(Sink& put, const std::string& text, int width)
{
    int length = static_cast<int>(text.size());
    if (width != 0 && length > width) {
        PutRepeated(put, '*', width);
        return;
    }
    PutRepeated(put, ' ', width - length);
    PutText(put, text);
}

// A text; with a width at most width characters, padded with blanks on the
// right. Texts in the pool and in the controller memory are read byte by byte
// like any other.
template <typename Sink> void PutString(Sink& put, const char* text, int width)
{
    int n = 0;
    for (; text[n] != '\0' && (width == 0 || n < width); ++n)
        put(static_cast<uint8_t>(text[n]));
    if (width != 0)
        PutRepeated(put, ' ', width - n);
}

template <typename Sink> void PutFixed(Sink& put, double value, int precision, int width)
{
    bool negative = value < 0.0;
    double magnitude = std::fabs(value) + kRounding[precision];
    if (!(magnitude <= 2147483648.0)) {
        PutText(put, "##########.####");
        return;
    }
    int64_t integer = static_cast<int64_t>(magnitude);
    double fraction = magnitude - static_cast<double>(integer);
    if (fraction < 0.0) {
        fraction += 1.0;
        --integer;
    }
    std::string integerText = (negative ? "-" : "") + std::to_string(integer);
    int fractionLength = precision > 0 ? precision + 1 : 0;
    int length = static_cast<int>(integerText.size()) + fractionLength;
    if (width != 0 && length > width) {
        PutRepeated(put, '*', width);
        return;
    }
    PutRepeated(put, ' ', width - length);
    PutText(put, integerText);
    if (precision == 0)
        return;
    put('.');
    for (int n = 0; n < precision; ++n) {
        fraction *= 10.0;
        int digit = static_cast<int>(fraction);
        digit = digit < 0 ? 0 : (digit > 9 ? 9 : digit);
        fraction -= digit;
        put(static_cast<uint8_t>('0' + digit));
    }
}

std::string Hex(uint32_t value)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 15]);
        value >>= 4;
    } while (value != 0);
    return text;
}

int ReadCount(const char*& f, const PrintArg* args, size_t count, size_t& next)
{
    if (*f == '*') {
        ++f;
        return next < count ? IntegerOf(args[next++]) : 0;
    }
    int value = 0;
    while (*f >= '0' && *f <= '9') {
        if (value <= kMaxWidth)
            value = value * 10 + (*f - '0');
        ++f;
    }
    return value;
}

template <typename Sink> void Format(const char* format, const PrintArg* args, size_t count, Sink& put)
{
    if (!format)
        return;
    static const PrintArg kMissing;
    size_t next = 0;
    auto take = [&]() -> const PrintArg& { return next < count ? args[next++] : kMissing; };

    for (const char* f = format; *f != '\0';) {
        char c = *f++;
        if (c != '%') {
            put(static_cast<uint8_t>(c));
            continue;
        }
        int width = ReadCount(f, args, count, next);
        width = width < 0 ? 0 : (width > kMaxWidth ? kMaxWidth : width);
        int precision = 4;
        if (*f == '.') {
            ++f;
            precision = ReadCount(f, args, count, next);
            precision = precision < 0 ? 0 : (precision > 4 ? 4 : precision);
        }
        char directive = *f;
        if (directive == '\0')
            break;
        ++f;
        switch (directive) {
        case '%':
            put('%');
            break;
        case 'c':
            put(static_cast<uint8_t>(IntegerOf(take())));
            break;
        case 'i':
            PutNumber(put, std::to_string(IntegerOf(take())), width);
            break;
        case 'x':
            PutNumber(put, Hex(static_cast<uint32_t>(IntegerOf(take()))), width);
            break;
        case 'f':
            PutFixed(put, RealOf(take()), precision, width);
            break;
        case 's':
        case 'z':
            PutString(put, TextOf(take()), width);
            break;
        case 'r':
            PutString(put, PoolText(IntegerOf(take())), width);
            break;
        default:
            break;
        }
    }
}

int FrameIndex(int channel)
{
    return channel == 8 ? 0 : 1;
}

void PutFramed(int process, int channel, uint8_t c, bool raw)
{
    int k = FrameIndex(channel);
    if (g_Frames.owner.load() != process) {
        while (g_Frames.owner.load() != -1 && !ProcessStopping(process))
            YieldSlice();
        g_Frames.owner.store(process);
    }
    if (!raw && (c == kAck || c == kNak)) {
        // Answers to the peer's frames go out unframed and end any frame.
        g_Frames.owner.store(-1);
        PutOutputRing(channel, process, c);
        g_Frames.buffer[k].clear();
        g_Frames.openCount = 0;
        return;
    }
    if (g_Frames.openCount == 0) {
        g_Frames.buffer[k].clear();
        g_Frames.buffer[k].push_back(kStx);
        PutOutputRing(channel, process, kStx);
        g_Frames.crc[k] = 0;
        g_Frames.openCount = 1;
    }
    if (!raw && c == kEndOfLineCr) {
        CloseOutputFrame(process, channel, kCr);
        return;
    }
    if (!raw && c == kEndOfLineLf) {
        CloseOutputFrame(process, channel, kLf);
        return;
    }
    g_Frames.crc[k] = Crc16Update(g_Frames.crc[k], &c, 1);
    g_Frames.buffer[k].push_back(c);
    PutOutputRing(channel, process, c);
}

// Waits for the peer's answer to a frame: ACK; NAK or 300 ms without a byte
// (send again); kFrameForeignByteLimit other bytes (the round ends without a
// resend); or the process being stopped.
enum class FrameAnswer { Ack, Resend, Ignored, Stopped };

FrameAnswer WaitFrameAnswer(int process)
{
    int foreign = 0;
    uint64_t start = GetTimeNow();
    for (;;) {
        if (ProcessStopping(process))
            return FrameAnswer::Stopped;
        int b = GetInputRing(process);
        if (b < 0) {
            if (GetTimeNow() - start >= kFrameReplyWaitMs * kTicksPerMillisecond)
                return FrameAnswer::Resend;
            RuntimeSleep(1);
            continue;
        }
        if (b == kAck)
            return FrameAnswer::Ack;
        if (b == kNak)
            return FrameAnswer::Resend;
        if (++foreign >= kFrameForeignByteLimit)
            return FrameAnswer::Ignored;
        start = GetTimeNow();
    }
}

} // namespace

std::string FormatArgs(const char* format, const PrintArg* args, size_t count)
{
    std::string text;
    auto put = [&text](uint8_t c) { text.push_back(static_cast<char>(c)); };
    Format(format, args, count, put);
    return text;
}

void PrintFormattedArgs(int process, const char* format, const PrintArg* args, size_t count)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record)
        return;
    int channel = MapChannel(record->outputChannel);
    if (!GetChannelRecord(channel))
        return;
    ResourceClaim outputLock(process, kResourceOutput, channel);
    auto put = [process, channel](uint8_t c) { PutChannelChar(process, channel, c); };
    Format(format, args, count, put);
}

void EchoChar(int process, int c)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record)
        return;
    int channel = MapChannel(record->outputChannel);
    if (!GetChannelRecord(channel))
        return;
    ResourceClaim outputLock(process, kResourceOutput, channel);
    PutChannelChar(process, channel, c);
}

void EchoRawBytes(int process, const uint8_t* bytes, size_t count)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record || count == 0)
        return;
    int channel = MapChannel(record->outputChannel);
    if (!GetChannelRecord(channel))
        return;
    ResourceClaim outputLock(process, kResourceOutput, channel);
    for (size_t n = 0; n < count; ++n)
        PutChannelChar(process, channel, kRawChar + bytes[n]);
}

void PutChannelChar(int process, int channel, int c)
{
    channel = MapChannel(channel);
    uint8_t byte = static_cast<uint8_t>(c);
    const bool raw = c >= kRawChar;
    bool endOfLine = !raw && (byte == kEndOfLineCr || byte == kEndOfLineLf);
    switch (channel) {
    case 0:
    case 10:
        if (endOfLine) {
            PutOutputRing(channel, process, kCr);
            PutOutputRing(channel, process, kLf);
        } else {
            PutOutputRing(channel, process, byte);
        }
        break;
    case 8:
    case 9:
        switch (g_LinkProtocolMode) {
        case 0:
            if (endOfLine) {
                PutOutputRing(channel, process, kCr);
                PutOutputRing(channel, process, kLf);
            } else {
                PutOutputRing(channel, process, byte);
            }
            break;
        case 1:
        case 2:
            if (endOfLine) {
                PutOutputRing(channel, process, byte == kEndOfLineCr ? kCr : kLf);
                PutOutputRing(channel, process, kDc4);
            } else {
                PutOutputRing(channel, process, byte);
            }
            break;
        case 3:
            PutFramed(process, channel, byte, raw);
            break;
        default:
            break;
        }
        break;
    default:
        PutOutputRing(channel, process, byte);
        break;
    }
}

void EncodeFrameCrc(uint32_t crc, uint8_t out[3])
{
    out[0] = static_cast<uint8_t>(64 + ((crc >> 10) & 63));
    out[1] = static_cast<uint8_t>(64 + ((crc >> 4) & 63));
    out[2] = static_cast<uint8_t>(64 + (crc & 15));
}

void CloseOutputFrame(int process, int channel, uint8_t endChar)
{
    if (channel != 8 && channel != 9)
        return;
    int k = FrameIndex(channel);
    uint32_t crc = Crc16Finish(Crc16Update(g_Frames.crc[k], &kEtx, 1));
    uint8_t code[3];
    EncodeFrameCrc(crc, code);
    const uint8_t tail[] = {kEtx, code[0], code[1], code[2], endChar, kDc4};
    for (uint8_t b : tail) {
        g_Frames.buffer[k].push_back(b);
        PutOutputRing(channel, process, b);
    }

    if (ProcessRecord* record = GetProcessRecord(process)) {
        int32_t savedInput = record->inputChannel;
        record->inputChannel = channel;
        for (int round = 1; round <= kFrameRounds; ++round) {
            FrameAnswer answer = WaitFrameAnswer(process);
            if (answer == FrameAnswer::Ack || answer == FrameAnswer::Stopped)
                break;
            // The last round's frame is not sent again: an answer to it could
            // only be taken for the answer to the next frame.
            if (answer == FrameAnswer::Resend && round < kFrameRounds)
                ResendOutputFrame(channel);
        }
        record->inputChannel = savedInput;
    }

    g_Frames.buffer[k].clear();
    g_Frames.openCount = 0;
    g_Frames.owner.store(-1);
}

void ResendOutputFrame(int channel)
{
    if (channel != 8 && channel != 9)
        return;
    ChannelRecord* ch = GetChannelRecord(channel);
    ch->flags |= kChannelResendPrefix;
    int owner = g_Frames.owner.load();
    if (ProcessRecord* record = GetProcessRecord(owner))
        DropChannelInput(record->inputChannel);
    // A copy: the frame buffer must not change under the loop.
    std::vector<uint8_t> frame = g_Frames.buffer[FrameIndex(channel)];
    for (uint8_t b : frame) {
        if (g_RuntimeStopping.load())
            break;
        PutOutputRing(channel, owner, b);
    }
}

void ClearFrameLength(int channel)
{
    if (channel == 8 || channel == 9)
        g_Frames.buffer[FrameIndex(channel)].clear();
}

void AbandonOutputFrame(int process)
{
    int owner = process;
    if (g_Frames.owner.compare_exchange_strong(owner, -1)) {
        g_Frames.openCount = 0;
        g_Frames.buffer[0].clear();
        g_Frames.buffer[1].clear();
    }
}

void ResetOutputFrames()
{
    g_Frames.owner.store(-1);
    g_Frames.openCount = 0;
    for (int k = 0; k < 2; ++k) {
        g_Frames.buffer[k].clear();
        g_Frames.crc[k] = 0;
    }
}

int OutputFrameOwner()
{
    return g_Frames.owner.load();
}

} // namespace qcrt
