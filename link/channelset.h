// The controller channels a tool window uses, and the records in which the
// project window keeps them: CWindowData for every registered tool window,
// SWindowParameters for every tool window of a saved desktop.
//
// A channel set holds up to three channel numbers of the controller link
// (-1 to 7 the data channels, 8 the command channel of channel mode, -99
// the command line without channel selection); CHANNEL_NOT_SET (-101)
// marks an empty slot.
//
// This header includes no Win32 header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/types.h"
#include "link/controllermessage.h"

class CChannelSet {
public:
    static const int kSlots = 3;

    CChannelSet() { Clear(); }

    // Every slot empty.
    void Clear();
    // False for CHANNEL_NOT_SET; otherwise whether a slot holds channel.
    bool Contains(int channel) const;
    // Slot i takes the i-th channel when i is below count, else it is
    // emptied; channels beyond the third are not used. A count of 0 or
    // less empties the set. TRUE when count is 3 or less, FALSE above (the
    // slots are set all the same). Slots whose channel was not passed are
    // left empty.
    template <class... Channels> BOOL Set(int count, Channels... channels)
    {
        const int given[] = {static_cast<int>(channels)..., CHANNEL_NOT_SET};
        const int passed = static_cast<int>(sizeof...(Channels));
        for (int slot = 0; slot < kSlots; ++slot)
            m_nChannels[slot] = (slot < count && slot < passed) ? given[slot] : CHANNEL_NOT_SET;
        return count <= kSlots ? TRUE : FALSE;
    }
    int GetAt(int slot) const { return (slot >= 0 && slot < kSlots) ? m_nChannels[slot] : CHANNEL_NOT_SET; }

    std::int32_t m_nChannels[kSlots];
};
static_assert(sizeof(CChannelSet) == 12);

class CWindowData {
public:
    static const int kNameSize = 16; // 15 characters and the NUL

    CWindowData() = default;
    CWindowData(const CWindowData& other) { *this = other; }
    CWindowData& operator=(const CWindowData& other);

    // The name cut to 15 characters (null: empty).
    void SetName(LPCSTR name);

    HWND m_hWnd = nullptr; // the registered tool window
    std::int32_t m_nToolId = 0;
    std::int32_t m_nKind = 0; // the project window's class of the window
    std::int32_t m_nFlag = -1;
    CChannelSet m_channels;
    char m_szName[kNameSize] = {};
    std::int32_t m_nValue1 = -1;
    std::int32_t m_nValue2 = -1; // a second key to find the window by
    std::int32_t m_nValue3 = 0;
    std::int32_t m_nValue4 = 0;
};

// A tool window of a saved desktop, stored byte for byte in the project
// file: bytes 28 to 39 hold the channel set, the words around it belong to
// the project window. A new record has every byte 0 except its channel set,
// which is empty.
struct SWindowParameters {
    SWindowParameters();

    std::int32_t m_nHead[7];
    CChannelSet m_channels;
    std::int32_t m_nTail[67];
};
static_assert(sizeof(SWindowParameters) == 308);
static_assert(offsetof(SWindowParameters, m_channels) == 28);
