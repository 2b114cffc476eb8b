#include "link/multitransmitterlease.h"

#include "link/controllerconnection.h"

bool CMultiTransmitterLease::Acquire()
{
    if (!m_pTransmitter && m_pConnection)
        m_pTransmitter = m_pConnection->CreateMultiTransmitter();
    return m_pTransmitter != nullptr;
}

void CMultiTransmitterLease::Release()
{
    if (!m_pTransmitter)
        return;
    m_pConnection->ReleaseMultiTransmitter(m_pTransmitter);
    m_pTransmitter = nullptr;
}

bool CMultiTransmitterLease::Send(HWND replyTarget, std::initializer_list<CommandItem> commands)
{
    if (!m_pTransmitter)
        return false;
    for (const CommandItem& command : commands) {
        ControllerMessage message;
        message.m_hReplyWnd = replyTarget;
        message.m_nChannel = CHANNEL_COMMAND;
        if (!BuildSequenceMessage(command, true, message))
            return false;
        if (m_pConnection->GetLinkMode() != CONNECTION_CHANNEL_MODE)
            message.m_nChannel = CHANNEL_DIRECT;
        m_pTransmitter->Transmit(message);
        if (!m_pTransmitter->IsDone())
            return false;
    }
    return true;
}
