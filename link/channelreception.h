// Reception of channel mode at the controller connection: bytes of channels
// -1 to 7 go to the terminal windows at once; the bytes of channels 8
// (replies to the development environment's commands) and 9 (status
// lines) are cut into lines. A line ends with CR (marked) or LF and is
// handed on at the DC4 that follows; DC2 drops the text so far. In the
// packet form every line is a CRC packet (link/syncpacket.h): a good one is
// answered with ACK on its channel and its payload stands for the line, a
// damaged one with NAK; a lone ACK or NAK from the controller answers the
// development environment's own packet. A good packet equal to the last
// one taken on its channel is the controller sending it again because our
// ACK was lost: it is answered with ACK again and dropped. Two equal lines
// in a row of one reply come as two packets too, so the last packet is
// forgotten whenever a new request begins (ForgetFrames).
//
// This header includes no Win32 header.
#pragma once

#include <atomic>

#include "framework/types.h"

class IChannelReceptionSink {
public:
    virtual ~IChannelReceptionSink() = default;
    // Bytes of a terminal channel (-1 to 7).
    virtual void OnTerminalBytes(int channel, int length, const BYTE* bytes) = 0;
    // A line of channel 8 or 9 that stands (NUL-terminated, length bytes);
    // true when it was taken.
    virtual bool OnChannelLine(int channel, const char* text, int length, bool endedCR) = 0;
    // Packet form: the controller answered ACK or NAK on channel.
    virtual void OnPacketAnswer(int channel, BYTE answer) = 0;
    // Packet form: answer the controller's packet with ACK or NAK.
    virtual void SendPacketAnswer(int channel, BYTE answer) = 0;
};

class CChannelReception {
public:
    static const int kFrameSize = 256;

    enum State { Idle = 0, Collecting = 1, LineComplete = 2, Skipping = -1 };

    // Takes bytes received on channel; false when a skip happened (a line
    // too long, or bytes out of place).
    bool Receive(IChannelReceptionSink& sink, bool packetMode, int channel, int length, const BYTE* bytes);
    // Idle, no channel received yet, no packet taken.
    void Reset();
    // The next packet of each channel is taken whatever came before (any
    // thread; the receiving side acts on it before its next packet).
    void ForgetFrames() { m_bForgetFrames = true; }

    int GetLastChannel() const { return m_nLastChannel; }
    State GetState() const { return m_state; }

private:
    void TakeLine(IChannelReceptionSink& sink, bool packetMode, int channel);

    char m_buffer[kFrameSize + 1] = {};
    int m_nLength = 0;
    State m_state = Idle;
    bool m_bEndedCR = false;
    int m_nLastChannel = -99;
    // The payload and mark of the last good packet of channels 8 and 9.
    char m_lastFrame[2][kFrameSize + 1] = {};
    int m_nLastFrameLength[2] = {-1, -1}; // -1: none
    bool m_bLastFrameCR[2] = {false, false};
    std::atomic<bool> m_bForgetFrames{false};
};
