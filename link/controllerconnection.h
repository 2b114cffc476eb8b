// CControllerConnection: the one object through which the development
// environment talks to the controller. It owns the link (CComms), knows the
// link mode (command line, channel mode, exclusive), serialises
// transactions with one transmit lock, writes commands in the form the
// link mode needs, and routes what comes back: into the capture ring that a
// synchronous command-line exchange reads up to the ">>" prompt, or through
// the channel reception and the reply dispatcher to the window that asked.
// It also identifies the controller model and switches channel mode on and
// off.
//
// Threads: transactions run on the thread that holds the transmit lock (a
// transaction worker or the caller); received bytes arrive on the link's
// receive thread (OnReceive), which drives the request state the waiting
// side polls. Every wait of a second or more takes its time from the clock
// seam (AfxGetClock); waits on a window thread answer its messages.
//
// A lost link (the link base's OnLinkLost) ends every transaction waiting
// on it at once with failure, is reported once to the error list and is
// posted to the project window (WM_VEXO_LINK_FAILED), which disconnects.
//
// A reply belongs to its own request or to nothing: the rest of a reply
// whose request was cancelled or timed out is dropped when it comes, a
// packet the controller repeats because our ACK was lost is dropped, and
// the rest of a command-line reply whose exchange gave up is waited for and
// flushed before the next exchange.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "foundation/containers.h"
#include "framework/cstring.h"
#include "framework/sync.h"
#include "link/channelreception.h"
#include "link/comms.h"
#include "link/controllermessage.h"
#include "link/linkconnection.h"
#include "link/modeltables.h"
#include "link/programdata.h"

class IProjectWindow;
class CMultiTransmitter;
class CTransactionWorker;

// Link modes of the connection.
enum : int {
    CONNECTION_COMMAND_LINE = 0,
    CONNECTION_CHANNEL_MODE = 1,
    CONNECTION_EXCLUSIVE = 2,
};

// The longest command the command channel takes.
const int COMMAND_CHANNEL_MAX = 100;
// The capture ring of the command-line exchange.
const int CAPTURE_RING_SIZE = 2048;
// The lowest system software version with channel mode.
const double CHANNEL_MODE_VERSION = 1.16;
// Posted to the project window when the link is lost: it disconnects and
// tells the user.
const UINT WM_VEXO_LINK_FAILED = 0x81D5;

// Whether a command text holds a byte the link would take as control:
// channel selection (ESC), line ends and the reply marks (CR, LF, DC2, DC4,
// STX...), NUL; every byte below 32 but TAB.
bool HoldsControlBytes(const char* text, int length);

