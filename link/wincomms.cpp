#include "link/wincomms.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/logfile.h"
#include "foundation/winutil.h"
#include "framework/clock.h"
#include "framework/thread.h"
#include "framework/wnd.h"

namespace {

const DWORD kOpenWaitMs = 10000;
const DWORD kThreadEndWaitMs = 5000;

void WriteTargetValue(LPCSTR program, LPCSTR value, LPCSTR text)
{
    const std::string path = std::string(WIN_TARGETS_KEY) + "\\" + program;
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>(std::strlen(text) + 1));
    ::RegCloseKey(key);
}

unsigned long HandleBits(HWND window)
{
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window) & 0xFFFFFFFFu);
}

} // namespace

CString ReadTargetValue(LPCSTR program, LPCSTR value)
{
    const std::string path = std::string(WIN_TARGETS_KEY) + "\\" + program;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return CString();
    char text[256] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    const LONG result = ::RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return CString();
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    return text;
}

UINT VexoLinkMessage()
{
    static const UINT message = ::RegisterWindowMessageA("Vexo_Link_Message");
    return message;
}

UINT VexoAllowCopyDataMessage()
{
    static const UINT message = ::RegisterWindowMessageA("Vexo_Allow_CopyData_Comms_Message");
    return message;
}

LPARAM PackLinkBytes(const BYTE* bytes, int count)
{
    DWORD packed = 0;
    for (int n = 0; n < count && n < 4; ++n)
        packed |= static_cast<DWORD>(bytes[n]) << (8 * n);
    return static_cast<LPARAM>(packed);
}

int UnpackLinkBytes(WPARAM count, LPARAM packed, BYTE bytes[4])
{
    if (count < 1 || count > 4)
        return 0;
    const DWORD value = static_cast<DWORD>(packed);
    for (WPARAM n = 0; n < count; ++n)
        bytes[n] = static_cast<BYTE>(value >> (8 * n));
    return static_cast<int>(count);
}

int StripFlowControl(BYTE* bytes, int count, bool& hold)
{
    int kept = 0;
    for (int n = 0; n < count; ++n) {
        if (bytes[n] == DC1)
            hold = false;
        else if (bytes[n] == DC3)
            hold = true;
        else
            bytes[kept++] = bytes[n];
    }
    return kept;
}

// The receive window: hands what the simulator sends to its link.
class CRxWnd : public CWnd {
public:
    explicit CRxWnd(CWinComms* link) : m_pLink(link)
    {
        GlobalLogFormat(LOG_SIMULATOR_LINK, "Vexo_Link_Message (RxWnd) = %u", VexoLinkMessage());
    }

protected:
    int OnCreate(LPCREATESTRUCT create)
    {
        if (CWnd::OnCreate(create) == -1)
            return -1;
        SetWindowText(RX_WINDOW_TITLE);
        WriteTargetValue("Vorta", "CommsWindow", RX_WINDOW_TITLE);
        m_pLink->m_bDirect = true;
        SetTimer(kTargetCheckTimer, WIN_COMMS_TARGET_CHECK_MS, nullptr);
        return 0;
    }
    void OnTimer(UINT_PTR id)
    {
        if (id == kTargetCheckTimer)
            m_pLink->CheckTarget();
    }
    LRESULT OnLinkMessage(WPARAM wParam, LPARAM lParam)
    {
        BYTE bytes[4];
        const int count = UnpackLinkBytes(wParam, lParam, bytes);
        if (count == 0)
            return 0;
        GetGlobalLog().LogData("RxRaw: ", bytes, count, LOG_LINK);
        return m_pLink->ProcessReceived(count, bytes) ? 1 : 0;
    }
    LRESULT OnAllowCopyData(WPARAM, LPARAM) { return 1; }
    BOOL OnCopyData(CWnd*, COPYDATASTRUCT* block)
    {
        // A block longer than a count can hold is refused, never cut.
        if (!block || (block->cbData > 0 && !block->lpData) || block->cbData > 0x7FFFFFFF)
            return FALSE;
        return m_pLink->ProcessReceived(static_cast<int>(block->cbData), static_cast<const BYTE*>(block->lpData))
                   ? TRUE
                   : FALSE;
    }
    LRESULT OnGetObject(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(this); }
    LRESULT OnDestroyRequest(WPARAM, LPARAM)
    {
        GlobalLogLine("Destroy window request \"RxWnd\"", LOG_DESTROY_REQUESTS);
        DestroyWindow();
        return 0;
    }
    void OnDestroy()
    {
        KillTimer(kTargetCheckTimer);
        CWnd::OnDestroy();
        ::PostQuitMessage(0);
    }

private:
    static const UINT_PTR kTargetCheckTimer = 1;
    CWinComms* m_pLink;

