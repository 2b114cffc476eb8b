// The project window: creation on its thread, start-up, shut-down, the
// message table and the small answers that need nothing more.
#include "project/projectwnd.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "foundation/fileutil.h"
#include "foundation/logfile.h"
#include "foundation/logline.h"
#include "foundation/winutil.h"
#include "framework/app.h"
#include "framework/clock.h"
#include "framework/prompt.h"
#include "link/commandtable.h"
#include "link/vexoreply.h"
#include "project/checkproject.h"
#include "project/kwproject.h"
#include "project/programtransfer.h"
#include "project/programtypes.h"
#include "shell/splashscreen.h"
#include "settings/vqregistry.h"
#include "ui/errordialog.h"
#include "ui/windowlookup.h"
#include "ui/userdialog.h"

IMPLEMENT_DYNCREATE(CProjectWnd, CWnd)

CProjectWnd* GetProjectWnd()
{
    return static_cast<CProjectWnd*>(GetProjectWndAs(RUNTIME_CLASS(CProjectWnd)));
}

namespace {

std::mutex g_seamLock;
std::function<void(CControllerConnection&)> g_connectionSetup;
std::function<bool(int)> g_keyState;
std::function<CTime()> g_timeSource;
std::function<CString()> g_commandLine;

template <class T> T Seam(const T& seam)
{
    std::lock_guard<std::mutex> lock(g_seamLock);
    return seam;
}

const UINT kProjectWindowId = 1035;

// The string of an id, or the system's own text where the table lacks it.
CString Text(UINT id, LPCSTR fallback)
{
    return LoadStringOr(id, fallback);
}

} // namespace

void CProjectWnd::SetConnectionSetup(std::function<void(CControllerConnection&)> setup)
{
    std::lock_guard<std::mutex> lock(g_seamLock);
    g_connectionSetup = std::move(setup);
}

void CProjectWnd::SetKeyStateSource(std::function<bool(int)> source)
{
    std::lock_guard<std::mutex> lock(g_seamLock);
    g_keyState = std::move(source);
}

void CProjectWnd::SetTimeSource(std::function<CTime()> source)
{
    std::lock_guard<std::mutex> lock(g_seamLock);
    g_timeSource = std::move(source);
}

void CProjectWnd::SetCommandLineSource(std::function<CString()> source)
{
    std::lock_guard<std::mutex> lock(g_seamLock);
    g_commandLine = std::move(source);
}

CTime CProjectWnd::Now()
{
    const auto source = Seam(g_timeSource);
    return source ? source() : CTime::GetCurrentTime();
}

void CProjectWnd::CToolRecord::SetName(LPCSTR text)
{
    std::memset(name, 0, sizeof name);
    if (text)
        std::strncpy(name, text, sizeof name - 1);
}

// ---------------------------------------------------------------- scope guards

CProjectWnd::CBusy::CBusy(CProjectWnd& project) : m_project(project)
{
    ++m_project.m_nBusy;
}

CProjectWnd::CBusy::~CBusy()
{
    int current = m_project.m_nBusy.load();
    while (current > 0 && !m_project.m_nBusy.compare_exchange_weak(current, current - 1)) {
    }
}

CProjectWnd::CBusyIndication::CBusyIndication(CProjectWnd& project) : m_project(project)
{
    BOOL expected = FALSE;
    if (m_project.m_bFrameBusyShown.compare_exchange_strong(expected, TRUE)) {
        m_bShown = true;
        m_project.SendToMainFrame(PWM_OPERATION_STARTED);
    }
}

CProjectWnd::CBusyIndication::~CBusyIndication()
{
    if (!m_bShown)
        return;
    m_project.PostToMainFrame(PWM_OPERATION_ENDED);
    m_project.m_bFrameBusyShown = FALSE;
}

CProjectWnd::CTransactionHold::CTransactionHold(CControllerConnection& connection) : m_connection(connection)
{
    m_connection.SetTransactionHold(TRUE);
}

CProjectWnd::CTransactionHold::~CTransactionHold()
{
    m_connection.SetTransactionHold(FALSE);
}

// ---------------------------------------------------------------- creation

