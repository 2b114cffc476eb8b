#include "ui/progress.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "foundation/logline.h"
#include "foundation/winutil.h"
#include "framework/app.h"
#include "framework/prompt.h"
#include "ui/dialogthread.h"
#include "ui/toolkit_resource.h"
#include "ui/userdialog.h"

namespace {

// The forwarders' requests to a gauge (its own thread handles them).
enum : UINT {
    WM_GAUGE_SET_CAPTION = WM_APP + 0x230, // lParam text
    WM_GAUGE_SET_TEXT,                     // wParam 1: a path to fit; lParam text
    WM_GAUGE_SET_RANGE,                    // wParam n
    WM_GAUGE_SET_POS,                      // wParam n
    WM_GAUGE_STEP,                         // wParam n
    WM_GAUGE_SHOW_BUTTON,                  // wParam enable
    WM_GAUGE_SET_CANCEL_FLAG,              // lParam int*
    WM_GAUGE_SET_CONFIRM,                  // wParam confirm
    WM_GAUGE_SET_NOTIFY,                   // lParam window
    WM_GAUGE_IS_CANCEL_PENDING,            // answers the flag
};

const UINT_PTR DEFERRED_CLOSE_TIMER = 1;
const UINT DEFERRED_CLOSE_DELAY_MS = 25;
const DWORD WAIT_WINDOW_START_LIMIT_MS = 10000;

HWND MainWindowHandle()
{
    return GetMainWindowHandle();
}

} // namespace

// --- CGauge ---------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CGauge, CDialog)

BEGIN_MESSAGE_MAP(CGauge, CDialog)
ON_MESSAGE(WM_TOOL_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_GAUGE_TO_FRONT, OnBringToFront)
ON_BN_CLICKED(IDC_GAUGE_CANCEL, OnCancelButton)
ON_WM_TIMER()
END_MESSAGE_MAP()

CGauge::CGauge(CWnd* pParent) : CDialog(IDD_GAUGE, pParent) {}

BOOL CGauge::Create(CWnd* pParent)
{
    return CDialog::Create(IDD_GAUGE, pParent);
}

void CGauge::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GAUGE_TEXT, m_text);
    DDX_Control(pDX, IDC_GAUGE_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_GAUGE_CANCEL, m_cancel);
}

BOOL CGauge::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_strCaption.IsEmpty())
        SetWindowText(m_strCaption);
    if (!m_strText.IsEmpty())
        m_text.SetWindowText(m_strText);
    m_progress.SetRange32(0, 100);
    m_progress.SetStep(1);
    m_progress.SetPos(0);
    m_cancel.EnableWindow(FALSE);
    ShowWindow(SW_SHOW);
    if (HWND hWndMain = MainWindowHandle())
        ::PostMessageA(hWndMain, WM_SETFOCUS, 0, 0);
    m_bWindowExists = TRUE;
    return TRUE;
}