    DECLARE_MESSAGE_MAP()
};

namespace {
UINT g_linkMessage = VexoLinkMessage();
UINT g_allowMessage = VexoAllowCopyDataMessage();
} // namespace

BEGIN_MESSAGE_MAP(CRxWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_TIMER()
ON_WM_COPYDATA()
ON_REGISTERED_MESSAGE(g_linkMessage, OnLinkMessage)
ON_REGISTERED_MESSAGE(g_allowMessage, OnAllowCopyData)
ON_MESSAGE(WM_VEXO_GET_WINDOW_OBJECT, OnGetObject)
ON_MESSAGE(WM_VEXO_DESTROY_WINDOW, OnDestroyRequest)
END_MESSAGE_MAP()

// The receive window's user-interface thread; it owns the window object,
// which outlives the window.
class CRxThread : public CWinThread {
public:
    CRxThread(CWinComms* link, HWND parent) : m_window(link), m_hParent(parent) {}

    BOOL InitInstance() override
    {
        if (!m_window.CreateEx(WS_EX_NOPARENTNOTIFY, nullptr, RX_WINDOW_TITLE, WS_CHILD, 0, 0, 10, 10, m_hParent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(RX_WINDOW_ID))))
            return FALSE;
        m_pMainWnd = &m_window;
        m_ready.SetEvent();
        return TRUE;
    }
    // Set once the window has been created and has published itself.
    CEvent m_ready{FALSE, TRUE};
    int ExitInstance() override
    {
        if (::IsWindow(m_window.m_hWnd))
            m_window.DestroyWindow();
        m_pMainWnd = nullptr;
        return CWinThread::ExitInstance();
    }

private:
    CRxWnd m_window;
    HWND m_hParent;
};

CWinComms::CWinComms()
{
    GlobalLogFormat(LOG_SIMULATOR_LINK, "Vexo_Link_Message (WinComms) = %u", VexoLinkMessage());
    StoreDefaultConfigSet("QCSim", LINK_TYPE_SIMULATOR);
}

CWinComms::~CWinComms()
{
    Close();
}

BOOL CWinComms::SetConfiguration(const CCommPortData* record)
{
    Close();
    m_nMode = LINK_MODE_RAW;
    if (record) {
        m_data = *record;
    } else {
        m_data.SetLinkDefaults("QCSim", LINK_TYPE_SIMULATOR);
    }
    m_bHandshake = FALSE;
    return TRUE;
}

BOOL CWinComms::SetData(const BYTE* data, BOOL handshake)
{
    std::memcpy(m_data.m_data.m_bytes, data ? data : m_configSets[0], COMM_LINK_DATA_SIZE);
    m_bHandshake = handshake;
    return TRUE;
}

BOOL CWinComms::Open(ILinkReceiver* connection)
{
    if (m_bOpen)
        Close();
    const HWND main = m_hMainFrame;
    if (main && ::IsWindow(main)) {
        m_pConnection = connection;
        SetLinkReceiver(connection);
        m_nModeSeen = -1;
        m_bHold = false;
        m_rxRing.Clear();
        CRxThread* thread = new CRxThread(this, main);
        thread->m_bAutoDelete = FALSE;
        if (!thread->CreateThread(CREATE_SUSPENDED)) {
            delete thread;
        } else {
            m_pRxThread = thread;
            thread->ResumeThread();
            // The window is linked to its parent before its creation has
            // run; wait for the thread to say it is done.
            IClock& clock = AfxGetClock();
            const std::uint64_t start = clock.NowMs();
            HWND window = nullptr;
            while (!window && !AfxClockElapsed(start, kOpenWaitMs) &&
                   ::WaitForSingleObject(thread->m_hThread, 0) == WAIT_TIMEOUT) {
                PumpWaitingMessages();
                if (::WaitForSingleObject(thread->m_ready.m_hObject, 0) == WAIT_OBJECT_0)
                    window = ::FindWindowExA(main, nullptr, nullptr, RX_WINDOW_TITLE);
                else
                    clock.SleepMs(1);
            }
            if (window) {
                m_hRxWnd = window;
                m_bOpen = TRUE;
                GlobalLogFormat(LOG_LINK, "%s opened", static_cast<LPCSTR>(GetName()));
            } else {
                GlobalLogFormat(LOG_LINK, "%s failed to open", static_cast<LPCSTR>(GetName()));
                thread->PostThreadMessage(WM_QUIT, 0, 0);
                if (AfxWaitWithMessages(thread->m_hThread, kThreadEndWaitMs) == WAIT_OBJECT_0)
                    delete thread;
                m_pRxThread = nullptr;
            }
        }
    }
    CComms::Open(connection);
    return m_bOpen;
}