class CControllerConnection : public ILinkReceiver,
                              public ILinkConnectionState,
                              private IChannelReceptionSink {
public:
    explicit CControllerConnection(IProjectWindow* project = nullptr);
    ~CControllerConnection() override;
    CControllerConnection(const CControllerConnection&) = delete;
    CControllerConnection& operator=(const CControllerConnection&) = delete;

    // Link management.
    // Makes the link object of a link type (null: no class for the type).
    // By default the link of the medium (CreateMediaLink); tests install
    // their own (the scripted controller); an empty factory restores the
    // default.
    using LinkFactory = std::function<CComms*(int linkType)>;
    void SetLinkFactory(LinkFactory factory);
    // Deletes the present link, then makes one for the type.
    void CreateLink(int linkType);
    // Closes the link when open and deletes it.
    void CloseLink();
    // Command line only: close, then open again with this connection.
    BOOL ReopenLink();
    // Hands a record to the link (see the .cpp); TRUE when it stands.
    BOOL ApplyLinkData(const CCommPortData* record, BOOL flag);
    // Opens the link with this connection as receiver, from record or the
    // present link; then channel mode when asked. The result is also kept
    // (IsLinkOpened).
    BOOL OpenLink(HWND notifyWindow, const CCommPortData* record, BOOL enterChannelMode);
    BOOL IsLinkOpened() const { return m_bLinkOpened; }
    CString GetLinkName(BOOL withAddress);
    CString GetLinkDescription(int detail);
    BOOL CopyLinkData(CCommPortData* record);
    CCommPortData* GetLinkData();
    CComms* GetLink() const { return m_pLink; }
    // The transmit lock: a caller that sends several transactions as one
    // piece holds it and passes it to TransmitSynchronous.
    CMutex* GetSyncTxMutex() { return &m_transmitLock; }

    // Identification.
    BOOL Identify(int& row);
    // Forgets the identified controller: row 0, not locked, no version.
    void ClearIdentification()
    {
        m_nModelRow = MODEL_ROW_NONE;
        m_model = GetControllerModel(MODEL_ROW_NONE);
        m_bLocked = false;
        m_dVersion = 0.0;
    }
    double GetVersion();
    BOOL IsLocked();
    // The locked flag of the last identification, without asking again.
    BOOL WasLocked() const { return m_bLocked ? TRUE : FALSE; }
    BOOL Lock(long code);
    BOOL Unlock(long code);
    BOOL IsLinkTypeSupported();
    BOOL IsFeatureSupported(int feature);
    BOOL IsProgramTypeSupported(int kind);
    int GetMaxAxes(int variant) const;
    int GetValuesPerRequest() const { return ::GetValuesPerRequest(m_model.m_nFamily); }
    int GetFamilyLimitB() const { return ::GetFamilyLimitB(m_model.m_nFamily); }
    int GetFamilyLimitC() const { return ::GetFamilyLimitC(m_model.m_nFamily); }
    BOOL IsPowerUpActive() const { return m_bPowerUp.load() && m_model.m_nPowerUpCapable ? TRUE : FALSE; }
    // The controller's POWER_UP setting (bit 0 of its "?POWER_UP[0];"
    // reply, which the dispatcher also takes by itself).
    void SetPowerUpFlag(int value) { m_bPowerUp = (value & 1) != 0; }
    BOOL EnterChannelMode(const CCommPortData* record);
    BOOL LeaveChannelMode();
    BOOL ResetLinkToCommandLine();
    const ControllerModelInfo& GetModel() const { return m_model; }
    int GetModelRow() const { return m_nModelRow; }
    double GetStoredVersion() const { return m_dVersion; }
    int GetLinkMode() const { return m_nLinkMode.load(); }
    BOOL IsPacketMode() const { return m_bPacketMode.load() ? TRUE : FALSE; }

    // Writing.
    BOOL Write(int length, const BYTE* bytes);
    BOOL WriteDirect(int length, const BYTE* bytes);
    // Writes through a short-lived worker thread while this thread keeps
    // answering its messages.
    BOOL SendThroughWorker(int length, const BYTE* bytes);
    // In channel mode prefixes ESC and the channel when it changes (or when
    // forced) and ends channels 8 and 9 with LF DC4; a command-channel text
    // over COMMAND_CHANNEL_MAX bytes is refused with a message box and FALSE.
    // The prefix is chosen and the bytes written under the write lock, so
    // the mode and the last written channel are those the bytes meet.
    // Channels 8 and 9 exist only in channel mode: elsewhere FALSE and
    // nothing written.
    BOOL WriteChannel(int channel, const BYTE* bytes, int length, BOOL forcePrefix);

    // The command line.
    // Empties the capture ring until nothing came for quietMs or limitMs
    // passed; TRUE when it is empty.
    BOOL FlushInput(DWORD quietMs, DWORD limitMs);
    // One command and its reply up to ">>"; without raw, the echo is
    // checked and taken off.
    BOOL SyncCommand(LPCSTR command, CString& reply, BOOL raw);
    BOOL QueryNumber(LPCSTR command, double& value);
    CString GetLastRawReply() const { return m_strLastRawReply; }
    bool HasCaptureOverflowed() const { return m_bCaptureOverflow.load(); }

    // The programs known on the controller, as the project window keeps
    // them; names compare without regard to case. FindProgram's record
    // stays valid until the program is removed or the list synchronised.
    CProgramData* FindProgram(LPCSTR name);
    BOOL LookupProgram(LPCSTR name, CProgramData& program);
    BOOL HasProgram(LPCSTR name);
    // PROGRAM_TYPE_NONE when the program is not in the list.
    int GetProgramType(LPCSTR name);
    // The programs of a type; PROGRAM_TYPE_ALL counts every program.
    int CountPrograms(int type);
    // Appends a copy; the copy, or null.
    CProgramData* AddProgram(const CProgramData& program);
    BOOL RemoveProgram(LPCSTR name);
    // Brings the list to the programs of a directory read: programs it does
    // not name go, the others take its directory values (keeping their own
    // state), new ones are appended; every program left is marked seen.
    void SyncProgramList(const CTList<CProgramData>& directory);
    void RemoveAllPrograms();
    // Copies of the programs, in the list's order.
    std::vector<CProgramData> GetPrograms();
    // Selects the named program on the controller before a command that
    // names it (see the .cpp); FALSE when it cannot be selected.
    BOOL SelectProgram(LPCSTR name);
    // The program last selected with "SELECT"; empty when none.
    CString GetSelectedProgram();

    // Transactions.
    void SetMessageTimeout(int seconds);
    int GetMessageTimeout() const { return m_nMessageTimeout; }
    BOOL TransmitSynchronous(ControllerMessage* message, CMutex* heldLock);
    // One transaction on the connection's worker thread, waited for while
    // the calling thread's messages are answered (link/transactionworker.h).
    BOOL Transact(ControllerMessage* message);
    BOOL SendOnCommandChannel(ControllerMessage* message);
    BOOL BeginRequest(ControllerMessage* message);
    // The text of the command whose reply is awaited (empty when none).
    CString GetActiveCommandText();
    BOOL IsRequestPending() const { return m_bRequestActive.load() ? TRUE : FALSE; }
    void CancelPendingRequest()
    {
        m_bCancel = true;
        m_replyWake.SetEvent();
    }
    void SetTransactionHold(BOOL hold);
    int GetTransactionHold() const { return m_nHold.load(); }
    // Takes the transmit lock (waiting at most twice the message time-out)
    // and puts the link into exclusive mode; UnlockExclusive, from the same
    // thread, gives both back (FALSE from another thread).
    BOOL LockExclusive();
    BOOL UnlockExclusive();
    CMultiTransmitter* CreateMultiTransmitter();
    void ReleaseMultiTransmitter(CMultiTransmitter* transmitter);
    void SetShuttingDown(bool shuttingDown) { m_bShuttingDown = shuttingDown; }
    // The warning of a long wait on the command channel: by default the
    // system's exclamation sound; tests count it instead.
    using WarningBeep = std::function<void()>;
    void SetWarningBeep(WarningBeep beep);

    // Reception (the link's receive thread).
    void OnReceive(int channel, int length, const BYTE* bytes) override;
    void OnLinkLost() override;
    BOOL ReceiveChannelData(int channel, int length, const BYTE* bytes);
    // One line of the command channel; TRUE when it was taken.
    BOOL DispatchReply(ControllerMessage* message);
    void DeliverReply(ControllerMessage* reply);
    void ParseStatusLine(const ControllerMessage& message);

    // ILinkConnectionState: what the media ask (on the receive thread too;
    // nothing here queries the controller).
    bool HasFeature(int feature) override;
    void WithTransmitChannel(void (*action)(int lastChannel, void* context), void* context) override;
    bool IsTransactionActive() override { return m_bRequestActive.load(); }
    int GetReceiveChannel() override { return m_reception.GetLastChannel(); }
    int GetLastTransmitChannel() override { return m_nLastWrittenChannel.load(); }
    const ControllerModelInfo& GetModelInfo() override { return m_model; }

    bool IsLinkLost() const { return m_bLinkLost.load(); }
    bool IsTimeoutLatched() const { return m_bTimeoutLatch.load(); }
    IProjectWindow* GetProject() const { return m_pProject; }

private:
    // IChannelReceptionSink.
    void OnTerminalBytes(int channel, int length, const BYTE* bytes) override;
    bool OnChannelLine(int channel, const char* text, int length, bool endedCR) override;
    void OnPacketAnswer(int channel, BYTE answer) override;
    void SendPacketAnswer(int channel, BYTE answer) override;

    // "LOCK(%ld)" or "UNLOCK(%ld)" with CR, then identifies again.
    BOOL SendLockCommand(LPCSTR format, long code);
    // Waits one step: answers one waiting message or sleeps 1 ms (clock).
    static void WaitStep();
    // One step of the wait for a reply: a message served, or up to 1 ms
    // that ends as soon as the receive side settles the request.
    void WaitReplyStep();
    void AddError(const CString& text);
    void CompleteRequest(bool failed);
    // Ends the active request: nobody is delivered to any more. A request
    // whose exchange was cut short leaves the rest of its reply owed, to be
    // dropped when it comes.
    void EndRequest(bool exchangeCutShort);
    // A line of the reply owed by a request that ended before its reply did;
    // true when the line was that reply's (and is dropped).
    bool TakeOwedLine(const CString& text, bool endedCR);
    // Command line: notes a ">>" in bytes while an abandoned exchange owes
    // its prompt (receive thread).
    void WatchOwedPrompt(int length, const BYTE* bytes);
    bool TakeCaptured(char& byte);
    // Tries tryLock until it succeeds or twice the message time-out has
    // passed on the clock, answering messages between tries.
    bool LockTransmit(const std::function<bool()>& tryLock);
    void ResetReception();

    // The line of a directory or process-list reply as its record; FALSE
    // when it does not scan (reported), TRUE also for a line that is left
    // out.
    BOOL DispatchDirectoryLine(const CString& text);
    BOOL DispatchProcessLine(const CString& text);
    // A reply line that does not scan: the error list and the log.
    void ReplyLineFailed(unsigned messageId, LPCSTR logPrefix, const CString& text);
    // The list's program of the name; null when none. Under m_programLock.
    CProgramData* FindProgramLocked(LPCSTR name);

    IProjectWindow* m_pProject;
    HWND m_hNotifyWindow = nullptr;
    LinkFactory m_linkFactory;
    WarningBeep m_warningBeep;
    CComms* m_pLink = nullptr;
    CMutex m_transmitLock;
    std::atomic<DWORD> m_nExclusiveOwner{0}; // the thread between LockExclusive and UnlockExclusive
    CMutex m_writeLock;
    CMutex m_linkObjectLock;
    BOOL m_bLinkOpened = FALSE;

    // Model state.
    ControllerModelInfo m_model;
    int m_nModelRow = MODEL_ROW_NONE;
    bool m_bLocked = false;
    double m_dVersion = 0.0;
    std::atomic<bool> m_bPowerUp{false};

    std::atomic<int> m_nLinkMode{CONNECTION_COMMAND_LINE};
    std::atomic<bool> m_bPacketMode{false};
    std::atomic<int> m_nHold{0};
    int m_nMessageTimeout = 20;
    std::atomic<bool> m_bShuttingDown{false};

    // Capture ring: the receive thread moves the write index, the reader the
    // read index; a full ring sets the overflow flag, nothing is overwritten.
    std::atomic<bool> m_bCapture{false};
    char m_captureRing[CAPTURE_RING_SIZE] = {};
    std::atomic<int> m_nCaptureRead{0};
    std::atomic<int> m_nCaptureWrite{0};
    std::atomic<bool> m_bCaptureOverflow{false};
    CString m_strLastRawReply;

    // The active request (written by the transmitting side before the
    // command goes out, then driven by the receive thread).
    std::atomic<bool> m_bRequestActive{false};
    std::atomic<bool> m_bWaiting{false};
    CEvent m_replyWake; // set when the request is settled, cancelled or the link lost
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bFailed{false};
    std::atomic<bool> m_bAcknowledged{false};
    std::atomic<bool> m_bResend{false};
    std::atomic<bool> m_bDelivered{false};
    std::atomic<bool> m_bEchoSeen{false};
    std::atomic<int> m_nState{0}; // 0 echo expected, -1 discard, else reply kind
    // The rest of the reply to a request that ended first: its echo (when
    // not seen yet) and the lines up to its end mark; the command under
    // m_requestLock.
    std::atomic<bool> m_bOwedEcho{false};
    std::atomic<bool> m_bOwedEnd{false};
    std::string m_strOwedCommand;
    // Command line: an exchange gave up before its prompt, which may still
    // come; the last byte seen while it is owed (receive thread).
    std::atomic<bool> m_bPromptOwed{false};
    std::atomic<char> m_cOwedLast{0};
    std::uint64_t m_nPromptOwedSince = 0; // clock time; the exchanging thread's
    int m_nSequence = 0;
    // The request the line being dispatched belongs to (receive thread).
    int m_nDispatchSequence = 0;
    int m_nRequestChannel = CHANNEL_COMMAND;
    int m_nCommandId = COMMAND_ID_NONE;
    std::string m_strCommand;
    HWND m_hRequester = nullptr;
    CVexoReply* m_pReplyReceiver = nullptr;
    CCriticalSection m_requestLock; // the request's texts and pointers

    // Channel mode.
    CChannelReception m_reception;
    std::atomic<int> m_nLastWrittenChannel{CHANNEL_DIRECT};
    std::atomic<bool> m_bTimeoutLatch{false};
    // A command refused because of the latch has been reported.
    std::atomic<bool> m_bLatchRefusalShown{false};
    std::atomic<bool> m_bLinkLost{false};
    std::atomic<bool> m_bLinkLostReported{false};
    std::atomic<int> m_nPendingStatus{0};

    std::list<CMultiTransmitter*> m_multiTransmitters;
    CCriticalSection m_multiLock;

    // Transact's one worker, and the event that stands while transactions
    // are held (manual reset).
    CEvent m_holdEvent{FALSE, TRUE};
    std::unique_ptr<CTransactionWorker> m_pTransactionWorker;

    // The program list and the selected program (m_programLock across
    // every walk of the list).
    CTList<CProgramData> m_programs;
    CString m_strSelectedProgram;
    CCriticalSection m_programLock;
};

// Counts every program type (CountPrograms).
const int PROGRAM_TYPE_ALL = -100;

// The link object of a medium: serial, USB, simulator window link,
// Ethernet or PCI card; null for another type (none, FINS).
CComms* CreateMediaLink(int linkType);

// The next sequence number: 1 and up, wrapping back to 1, never 0.
int NextSequenceNumber();
// The number that follows current.
int SequenceNumberAfter(int current);