LRESULT CGauge::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto text = reinterpret_cast<LPCTSTR>(lParam);
    const int n = static_cast<int>(wParam);
    switch (message) {
    case WM_GAUGE_SET_CAPTION:
        SetCaption(text);
        return 0;
    case WM_GAUGE_SET_TEXT:
        if (wParam)
            SetPathText(text);
        else
            SetText(text);
        return 0;
    case WM_GAUGE_SET_RANGE:
        SetRange(n);
        return 0;
    case WM_GAUGE_SET_POS:
        SetPos(n);
        return 0;
    case WM_GAUGE_STEP:
        StepIt(n);
        return 0;
    case WM_GAUGE_SHOW_BUTTON:
        ShowCancelButton(wParam != 0, FALSE);
        return 0;
    case WM_GAUGE_SET_CANCEL_FLAG:
        m_pCancelFlag = reinterpret_cast<int*>(lParam);
        return 0;
    case WM_GAUGE_SET_CONFIRM:
        m_bConfirmCancel = wParam != 0;
        return 0;
    case WM_GAUGE_SET_NOTIFY:
        m_hWndNotify = reinterpret_cast<HWND>(lParam);
        return 0;
    case WM_GAUGE_IS_CANCEL_PENDING:
        return m_bCancelPending.load();
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

void CGauge::SetCaption(LPCTSTR lpszText)
{
    if (!lpszText)
        return;
    m_strCaption = lpszText;
    if (m_bWindowExists)
        SetWindowText(m_strCaption);
}

void CGauge::SetTitle(UINT nID)
{
    SetCaption(LoadStringOr(nID));
}

void CGauge::SetText(LPCTSTR lpszText)
{
    if (!lpszText)
        return;
    m_strText = lpszText;
    if (m_bWindowExists)
        m_text.SetWindowText(m_strText);
}

void CGauge::SetTextById(UINT nID)
{
    SetText(LoadStringOr(nID));
}

void CGauge::SetPathText(LPCTSTR lpszText)
{
    if (!lpszText)
        return;
    CString text(lpszText);
    if (m_bWindowExists) {
        CRect rect;
        m_text.GetClientRect(&rect);
        HDC hDC = ::GetDC(m_text.m_hWnd);
        HGDIOBJ hOldFont = ::SelectObject(hDC, reinterpret_cast<HGDIOBJ>(m_text.SendMessage(WM_GETFONT)));
        text = CompactPathToWidth(hDC, lpszText, rect.Width());
        ::SelectObject(hDC, hOldFont);
        ::ReleaseDC(m_text.m_hWnd, hDC);
    }
    SetText(text);
}

void CGauge::SetRange(int n)
{
    if (!m_bWindowExists)
        return;
    m_progress.SetRange32(0, n < 1 ? 1 : n);
    m_progress.SetStep(1);
    m_progress.SetPos(0);
}

void CGauge::SetPos(int n)
{
    if (m_bWindowExists)
        m_progress.SetPos(n);
}

void CGauge::StepIt(int n)
{
    if (!m_bWindowExists || n <= 0)
        return;
    for (int i = 0; i < n; ++i)
        m_progress.StepIt();
    RedrawWindow();
}

void CGauge::ShowCancelButton(BOOL bEnable, BOOL bShowDisabled)
{
    if (!m_bWindowExists)
        return;
    m_cancel.EnableWindow(bEnable);
    m_cancel.ShowWindow(bEnable || bShowDisabled ? SW_SHOW : SW_HIDE);
}

void CGauge::SetCancelFlag(int* pFlag, BOOL bShowDisabled)
{
    m_pCancelFlag = pFlag;
    ShowCancelButton(pFlag != nullptr, bShowDisabled);
}

void CGauge::OnCancelButton()
{
    m_bCancelPending = TRUE;
    if (m_bConfirmCancel) {
        const CString caption = LoadStringOr(IDS_WARNING, "Warning");
        const CString text = LoadStringOr(IDS_ABORT_PROCESS, "This will abort the current process\n\nAre you sure?");
        const int result =
            AfxGetPromptService().Prompt(nullptr, text, caption, MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING);
        if (result != IDYES) {
            m_bCancelPending = FALSE;
            return;
        }
    }
    if (m_hWndNotify && ::IsWindow(m_hWndNotify))
        ::PostMessageA(m_hWndNotify, WM_GAUGE_CANCELLED, 0, 0);
    if (m_pCancelFlag)
        *m_pCancelFlag = 1;
    m_bCancelPending = FALSE;
}

LRESULT CGauge::OnDestroyRequest(WPARAM wParam, LPARAM lParam)
{
    CString line;
    line.Format("Destroy window request \"Gauge\" (%d)", m_bCancelPending ? 1 : 0);
    GlobalLogLine(line, LOG_DESTROY_REQUESTS);
    if (m_bCancelPending) {
        // The confirmation is still open: ask again after a short delay
        // rather than spinning through the modal loop's queue.
        m_deferredWParam = wParam;
        m_deferredLParam = lParam;
        SetTimer(DEFERRED_CLOSE_TIMER, DEFERRED_CLOSE_DELAY_MS);
        return 0;
    }
    m_bWindowExists = FALSE;
    DestroyWindow();
    ::PostQuitMessage(0);
    return 0;
}

void CGauge::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != DEFERRED_CLOSE_TIMER) {
        CDialog::OnTimer(nIDEvent);
        return;
    }
    KillTimer(DEFERRED_CLOSE_TIMER);
    PostMessage(WM_TOOL_DESTROY_REQUEST, m_deferredWParam, m_deferredLParam);
}

