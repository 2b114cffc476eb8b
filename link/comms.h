// CComms: the link between the development environment and one controller.
// A byte pipe with a receive thread, three transfer modes, the link's record
// (CCommPortData) and saved configuration sets. One subclass per medium
// does the opening, closing, reading and writing; this base runs the
// receive thread, decodes channels in channel mode and hands what arrives
// to the link's receiver (the controller connection).
//
// Receive thread: a subclass starts it from Open with StartReceiveThread
// and stops it from Close with StopReceiveThread, before the medium is
// closed. Each pass reads up to 1024 bytes with Read, which must return
// within a short time when nothing arrives (a read time-out of about 100 ms
// at most), then sleeps 1 ms. A Read that returns READ_LINK_LOST reports a
// broken medium: the receiver hears of it once (OnLinkLost) and the thread
// ends. A medium whose write or device call fails reports the loss itself
// (ReportLinkLost), once per opening as well.
//
// Pausing is cooperative: SuspendReceive counts a pause and waits until the
// thread has stopped at the top of its loop, where it holds no lock and is
// not inside Read; ResumeReceive lets it go on. Close resumes first. No
// lock is held while a caller waits, and every wait answers messages sent
// to the waiting thread's windows and ends (CReceivePause holds a pause for
// a scope).
//
// Every thread started has a run flag of its own, so a link closed and
// opened again from its own receive thread (from OnReceive) ends the old
// thread after its pass and starts exactly one new one; the old thread's
// object is reaped by the next start or stop from another thread.
//
// A subclass destructor must call its own Close: the receive thread calls
// the subclass's Read, which is gone by the time this base is destroyed
// (the base destructor logs a thread still alive as an error). A link is
// never destroyed from its own receive thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "framework/cstring.h"
#include "framework/sync.h"
#include "framework/thread.h"
#include "link/channeldemux.h"
#include "link/commportdata.h"

// Transfer modes.
enum : int {
    LINK_MODE_RAW = 0,       // the command line; bytes belong to no channel
    LINK_MODE_CHANNEL = 1,   // channel-multiplexed
    LINK_MODE_EXCLUSIVE = 2, // bulk transfers; bytes belong to no channel
};

// Sent to the main frame when a link opens (lParam: the link's record) or
// closes (lParam 0).
const UINT WM_VEXO_LINK_CHANGED = 0x81E5;

// The most a receive pass reads.
const int RECEIVE_BLOCK_SIZE = 1024;
// What Read returns when the medium is broken (the link is lost).
const int READ_LINK_LOST = -1;
// How long a medium's Read waits for the link mutex before it gives up
// for this pass.
const DWORD RECEIVE_LOCK_WAIT_MS = 100;

class CComms {
public:
    CComms();
    virtual ~CComms();
    CComms(const CComms&) = delete;
    CComms& operator=(const CComms&) = delete;

    // Notifies the main frame with the record and returns FALSE. A
    // subclass opens its medium, then calls this whatever its result.
    virtual BOOL Open(ILinkReceiver* receiver);
    // Null: the medium's default record (name, type, saved set 0); a
    // record: copied whole. Sets raw mode.
    virtual BOOL SetConfiguration(const CCommPortData* record) = 0;
    // Copies the type data from data, or from saved set 0 when null, and
    // stores the handshake flag.
    virtual BOOL SetData(const BYTE* data, BOOL handshake) = 0;
    // Copies the record into record, its data replaced by saved set `set`
    // when 1 <= set < the number of valid sets, else by saved set 0;
    // writes the handshake flag when asked. TRUE when a record was given.
    virtual BOOL GetLinkInfo(CCommPortData* record, int set, BOOL* handshake);
    // Notifies the main frame without a record and returns FALSE. A
    // subclass stops the receive thread, closes its medium, calls this and
    // returns whether the link is closed now.
    virtual BOOL Close();
    virtual BOOL IsOpen() = 0;
    virtual BOOL Write(int length, const BYTE* data) = 0;
    // Reads up to maximum bytes into buffer; the count read, 0 when none
    // came, READ_LINK_LOST when the medium is broken.
    virtual int Read(BYTE* buffer, int maximum) = 0;
    // Pauses the receive thread at the top of its loop and waits for it to
    // get there, answering messages sent to this thread meanwhile. FALSE
    // without a receive thread, or when it does not pause within 10 s (the
    // pause is then undone). Pauses nest. Called on the receive thread
    // itself, the pause begins when the current pass ends.
    virtual BOOL SuspendReceive();
    // Undoes one SuspendReceive; TRUE when the pause count was 0 or 1
    // before (so the thread runs again). FALSE without a receive thread.
    virtual BOOL ResumeReceive();
    // FALSE in exclusive mode; else raw mode and TRUE.
    virtual BOOL SetRawMode();
    // FALSE in exclusive mode; else channel mode and TRUE.
    virtual BOOL SetChannelMode();
    // On: from raw or channel mode to exclusive (TRUE); already exclusive:
    // FALSE. Off: from exclusive to raw (TRUE); else FALSE.
    virtual BOOL SetExclusiveMode(BOOL on, ILinkReceiver* connection);
    virtual BOOL GetOpenFlag();
    virtual CString GetName();
    // The link's own record, not a copy.
    virtual CCommPortData* GetRecord();
    virtual BOOL CopyRecord(CCommPortData* record, BOOL* handshake);
    virtual BOOL CopyData(BYTE* data, BOOL* handshake);
    // The size the system-software loader cuts its bulk writes to.
    virtual int GetTxBlockSize();