CProjectWnd::CProjectWnd() : m_moduleSlots(128, -1)
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    m_pConnection = std::make_unique<CControllerConnection>(this);
    if (const auto setup = Seam(g_connectionSetup))
        setup(*m_pConnection);
    m_strDirectPort = CVQRegistry().GetDefaultDirectPort();
    CWinApp* pApp = AfxGetApp();
    m_hWndMainFrame = pApp ? pApp->m_pMainWnd.GetSafeHwnd() : nullptr;
    if (m_hWndMainFrame)
        Create(CWnd::FromHandle(m_hWndMainFrame));
}

CProjectWnd::~CProjectWnd()
{
    if (m_pConnection) {
        m_pConnection->SetShuttingDown(true);
        m_pConnection->CloseLink();
    }
    delete m_pIECProject;
    m_pIECProject = nullptr;
    m_pConnection.reset();
    ::CoUninitialize();
}

BOOL CProjectWnd::Create(CWnd* /*pParent*/)
{
    // A hidden window of its own, not a child of the frame: a child on
    // another thread would tie the frame's input and layout to this thread.
    const CString title = Text(659, "Project Manager");
    return CreateEx(0, AfxRegisterWndClass(0), title, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr);
}

int CProjectWnd::OnCreate(LPCREATESTRUCT)
{
    SendToMainFrame(PWM_STARTED, 0, reinterpret_cast<LPARAM>(static_cast<CWnd*>(this)));
    m_hWndControlPanel = reinterpret_cast<HWND>(SendToMainFrame(PWM_GET_HANDLE, TOOL_CONTROL_PANEL));
    if (auto* pPanel = reinterpret_cast<CWnd*>(SendToMainFrame(PWM_GET_OBJECT, TOOL_CONTROL_PANEL)))
        m_pControlPanelReply = dynamic_cast<CVexoReply*>(pPanel);
    m_hWndSecond = reinterpret_cast<HWND>(SendToMainFrame(PWM_GET_HANDLE, 1015));
    m_pErrorList = new CErrorDialog(this);
    if (m_pErrorList->Create(this))
        m_pErrorList->SetWindowText(Text(494, "Command / Program error"));

    OpenStartupProject();
    AskCommsLogging();
    m_pIECProject = new CKWProject();
    if (CVQRegistry().GetAutoConnectAtStart())
        PostMessage(PWM_CONNECT, 1, 0);
    else
        PostToMainFrame(PWM_READY);
    return 0;
}

void CProjectWnd::OpenStartupProject()
{
    CString path;
    const auto commandLineSource = Seam(g_commandLine);
    CString line = commandLineSource ? commandLineSource()
                                     : CString(AfxGetApp() && AfxGetApp()->m_lpCmdLine ? AfxGetApp()->m_lpCmdLine : "");
    line.Trim(" \t");
    if (line.GetLength() >= 1 && line[0] == '"')
        line = line.Mid(1);
    if (line.GetLength() >= 1 && line[line.GetLength() - 1] == '"')
        line = line.Left(line.GetLength() - 1);
    if (!line.IsEmpty()) {
        const CString extension = GetProjectFileExtension(TRUE);
        if (line.GetLength() > extension.GetLength() &&
            line.Right(extension.GetLength()).CompareNoCase(extension) == 0) {
            path = line;
        } else {
            CString folder = line;
            if (folder.GetLength() > 3 && folder[folder.GetLength() - 1] == '\\')
                folder = folder.Left(folder.GetLength() - 1);
            if (PathExists(folder, 1)) {
                const int slash = folder.ReverseFind('\\');
                const CString last = slash >= 0 ? folder.Mid(slash + 1) : folder;
                path = folder + "\\" + last + extension;
            }
        }
    }
    if (path.IsEmpty())
        path = CVQRegistry().GetLastProject();

    const auto keys = Seam(g_keyState);
    const auto held = [&keys](int key) { return keys ? keys(key) : (::GetKeyState(key) & 0x8000) != 0; };
    if (held(VK_SHIFT)) {
        m_bStartupSkip = TRUE;
        if (held(VK_CONTROL))
            m_bDirectSerial = TRUE;
    }
    if (m_bStartupSkip || !CVQRegistry().GetAutoConnectAtStart())
        return;
    if (!path.IsEmpty() && PathExists(path, 0)) {
        m_projectFile.Load(path);
        return;
    }
    CString text;
    if (path.IsEmpty()) {
        text = Text(614, "No current project");
    } else {
        text.Format(Text(919, "Project file\n%s\ndoes not exist."), path.GetString());
    }
    AfxGetPromptService().Prompt(m_hWnd, text, Text(629, "Open project"), MB_OK | MB_ICONEXCLAMATION);
    m_bStartupSkip = TRUE;
}