LRESULT CGauge::OnBringToFront(WPARAM, LPARAM)
{
    ::SetForegroundWindow(m_hWnd);
    return 0;
}

// --- CGaugeThread -------------------------------------------------------------

IMPLEMENT_DYNCREATE(CGaugeThread, CWinThread)

CGaugeThread* StartProgressGauge()
{
    auto* gauge = static_cast<CGaugeThread*>(
        AfxBeginThread(RUNTIME_CLASS(CGaugeThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    if (!gauge)
        return nullptr;
    gauge->ResumeThread();
    while (!gauge->IsStarted()) {
        if (!AfxPumpMessages())
            break;
        ::Sleep(1);
    }
    return gauge;
}

BOOL CGaugeThread::InitInstance()
{
    m_pGauge = new CGauge;
    const HWND hWndNotify = m_hWndNotify.load();
    m_pGauge->m_hWndNotify = hWndNotify;
    const HWND hWndParent = hWndNotify ? hWndNotify : MainWindowHandle();
    if (!m_pGauge->Create(m_pGauge->KeepParentHandle(hWndParent))) {
        // No window: nothing would ever end this thread's loop.
        GlobalLogLine("The progress window could not be created: " + CWnd::GetLastCreateError(), LOG_WINDOW_REGISTRATION);
        delete m_pGauge;
        m_pGauge = nullptr;
        m_bStarted = TRUE;
        return FALSE;
    }
    // The thread ends with its gauge, however the window goes.
    m_pMainWnd = m_pGauge;
    m_hWndGauge = m_pGauge->m_hWnd;
    m_bStarted = TRUE;
    return TRUE;
}

int CGaugeThread::ExitInstance()
{
    m_hWndGauge = nullptr;
    if (m_pGauge) {
        m_pGauge->m_bWindowExists = FALSE;
        if (m_pGauge->m_hWnd)
            m_pGauge->DestroyWindow();
        delete m_pGauge;
        m_pGauge = nullptr;
    }
    m_pMainWnd = nullptr;
    return CWinThread::ExitInstance();
}

void CGaugeThread::Delete()
{
    Release();
}

void CGaugeThread::Release()
{
    if (--m_nOwners == 0)
        CWinThread::Delete();
}

LRESULT CGaugeThread::SendToGauge(UINT message, WPARAM wParam, LPARAM lParam) const
{
    // Sent, so a text lives as long as the gauge reads it; the gauge's
    // thread answers even while its Cancel question is open.
    const HWND hWnd = m_hWndGauge.load();
    return hWnd ? ::SendMessageA(hWnd, message, wParam, lParam) : 0;
}

void CGaugeThread::SetCaption(LPCTSTR lpszText)
{
    if (lpszText)
        SendToGauge(WM_GAUGE_SET_CAPTION, 0, reinterpret_cast<LPARAM>(lpszText));
}

void CGaugeThread::SetTitle(UINT nID)
{
    SetCaption(LoadStringOr(nID));
}

void CGaugeThread::SetText(LPCTSTR lpszText)
{
    if (lpszText)
        SendToGauge(WM_GAUGE_SET_TEXT, 0, reinterpret_cast<LPARAM>(lpszText));
}

void CGaugeThread::SetTextById(UINT nID)
{
    SetText(LoadStringOr(nID));
}

void CGaugeThread::SetPathText(LPCTSTR lpszText)
{
    if (lpszText)
        SendToGauge(WM_GAUGE_SET_TEXT, 1, reinterpret_cast<LPARAM>(lpszText));
}

void CGaugeThread::SetRange(int n)
{
    SendToGauge(WM_GAUGE_SET_RANGE, static_cast<WPARAM>(n));
}

void CGaugeThread::SetPos(int n)
{
    SendToGauge(WM_GAUGE_SET_POS, static_cast<WPARAM>(n));
}

void CGaugeThread::StepIt(int n)
{
    SendToGauge(WM_GAUGE_STEP, static_cast<WPARAM>(n));
}

void CGaugeThread::ShowButton(BOOL bEnable)
{
    SendToGauge(WM_GAUGE_SHOW_BUTTON, bEnable ? 1 : 0);
}

void CGaugeThread::SetCancelFlag(int* pFlag)
{
    SendToGauge(WM_GAUGE_SET_CANCEL_FLAG, 0, reinterpret_cast<LPARAM>(pFlag));
}

void CGaugeThread::SetConfirmCancel(BOOL bConfirm)
{
    SendToGauge(WM_GAUGE_SET_CONFIRM, bConfirm ? 1 : 0);
}

void CGaugeThread::SetNotifyWindow(HWND hWnd)
{
    m_hWndNotify = hWnd;
    SendToGauge(WM_GAUGE_SET_NOTIFY, 0, reinterpret_cast<LPARAM>(hWnd));
}

void CGaugeThread::SetGaugeOwner(CWnd* pOwner)
{
    if (HWND hWnd = m_hWndGauge.load())
        ::SetWindowLongPtrA(hWnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(pOwner ? pOwner->m_hWnd : nullptr));
}

BOOL CGaugeThread::IsCancelPending() const
{
    return SendToGauge(WM_GAUGE_IS_CANCEL_PENDING) != 0;
}

void CGaugeThread::PostBringToFront()
{
    HWND hWnd = m_hWndGauge.load();
    if (hWnd && ::IsWindow(hWnd))
        ::PostMessageA(hWnd, WM_GAUGE_TO_FRONT, 0, 0);
}

void CGaugeThread::Close()
{
    SendToGauge(WM_GAUGE_SET_CANCEL_FLAG, 0, 0);
    SendToGauge(WM_TOOL_DESTROY_REQUEST);
    Release();
}

// --- CWaitMiniDialog ----------------------------------------------------------

IMPLEMENT_DYNAMIC(CWaitMiniDialog, CDialog)

BEGIN_MESSAGE_MAP(CWaitMiniDialog, CDialog)
ON_WM_DESTROY()
ON_WM_CLOSE()
END_MESSAGE_MAP()

CWaitMiniDialog::CWaitMiniDialog() : CDialog(IDD_WAIT_MINI_DIALOG) {}

BOOL CWaitMiniDialog::Create(CWnd* pParent)
{
    return CDialog::Create(IDD_WAIT_MINI_DIALOG, pParent);
}

void CWaitMiniDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WAIT_ANIMATION, m_animation);
}

void CWaitMiniDialog::SetCaption(LPCTSTR lpszText)
{
    m_strCaption = lpszText ? lpszText : "";
    if (m_bWindowExists)
        SetWindowText(m_strCaption);
}

BOOL CWaitMiniDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The clip is optional: a program without it shows the window alone.
    if (m_animation.Open(IDR_WAIT_ANIMATION))
        m_animation.Play(0, static_cast<UINT>(-1), static_cast<UINT>(-1));
    SetWindowText(m_strCaption);
    m_bWindowExists = TRUE;
    if (m_pReady)
        m_pReady->store(m_hWnd);
    return TRUE;
}

