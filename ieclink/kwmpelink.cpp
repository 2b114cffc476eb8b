// CKWMPELink: data, constants, the last error and the texts of result
// codes; locating, starting and attaching the external system.
#include "ieclink/kwmpelink.h"

#include <cstdarg>

#include "framework/clock.h"
#include "framework/prompt.h"
#include "foundation/fileutil.h"
#include "foundation/registry.h"
#include "foundation/winutil.h"
#include "ieclink/kwmpelink_ids.h"
#include "ieclink/winprocesses.h"

const int CKWMPELink::m_knAppStartTimeout_s = 30;
const int CKWMPELink::m_knAppStartWaitTime_ms = 250;
const int CKWMPELink::m_knAppPostStartWaitTime_ms = 1000;
const int CKWMPELink::m_knFirstConfigurationIndex = 1;
const int CKWMPELink::m_knFirstLibraryIndex = 1;
const int CKWMPELink::m_knFirstPOUIndex = 1;
const int CKWMPELink::m_knFirstProgramInstanceIndex = 1;
const int CKWMPELink::m_knFirstResourceIndex = 1;
const int CKWMPELink::m_knFirstTaskIndex = 1;
const int CKWMPELink::m_knFirstVariableGroupIndex = 1;
const int CKWMPELink::m_knFirstVariableIndex = 1;
const CString CKWMPELink::m_kstrAppWindowTitleStart = "MULTIPROG Express";
const CString CKWMPELink::m_kstrSCS_GetProjectCRC = "GetProjectCrc";
const CString CKWMPELink::m_kstrSCS_GetPLCProjectCRC = "GetPlcProjectCrc";
const CString CKWMPELink::m_kstrSCS_GetPLCBootProjectCRC = "GetPlcBootProjectCrc";
const CString CKWMPELink::m_kstrSCS_GetPLCZippedProjectCRC = "GetPlcZippedProjectCRC";
const CString CKWMPELink::m_kstrSCS_GetPLCProjectName = "GetPlcProjectName";
const CString CKWMPELink::m_kstrSCS_GetPLCConfigName = "GetPlcConfName";
const CString CKWMPELink::m_kstrSCS_GetPLCResourceName = "GetPlcResourceName";
const CString CKWMPELink::m_kstrDefaultKWMPEDir = "C:\\KW-Software\\MULTIPROG Express";
const CString CKWMPELink::m_kstrEmptyProjectTemplateRel = "\\Settings Express\\templates\\Empty_Project.twt";
const CString CKWMPELink::m_kstrHardwareLibDirRel = "\\PLC\\FW_LIB";
const CString CKWMPELink::m_kstrVexoIEClib = "QC_LIB";
const CString CKWMPELink::m_kstrDefaultPLCType = "eCLR";
const CString CKWMPELink::m_kstrDefaultProcessorType = "MOTION_CONTROLLER";
const CString CKWMPELink::m_kstrDefaultConfigName = "Congfig01";
const CString CKWMPELink::m_kstrDefaultResourceName = "Resource01";
const CString CKWMPELink::m_kstrDefaultTaskName = "Task01";
const CString CKWMPELink::m_kstrDefaultTaskType = "DEFAULT";
const CString CKWMPELink::m_kstrHardwareLibExtension = "fwl";
const CString CKWMPELink::m_kstrProjectFileExtension = "mwe";
const CString CKWMPELink::m_kstrCompressedFileExtension = "zwe";
const CString CKWMPELink::m_kstrDemoIODriver = "DEMOIO";
const CString CKWMPELink::m_kstrVexoIODriver = "QC_IO";

namespace {

// The external system's application class.
const CLSID kApplicationClass = {0x04800000, 0x0108, 0x2706, {0x10, 0x0F, 0x00, 0x80, 0xC7, 0xAC, 0x32, 0x98}};

const char kKWMPEKey[] = "Software\\VexoLabs\\KWMPELink";
const char kKWMPEDirValue[] = "KWMPEDir";

// How long the external system's automation object is tried for (whole
// seconds) and how long its main window is waited for.
const int kCreateInstanceTimeout_s = 20;
const DWORD kMainWindowTimeout_ms = 30000;
const DWORD kMainWindowPoll_ms = 10;

} // namespace

CKWMPELink::CKWMPELink() = default;