void CProjectWnd::AskCommsLogging()
{
    CVQRegistry settings;
    if (!settings.GetEnableCommsLogging())
        return;
    const CString enable = Text(157, "Enable");
    const CString disable = Text(158, "Disable");
    const LPCTSTR labels[] = {enable, disable};
    const int answer = AfxGetPromptService().PromptLabelled(
        m_hWnd, Text(204, "Communications logging is slow and less reliable. Do you want to enable it?"),
        Text(205, "Diagnostics"), MB_YESNO | MB_ICONQUESTION, labels, 2);
    if (answer == IDYES)
        return;
    CLogFile& log = GetGlobalLog();
    log.SetLogToFile(FALSE);
    log.SetLogWithDebugPrint(FALSE);
    settings.SetEnableCommsLogging(0);
    settings.SetLogToFile(0);
    settings.SetLogWithDebugPrint(0);
}

// ---------------------------------------------------------------- shut-down

LRESULT CProjectWnd::OnDestroyRequest(WPARAM, LPARAM)
{
    const int busy = m_nBusy.load();
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"ProjectWnd\" (%d)", busy > 0 ? 1 : 0);
    m_bClosing = TRUE;
    // A transfer under way stops at its next step.
    m_nCancel = 1;
    if (m_pCheckDialog)
        m_pCheckDialog->SetClosing();
    if (m_pConnectScreen && ::IsWindow(m_pConnectScreen->GetSafeHwnd()) &&
        m_pConnectScreen->GetResult() == CSplashScreen::Waiting)
        m_pConnectScreen->PostMessage(WM_COMMAND, IDCANCEL, 0);
    if (busy > 0) {
        DeferMessage(PWM_DESTROY, 0, 0, 50);
        return 0;
    }
    if (m_bConnected)
        Disconnect(0, DISCONNECT_OFFER);
    DestroyWindow();
    return 0;
}

void CProjectWnd::OnDestroy()
{
    for (const auto& timer : m_timers)
        KillTimer(timer.first);
    m_timers.clear();
    {
        std::lock_guard<std::recursive_mutex> lock(m_registryLock);
        m_subscriptions.clear();
    }
    SendToMainFrame(PWM_GOING);
    Disconnect(0, DISCONNECT_OFFER);
    {
        std::lock_guard<std::recursive_mutex> lock(m_registryLock);
        m_tools.clear();
        m_controlPanel = CToolRecord();
        m_pPendingRestore.reset();
    }
    m_layout.clear();
    ClearProcesses();
    if (m_pErrorList) {
        if (::IsWindow(m_pErrorList->GetSafeHwnd()))
            m_pErrorList->DestroyWindow();
        delete m_pErrorList;
        m_pErrorList = nullptr;
    }
    Default();
}

void CProjectWnd::PostNcDestroy()
{
    ::PostQuitMessage(0);
    delete this;
}

// ---------------------------------------------------------------- main frame

LRESULT CProjectWnd::SendToMainFrame(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_hWndMainFrame || !::IsWindow(m_hWndMainFrame))
        return 0;
    return ::SendMessageA(m_hWndMainFrame, message, wParam, lParam);
}

BOOL CProjectWnd::PostToMainFrame(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_hWndMainFrame || !::IsWindow(m_hWndMainFrame))
        return FALSE;
    return ::PostMessageA(m_hWndMainFrame, message, wParam, lParam);
}

LRESULT CProjectWnd::SendToControlPanel(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_hWndControlPanel || !::IsWindow(m_hWndControlPanel))
        return 0;
    return ::SendMessageA(m_hWndControlPanel, message, wParam, lParam);
}

BOOL CProjectWnd::PostToControlPanel(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_hWndControlPanel || !::IsWindow(m_hWndControlPanel))
        return FALSE;
    return ::PostMessageA(m_hWndControlPanel, message, wParam, lParam);
}

// ---------------------------------------------------------------- waits

bool CProjectWnd::WaitServing(const std::function<bool()>& done, DWORD timeoutMs)
{
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    while (!done()) {
        if (clock.NowMs() - start >= timeoutMs)
            return done();
        if (!PumpOneMessage())
            clock.SleepMs(1);
    }
    return true;
}

