// The channel decoder: any bytes, fed whole and again in pieces cut where
// the input's first bytes say; both must deliver the same bytes on the same
// channels and end in the same state.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "link/channeldemux.h"

namespace {

class Recorder : public ILinkReceiver {
public:
    void OnReceive(int channel, int length, const BYTE* bytes) override
    {
        if (length < 1)
            __builtin_trap(); // no empty runs are delivered
        for (int i = 0; i < length; ++i)
            received.emplace_back(channel, bytes[i]);
    }
    std::vector<std::pair<int, BYTE>> received;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t cuts = data[0] % 8;
    if (size < 1 + cuts)
        return 0;
    const uint8_t* cutBytes = data + 1;
    const BYTE* bytes = data + 1 + cuts;
    const int count = static_cast<int>(size - 1 - cuts);

    Recorder whole;
    int wholeChannel = 0;
    int wholeEscape = 0;
    DispatchChannels(&whole, wholeChannel, wholeEscape, count, bytes);

    Recorder pieces;
    int channel = 0;
    int escape = 0;
    int done = 0;
    for (size_t i = 0; i < cuts && done < count; ++i) {
        const int piece = cutBytes[i] % (count - done + 1);
        DispatchChannels(&pieces, channel, escape, piece, bytes + done);
        done += piece;
    }
    DispatchChannels(&pieces, channel, escape, count - done, bytes + done);

    if (whole.received != pieces.received || channel != wholeChannel || escape != wholeEscape)
        __builtin_trap();
    if (channel < FIRST_CHANNEL || channel > LAST_CHANNEL)
        __builtin_trap();
    return 0;
}
