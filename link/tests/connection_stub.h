// A stand-in for the controller connection as the media see it: records
// what the link delivers (RecordingReceiver) and answers the connection
// state questions from fields the test sets. Its receive channel follows
// the deliveries, as the real connection's does.
#pragma once

#include <atomic>
#include <cstring>

#include "link/linkconnection.h"
#include "test_support.h"

class ConnectionStub : public RecordingReceiver, public ILinkConnectionState {
public:
    ConnectionStub() { std::memset(&m_model, 0, sizeof m_model); }

    void OnReceive(int channel, int length, const BYTE* bytes) override
    {
        m_receiveChannel = channel;
        RecordingReceiver::OnReceive(channel, length, bytes);
    }

    void OnLinkLost() override { ++m_linkLost; }

    bool HasFeature(int feature) override { return feature == m_feature; }
    bool IsTransactionActive() override { return m_transaction; }
    int GetReceiveChannel() override { return m_receiveChannel; }
    int GetLastTransmitChannel() override { return m_transmitChannel; }
    const ControllerModelInfo& GetModelInfo() override { return m_model; }

    std::atomic<int> m_feature{-1};
    std::atomic<bool> m_transaction{false};
    std::atomic<int> m_receiveChannel{CHANNEL_NONE};
    std::atomic<int> m_transmitChannel{CHANNEL_NONE};
    ControllerModelInfo m_model;
    std::atomic<int> m_linkLost{0};
};