void CProjectWnd::DeferMessage(UINT message, WPARAM wParam, LPARAM lParam, UINT delayMs)
{
    if (!::IsWindow(m_hWnd))
        return;
    const UINT_PTR id = m_nNextTimer++;
    if (m_nNextTimer > 0x7FFF0000)
        m_nNextTimer = 100;
    m_timers[id] = Deferred{message, wParam, lParam, nullptr};
    SetTimer(id, delayMs);
}

void CProjectWnd::DeferTextMessage(UINT message, WPARAM wParam, LPCSTR text, UINT delayMs)
{
    if (!text) {
        DeferMessage(message, wParam, 0, delayMs);
        return;
    }
    if (!::IsWindow(m_hWnd))
        return;
    const UINT_PTR id = m_nNextTimer++;
    if (m_nNextTimer > 0x7FFF0000)
        m_nNextTimer = 100;
    m_timers[id] = Deferred{message, wParam, 0, std::make_shared<const std::string>(text)};
    SetTimer(id, delayMs);
}

void CProjectWnd::OnTimer(UINT_PTR nIDEvent)
{
    KillTimer(nIDEvent);
    const auto found = m_timers.find(nIDEvent);
    if (found == m_timers.end())
        return;
    const Deferred deferred = found->second;
    m_timers.erase(found);
    if (deferred.text) {
        // The copy lives until the message has run here, on this thread.
        SendMessage(deferred.message, deferred.wParam, reinterpret_cast<LPARAM>(deferred.text->c_str()));
        return;
    }
    PostMessage(deferred.message, deferred.wParam, deferred.lParam);
}

// ---------------------------------------------------------------- errors

void CProjectWnd::AddErrorText(LPCSTR text)
{
    if (!text || !*text)
        return;
    {
        std::lock_guard<std::mutex> lock(m_valuesLock);
        m_errors.emplace_back(text);
    }
    if (m_pErrorList) {
        m_pErrorList->AddText(text);
        // After the list's own request to show the lines (same thread).
        if (::IsWindow(m_hWnd))
            ::PostMessageA(m_hWnd, PWM_ERRORS_TO_FRONT, 0, 0);
    }
}

std::vector<std::string> CProjectWnd::GetErrorEntries() const
{
    std::lock_guard<std::mutex> lock(m_valuesLock);
    return m_errors;
}

// ---------------------------------------------------------------- small answers

BOOL CProjectWnd::IsProjectOpen()
{
    return m_projectFile.GetFilePath().IsEmpty() ? FALSE : TRUE;
}