CKWMPELink::CKWMPELink(const CKWMPELink& other)
    : m_strAppPath(other.m_strAppPath), m_bUserCloseDisabled(other.m_bUserCloseDisabled),
      m_strLastError(other.m_strLastError)
{
    // A copy holds COM for itself, so it can outlive the original.
    if (other.m_app)
        InitialiseCom();
    m_app = other.m_app;
}

CKWMPELink& CKWMPELink::operator=(const CKWMPELink& other)
{
    if (other.m_app)
        InitialiseCom();
    m_strAppPath = other.m_strAppPath;
    m_bUserCloseDisabled = other.m_bUserCloseDisabled;
    m_app = other.m_app;
    m_strLastError = other.m_strLastError;
    return *this;
}

void CKWMPELink::InitialiseCom()
{
    if (!m_bComInitialised)
        m_bComInitialised = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

CKWMPELink::~CKWMPELink()
{
    m_strAppPath.Empty();
    m_app.Release();
    if (m_bComInitialised)
        ::CoUninitialize();
}

// ----------------------------------------------------------- last error ---

CString CKWMPELink::GetLastError() const
{
    return m_strLastError;
}

void CKWMPELink::ClearError()
{
    m_strLastError.Empty();
}

void CKWMPELink::ShowLastError(int bShowNoError)
{
    if (!m_strLastError.IsEmpty()) {
        AfxMessageBox(m_strLastError, MB_OK | MB_ICONEXCLAMATION);
    } else if (bShowNoError) {
        CString text;
        text.LoadString(IDS_KW_NO_ERROR);
        AfxMessageBox(text, MB_OK | MB_ICONINFORMATION);
    }
}

int CKWMPELink::Fail(UINT id, ...)
{
    CString format;
    format.LoadString(id);
    va_list args;
    va_start(args, id);
    m_strLastError.FormatV(format, args);
    va_end(args);
    return 0;
}

int CKWMPELink::FailText(const CString& text)
{
    m_strLastError = text;
    return 0;
}

CString CKWMPELink::GetResultText(HRESULT code)
{
    const LONG base = static_cast<LONG>(0x80044000);
    if (code >= base && code <= base + 76) {
        const int n = static_cast<int>(code - base);
        UINT id = 0;
        if (n == 0)
            id = IDS_KW_INTERNAL_ERROR;
        else if (n <= 7)
            id = 3036 + n;
        else if (n == 8)
            id = IDS_KW_NO_PROJECT_OPEN;
        else if (n <= 63)
            id = 3036 + n;
        else
            id = 3037 + n;
        CString text;
        text.LoadString(id);
        return text;
    }
    switch (code) {
    case S_OK:
        return "OK";
    case E_UNEXPECTED:
        return "Unexpected error";
    case E_NOTIMPL:
        return "Not implemented";
    case E_OUTOFMEMORY:
        return "Out of memory";
    case E_INVALIDARG:
        return "Invalid argument";
    case E_NOINTERFACE:
        return "No interface";
    case E_POINTER:
        return "Invalid pointer";
    case E_HANDLE:
        return "Invalid handle";
    case E_ABORT:
        return "Operation aborted";
    case E_FAIL:
        return "Failed (unspecied)";
    case E_ACCESSDENIED:
        return "Access denied";
    case static_cast<HRESULT>(0x8000000A):
        return "Operation pending";
    default:
        break;
    }
    CString text;
    text.Format("Unknown error 0x%08lx", static_cast<unsigned long>(code));
    return text;
}

// ------------------------------------------------ locating the system ---

int CKWMPELink::GetKWMPEDir(CString& dir)
{
    CRegistry key(HKEY_LOCAL_MACHINE, kKWMPEKey);
    if (!key.GetString(kKWMPEDirValue, dir)) {
        dir.Empty();
        return 0;
    }
    return 1;
}

int CKWMPELink::SetKWMPEDir(const CString& dir)
{
    if (!DirectoryExists(dir))
        return 0;
    CRegistry key(HKEY_LOCAL_MACHINE, kKWMPEKey);
    if (!key.KeyExists() && !CRegistry::CreatePath(HKEY_LOCAL_MACHINE, kKWMPEKey))
        return 0;
    return key.SetString(kKWMPEDirValue, dir) ? 1 : 0;
}

CString CKWMPELink::KWMPEDirOrDefault()
{
    CString dir;
    if (!GetKWMPEDir(dir))
        dir = m_kstrDefaultKWMPEDir;
    return dir;
}

int CKWMPELink::LocateAppExecutable()
{
    m_strAppPath.Empty();
    CString type, verb, command;
    const CString classes = "Software\\Classes";
    if (!CRegistry(HKEY_LOCAL_MACHINE, classes + "\\." + m_kstrProjectFileExtension).GetString("", type) ||
        type.IsEmpty())
        return 0;
    const CString shell = classes + "\\" + type + "\\Shell";
    if (!CRegistry(HKEY_LOCAL_MACHINE, shell).GetString("", verb) || verb.IsEmpty())
        return 0;
    if (!CRegistry(HKEY_LOCAL_MACHINE, shell + "\\" + verb + "\\Command").GetString("", command))
        return 0;
    // The executable is what stands before the blank that precedes the last
    // "%" (the document's place holder).
    const int percent = command.ReverseFind('%');
    if (percent < 0)
        return 0;
    int blank = percent;
    while (blank > 0 && command[blank] != ' ')
        --blank;
    if (blank <= 0)
        return 0;
    CString path = command.Left(blank);
    path.Remove('"');
    m_strAppPath = path;
    return 1;
}

CString CKWMPELink::GetAppPath() const
{
    return m_strAppPath;
}

// ------------------------------------------------- starting the system ---

int CKWMPELink::LaunchApp()
{
    // The path is quoted so a folder with blanks cannot be mistaken for a
    // shorter program path.
    CString commandLine = "\"" + m_strAppPath + "\" -express";
    char* writable = _strdup(commandLine);
    if (!writable)
        return Fail(IDS_KW_MEMORY_ERROR);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessA(nullptr, writable, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                                          nullptr, nullptr, &startup, &process);
    const DWORD error = ::GetLastError();
    free(writable);
    if (!started) {
        char* message = nullptr;
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<char*>(&message), 0, nullptr);
        CString text(message ? message : "");
        if (message)
            ::LocalFree(message);
        text.TrimRight();
        return Fail(IDS_KW_LAUNCH_FAILED, static_cast<int>(error), text.GetString());
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return 1;
}

int CKWMPELink::IsAppRunning()
{
    CString name, extension;
    SplitFileName(m_strAppPath, name, extension);
    if (name.IsEmpty())
        return 0;
    if (!extension.IsEmpty())
        name += "." + extension;
    CWinProcesses processes;
    CWinProcessData data;
    return processes.FindProcess(name, data);
}

int CKWMPELink::CreateAppInstance()
{
    if (m_app)
        return 1;
    InitialiseCom();
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    HRESULT hr = E_FAIL;
    IDispatch* app = nullptr;
    for (;;) {
        hr = ::CoCreateInstance(kApplicationClass, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&app));
        const bool inTime = (clock.NowMs() - start) / 1000 <= static_cast<std::uint64_t>(kCreateInstanceTimeout_s);
        if (inTime)
            clock.SleepMs(m_knAppStartWaitTime_ms);
        if (SUCCEEDED(hr) || !inTime)
            break;
    }
    if (FAILED(hr) || !app)
        return FailCode(FAILED(hr) ? hr : E_POINTER);
    m_app = CDispatchPtr(app);

    // The system is ready once its main window exists; the wait serves this
    // thread's messages and ends after a bound.
    const std::uint64_t waitStart = clock.NowMs();
    while (!LocateAppMainWindow()) {
        if (AfxClockElapsed(waitStart, kMainWindowTimeout_ms)) {
            m_app.Release();
            return Fail(IDS_KW_UNABLE_TO_CONNECT);
        }
        PumpWaitingMessages();
        clock.SleepMs(kMainWindowPoll_ms);
    }
    try {
        m_app.Write("Visible", CVariant::Bool(false));
    } catch (const CAutomationError& error) {
        m_app.Release();
        return FailCode(error.code);
    }
    clock.SleepMs(m_knAppPostStartWaitTime_ms);
    return 1;
}

