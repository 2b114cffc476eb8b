// Progress and wait windows: the progress dialog "Process status" on a
// user-interface thread of its own (CGauge, CGaugeThread), the counted
// "Wait..." window (CWaiting, CWaitMiniDialog) and a progress bar that
// draws itself with its percentage or a text (CTextProgressCtrl).
#pragma once

#include <windows.h>

#include <atomic>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/sync.h"
#include "framework/thread.h"

// The destroy request every tool window answers.
const UINT WM_TOOL_DESTROY_REQUEST = 0x8108;
// Posted to the gauge's notify window when the user confirms Cancel.
const UINT WM_GAUGE_CANCELLED = 0x8112;
// Brings a gauge to the foreground.
const UINT WM_GAUGE_TO_FRONT = 0x81D4;

class CGauge : public CDialog {
    DECLARE_DYNAMIC(CGauge)
public:
    explicit CGauge(CWnd* pParent = nullptr);

    BOOL Create(CWnd* pParent);
    void SetCaption(LPCTSTR lpszText);
    void SetTitle(UINT nID);
    void SetText(LPCTSTR lpszText);
    void SetTextById(UINT nID);
    // The text shortened (folders left out) to fit the text line.
    void SetPathText(LPCTSTR lpszText);
    // Range 0..max(1, n), step 1, position 0.
    void SetRange(int n);
    void SetPos(int n);
    // Advances the bar by its step n times (nothing for n <= 0).
    void StepIt(int n);
    void ShowCancelButton(BOOL bEnable, BOOL bShowDisabled);
    void SetCancelFlag(int* pFlag, BOOL bShowDisabled);

    HWND m_hWndNotify = nullptr;
    std::atomic<BOOL> m_bCancelPending{FALSE};
    int* m_pCancelFlag = nullptr;
    CString m_strCaption;
    CString m_strText;
    std::atomic<BOOL> m_bWindowExists{FALSE};
    BOOL m_bConfirmCancel = TRUE;
    CStatic m_text;
    CProgressCtrl m_progress;
    CButton m_cancel;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Takes the requests of CGaugeThread's forwarders, which reach the
    // gauge only as messages to its window.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCancel() override {} // Escape does not close a gauge
    void OnOK() override {}
    void OnCancelButton();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnBringToFront(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR nIDEvent);
    DECLARE_MESSAGE_MAP()

private:
    // A close asked for while Cancel is being confirmed, sent again after
    // a short delay.
    WPARAM m_deferredWParam = 0;
    LPARAM m_deferredLParam = 0;
};

// The thread that owns one gauge. Other threads drive the gauge through
// the forwarders below, which only send messages to the gauge's window (a
// gauge that is gone, or never came up, ignores them), so a gauge closed
// by someone else never leaves them holding a deleted object. The thread
// object lives until both its thread has ended and its starter has called
// Close: the starter's pointer stays valid up to Close whatever happens to
// the gauge.
class CGaugeThread : public CWinThread {
    DECLARE_DYNCREATE(CGaugeThread)
public:
    CGaugeThread() = default;
    BOOL InitInstance() override;
    int ExitInstance() override;
    void Delete() override;

    // The start is over: the gauge window is up (GetGaugeWindow), or it
    // could not be created and the thread has ended.
    BOOL IsStarted() const { return m_bStarted.load(); }
    HWND GetGaugeWindow() const { return m_hWndGauge.load(); }
    void SetCaption(LPCTSTR lpszText);
    void SetTitle(UINT nID);
    void SetText(LPCTSTR lpszText);
    void SetTextById(UINT nID);
    void SetPathText(LPCTSTR lpszText);
    void SetRange(int n);
    void SetPos(int n);
    void StepIt(int n);
    void ShowButton(BOOL bEnable);
    void SetCancelFlag(int* pFlag);
    void SetConfirmCancel(BOOL bConfirm);
    void SetNotifyWindow(HWND hWnd);
    void SetGaugeOwner(CWnd* pOwner);
    BOOL IsCancelPending() const;
    void PostBringToFront();
    // Closes the gauge (the destroy request; the gauge forgets the cancel
    // flag first, so the caller's flag is never written after this) and
    // lets go of the object: the pointer must not be used afterwards.
    void Close();

private:
    LRESULT SendToGauge(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void Release();
    CGauge* m_pGauge = nullptr; // the gauge thread's own
    std::atomic<HWND> m_hWndGauge{nullptr};
    std::atomic<HWND> m_hWndNotify{nullptr};
    std::atomic<BOOL> m_bStarted{FALSE};
    std::atomic<int> m_nOwners{2}; // the thread and the starter
};

// Starts a progress window on a thread of its own and waits, handling the
// calling thread's messages, until its start is over. The gauge (the caller
// ends it with Close), or null when no thread could be started.
CGaugeThread* StartProgressGauge();

class CWaiting;

class CWaitMiniDialog : public CDialog {
    DECLARE_DYNAMIC(CWaitMiniDialog)
public:
    CWaitMiniDialog();
    BOOL Create(CWnd* pParent);
    void SetCaption(LPCTSTR lpszText);

