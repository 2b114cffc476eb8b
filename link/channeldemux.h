// The channel protocol's receive side: up to eleven logical channels share
// one byte stream from the controller. ESC (0x1B) followed by '0' + channel
// ('/' for -1, '0' to '9') selects the channel of the bytes that follow;
// ESC 0x01 stands for DC1 (0x11), ESC 0x02 for DC3 (0x13) and ESC ESC for
// one ESC. Any other byte after ESC passes through behind its ESC, so
// nothing is dropped.
//
// The current channel and the escape state live in the caller's variables,
// so a sequence split across two reads is decoded as if it came whole.
//
// This header includes no Win32 header.
#pragma once

#include "framework/types.h"
#include "link/controllermessage.h"

// Bytes that belong to no channel (raw or exclusive link mode).
const int CHANNEL_NONE = CHANNEL_DIRECT;
const int FIRST_CHANNEL = -1;
const int LAST_CHANNEL = 9;

const BYTE ESC = 0x1B;
const BYTE DC1 = 0x11;
const BYTE DC3 = 0x13;

// Where a link delivers what it received: the controller connection, or a
// test's recorder. Called on the link's receive thread.
class ILinkReceiver {
public:
    virtual ~ILinkReceiver() = default;
    virtual void OnReceive(int channel, int length, const BYTE* bytes) = 0;
    // The medium broke: nothing more will arrive. Called once per opening,
    // on the receive thread as it ends or on the thread whose write or
    // device call failed.
    virtual void OnLinkLost() {}
};

// Decodes count bytes and delivers them to receiver, one call per run of
// bytes on one channel. A change of channel is logged "Change channel from
// %d to %d" (log category 1024); selecting the channel already current
// changes nothing. Does nothing for a null receiver, null bytes or a count
// below 1.
void DispatchChannels(ILinkReceiver* receiver, int& channel, int& escapeState, int count, const BYTE* bytes);