BOOL CWinComms::Close()
{
    if (m_bOpen) {
        HWND window = m_hRxWnd;
        if (!::IsWindow(window) && ::IsWindow(m_hMainFrame))
            window = ::FindWindowExA(m_hMainFrame, nullptr, nullptr, RX_WINDOW_TITLE);
        if (::IsWindow(window)) {
            DWORD_PTR ignored = 0;
            ::SendMessageTimeoutA(window, WM_VEXO_DESTROY_WINDOW, 0, 0, SMTO_NORMAL, m_nMessageTimeoutMs, &ignored);
        }
        if (m_pRxThread) {
            if (AfxWaitWithMessages(m_pRxThread->m_hThread, kThreadEndWaitMs) == WAIT_OBJECT_0)
                delete m_pRxThread;
            else
                GlobalLogLine("Receive window thread did not end", LOG_STATUS_ERRORS);
            m_pRxThread = nullptr;
        }
        m_bOpen = FALSE;
        m_hRxWnd = nullptr;
        m_hTarget = nullptr;
        m_bDirect = false;
        GlobalLogFormat(LOG_LINK, "%s closed", static_cast<LPCSTR>(GetName()));
    }
    CComms::Close();
    return !m_bOpen;
}

HWND FindSimulatorWindow()
{
    HWND target = nullptr;
    const CString mainTitle = ReadTargetValue("QCSimulation", "MainWindow");
    const CString commsTitle = ReadTargetValue("QCSimulation", "CommsWindow");
    if (mainTitle.IsEmpty() || commsTitle.IsEmpty())
        return nullptr;
    HWND app = nullptr;
    while (!target && (app = ::FindWindowExA(nullptr, app, nullptr, mainTitle)) != nullptr) {
        GlobalLogFormat(LOG_SIMULATOR_LINK, "App Wnd (%s) = 0x%08lx", static_cast<LPCSTR>(mainTitle),
                        HandleBits(app));
        target = ::FindWindowExA(app, nullptr, nullptr, commsTitle);
        GlobalLogFormat(LOG_SIMULATOR_LINK, "Target Wnd (%s) = 0x%08lx", static_cast<LPCSTR>(commsTitle),
                        HandleBits(target));
    }
    return target;
}

void CWinComms::FindTarget()
{
    const HWND target = FindSimulatorWindow();
    // A DC3 was the old simulator's: the new one has held nothing. (A
    // hold that came before the first target was found is that target's.)
    const HWND previous = m_hTarget.exchange(target);
    if (previous && target != previous)
        m_bHold = false;
    bool copyData = false;
    if (target) {
        DWORD_PTR answer = 0;
        copyData = ::SendMessageTimeoutA(target, VexoAllowCopyDataMessage(), 0, 0, SMTO_ABORTIFHUNG,
                                         m_nMessageTimeoutMs, &answer) != 0 &&
                   answer != 0;
    }
    m_bCopyData = copyData;
}

void CWinComms::LoseTarget()
{
    m_hTarget = nullptr;
    m_bHold = false;
    m_bCopyData = false;
    GlobalLogLine("Simulator window gone", LOG_LINK | LOG_STATUS_ERRORS);
    ReportLinkLost();
}

void CWinComms::CheckTarget()
{
    const HWND target = m_hTarget;
    if (target && !::IsWindow(target))
        LoseTarget();
}

BOOL CWinComms::IsOpen()
{
    if (!::IsWindow(m_hTarget))
        FindTarget();
    return ::IsWindow(m_hTarget) && m_bOpen;
}

