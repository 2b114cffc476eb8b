// Sending controller messages and carrying transactions.
//
// CMessageSender: a tool window's sender. It turns a sequence of commands
// (command-table ids with their arguments) into ControllerMessage records
// and hands them one at a time to the project window, which runs them
// through the controller connection. Arguments are typed (CommandItem), and
// an item whose arguments do not fit its command's argument kind stops the
// sequence before anything of it is sent.
//
// CTransmitter: one transaction on a short-lived worker thread, so the
// calling thread keeps answering its window messages while the transaction
// waits; the last of caller and worker to finish deletes it.
// CMultiTransmitter: the same worker kept for repeated transactions; only
// its worker deletes it, once released. CSender: one plain write on a
// worker thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <initializer_list>
#include <string>

#include "framework/cstring.h"
#include "framework/sync.h"
#include "link/controllermessage.h"

class CControllerConnection;
class CVexoReply;
class IProjectWindow;

class CTransmitter {
public:
    explicit CTransmitter(CControllerConnection* connection);
    virtual ~CTransmitter() = default;
    CTransmitter(const CTransmitter&) = delete;
    CTransmitter& operator=(const CTransmitter&) = delete;

    // Starts the worker (priority above normal); FALSE when it cannot start.
    virtual BOOL Start();
    // Runs one transaction of a copy of message on the worker and waits for
    // it, answering this thread's messages; a hold raised meanwhile aborts
    // the wait (FALSE).
    virtual BOOL Transmit(const ControllerMessage& message);
    // The worker's part: waits for the go, transmits, reports done.
    virtual void Run();
    // Transmit, then hands the object over: whichever of caller and worker
    // finishes second deletes it.
    static BOOL TransmitAndRelease(CTransmitter* transmitter, const ControllerMessage& message);
    bool IsDone() const { return m_bDone.load(); }

protected:
    static UINT __cdecl WorkerProc(LPVOID param);
    virtual void WorkerMain();
    // Marks one side finished; true when the other side already was.
    bool FinishSide(bool caller);
    // Waits for the go and transmits; the result is kept. Run reports done
    // after it, once everything the caller looks at is settled.
    void Execute();

    std::atomic<bool> m_bBusy{false};
    std::atomic<bool> m_bGo{false};
    std::atomic<bool> m_bDone{false};
    std::atomic<BOOL> m_bResult{FALSE};
    bool m_bWorkerDone = false; // under m_doneLock
    bool m_bCallerDone = false; // under m_doneLock
    CControllerConnection* m_pConnection;
    CCriticalSection m_doneLock;
    ControllerMessage m_message;
};

class CMultiTransmitter : public CTransmitter {
public:
    explicit CMultiTransmitter(CControllerConnection* connection) : CTransmitter(connection) {}
    BOOL Transmit(const ControllerMessage& message) override;
    // Ends the worker, which then deletes the object.
    void Stop() { m_bRunning = false; }
    // Clears pending before it reports done: a caller that sees done may
    // transmit again at once.
    void Run() override;

protected:
    void WorkerMain() override;

private:
    std::atomic<bool> m_bRunning{true};
    std::atomic<bool> m_bPending{false};
};

class CSender {
public:
    explicit CSender(CControllerConnection* connection) : m_pConnection(connection) {}
    // Writes on a worker thread and waits, answering this thread's
    // messages; the write's result.
    BOOL Send(int length, const BYTE* bytes);

private:
    static UINT __cdecl WorkerProc(LPVOID param);

    CControllerConnection* m_pConnection;
    std::atomic<bool> m_bGo{false};
    std::atomic<bool> m_bDone{false};
    std::atomic<BOOL> m_bResult{FALSE};
    int m_nLength = 0;
    const BYTE* m_pBytes = nullptr;
};

// One command of a sequence: its command-table id and its arguments.
struct CommandItem {
    enum Form { None, Integer, Text, Bytes, TwoIntegers };
    CommandItem(int id) : commandId(id) {}
    CommandItem(int id, int value) : commandId(id), form(Integer), first(value) {}
    CommandItem(int id, int a, int b) : commandId(id), form(TwoIntegers), first(a), second(b) {}
    CommandItem(int id, LPCSTR value) : commandId(id), form(Text), text(value) {}
    CommandItem(int id, const void* data, int length)
        : commandId(id), form(Bytes), bytes(static_cast<const BYTE*>(data)), first(length)
    {
    }

    int commandId;
    Form form = None;
    LPCSTR text = nullptr;
    const BYTE* bytes = nullptr;
    int first = 0;
    int second = 0;
};

// Fills message from item by its command's argument kind; false when the
// arguments do not fit the kind (or the kind has no form here). twoIntegers
// admits kind 4 as two integers (the lease's form) instead of bytes.
bool BuildSequenceMessage(const CommandItem& item, bool twoIntegers, ControllerMessage& message);

class CMessageSender {
public:
    CMessageSender() = default;
    virtual ~CMessageSender() = default;

    // Finds the project window through the main frame; TRUE when found.
    BOOL FindProjectWnd();
    // Hands the message to the project window (looked up again when needed).
    BOOL PostToProject(const ControllerMessage* message);
    // Refused while closing; logs "Send: " + label.
    BOOL Send(const ControllerMessage* message);
    // The commands in order, stopping at the first that fails; ids 8 and 9
    // are refused. TRUE when all went (also for none).
    BOOL SendSequence(HWND window, std::initializer_list<CommandItem> items);
    BOOL SendSequenceEx(HWND window, CVexoReply* receiver, std::initializer_list<CommandItem> items);
    // Raw bytes on a channel (command id 8), as a sequence of its own.
    BOOL SendRaw(HWND window, int channel, const BYTE* bytes, int length);
    BOOL SendRawString(HWND window, int channel, const CString& text);

    void SetText(LPCSTR label) { m_strLabel = label ? label : ""; }
    void SetClosing(bool closing) { m_bClosing = closing; }
    bool IsClosing() const { return m_bClosing; }
    int GetDepth() const { return m_nDepth; }

private:
    BOOL RunSequence(HWND window, CVexoReply* receiver, std::initializer_list<CommandItem> items);

    IProjectWindow* m_pProject = nullptr;
    std::atomic<bool> m_bClosing{false};
    int m_nDepth = 0;
    CString m_strLabel;
};
