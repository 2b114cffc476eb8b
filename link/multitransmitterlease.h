// CMultiTransmitterLease: sends a run of controller commands through one
// multi-transmitter of the controller connection, acquired on demand and
// given back when released or destroyed. Commands are typed (CommandItem).
#pragma once

#include <windows.h>

#include <initializer_list>

#include "link/messagesender.h"

class CMultiTransmitter;
class CControllerConnection;

class CMultiTransmitterLease {
public:
    explicit CMultiTransmitterLease(CControllerConnection* connection) : m_pConnection(connection) {}
    ~CMultiTransmitterLease() { Release(); }
    CMultiTransmitterLease(const CMultiTransmitterLease&) = delete;
    CMultiTransmitterLease& operator=(const CMultiTransmitterLease&) = delete;

    // A transmitter from the connection when none is held; true when one is.
    bool Acquire();
    // Hands the transmitter back (its worker then deletes it).
    void Release();
    bool IsHeld() const { return m_pTransmitter != nullptr; }
    // One message per command on channel 8 with replyTarget; stops at the
    // first command whose arguments do not fit its kind or that was not
    // done. False at once without a transmitter.
    bool Send(HWND replyTarget, std::initializer_list<CommandItem> commands);

private:
    CMultiTransmitter* m_pTransmitter = nullptr;
    CControllerConnection* m_pConnection;
};
