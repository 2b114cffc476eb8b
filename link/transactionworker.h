// CTransactionWorker: the one thread of a controller connection that runs
// the transactions its callers hand it, in the order they came. A caller
// waits on an event of its own transaction, answering its thread's
// messages meanwhile (handlers may run again during the wait, as ever),
// and stops waiting when the connection holds its transactions; a
// transaction given up before it started is never sent.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "link/controllermessage.h"

class CTransactionWorker {
public:
    // run carries out one transaction on the worker's thread.
    explicit CTransactionWorker(std::function<BOOL(ControllerMessage*)> run);
    // Ends the worker after the transaction it is running, if any (bounded
    // wait); transactions still queued are given up.
    ~CTransactionWorker();
    CTransactionWorker(const CTransactionWorker&) = delete;
    CTransactionWorker& operator=(const CTransactionWorker&) = delete;

    // Runs a copy of message and waits for it. abortEvent (set while the
    // connection holds its transactions) and aborted() end the wait early:
    // FALSE then, as when the worker could not start.
    BOOL Run(const ControllerMessage& message, HANDLE abortEvent, const std::function<bool()>& aborted);

private:
    struct Job {
        explicit Job(const ControllerMessage& source) : message(source), done(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
        ~Job() { ::CloseHandle(done); }
        ControllerMessage message;
        HANDLE done;
        std::atomic<BOOL> result{FALSE};
    };

    bool Start();
    static UINT __cdecl ThreadProc(LPVOID param);
    void Main();

    std::function<BOOL(ControllerMessage*)> m_run;
    std::mutex m_lock;
    std::deque<std::shared_ptr<Job>> m_jobs; // under m_lock
    bool m_bStop = false;                    // under m_lock
    HANDLE m_hWork;                          // set while jobs wait
    HANDLE m_hThread = nullptr;              // the worker, once started (under m_lock)
    std::atomic<DWORD> m_nWorkerThreadId{0};
};
