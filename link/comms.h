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
// at most), then sleeps 1 ms.
//
// Pausing is cooperative: SuspendReceive raises a flag and waits until the
// thread acknowledges it at the top of its loop, where it holds no lock and
// is not inside Read; ResumeReceive lets it go on. Close resumes first.
//
// A subclass destructor must call its own Close: the receive thread calls
// the subclass's Read, which is gone by the time this base is destroyed.
// A link is never closed for good or destroyed from its own receive thread
// (a receiver may pause it there, and may ask it to stop: the thread then
// ends after the pass, and the next Close from another thread reaps it).
#pragma once

#include <windows.h>

#include <atomic>

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
    // came.
    virtual int Read(BYTE* buffer, int maximum) = 0;
    // Pauses the receive thread at the top of its loop and waits for it to
    // get there. FALSE without a receive thread, or when it does not pause
    // within 10 s. Pauses nest. Called on the receive thread itself, the
    // pause begins when the current pass ends.
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

    bool IsReceiveThreadRunning() const { return m_bThreadRunning.load(); }

protected:
    // Whether the global log is on and writes the category: lines that
    // cost something to build are built only then.
    static bool LogWanted(DWORD category);
    // Sends WM_VEXO_LINK_CHANGED to the main frame when it is a window.
    void NotifyMainFrame(BOOL withRecord);

    // Starts the receive thread, which delivers to receiver and logs
    // startLine and endLine (log category 1) as it starts and ends.
    BOOL StartReceiveThread(ILinkReceiver* receiver, LPCSTR startLine, LPCSTR endLine,
                            int priority = THREAD_PRIORITY_NORMAL);
    // Resumes the thread, asks it to end and waits until it has ended.
    void StopReceiveThread();
    // Called on the receive thread after each block it read has been
    // delivered, with the mode it was delivered in.
    virtual void AfterDelivery(int mode) {}

    CCommPortData m_data;
    BYTE m_savedData[COMM_LINK_DATA_SIZE];     // type data before exclusive mode
    BYTE m_exclusiveData[COMM_LINK_DATA_SIZE]; // type data of exclusive mode
    BYTE m_configSets[2][COMM_LINK_DATA_SIZE]; // a subclass fills them
    std::atomic<int> m_nMode{LINK_MODE_RAW};
    std::atomic<BOOL> m_bOpen{FALSE};
    BOOL m_bHandshake = FALSE;
    BOOL m_bSavedHandshake = FALSE;
    CWinThread* m_pReceiveThread = nullptr;
    CMutex m_linkMutex;
    int m_nValidSets = 1;
    HWND m_hMainFrame = nullptr;

private:
    static UINT __cdecl ReceiveThreadProc(LPVOID param);
    void ReceiveLoop();
    // Waits at the top of the loop while a pause is asked for.
    void PausePoint();
    // In channel mode through the channel decoder, else whole on CHANNEL_NONE.
    void Deliver(int mode, int count, const BYTE* bytes);

    ILinkReceiver* m_pReceiver = nullptr;
    CString m_strStartLine;
    CString m_strEndLine;
    std::atomic<bool> m_bRun{false};
    std::atomic<bool> m_bThreadRunning{false};
    std::atomic<bool> m_bPauseRequested{false};
    int m_nPauseCount = 0;                    // under m_linkMutex
    CEvent m_pauseAcknowledged{FALSE, FALSE}; // auto-reset: the thread has paused
    CEvent m_resume{FALSE, TRUE};             // manual-reset: the thread may go on
    // Receive state, touched only by the receive thread.
    int m_nChannel = CHANNEL_NONE;
    int m_nEscapeState = 0;
};
