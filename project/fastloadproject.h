// CFastLoadProject: loads every program of a project into the controller in
// one framed transfer, on a worker thread of its own.
//
// The owner (the project window) lends the worker its link: the worker
// writes "LOAD_PROJECT" straight to the link, sends each program as a
// header frame, its text and a check frame, reads the controller's
// single-byte answers itself (the link's receive thread is suspended
// meanwhile), ends the transfer with EOT and then sets each program's run
// type with "RUNTYPE" lines.
//
// Hand-over: Start runs the load; the owner waits for it with
// WaitUntilDone (which answers the owner's window messages) and lets go of
// the object with Release. The object deletes itself once both the load
// has ended and the owner has released it, whichever comes last, so it is
// freed exactly once and never under the owner's feet.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "framework/cstring.h"

class CComms;

// What the fast project load needs of its owner.
class IFastLoadOwner {
public:
    virtual ~IFastLoadOwner() = default;
    // The owner's window: asked for program-type features (0x81CC), owner
    // of the load's messages, told when the load has ended.
    virtual HWND GetOwnerWindow() = 0;
    // Disconnects from the controller (before a load with start flag 0).
    virtual void Disconnect() = 0;
    // Lends the connection's link with its receive thread suspended; null
    // when there is no link.
    virtual CComms* BorrowLink(int toolId) = 0;
    // Resumes the link's receive thread.
    virtual void ReturnLink() = 0;
};

class CFastLoadProject {
public:
    CFastLoadProject(IFastLoadOwner* owner, LPCSTR projectPath, const std::atomic<int>* cancel);
    CFastLoadProject(const CFastLoadProject&) = delete;
    CFastLoadProject& operator=(const CFastLoadProject&) = delete;

    // Starts the load thread; with start flag 0 the owner is disconnected
    // first. FALSE (the object still belongs to the caller, who deletes
    // it) without an owner or cancel flag or when the thread did not start.
    BOOL Start(int startFlag);
    // Waits, answering this thread's messages, until the load has ended
    // or timeoutMs have passed; TRUE when it has ended.
    BOOL WaitUntilDone(DWORD timeoutMs = INFINITE);
    // Whether every program went out and was acknowledged and every run
    // type was set. Valid once the load has ended.
    BOOL Succeeded() const { return m_bSucceeded.load(); }
    BOOL IsBusy() const { return m_bBusy.load(); }
    // The owner lets go; the object must not be used afterwards.
    void Release();

    // The load itself, on the calling thread (the load thread runs it).
    void Run();

    // Test seam: the load's gauge can be left out (no window then).
    void SetShowGauge(BOOL show) { m_bShowGauge = show; }

private:
    struct Entry {
        CString name;
        unsigned type;
    };

    ~CFastLoadProject();
    static unsigned __stdcall ThreadMain(void* parameter);
    void Unref();

    bool Cancelled() const { return m_pCancel && m_pCancel->load() != 0; }
    bool GaugeCancelled() { return std::atomic_ref<int>(m_nGaugeCancel).load() != 0; }
    bool Stopped() { return m_bAborted || Cancelled() || GaugeCancelled(); }
    BOOL WriteLink(const std::string& bytes);
    // Reads what the controller sent and takes each byte; the count read.
    int ReadReplies(bool sleepWhenEmpty);
    BOOL WaitForPrompt(int seconds, const char* prompt, int keep);
    // Reads replies until ACK, abort, cancel or 20 s. FALSE (after the
    // time-out message) when the wait ran out; TRUE for an ACK or a stop.
    bool TakeAck();
    void ShowMessage(LPCSTR text);
    // One program; FALSE when the sent flag was cleared.
    void SendProgram(const Entry& entry, const CString& folder);

    IFastLoadOwner* m_pOwner;
    const std::atomic<int>* m_pCancel;
    CString m_strPath;
    CString m_strReceived;
    CComms* m_pLink = nullptr;
    int m_nStartFlag = 0;
    HWND m_hOwnerWindow = nullptr;
    BOOL m_bShowGauge = TRUE;

    bool m_bAcknowledged = false;
    bool m_bAborted = false;
    bool m_bAbortShown = false;
    bool m_bSent = true;
    int m_nGaugeCancel = 0; // written by the gauge's thread
    std::atomic<BOOL> m_bBusy{FALSE};
    std::atomic<BOOL> m_bSucceeded{FALSE};
    HANDLE m_hDone = nullptr;
    std::atomic<int> m_nRefs{2}; // the load and the owner
};