LRESULT CProjectWnd::OnOpenProject(WPARAM, LPARAM lParam)
{
    const CString path = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
    if (!path.IsEmpty() && PathExists(path, 0)) {
        m_strProjectToOpen = path;
        PostMessage(PWM_LOAD_PROJECT, 0, reinterpret_cast<LPARAM>(m_strProjectToOpen.GetString()));
        return 0;
    }
    CString text;
    text.Format(Text(920, "Project file  %s  not found"), path.GetString());
    AfxGetPromptService().Prompt(m_hWnd, text, Text(567, "Load Project"), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

LRESULT CProjectWnd::OnConnectWhenPossible(WPARAM, LPARAM)
{
    if (m_bConnecting) {
        m_bConnectAgain = TRUE;
        return 0;
    }
    PostMessage(PWM_CONNECT, m_nConnectMode.load(), 0);
    return 0;
}

LRESULT CProjectWnd::OnProgramRecords(WPARAM wParam, LPARAM lParam)
{
    auto* receiver = reinterpret_cast<CVexoReply*>(wParam);
    const HWND target = reinterpret_cast<HWND>(lParam);
    for (const CProgramData& program : m_pConnection->GetPrograms()) {
        DirectoryReplyRecord record = {};
        std::strncpy(record.name, program.m_strName.GetString(), sizeof record.name - 1);
        record.sourceSize = program.m_nSourceSize;
        record.codeSize = program.m_nCodeSize;
        record.autoRun = program.m_nAutoRun;
        record.type = program.m_nType;
        record.editable = program.m_nEditable;
        ControllerMessage message;
        message.m_hReplyWnd = m_hWnd;
        message.m_nCommandId = REPLY_PROCESSES;
        message.m_nChannel = CHANNEL_COMMAND;
        message.SetArgument(&record, static_cast<int>(sizeof record));
        if (receiver)
            receiver->OnReply(&message);
        else if (target && ::IsWindow(target))
            ::SendMessageA(target, PWM_PROCESS_MESSAGE, 0, reinterpret_cast<LPARAM>(&message));
    }
    return 0;
}

LRESULT CProjectWnd::OnProjectFolder(WPARAM, LPARAM lParam)
{
    auto* out = reinterpret_cast<CString*>(lParam);
    if (!out)
        return 0;
    CString folder = m_projectFile.GetDirectory();
    if (folder.IsEmpty())
        return 0;
    // The folder that holds the project folder.
    if (folder.GetLength() > 1 && folder[folder.GetLength() - 1] == '\\')
        folder = folder.Left(folder.GetLength() - 1);
    const int slash = folder.ReverseFind('\\');
    if (slash < 0)
        return 0;
    folder = folder.Left(slash);
    if (folder.GetLength() == 2 && folder[1] == ':')
        folder += "\\";
    *out = folder;
    return 1;
}

LRESULT CProjectWnd::OnProgramState(WPARAM wParam, LPARAM lParam)
{
    auto* name = reinterpret_cast<char*>(lParam);
    if (name && *name) {
        if (CProgramData* program = m_pConnection->FindProgram(name))
            program->m_nState = static_cast<std::int32_t>(wParam);
    }
    delete[] name;
    SendToControlPanel(PWM_PROGRAM_STATE, 1, reinterpret_cast<LPARAM>(""));
    return 0;
}

// ---------------------------------------------------------------- message table

LRESULT CProjectWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (CWnd::WindowProc(message, wParam, lParam) == -1)
            return -1;
        return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    case PWM_PROCESS_MESSAGE:
        return ProcessMessage(reinterpret_cast<const ControllerMessage*>(lParam));
    case PWM_REGISTER:
        return OnRegister(wParam, lParam);
    case PWM_UNREGISTER:
        return OnUnregister(wParam, lParam);
    case PWM_GET_OBJECT:
        return reinterpret_cast<LRESULT>(static_cast<CWnd*>(this));
    case PWM_DESTROY:
        return OnDestroyRequest(wParam, lParam);
    case PWM_OPEN_PROJECT:
        return OnOpenProject(wParam, lParam);
    case PWM_CONNECT:
        return OnConnectRequest(wParam, lParam);
    case PWM_CONNECT_WITH_PROJECT:
        return OnConnectWithProject(wParam, lParam);
    case PWM_CONNECT_WHEN_POSSIBLE:
        return OnConnectWhenPossible(wParam, lParam);
    case PWM_DISCONNECT:
        return OnDisconnectRequest(wParam, lParam);
    case PWM_PROGRAM_RECORDS:
        return OnProgramRecords(wParam, lParam);
    case PWM_CANCEL:
        m_nCancel = 1;
        return 0;
    case PWM_DELETE_PROGRAMS:
        return OnDeletePrograms(wParam, lParam);
    case PWM_EXPORT_PROGRAM:
        return OnExportProgram(wParam, lParam);
    case PWM_MODIFY_STARTUP:
        return OnModifyStartup(wParam, lParam);
    case PWM_PROJECT_FOLDER:
        return OnProjectFolder(wParam, lParam);
    case PWM_LEAVE_CHANNEL_MODE:
        return OnLeaveChannelMode(wParam, lParam);
    case PWM_ENTER_CHANNEL_MODE:
        return OnEnterChannelMode(wParam, lParam);
    case PWM_APPLY_LINK:
        return OnApplyLink(wParam, lParam);
    case PWM_SUBSCRIBE:
        return OnSubscribe(wParam, lParam);
    case PWM_BROADCAST:
        Broadcast(PWM_BROADCAST, wParam, lParam);
        return 0;
    case PWM_CLOSE_ALL:
        CloseAllWindows(0);
        return 0;
    case PWM_GET_CHANNEL:
        return OnGetChannel(wParam, lParam);
    case PWM_SET_CHANNEL:
        return OnSetChannel(wParam, lParam);
    case PWM_RESTORE_RECORD:
        return OnRestoreRecord(wParam, lParam);
    case PWM_OPEN_TOOL:
        return OpenTool(static_cast<UINT>(wParam), static_cast<int>(lParam));
    case PWM_OPEN_BETA_DIALOG:
        return OpenTool(TOOL_BETA_FEATURES, 0);
    case PWM_RESTORE_AUTO_DESKTOP:
        return OnRestoreAutoDesktop(wParam, lParam);
    case PWM_RESTORE_DESKTOP:
        return OnRestoreDesktop(wParam, lParam);
    case PWM_SAVE_DESKTOP:
        return OnSaveDesktop(wParam, lParam);
    case PWM_LOCK:
        return OnLockRequest(wParam, lParam);
    case PWM_ARRANGE:
        return OnArrange(wParam, lParam);
    case PWM_WINDOW_LIST:
        RebuildWindowList();
        return 0;
    case PWM_CLOSE_ALL_BUT:
        CloseAllWindows(static_cast<UINT>(wParam));
        PostToMainFrame(PWM_READY);
        return 0;
    case PWM_FREE_CHANNELS:
        return OnFreeChannels(wParam, lParam);
    case PWM_CLOSE_EDITOR:
        return CloseEditor(reinterpret_cast<LPCSTR>(lParam));
    case PWM_BROADCAST_EDITORS:
        Broadcast(PWM_BROADCAST_EDITORS, wParam, lParam, TOOL_EDITOR);
        return 0;
    case PWM_PROGRAM_STATE:
        return OnProgramState(wParam, lParam);
    case PWM_RUNNING_PROGRAMS:
        return OnRunningPrograms(wParam, lParam);
    case PWM_SET_WATCH_WINDOW:
        m_nStoredValue = lParam;
        m_hWndWatch = reinterpret_cast<HWND>(lParam);
        Broadcast(PWM_WATCH_WINDOW, 0, lParam);
        return 0;
    case PWM_GET_STORED_VALUE:
        return static_cast<LRESULT>(m_nStoredValue);
    case PWM_SEARCH_SIMULATOR:
        return OnSearchSimulator(wParam, lParam);
    case PWM_WINDOW_PROCESS:
        return OnWindowProcess(wParam, lParam);
    case PWM_AXIS_TYPE:
        return OnAxisType(wParam, lParam);
    case PWM_AXIS_TYPES:
        return OnAxisTypes(wParam, lParam);
    case PWM_BROADCAST_TERMINALS:
        Broadcast(PWM_BROADCAST_TERMINALS, wParam, lParam, TOOL_TERMINAL);
        return 0;
    case PWM_HAND_OVER_LINK:
        return OnHandOverLink(wParam, lParam);
    case PWM_LINK_FAILED:
        return OnLinkFailed(wParam, lParam);
    case PWM_SET_LOAD_VALUE:
        m_nLoadValue = lParam;
        return 0;
    case PWM_REQUEST_FAILED:
        return OnRequestFailed(wParam, lParam);
    case PWM_ERRORS_TO_FRONT:
        // The list belongs to this hidden window: shown, it would stay
        // behind the main frame.
        if (m_pErrorList && ::IsWindow(m_pErrorList->GetSafeHwnd())) {
            ::SetWindowPos(m_pErrorList->GetSafeHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
            ::SetForegroundWindow(m_pErrorList->GetSafeHwnd());
        }
        return 0;
    case PWM_STATUS_LINE:
        return OnStatusLine(wParam, lParam);
    case PWM_PANEL_PROGRAM:
    case PWM_PANEL_PROCESS:
        return OnPanelNotice(message, wParam, lParam);
    case PWM_DELETE_IEC_PROJECT:
        delete m_pIECProject;
        m_pIECProject = nullptr;
        return 0;
    case PWM_HAS_IEC_PROJECT:
        return m_pIECProject ? 1 : 0;
    case PWM_STORE_EPROM:
        return StoreProgramsInEprom(FALSE);
    case PWM_FAST_LOAD_CHOSEN:
        return OnFastLoadChosenProject(wParam, lParam);
    default:
        break;
    }
    LRESULT result = 0;
    if (message >= WM_APP + 0x100 && message <= WM_APP + 0x1F6) {
        if (HandleCheckMessage(message, wParam, lParam, result) ||
            HandleProjectMessage(message, wParam, lParam, result) ||
            HandleImportMessage(message, wParam, lParam, result) ||
            HandleProgramMessage(message, wParam, lParam, result))
            return result;
        if (HandleQuery(message, wParam, lParam, result))
            return result;
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "Project window: message 0x%04x not handled", message);
        // A command the window does not carry out (yet) is over at once:
        // the main frame, which waits for "ready" before its next command,
        // must not wait for ever.
        if (!::InSendMessage())
            PostToMainFrame(PWM_READY);
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