    CString m_strCaption;
    std::atomic<BOOL> m_bWindowExists{FALSE};
    CAnimateCtrl m_animation;
    // Set to the window once it is initialised (read by the starter).
    std::atomic<HWND>* m_pReady = nullptr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    void OnDestroy();
    void OnClose();
    void OnCancel() override {}
    void OnOK() override {}
    DECLARE_MESSAGE_MAP()
};

// A "Wait..." window on a thread of its own, shown and hidden by a
// counter: it shows when the counter rises from 0 and hides when it falls
// back to 0.
class CWaiting {
public:
    CWaiting(CWnd* pOwner, LPCTSTR lpszText);
    CWaiting(CWnd* pOwner, UINT nTextID = 0);
    virtual ~CWaiting();
    CWaiting(const CWaiting&) = delete;
    CWaiting& operator=(const CWaiting&) = delete;

    virtual void Show(BOOL bShow = TRUE) { ShowEx(bShow, FALSE); }
    virtual void ShowEx(BOOL bShow, BOOL bFlag);
    virtual void SetTextById(UINT nID);
    virtual void SetText(LPCTSTR lpszText);
    virtual void GetText(CString& text) const;
    virtual void Hide() { Show(FALSE); }
    virtual void SetHideDelay(int ms) { m_nHideDelay = ms; }
    // A hide, then the window is hidden once more after the hide delay
    // (whatever the counter is by then).
    virtual void HideDelayed();
    virtual BOOL IsVisible() const;
    virtual void SendToBack();

    HWND GetWindow() const { return m_hWndWait.load(); }
    int GetCount() const;

private:
    BOOL StartWindow(LPCTSTR lpszText);
    static UINT __cdecl HideThreadProc(LPVOID pParam);
    void RunDelayedHide();

    std::atomic<HWND> m_hWndWait{nullptr};
    HWND m_hWndOwner = nullptr;
    int m_nCount = 0;
    BOOL m_bEnding = FALSE;
    // Delayed hides started and not yet finished: the destructor waits
    // for all of them.
    int m_nHideThreads = 0;
    int m_nHideDelay = 100;
    mutable CCriticalSection m_lock;
};

// Sets the text colour of a CTextProgressCtrl (lParam); the previous one.
const UINT PBM_SETTEXTCOLOUR = WM_USER + 100;
// Shows (wParam 1) or hides (0) the text of a CTextProgressCtrl.
const UINT PBM_SETSHOWTEXT = WM_USER + 101;

class CTextProgressCtrl : public CProgressCtrl {
    DECLARE_DYNAMIC(CTextProgressCtrl)
public:
    CTextProgressCtrl() = default;

    COLORREF SetBarColour(COLORREF clr) { return static_cast<COLORREF>(SendMessage(PBM_SETBARCOLOR, 0, clr)); }
    COLORREF SetBkColour(COLORREF clr) { return static_cast<COLORREF>(SendMessage(CCM_SETBKCOLOR, 0, clr)); }
    COLORREF SetTextColour(COLORREF clr) { return static_cast<COLORREF>(SendMessage(PBM_SETTEXTCOLOUR, 0, clr)); }
    void SetShowText(BOOL bShow) { SendMessage(PBM_SETSHOWTEXT, bShow); }

    // Draws the control into dc (client coordinates); nothing when the
    // range is empty.
    void Draw(CDC* pDC);
    // How often the bar has been redrawn because its width changed.
    int GetRedrawCount() const { return m_nRedraws; }
    // Where the position lies in the range, 0 to 1 (0 for an empty range).
    double GetFraction() const;

    COLORREF m_clrText = CLR_DEFAULT;
    int m_nPos = 0;
    int m_nStep = 1;
    int m_nMax = 100;
    int m_nMin = 0;
    CString m_strText;
    BOOL m_bShowText = TRUE;
    int m_nBarWidth = -1;
    COLORREF m_clrBar = CLR_DEFAULT;
    COLORREF m_clrBk = CLR_DEFAULT;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT SetPosition(int nPos);
    void Repaint();
    int m_nRedraws = 0;
};
