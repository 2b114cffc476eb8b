#include "link/messagesender.h"

#include <cstring>

#include "foundation/logline.h"
#include "foundation/winutil.h"
#include "framework/thread.h"
#include "link/commandtable.h"
#include "link/controllerconnection.h"
#include "link/projectwindow.h"
#include "ui/windowlookup.h"

namespace {

std::atomic<int> g_sequenceCounter{0};

// Answers one waiting message of this thread, or sleeps 1 ms. The caller's
// side of a hand-over: the time-outs are the worker's, on the clock seam.
void PumpOrSleep()
{
    if (!PumpOneMessage())
        ::Sleep(1);
}

bool IsSequenceTextKind(int kind)
{
    return kind == 3 || kind == 6 || kind == 7 || kind == 8 || kind == 12 || kind == 13 || kind == 14 ||
           (kind >= 16 && kind <= 26) || (kind >= 29 && kind <= 36) || (kind >= 39 && kind <= 42) || kind == 47;
}

bool IsLeaseTextKind(int kind)
{
    return kind == 3 || (kind >= 6 && kind <= 8) || (kind >= 12 && kind <= 16);
}

} // namespace

// ---------------------------------------------------------------- CTransmitter

CTransmitter::CTransmitter(CControllerConnection* connection) : m_pConnection(connection) {}

BOOL CTransmitter::Start()
{
    CWinThread* thread = AfxBeginThread(WorkerProc, this, THREAD_PRIORITY_ABOVE_NORMAL);
    return thread ? TRUE : FALSE;
}

UINT __cdecl CTransmitter::WorkerProc(LPVOID param)
{
    auto* transmitter = static_cast<CTransmitter*>(param);
    if (!transmitter)
        return static_cast<UINT>(-1);
    transmitter->WorkerMain();
    return 0;
}

void CTransmitter::WorkerMain()
{
    Run();
    if (FinishSide(false))
        delete this;
}

bool CTransmitter::FinishSide(bool caller)
{
    CSingleLock lock(&m_doneLock, TRUE);
    if (caller)
        m_bCallerDone = true;
    else
        m_bWorkerDone = true;
    return caller ? m_bWorkerDone : m_bCallerDone;
}

void CTransmitter::Execute()
{
    while (!m_bGo)
        ::Sleep(1);
    m_bResult = m_pConnection->TransmitSynchronous(&m_message, nullptr);
    m_bGo = false;
}

void CTransmitter::Run()
{
    Execute();
    m_bDone = true;
}

BOOL CTransmitter::Transmit(const ControllerMessage& message)
{
    m_bBusy = true;
    m_message = message;
    m_bDone = false;
    m_bResult = FALSE;
    GlobalLogLine("Msg-TxStart", LOG_LINK);
    m_bGo = true;
    BOOL result = FALSE;
    for (;;) {
        if (m_bDone) {
            result = m_bResult;
            GlobalLogLine("Msg-TxEnd", LOG_LINK);
            break;
        }
        if (m_pConnection->GetTransactionHold() > 0) {
            GlobalLogLine("Msg-TxAborted", LOG_LINK);
            break;
        }
        PumpOrSleep();
    }
    m_bBusy = false;
    return result;
}

BOOL CTransmitter::TransmitAndRelease(CTransmitter* transmitter, const ControllerMessage& message)
{
    const BOOL result = transmitter->Transmit(message);
    if (transmitter->FinishSide(true))
        delete transmitter;
    return result;
}

// ---------------------------------------------------------------- CMultiTransmitter

void CMultiTransmitter::Run()
{
    Execute();
    m_bPending = false;
    m_bDone = true;
}

void CMultiTransmitter::WorkerMain()
{
    while (m_bRunning) {
        if (m_bPending) {
            Run();
        } else {
            ::Sleep(1);
        }
    }
    delete this;
}

BOOL CMultiTransmitter::Transmit(const ControllerMessage& message)
{
    if (!m_bRunning || m_bPending)
        return FALSE;
    m_bDone = false;
    m_bPending = true;
    return CTransmitter::Transmit(message);
}

// ---------------------------------------------------------------- CSender

UINT __cdecl CSender::WorkerProc(LPVOID param)
{
    auto* sender = static_cast<CSender*>(param);
    while (!sender->m_bGo)
        ::Sleep(1);
    sender->m_bResult = sender->m_pConnection->Write(sender->m_nLength, sender->m_pBytes);
    // The sender lives on its caller's stack: nothing is touched after this.
    sender->m_bDone = true;
    return 0;
}