    int GetMode() const { return m_nMode.load(); }
    BOOL GetHandshake() const { return m_bHandshake; }
    int GetValidSetCount() const { return m_nValidSets; }
    // The window told when the link opens and closes (the main frame).
    void SetMainFrameWindow(HWND window) { m_hMainFrame = window; }
    HWND GetMainFrameWindow() const { return m_hMainFrame; }

    // Whether any receive thread of this link is still in its loop.
    bool IsReceiveThreadRunning() const { return m_nThreadsRunning.load() > 0; }

protected:
    // Whether the global log is on and writes the category: lines that
    // cost something to build are built only then.
    static bool LogWanted(DWORD category);
    // Sends WM_VEXO_LINK_CHANGED to the main frame when it is a window.
    void NotifyMainFrame(BOOL withRecord);
    // The receiver told of a lost link: set by StartReceiveThread, or by a
    // medium without a receive thread as it opens (which also clears the
    // once-only mark of the loss).
    void SetLinkReceiver(ILinkReceiver* receiver);
    // Tells the link's receiver once that the medium broke; nothing while
    // the link is not open (a close is no loss).
    void ReportLinkLost();

    // Starts the receive thread, which delivers to receiver and logs
    // startLine and endLine (log category 1) as it starts and ends. A medium
    // names its thread by its own entry (entry), which runs
    // RunReceiveThread with its parameter; none: the base's entry.
    BOOL StartReceiveThread(ILinkReceiver* receiver, LPCSTR startLine, LPCSTR endLine,
                            int priority = THREAD_PRIORITY_NORMAL, AFX_THREADPROC entry = nullptr);
    // The receive loop of the thread a medium's entry was started for.
    static UINT RunReceiveThread(LPVOID param);
    // Resumes the thread, asks it to end and waits (at most 10 s, answering
    // sent messages) until it has ended; TRUE when no receive thread is
    // left. Called on the receive thread itself, the thread ends when its
    // pass returns and TRUE is returned.
    BOOL StopReceiveThread();
    // Called on the receive thread after each block it read has been
    // delivered, with the mode it was delivered in.
    virtual void AfterDelivery(int mode) {}
    // Fills configuration set 0 with the type data of a fresh record of
    // the link's type.
    void StoreDefaultConfigSet(LPCSTR name, int type);

    CCommPortData m_data;
    BYTE m_savedData[COMM_LINK_DATA_SIZE];     // type data before exclusive mode
    BYTE m_exclusiveData[COMM_LINK_DATA_SIZE]; // type data of exclusive mode
    BYTE m_configSets[2][COMM_LINK_DATA_SIZE]; // a subclass fills them
    std::atomic<int> m_nMode{LINK_MODE_RAW};
    std::atomic<BOOL> m_bOpen{FALSE};
    BOOL m_bHandshake = FALSE;
    BOOL m_bSavedHandshake = FALSE;
    CMutex m_linkMutex;
    int m_nValidSets = 1;
    HWND m_hMainFrame = nullptr;

private:
    // What one receive thread runs with; owned by the link, freed when the
    // thread has ended.
    struct ReceiveThread {
        CComms* link = nullptr;
        CWinThread* thread = nullptr;
        ILinkReceiver* receiver = nullptr;
        CString startLine;
        CString endLine;
        std::atomic<bool> run{true};
    };

    static UINT __cdecl ReceiveThreadProc(LPVOID param);
    void ReceiveLoop(ReceiveThread& self);
    // Waits at the top of the loop while a pause is asked for.
    void PausePoint(ReceiveThread& self);
    // Asks the current thread to end; it becomes retired. Under m_linkMutex.
    void RetireCurrentThread();
    // Waits for retired threads other than the calling one and frees them;
    // TRUE when none is left.
    BOOL ReapRetiredThreads(DWORD timeoutMs);
    bool IsReceiveThread(const ReceiveThread* thread) const;
    // In channel mode through the channel decoder, else whole on CHANNEL_NONE.
    static void Deliver(ILinkReceiver* receiver, int mode, int& channel, int& escapeState, int count,
                        const BYTE* bytes);

    ReceiveThread* m_pCurrent = nullptr;       // under m_linkMutex
    std::vector<ReceiveThread*> m_retired;     // under m_linkMutex
    std::atomic<int> m_nThreadsRunning{0};
    std::atomic<ILinkReceiver*> m_pLinkReceiver{nullptr};
    std::atomic<bool> m_bLossReported{false};
    // Pause state, under m_linkMutex (never held while anyone waits).
    int m_nPauseCount = 0;
    bool m_bThreadPaused = false;
    CEvent m_paused{FALSE, TRUE}; // manual-reset: the thread stands at its pause point
    CEvent m_resume{FALSE, TRUE}; // manual-reset: the thread may go on
};

// Holds a pause of a link's receive thread for a scope.
class CReceivePause {
public:
    explicit CReceivePause(CComms* link) : m_pLink(link), m_bPaused(link && link->SuspendReceive()) {}
    ~CReceivePause()
    {
        if (m_bPaused)
            m_pLink->ResumeReceive();
    }
    CReceivePause(const CReceivePause&) = delete;
    CReceivePause& operator=(const CReceivePause&) = delete;
    bool IsPaused() const { return m_bPaused; }

private:
    CComms* m_pLink;
    bool m_bPaused;
};

// Waits at most timeoutMs (real time) for any of the handles, answering
// messages sent to the calling thread's windows meanwhile (posted messages
// stay queued). WAIT_OBJECT_0 + i, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitServingSentMessages(DWORD count, const HANDLE* handles, DWORD timeoutMs);