void CWaitMiniDialog::OnDestroy()
{
    m_bWindowExists = FALSE;
    if (m_animation.m_hWnd)
        m_animation.Stop();
    CDialog::OnDestroy();
}

void CWaitMiniDialog::OnClose()
{
    DestroyWindow();
}

void CWaitMiniDialog::PostNcDestroy()
{
    ::PostQuitMessage(0);
    delete this;
}

// --- CWaiting -------------------------------------------------------------------

CWaiting::CWaiting(CWnd* pOwner, LPCTSTR lpszText)
{
    m_hWndOwner = pOwner ? pOwner->m_hWnd : nullptr;
    StartWindow(lpszText);
}

CWaiting::CWaiting(CWnd* pOwner, UINT nTextID)
{
    m_hWndOwner = pOwner ? pOwner->m_hWnd : nullptr;
    const CString text = nTextID ? LoadStringOr(nTextID) : CString();
    StartWindow(text.IsEmpty() ? nullptr : text.GetString());
}

BOOL CWaiting::StartWindow(LPCTSTR lpszText)
{
    m_nCount = 0;
    m_bEnding = FALSE;
    m_nHideThreads = 0;
    m_nHideDelay = 100;
    if (!m_hWndOwner)
        m_hWndOwner = MainWindowHandle();
    auto* pDialog = new (std::nothrow) CWaitMiniDialog;
    if (!pDialog)
        return FALSE;
    pDialog->SetCaption(lpszText ? lpszText : LoadStringOr(IDS_WAITING, "Waiting").GetString());
    pDialog->m_pReady = &m_hWndWait;
    HANDLE hThread = nullptr;
    if (!StartDialogThread(pDialog, IDD_WAIT_MINI_DIALOG, m_hWndOwner, &hThread)) {
        delete pDialog;
        return FALSE;
    }
    // Keep this thread's messages flowing (the owner may be ours) until the
    // window exists or its thread gave up.
    const DWORD start = ::GetTickCount();
    while (!m_hWndWait.load()) {
        if (::WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0)
            break;
        if (::GetTickCount() - start > WAIT_WINDOW_START_LIMIT_MS)
            break;
        if (!PumpWaitingMessages())
            ::Sleep(1);
    }
    ::CloseHandle(hThread);
    return m_hWndWait.load() != nullptr;
}

