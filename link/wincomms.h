// CWinComms: the link to the controller simulator running on the same PC.
// There is no device: bytes travel as window messages between the
// simulator's comms window and this link's receive window (CRxWnd), which
// runs on a user-interface thread of its own as a child of the main frame.
//
// Both programs register "Vexo_Link_Message" (one to four bytes packed in
// lParam, first byte lowest, count in wParam; always posted) and
// "Vexo_Allow_CopyData_Comms_Message" (a non-zero answer: the receiver
// takes WM_COPYDATA). They find each other through the current user's keys
// Software\VexoLabs\WinTargets\Vorta and ...\QCSimulation, values
// "MainWindow" and "CommsWindow" (window titles).
//
// DC3 from the simulator holds message-packet writes until DC1 comes; a
// write held longer than the message time-out fails; the hold belongs to
// the simulator that sent it, so a new target clears it. While the receive
// thread is suspended, received bytes wait in a ring for Read.
//
// A simulator window that was found and has gone is a lost link: the
// receive window looks every 100 ms (and every write before it posts), and
// the connection hears of it at once (OnLinkLost).
#pragma once

#include <windows.h>

#include <atomic>

#include "foundation/cyclicbuffer.h"
#include "link/comms.h"

// The registered message numbers.
UINT VexoLinkMessage();
UINT VexoAllowCopyDataMessage();

// One to four bytes as a link message's lParam: b0 | b1<<8 | b2<<16 |
// b3<<24, unused bytes zero. Unpacking gives the count (0 for a wParam
// outside 1..4).
LPARAM PackLinkBytes(const BYTE* bytes, int count);
int UnpackLinkBytes(WPARAM count, LPARAM packed, BYTE bytes[4]);

// Removes every DC1 (clears hold) and DC3 (sets hold) from bytes, keeping
// the rest in order; the count left.
int StripFlowControl(BYTE* bytes, int count, bool& hold);

// The receive window: its title, id and the messages it answers besides
// the two registered ones.
const char* const RX_WINDOW_TITLE = "Vorta_WinComm";
const UINT RX_WINDOW_ID = 32861;
const UINT WM_VEXO_GET_WINDOW_OBJECT = 0x8106;
const UINT WM_VEXO_DESTROY_WINDOW = 0x8108;

// Posts of one write go out back to back in groups of this many, with a
// 1 ms pause after each group (and after each attempt while held) and the
// thread's messages served around each pause. A pause after every post
// would make a short command take a millisecond per 4 bytes and hold a
// long transfer to 4 bytes a millisecond, a quarter of what the
// simulator's port service takes (16 bytes a millisecond); the simulator
// keeps what does not fit its ring, and its DC3 still holds the writer.
const int WIN_COMMS_POSTS_PER_PAUSE = 16;

// Where the programs publish their windows.
const char* const WIN_TARGETS_KEY = "Software\\VexoLabs\\WinTargets";
// A window title a program published there ("MainWindow", "CommsWindow");
// empty when there is none.
CString ReadTargetValue(LPCSTR program, LPCSTR value);
// The simulator's comms window: the child titled as its "CommsWindow" of
// the first top-level window titled as its "MainWindow" that has one; null
// when none.
HWND FindSimulatorWindow();
// How often the receive window looks whether the simulator is still there.
const UINT WIN_COMMS_TARGET_CHECK_MS = 100;

class CRxWnd;
class CRxThread;

class CWinComms : public CComms {
public:
    CWinComms();
    ~CWinComms() override;

    // Creates the receive window on a thread of its own as a child of the
    // main frame and waits (at most 10 s) until it is there. The simulator
    // is not needed for opening.
    BOOL Open(ILinkReceiver* connection) override;
    // Closes the link; raw mode; the record given or "QCSim"; handshake 0.
    BOOL SetConfiguration(const CCommPortData* record) override;
    BOOL SetData(const BYTE* data, BOOL handshake) override;
    BOOL Close() override;
    // Looks for the simulator when it is not known yet: TRUE when the link
    // is open and the simulator's comms window is there.
    BOOL IsOpen() override;
    // WM_COPYDATA when the simulator takes it (its answer is the result),
    // else link messages of up to 4 bytes.
    BOOL Write(int length, const BYTE* data) override;
    // Bytes that waited in the ring while the receive thread was suspended.
    int Read(BYTE* buffer, int maximum) override;
    // Direct delivery off, ring emptied; FALSE without a receive window.
    BOOL SuspendReceive() override;
    // Direct delivery on, ring emptied; FALSE without a receive window.
    BOOL ResumeReceive() override;

    // How long a send to the simulator, and a write held by DC3, may wait
    // (5000 ms).
    void SetMessageTimeout(DWORD timeoutMs) { m_nMessageTimeoutMs = timeoutMs; }
    bool IsHeld() const { return m_bHold.load(); }
    bool IsCopyData() const { return m_bCopyData.load(); }
    HWND GetReceiveWindow() const { return m_hRxWnd; }

    // Looks up the simulator's comms window and asks whether it takes
    // WM_COPYDATA; a target other than the one before clears the hold.
    void FindTarget();
    // On the receive window's thread: a target that was found and is no
    // window any more is a lost link.
    void CheckTarget();

private:
    friend class CRxWnd;
    // On the receive window's thread: TRUE when every byte was taken
    // (delivered, consumed as flow control or queued in the ring).
    bool ProcessReceived(int count, const BYTE* bytes);
    // The target went: no target, no hold, the receiver told once.
    void LoseTarget();

    std::atomic<HWND> m_hTarget{nullptr};
    std::atomic<HWND> m_hRxWnd{nullptr};
    std::atomic<bool> m_bCopyData{false};
    CRxThread* m_pRxThread = nullptr;
    ILinkReceiver* m_pConnection = nullptr;
    DWORD m_nMessageTimeoutMs = 5000;
    // Receive state, kept here so that it outlives the window.
    CCyclicCharBuffer m_rxRing{4096};
    std::atomic<bool> m_bDirect{false};
    std::atomic<bool> m_bHold{false};
    int m_nModeSeen = -1; // receive window's thread only
    int m_nChannel = CHANNEL_NONE;
    int m_nEscapeState = 0;
};
