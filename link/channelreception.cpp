#include "link/channelreception.h"

#include <cstring>

#include "foundation/logline.h"
#include "link/syncpacket.h"

void CChannelReception::Reset()
{
    m_nLength = 0;
    m_state = Idle;
    m_bEndedCR = false;
    m_nLastChannel = -99;
    m_bForgetFrames = true;
}

bool CChannelReception::Receive(IChannelReceptionSink& sink, bool packetMode, int channel, int length,
                                const BYTE* bytes)
{
    if (!bytes || length < 1)
        return true;
    if (channel != m_nLastChannel) {
        // A text cut off by a change of channel is not finished.
        m_nLength = 0;
        m_state = Idle;
        m_nLastChannel = channel;
    }
    if (channel < 8) {
        sink.OnTerminalBytes(channel, length, bytes);
        return true;
    }
    bool result = true;
    for (int n = 0; n < length; ++n) {
        const char byte = static_cast<char>(bytes[n]);
        if (m_state == Skipping) {
            if (byte == DC2 || byte == DC4)
                m_state = Idle;
            result = false;
            continue;
        }
        if (m_state == Idle) {
            m_nLength = 0;
            m_bEndedCR = false;
            m_state = Collecting;
        }
        if (packetMode && (byte == ACK || byte == NAK)) {
            sink.OnPacketAnswer(channel, static_cast<BYTE>(byte));
            continue;
        }
        switch (byte) {
        case '\n':
            m_buffer[m_nLength] = '\0';
            m_state = LineComplete;
            break;
        case '\r':
            if (m_state == Collecting) {
                m_buffer[m_nLength] = '\0';
                m_bEndedCR = true;
                m_state = LineComplete;
            } else {
                m_state = Skipping;
                result = false;
            }
            break;
        case DC2:
            m_nLength = 0;
            m_state = Idle;
            break;
        case DC4:
            if (m_state == LineComplete) {
                TakeLine(sink, packetMode, channel);
                m_state = Idle;
            } else {
                m_state = Skipping;
                result = false;
            }
            break;
        default:
            if (m_state == Collecting && m_nLength < kFrameSize) {
                m_buffer[m_nLength++] = byte;
            } else {
                m_state = Skipping;
                result = false;
            }
            break;
        }
    }
    return result;
}

void CChannelReception::TakeLine(IChannelReceptionSink& sink, bool packetMode, int channel)
{
    m_buffer[m_nLength] = '\0';
    if (packetMode) {
        CSyncPacket packet;
        packet.SetText(CString(m_buffer, m_nLength));
        if (!packet.IsFramed())
            return;
        if (!packet.Check()) {
            GlobalLogLine("Invalid packet received", LOG_STATUS_ERRORS);
            sink.SendPacketAnswer(channel, static_cast<BYTE>(NAK));
            return;
        }
        sink.SendPacketAnswer(channel, static_cast<BYTE>(ACK));
        const CString payload = packet.GetPayload();
        m_nLength = payload.GetLength() < kFrameSize ? payload.GetLength() : kFrameSize;
        std::memcpy(m_buffer, payload.GetString(), static_cast<std::size_t>(m_nLength));
        m_buffer[m_nLength] = '\0';
        if (m_bForgetFrames.exchange(false))
            m_nLastFrameLength[0] = m_nLastFrameLength[1] = -1;
        const int slot = channel == 9 ? 1 : 0;
        if (m_nLastFrameLength[slot] == m_nLength && m_bLastFrameCR[slot] == m_bEndedCR &&
            std::memcmp(m_lastFrame[slot], m_buffer, static_cast<std::size_t>(m_nLength)) == 0) {
            // Sent again because our ACK was lost: it was taken already.
            GlobalLogLine("Repeated packet dropped", LOG_STATUS_ERRORS);
            return;
        }
        std::memcpy(m_lastFrame[slot], m_buffer, static_cast<std::size_t>(m_nLength) + 1);
        m_nLastFrameLength[slot] = m_nLength;
        m_bLastFrameCR[slot] = m_bEndedCR;
    }
    sink.OnChannelLine(channel, m_buffer, m_nLength, m_bEndedCR);
}