CWaiting::~CWaiting()
{
    {
        CSingleLock lock(&m_lock, TRUE);
        m_bEnding = TRUE;
    }
    for (;;) {
        {
            CSingleLock lock(&m_lock, TRUE);
            if (m_nHideThreads == 0)
                break;
        }
        ::Sleep(10);
    }
    HWND hWnd = m_hWndWait.exchange(nullptr);
    if (hWnd && ::IsWindow(hWnd))
        ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
}

void CWaiting::ShowEx(BOOL bShow, BOOL)
{
    if (!m_hWndOwner || !::IsWindow(m_hWndOwner))
        m_hWndOwner = MainWindowHandle();
    HWND hWnd = m_hWndWait.load();
    if (!hWnd || !m_hWndOwner)
        return;
    if (bShow) {
        if (::IsWindow(m_hWndOwner)) {
            RECT owner, wait;
            ::GetWindowRect(m_hWndOwner, &owner);
            ::GetWindowRect(hWnd, &wait);
            const int width = wait.right - wait.left;
            const int height = wait.bottom - wait.top;
            const int left = owner.left + ((owner.right - owner.left) - width) / 2;
            const int top = owner.top + ((owner.bottom - owner.top) - height) / 2;
            ::MoveWindow(hWnd, left, top, width, height, TRUE);
        }
        CSingleLock lock(&m_lock, TRUE);
        if (m_nCount == 0 && m_nHideThreads == 0)
            ::ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        ++m_nCount;
        return;
    }
    BOOL hidden = FALSE;
    {
        CSingleLock lock(&m_lock, TRUE);
        if (m_nCount >= 1)
            --m_nCount;
        else
            m_nCount = 0;
        if (m_nCount == 0) {
            ::ShowWindow(hWnd, SW_HIDE);
            hidden = TRUE;
        }
    }
    if (hidden && ::IsWindow(m_hWndOwner))
        ::PostMessageA(m_hWndOwner, WM_SHOWWINDOW, 1, 0);
}

void CWaiting::SetText(LPCTSTR lpszText)
{
    HWND hWnd = m_hWndWait.load();
    if (lpszText && hWnd)
        ::SetWindowTextA(hWnd, lpszText);
}

void CWaiting::SetTextById(UINT nID)
{
    SetText(LoadStringOr(nID));
}

void CWaiting::GetText(CString& text) const
{
    text.Empty();
    if (HWND hWnd = m_hWndWait.load()) {
        char buffer[256] = {};
        ::GetWindowTextA(hWnd, buffer, sizeof(buffer));
        text = buffer;
    }
}

void CWaiting::HideDelayed()
{
    ShowEx(FALSE, TRUE);
    {
        CSingleLock lock(&m_lock, TRUE);
        if (m_bEnding || !m_hWndWait.load())
            return;
        ++m_nHideThreads;
    }
    if (!AfxBeginThread(HideThreadProc, this)) {
        CSingleLock lock(&m_lock, TRUE);
        --m_nHideThreads;
    }
}