BOOL CWinComms::Write(int length, const BYTE* data)
{
    if (!data || length <= 0)
        return FALSE;
    CheckTarget();
    if (!::IsWindow(m_hTarget))
        FindTarget();
    const HWND target = m_hTarget;
    if (!::IsWindow(target))
        return FALSE;
    CLogFile& log = GetGlobalLog();
    if (m_bCopyData) {
        log.LogData("Tx: (cpd): ", data, length, LOG_LINK);
        COPYDATASTRUCT block = {0, static_cast<DWORD>(length), const_cast<BYTE*>(data)};
        IClock& clock = AfxGetClock();
        const std::uint64_t since = clock.NowMs();
        for (;;) {
            DWORD_PTR answer = 0;
            if (!::SendMessageTimeoutA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hMainFrame),
                                       reinterpret_cast<LPARAM>(&block), SMTO_ABORTIFHUNG, m_nMessageTimeoutMs, &answer)) {
                CheckTarget(); // a simulator gone meanwhile is a lost link
                return FALSE;
            }
            if (answer != 0)
                return TRUE;
            // Refused: the simulator's queue is full. The block is offered
            // again once it has taken bytes, up to the message time-out.
            if (AfxClockElapsed(since, m_nMessageTimeoutMs)) {
                GlobalLogFormat(LOG_STATUS_ERRORS, "Tx refused: %d bytes not taken", length);
                return FALSE;
            }
            PumpWaitingMessages();
            clock.SleepMs(1);
        }
    }
    IClock& clock = AfxGetClock();
    std::uint64_t heldSince = 0;
    bool held = false;
    int posts = 0;
    for (int sent = 0; sent < length;) {
        bool pause = true;
        if (!m_hRxWnd || !m_bHold) {
            held = false;
            pause = ++posts % WIN_COMMS_POSTS_PER_PAUSE == 0;
            const int count = length - sent < 4 ? length - sent : 4;
            if (!::PostMessageA(target, VexoLinkMessage(), static_cast<WPARAM>(count), PackLinkBytes(data + sent, count))) {
                GlobalLogFormat(LOG_STATUS_ERRORS, "Tx post failed, error %lu", static_cast<unsigned long>(::GetLastError()));
                CheckTarget();
                return FALSE;
            }
            if (LogWanted(LOG_LINK)) {
                char prefix[48];
                std::snprintf(prefix, sizeof prefix, "Tx: (tlm) 0x%08lx: ", HandleBits(target));
                log.LogData(prefix, data + sent, count, LOG_LINK);
            }
            sent += count;
        } else {
            if (!::IsWindow(target)) {
                // The simulator that held the write has gone.
                CheckTarget();
                return FALSE;
            }
            if (!held) {
                held = true;
                heldSince = clock.NowMs();
            } else if (AfxClockElapsed(heldSince, m_nMessageTimeoutMs)) {
                GlobalLogFormat(LOG_STATUS_ERRORS, "Tx held too long: %d of %d bytes sent", sent, length);
                return FALSE;
            }
            GlobalLogLine("Tx blocked", LOG_STATUS_ERRORS);
        }
        // Messages are served at the pauses only: a look at the queue after
        // every post costs a round to the window server each, about as much
        // as the post itself.
        if (pause) {
            PumpWaitingMessages();
            clock.SleepMs(1);
            PumpWaitingMessages();
        }
    }
    return TRUE;
}

int CWinComms::Read(BYTE* buffer, int maximum)
{
    if (!m_hRxWnd || !buffer || maximum < 1)
        return 0;
    return m_rxRing.Read(buffer, maximum);
}

BOOL CWinComms::SuspendReceive()
{
    if (!m_hRxWnd)
        return FALSE;
    m_bDirect = false;
    m_rxRing.Clear();
    return TRUE;
}

BOOL CWinComms::ResumeReceive()
{
    if (!m_hRxWnd)
        return FALSE;
    m_bDirect = true;
    m_rxRing.Clear();
    return TRUE;
}

bool CWinComms::ProcessReceived(int count, const BYTE* bytes)
{
    if (count <= 0 || !bytes)
        return true;
    // Link messages carry at most four bytes: those need no allocation.
    BYTE small[64];
    std::string large;
    BYTE* data = small;
    if (count > static_cast<int>(sizeof small)) {
        large.assign(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
        data = reinterpret_cast<BYTE*>(large.data());
    } else {
        std::memcpy(small, bytes, static_cast<std::size_t>(count));
    }
    bool hold = m_bHold;
    const int left = StripFlowControl(data, count, hold);
    m_bHold = hold;
    if (left == 0)
        return true;
    GetGlobalLog().LogData("Rx: ", data, left, LOG_LINK);
    if (!m_bDirect) {
        if (m_rxRing.Write(data, left))
            return true;
        GlobalLogFormat(LOG_STATUS_ERRORS, "Rx ring full: %d bytes not stored", left);
        return false;
    }
    if (!m_pConnection)
        return false;
    const int mode = m_nMode;
    if (mode != m_nModeSeen) {
        m_nModeSeen = mode;
        m_nChannel = mode == LINK_MODE_RAW ? 0 : CHANNEL_NONE;
        m_nEscapeState = 0;
    }
    if (mode == LINK_MODE_CHANNEL)
        DispatchChannels(m_pConnection, m_nChannel, m_nEscapeState, left, data);
    else
        m_pConnection->OnReceive(CHANNEL_NONE, left, data);
    return true;
}