int CKWMPELink::Connect()
{
    IClock& clock = AfxGetClock();
    if (!IsAppRunning()) {
        // A reference to a system that has ended is of no use.
        m_app.Release();
        m_bUserCloseDisabled = 0;
        if (!LaunchApp())
            return 0;
        const std::uint64_t start = clock.NowMs();
        while (!IsAppRunning() && !AfxClockElapsed(start, static_cast<std::uint64_t>(m_knAppStartTimeout_s) * 1000))
            clock.SleepMs(m_knAppStartWaitTime_ms);
        clock.SleepMs(m_knAppPostStartWaitTime_ms);
    }
    if (!IsAppRunning())
        return Fail(IDS_KW_APP_NOT_RUNNING);
    if (!CreateAppInstance())
        return Fail(IDS_KW_UNABLE_TO_CONNECT);
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    try {
        if (m_app.Read("IsProjectOpen").ToBool() && !m_app.Object("CurrentProject"))
            return Fail(IDS_KW_INVALID_PROJECT);
    } catch (const CAutomationError& error) {
        return FailCode(error.code);
    }
    return 1;
}

int CKWMPELink::IsAppConnected()
{
    return m_app ? 1 : 0;
}

// ---------------------------------------------------- the main window ---

BOOL CALLBACK CKWMPELink::EnumWindowsProc(HWND hwnd, LPARAM lParam)
{
    HWND* found = reinterpret_cast<HWND*>(lParam);
    if (!found)
        return FALSE;
    char title[256];
    const int length = ::GetWindowTextA(hwnd, title, sizeof title);
    const int wanted = m_kstrAppWindowTitleStart.GetLength();
    if (length >= wanted && strncmp(title, m_kstrAppWindowTitleStart, static_cast<size_t>(wanted)) == 0) {
        *found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND CKWMPELink::LocateAppMainWindow()
{
    HWND found = nullptr;
    ::EnumWindows(&CKWMPELink::EnumWindowsProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CKWMPELink::HideApp()
{
    HWND window = LocateAppMainWindow();
    if (!window)
        return;
    if (!::IsIconic(window))
        ::ShowWindow(window, SW_MINIMIZE);
    ::ShowWindow(window, SW_SHOWMINIMIZED);
    try {
        if (m_app && m_app.Read("Visible").ToBool())
            m_app.Write("Visible", CVariant::Bool(false));
    } catch (const CAutomationError& error) {
        FailCode(error.code);
    }
}

void CKWMPELink::ShowApp()
{
    HWND window = LocateAppMainWindow();
    if (!window)
        return;
    if (::IsIconic(window))
        ::ShowWindow(window, SW_RESTORE);
    ::ShowWindow(window, SW_SHOWNORMAL);
    try {
        if (m_app && !m_app.Read("Visible").ToBool())
            m_app.Write("Visible", CVariant::Bool(true));
    } catch (const CAutomationError& error) {
        FailCode(error.code);
    }
}

void CKWMPELink::CloseApp()
{
    if (!m_app)
        return;
    try {
        m_app.Call("Close", {2});
    } catch (const CAutomationError& error) {
        FailCode(error.code);
    }
    // The system has ended: a later Connect starts and attaches afresh.
    m_app.Release();
    m_bUserCloseDisabled = 0;
}

// ---------------------------------------------------- user-close lock ---

int CKWMPELink::IsUserAppCloseEnabled()
{
    if (!m_app)
        return 0;
    try {
        return m_app.Read("UserCloseLock").ToBool() ? 0 : 1;
    } catch (const CAutomationError& error) {
        return FailCode(error.code);
    }
}

void CKWMPELink::DisableUserAppClose()
{
    if (!m_app || m_bUserCloseDisabled)
        return;
    try {
        m_app.Write("UserCloseLock", CVariant::Bool(true));
        m_bUserCloseDisabled = 1;
    } catch (const CAutomationError& error) {
        FailCode(error.code);
    }
}

void CKWMPELink::EnableUserAppClose()
{
    if (!m_app || !m_bUserCloseDisabled)
        return;
    try {
        m_app.Write("UserCloseLock", CVariant::Bool(false));
        m_bUserCloseDisabled = 0;
    } catch (const CAutomationError& error) {
        FailCode(error.code);
    }
}

int CKWMPELink::GetCommandID(CString name, long& id)
{
    id = 0;
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    try {
        id = m_app.Call("GetCommandId", {name.GetString()}).ToLong();
    } catch (const CAutomationError& error) {
        return FailCode(error.code);
    }
    return 1;
}