UINT __cdecl CWaiting::HideThreadProc(LPVOID pParam)
{
    static_cast<CWaiting*>(pParam)->RunDelayedHide();
    return 0;
}

void CWaiting::RunDelayedHide()
{
    int delay = 0;
    {
        CSingleLock lock(&m_lock, TRUE);
        delay = m_nHideDelay;
    }
    int slices = delay / 25 + (delay % 25 ? 1 : 0);
    for (;;) {
        {
            CSingleLock lock(&m_lock, TRUE);
            if (m_bEnding || slices <= 0)
                break;
        }
        ::Sleep(25);
        --slices;
    }
    CSingleLock lock(&m_lock, TRUE);
    HWND hWnd = m_hWndWait.load();
    if (m_nCount >= 0 && hWnd && !m_bEnding)
        ::ShowWindow(hWnd, SW_HIDE);
    // The last thing this thread touches: the destructor may run after.
    --m_nHideThreads;
}

BOOL CWaiting::IsVisible() const
{
    HWND hWnd = m_hWndWait.load();
    return hWnd && ::IsWindowVisible(hWnd);
}

void CWaiting::SendToBack()
{
    if (HWND hWnd = m_hWndWait.load())
        ::SetWindowPos(hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int CWaiting::GetCount() const
{
    CSingleLock lock(&m_lock, TRUE);
    return m_nCount;
}

// --- CTextProgressCtrl -------------------------------------------------------

IMPLEMENT_DYNAMIC(CTextProgressCtrl, CProgressCtrl)

namespace {

// a + b, held at the ends of int instead of wrapping.
int SaturatedSum(int a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    return static_cast<int>(std::clamp<long long>(sum, INT_MIN, INT_MAX));
}

} // namespace

LRESULT CTextProgressCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case PBM_SETRANGE:
        m_nMin = static_cast<short>(LOWORD(lParam));
        m_nMax = static_cast<short>(HIWORD(lParam));
        return 0;
    case PBM_SETRANGE32:
        m_nMin = static_cast<int>(wParam);
        m_nMax = static_cast<int>(lParam);
        return 0;
    case PBM_GETRANGE:
        if (lParam) {
            auto* range = reinterpret_cast<PBRANGE*>(lParam);
            range->iLow = m_nMin;
            range->iHigh = m_nMax;
        }
        return wParam ? m_nMin : m_nMax;
    case PBM_SETPOS:
        return SetPosition(static_cast<int>(wParam));
    case PBM_DELTAPOS:
        return SetPosition(SaturatedSum(m_nPos, static_cast<int>(wParam)));
    case PBM_SETSTEP: {
        const int old = m_nStep;
        m_nStep = static_cast<int>(wParam);
        return old;
    }
    case PBM_STEPIT:
        return SetPosition(SaturatedSum(m_nPos, m_nStep));
    case PBM_GETPOS:
        return m_nPos;
    case PBM_SETBARCOLOR: {
        const COLORREF old = m_clrBar;
        m_clrBar = static_cast<COLORREF>(lParam);
        Repaint();
        return old;
    }
    case CCM_SETBKCOLOR: {
        const COLORREF old = m_clrBk;
        m_clrBk = static_cast<COLORREF>(lParam);
        Repaint();
        return old;
    }
    case PBM_SETTEXTCOLOUR: {
        const COLORREF old = m_clrText;
        m_clrText = static_cast<COLORREF>(lParam);
        Repaint();
        return old;
    }
    case PBM_SETSHOWTEXT: {
        const BOOL show = wParam ? TRUE : FALSE;
        if (show != m_bShowText) {
            m_bShowText = show;
            Repaint();
        }
        return 0;
    }
    case WM_SETTEXT: {
        const LRESULT result = CProgressCtrl::WindowProc(message, wParam, lParam);
        const CString text(reinterpret_cast<LPCSTR>(lParam));
        if (text != m_strText) {
            m_strText = text;
            Repaint();
        }
        return result;
    }
    case WM_GETTEXT: {
        // At most wParam - 1 characters and a NUL; the count copied.
        if (wParam == 0 || !lParam)
            return 0;
        const int count = std::min(static_cast<int>(wParam) - 1, m_strText.GetLength());
        auto* buffer = reinterpret_cast<char*>(lParam);
        memcpy(buffer, m_strText.GetString(), static_cast<size_t>(count));
        buffer[count] = '\0';
        return count;
    }
    case WM_GETTEXTLENGTH:
        return m_strText.GetLength();
    case WM_SIZE: {
        const LRESULT result = CProgressCtrl::WindowProc(message, wParam, lParam);
        m_nBarWidth = -1;
        return result;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hDC = ::BeginPaint(m_hWnd, &ps);
        if (m_nMin < m_nMax) {
            CDC dc;
            dc.Attach(hDC);
            {
                CRect client;
                GetClientRect(&client);
                CMemDC memDC(&dc, &client);
                Draw(&memDC);
            }
            dc.Detach();
        }
        ::EndPaint(m_hWnd, &ps);
        return 0;
    }
    default:
        return CProgressCtrl::WindowProc(message, wParam, lParam);
    }
}