BOOL CSender::Send(int length, const BYTE* bytes)
{
    if (!m_pConnection)
        return FALSE;
    m_nLength = length;
    m_pBytes = bytes;
    if (!AfxBeginThread(WorkerProc, this, THREAD_PRIORITY_ABOVE_NORMAL))
        return FALSE;
    m_bGo = true;
    while (!m_bDone)
        PumpOrSleep();
    return m_bResult;
}

// ---------------------------------------------------------------- CMessageSender

bool BuildSequenceMessage(const CommandItem& item, bool twoIntegers, ControllerMessage& message)
{
    const CommandTableEntry* row = GetCommandRow(item.commandId);
    if (!row || item.commandId == COMMAND_ID_RAW || item.commandId == COMMAND_ID_RECEIVED)
        return false;
    message.m_nCommandId = item.commandId;
    const int kind = row->m_nArgumentKind;
    if (kind == ARGUMENT_NONE && item.form == CommandItem::None) {
        message.SetInteger(0);
        return true;
    }
    if (kind == ARGUMENT_INTEGER && item.form == CommandItem::Integer) {
        message.SetInteger(item.first);
        return true;
    }
    if (kind == ARGUMENT_RAW && !twoIntegers && item.form == CommandItem::Bytes && item.bytes && item.first > 0) {
        message.SetArgument(item.bytes, item.first);
        return true;
    }
    if (kind == ARGUMENT_RAW && twoIntegers && item.form == CommandItem::TwoIntegers) {
        // Two integers travel as their text.
        char text[32];
        std::snprintf(text, sizeof text, "%d,%d", item.first, item.second);
        message.SetArgumentText(text);
        return true;
    }
    const bool textKind = twoIntegers ? IsLeaseTextKind(kind) : IsSequenceTextKind(kind);
    if (textKind && item.form == CommandItem::Text && item.text) {
        message.SetArgumentText(item.text);
        return true;
    }
    return false;
}

BOOL CMessageSender::FindProjectWnd()
{
    m_pProject = dynamic_cast<IProjectWindow*>(GetProjectWndAs(nullptr));
    return m_pProject ? TRUE : FALSE;
}

BOOL CMessageSender::PostToProject(const ControllerMessage* message)
{
    if (!message)
        return FALSE;
    // Looked up each time: the kept object may have gone with its window.
    if (!FindProjectWnd())
        return FALSE;
    return m_pProject->ProcessMessage(message);
}

BOOL CMessageSender::Send(const ControllerMessage* message)
{
    if (m_bClosing)
        return FALSE;
    GlobalLogLine("Send: " + m_strLabel, LOG_SEQUENCES);
    return PostToProject(message);
}

BOOL CMessageSender::RunSequence(HWND window, CVexoReply* receiver, std::initializer_list<CommandItem> items)
{
    const int number = ++g_sequenceCounter;
    GlobalLogFormat(LOG_SEQUENCES, "Sequence %d start", number);
    ++m_nDepth;
    BOOL result = TRUE;
    for (const CommandItem& item : items) {
        if (!result || m_bClosing) {
            result = FALSE;
            break;
        }
        ControllerMessage message;
        message.m_hReplyWnd = window;
        message.m_pReplyReceiver = receiver;
        message.m_nChannel = CHANNEL_COMMAND;
        if (!BuildSequenceMessage(item, false, message)) {
            result = FALSE;
            break;
        }
        result = Send(&message);
    }
    if (m_nDepth > 0)
        --m_nDepth;
    GlobalLogFormat(LOG_SEQUENCES, "Sequence %d end", number);
    return result;
}

BOOL CMessageSender::SendSequence(HWND window, std::initializer_list<CommandItem> items)
{
    return RunSequence(window, nullptr, items);
}

BOOL CMessageSender::SendSequenceEx(HWND window, CVexoReply* receiver, std::initializer_list<CommandItem> items)
{
    return RunSequence(window, receiver, items);
}

BOOL CMessageSender::SendRaw(HWND window, int channel, const BYTE* bytes, int length)
{
    if (!bytes || length < 1)
        return FALSE;
    const int number = ++g_sequenceCounter;
    GlobalLogFormat(LOG_SEQUENCES, "Sequence %d start", number);
    ControllerMessage message;
    message.m_hReplyWnd = window;
    message.m_nCommandId = COMMAND_ID_RAW;
    message.m_nChannel = channel;
    message.SetArgument(bytes, length);
    const BOOL result = Send(&message);
    GlobalLogFormat(LOG_SEQUENCES, "Sequence %d end", number);
    return result;
}

BOOL CMessageSender::SendRawString(HWND window, int channel, const CString& text)
{
    return SendRaw(window, channel, reinterpret_cast<const BYTE*>(text.GetString()), text.GetLength());
}
