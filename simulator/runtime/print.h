// Formatted print and channel output.
//
// Every text the runtime writes goes through PrintFormatted, on the output
// channel of a process, and through PutChannelChar, which knows what each
// channel does with a character: plain bytes, CR LF line ends, or the framed
// and acknowledged lines of the development environment's channels 8 and 9.
//
// The print has its own small set of directives:
//   %%   "%"
//   %c   the character with that code (28 and 30 are end-of-line codes)
//   %i   decimal, right-aligned in the width; too long: width times "*"
//   %x   upper-case hexadecimal of the unsigned value, width as for %i
//   %f   fixed point with the precision (0 to 4, default 4), width as for %i
//   %s   a text; with a width at most that many characters, padded on the right
//   %r   a text of the message pool, by offset, like %s
//   %z   a text in the controller memory, like %s
// An optional width (digits or "*") and precision ("." then digits or "*";
// 5 and above become 4) come between "%" and the letter. Any other letter
// prints nothing and takes no argument.
//
// The end-of-line codes: 28 closes a line with CR, 30 with LF. Channels 0 and
// 10 write CR LF for both; channels 8 and 9 follow the link protocol mode.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace qcrt {

// How channels 8 and 9 are written: 0 plain with CR LF, 1 and 2 lines ended
// by DC4, 3 framed lines with a CRC that the peer acknowledges; above 3
// nothing is written. Set by the VQE command; 0 at power-up.
extern int32_t g_LinkProtocolMode;

constexpr uint8_t kEndOfLineCr = 28;
constexpr uint8_t kEndOfLineLf = 30;

// One argument of a formatted print. Integers, reals and texts; a directive
// that finds another kind converts it (a text counts as 0, a number as an
// empty text), and a missing argument counts as 0 or empty.
struct PrintArg {
    enum class Kind : uint8_t { None, Integer, Real, Text };

    Kind kind = Kind::None;
    int32_t integer = 0;
    double real = 0.0;
    const char* text = nullptr;

    PrintArg() = default;
    template <typename T>
    requires(std::is_integral_v<T> || std::is_enum_v<T>) PrintArg(T value)
        : kind(Kind::Integer), integer(static_cast<int32_t>(value))
    {
    }
    template <std::floating_point T> PrintArg(T value) : kind(Kind::Real), real(static_cast<double>(value)) {}
    PrintArg(const char* value) : kind(Kind::Text), text(value) {}
    PrintArg(const uint8_t* value) : kind(Kind::Text), text(reinterpret_cast<const char*>(value)) {}
    PrintArg(const std::string& value) : kind(Kind::Text), text(value.c_str()) {}
};

// The formatted text as the directives make it (end-of-line codes are left
// as they are).
std::string FormatArgs(const char* format, const PrintArg* args, size_t count);

template <typename... Args> std::string FormatText(const char* format, const Args&... args)
{
    const PrintArg list[] = {PrintArg(args)..., PrintArg()};
    return FormatArgs(format, list, sizeof...(Args));
}

// Prints on the output channel of the process, under the channel's output
// lock so that one print is never interleaved with another process's output.
void PrintFormattedArgs(int process, const char* format, const PrintArg* args, size_t count);

template <typename... Args> void PrintFormatted(int process, const char* format, const Args&... args)
{
    const PrintArg list[] = {PrintArg(args)..., PrintArg()};
    PrintFormattedArgs(process, format, list, sizeof...(Args));
}

// One character on the process's output channel, under the output lock.
// A code from kRawChar on is the byte c - kRawChar sent as data: 28 and 30
// are then no line ends, and ACK and NAK no frame answers.
constexpr int kRawChar = 256;
void EchoChar(int process, int c);
// Bytes sent as data on the process's output channel, under one output lock.
void EchoRawBytes(int process, const uint8_t* bytes, size_t count);

// One character to a channel with the channel's end-of-line and framing
// rules; the caller holds the output lock.
void PutChannelChar(int process, int channel, int c);

// Framed lines of channels 8 and 9 (link protocol mode 3): STX, the text, ETX,
// three CRC characters, the line end, DC4. The peer answers ACK or NAK; a NAK
// or 300 ms of silence sends the frame again, and a frame is sent at most
// kFrameRounds times.
constexpr int kFrameRounds = 5;
constexpr unsigned kFrameReplyWaitMs = 300;
constexpr int kFrameForeignByteLimit = 1000;
void CloseOutputFrame(int process, int channel, uint8_t endChar);
void ResendOutputFrame(int channel);
void ClearFrameLength(int channel);
// Releases the frame a process owns when it ends, so that nobody waits for it.
void AbandonOutputFrame(int process);
void ResetOutputFrames();
int OutputFrameOwner();

// The three CRC characters of a frame, from its finished CRC-16.
void EncodeFrameCrc(uint32_t crc, uint8_t out[3]);

} // namespace qcrt