LRESULT CTextProgressCtrl::SetPosition(int nPos)
{
    if (!m_hWnd)
        return -1;
    const int old = m_nPos;
    m_nPos = nPos;
    // An empty range has no bar to place.
    if (m_nMin >= m_nMax)
        return old;
    CRect client;
    GetClientRect(&client);
    const int width = static_cast<int>(GetFraction() * client.Width());
    if (width != m_nBarWidth) {
        m_nBarWidth = width;
        ++m_nRedraws;
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    return old;
}

double CTextProgressCtrl::GetFraction() const
{
    if (m_nMin >= m_nMax)
        return 0.0;
    // In doubles: the span of a wide range does not fit an int.
    const double f = (static_cast<double>(m_nPos) - m_nMin) / (static_cast<double>(m_nMax) - m_nMin);
    return std::clamp(f, 0.0, 1.0);
}

void CTextProgressCtrl::Repaint()
{
    if (m_hWnd)
        Invalidate();
}

void CTextProgressCtrl::Draw(CDC* pDC)
{
    if (m_nMin >= m_nMax)
        return;
    const COLORREF bar = m_clrBar == CLR_DEFAULT ? ::GetSysColor(COLOR_HIGHLIGHT) : m_clrBar;
    const COLORREF bk = m_clrBk == CLR_DEFAULT ? ::GetSysColor(COLOR_WINDOW) : m_clrBk;
    const double f = GetFraction();

    CRect client;
    GetClientRect(&client);
    HFONT hFont = nullptr;
    if (HWND hParent = ::GetParent(m_hWnd))
        hFont = reinterpret_cast<HFONT>(::SendMessageA(hParent, WM_GETFONT, 0, 0));
    HGDIOBJ hOldFont = hFont ? ::SelectObject(pDC->m_hDC, hFont) : nullptr;

    CRect barRect = client;
    CRect restRect = client;
    const BOOL vertical = (GetStyle() & PBS_VERTICAL) != 0;
    if (vertical) {
        barRect.top = client.bottom - static_cast<int>(client.Height() * f);
        restRect.bottom = barRect.top;
    } else {
        barRect.right = client.left + static_cast<int>(client.Width() * f);
        restRect.left = barRect.right;
    }
    pDC->FillSolidRect(&barRect, bar);
    pDC->FillSolidRect(&restRect, bk);

    if (!vertical && m_bShowText) {
        CString text = m_strText;
        if (text.IsEmpty())
            text.Format("%d%%", static_cast<int>(f * 100));
        pDC->SetBkMode(TRANSPARENT);
        const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        CRgn region;
        region.CreateRectRgnIndirect(&barRect);
        pDC->SelectClipRgn(&region);
        pDC->SetTextColor(m_clrText == CLR_DEFAULT ? bk : m_clrText);
        CRect textRect = client;
        pDC->DrawText(text, &textRect, format);
        region.SetRectRgn(&restRect);
        pDC->SelectClipRgn(&region);
        pDC->SetTextColor(m_clrText == CLR_DEFAULT ? bar : m_clrText);
        textRect = client;
        pDC->DrawText(text, &textRect, format);
        pDC->SelectClipRgn(nullptr);
    }
    if (hOldFont)
        ::SelectObject(pDC->m_hDC, hOldFont);
}
