#include "link/channeldemux.h"

#include <string>

#include "foundation/logline.h"

void DispatchChannels(ILinkReceiver* receiver, int& channel, int& escapeState, int count, const BYTE* bytes)
{
    if (!receiver || !bytes || count < 1)
        return;
    // A byte after an ESC left over from the previous read can give two
    // bytes of output, so the output may be one longer than the input.
    std::string output;
    output.reserve(static_cast<std::size_t>(count) + 1);
    auto deliver = [&]() {
        if (!output.empty()) {
            receiver->OnReceive(channel, static_cast<int>(output.size()), reinterpret_cast<const BYTE*>(output.data()));
            output.clear();
        }
    };
    for (int n = 0; n < count; ++n) {
        const BYTE byte = bytes[n];
        if (escapeState == 0) {
            if (byte == ESC)
                escapeState = 1;
            else
                output += static_cast<char>(byte);
            continue;
        }
        escapeState = 0;
        const int selected = static_cast<int>(byte) - '0';
        if (selected >= FIRST_CHANNEL && selected <= LAST_CHANNEL) {
            if (selected != channel) {
                deliver();
                GlobalLogFormat(LOG_CHANNEL_CHANGES, "Change channel from %d to %d", channel, selected);
                channel = selected;
            }
        } else if (byte == 0x01) {
            output += static_cast<char>(DC1);
        } else if (byte == 0x02) {
            output += static_cast<char>(DC3);
        } else if (byte == ESC) {
            output += static_cast<char>(ESC);
        } else {
            output += static_cast<char>(ESC);
            output += static_cast<char>(byte);
        }
    }
    deliver();
}
