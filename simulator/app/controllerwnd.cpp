#include "simulator/app/controllerwnd.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "simulator/app/iomimic.h"
#include "simulator/app/sequencer.h"
#include "simulator/app/simlog.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"
#include "ui/shelltree.h"

namespace {

const char kTargetsKey[] = "Software\\VexoLabs\\WinTargets";

std::atomic<ControllerEntry> g_ControllerEntry{nullptr};

std::string ReadTarget(const char* program, const char* value)
{
    HKEY key = nullptr;
    const std::string path = std::string(kTargetsKey) + "\\" + program;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    char text[MAX_PATH + 1] = {};
    DWORD type = 0, size = MAX_PATH;
    const LONG result = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(text, strnlen(text, size)) : std::string();
}

// The command-line thread: joins the switching as process 0, runs the
// controller and leaves the switching when the controller stops.
DWORD WINAPI CommandLineThread(LPVOID)
{
    qcrt::AttachCurrentThread(0);
    if (ControllerEntry entry = g_ControllerEntry.load())
        entry();
    else
        qcrt::IdleLoop();
    qcrt::DetachCurrentThread();
    qcrt::g_ProcessRecords[0].runningCount.store(0);
    return 0;
}

} // namespace

std::string& DataFolderOverride()
{
    static std::string folder;
    return folder;
}

void SetSimulatorDataFolder(const std::string& folder)
{
    DataFolderOverride() = folder;
}

std::string SimulatorDataFolder(bool create)
{
    if (!DataFolderOverride().empty())
        return DataFolderOverride();
    char base[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0), nullptr,
                                SHGFP_TYPE_CURRENT, base)) ||
        !base[0])
        return std::string();
    std::string folder = base;
    for (const char* level : {"\\VexoLabs", "\\QCSimulator"}) {
        folder += level;
        if (create)
            CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder + "\\";
}

void SetControllerEntry(ControllerEntry entry)
{
    g_ControllerEntry.store(entry);
}

UINT LinkMessageId()
{
    static const UINT id = RegisterWindowMessageA("Vexo_Link_Message");
    return id;
}

UINT AllowCopyDataMessageId()
{
    static const UINT id = RegisterWindowMessageA("Vexo_Allow_CopyData_Comms_Message");
    return id;
}

namespace {
UINT g_LinkMessage = LinkMessageId();
UINT g_AllowMessage = AllowCopyDataMessageId();
} // namespace

void WriteWindowTarget(const char* value, const char* text)
{
    HKEY key = nullptr;
    const std::string path = std::string(kTargetsKey) + "\\QCSimulation";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
    RegCloseKey(key);
}

BEGIN_MESSAGE_MAP(CControllerWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_COPYDATA()
ON_REGISTERED_MESSAGE(g_LinkMessage, OnLinkMessage)
ON_REGISTERED_MESSAGE(g_AllowMessage, OnAllowQuery)
ON_MESSAGE(WM_SIM_START, OnStart)
ON_MESSAGE(WM_SIM_STOP, OnStop)
ON_MESSAGE(WM_SIM_RESTART, OnRestart)
ON_MESSAGE(WM_SIM_SHUTDOWN, OnShutdown)
ON_MESSAGE(WM_SIM_FEED, OnFeed)
END_MESSAGE_MAP()

CControllerWnd::CControllerWnd() : m_ring(kReceiveRingSize, 0)
{
    SimLog().LogFormat(kLogFindWindow, "Vexo_Link_Message = %u", LinkMessageId());
}

CControllerWnd::~CControllerWnd()
{
    if (m_hWnd)
        DestroyWindow();
    if (qcrt::GetRuntimeHost() == this)
        qcrt::SetRuntimeHost(nullptr);
}

BOOL CControllerWnd::CreateLinkWindow(CWnd* pParent, UINT nID)
{
    const RECT rect = {11, 0, 20, 10};
    LPCTSTR windowClass = AfxRegisterWndClass(0);
    return CreateEx(0, windowClass, kControllerWindowName, WS_CHILD, rect, pParent, nID);
}

int CControllerWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    WriteWindowTarget("CommsWindow", kControllerWindowName);
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_self = m_hWnd;
    qcrt::SetRuntimeHost(this);
    const std::string folder = SimulatorDataFolder(true);

    m_flash = std::make_unique<CMemoryImage>(kFlashImageSize, 0xFF);
    m_batteryRam = std::make_unique<CMemoryImage>(kBatteryRamSize);
    if (!folder.empty()) {
        m_flash->SetFileName(folder + "Flash.img");
        m_flash->Load();
        m_batteryRam->SetFileName(folder + "BB_RAM.img");
        m_batteryRam->Load();
    }
    m_leds = std::make_unique<qcsim::CLEDDriver>();
    return 0;
}

void CControllerWnd::OnDestroy()
{
    CWnd::OnDestroy();
    StopController();
    qcrt::ReleaseFlashDevice();
    if (qcrt::GetRuntimeHost() == this)
        qcrt::SetRuntimeHost(nullptr);
    // Saved at the end of the program only; an image marked for deletion is
    // written and then deleted with its object.
    if (m_flash) {
        m_flash->Save();
        m_flash.reset();
    }
    if (m_batteryRam) {
        m_batteryRam->Save();
        m_batteryRam.reset();
    }
    m_leds.reset();
    m_self = nullptr;
}

template <typename Done> bool CControllerWnd::PumpUntil(Done done, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        MSG msg;
        // Serve sent messages and the queue, so neither side waits on the
        // other; a quit message is put back for the main loop.
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return done();
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

void CControllerWnd::StartController()
{
    if (m_running || m_starting || m_stopping || m_stuck)
        return;
    m_starting = true;
    qcrt::g_RuntimeStopping.store(false);
    qcrt::ResetSchedule();
    qcrt::ProcessRecord& first = qcrt::g_ProcessRecords[0];
    first.stateWord.store(0);
    first.stopRequest.store(0);
    first.runningCount.store(0);
    m_commandLine = CreateThread(nullptr, 0, CommandLineThread, nullptr, CREATE_SUSPENDED, nullptr);
    if (!m_commandLine) {
        m_starting = false;
        return;
    }
    SetThreadPriority(m_commandLine, THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(m_commandLine);
    PumpUntil([&] { return first.runningCount.load() != 0; }, kStopTimeoutMs);
    m_sequencer = std::make_unique<CSequencer>();
    m_running = true;
    m_starting = false;
}

void CControllerWnd::StopController()
{
    if (!m_running || m_starting || m_stopping)
        return;
    m_stopping = true;
    // Every long wait of the runtime ends on the stop flag.
    qcrt::g_RuntimeStopping.store(true);
    if (m_sequencer) {
        m_sequencer->RequestStop();
        if (PumpUntil([&] { return !m_sequencer->IsRunning(); }, kStopTimeoutMs)) {
            m_sequencer.reset();
        } else {
            // A process that never reaches a switch point keeps the
            // wind-down waiting: leave its sequencer rather than hang.
            SimLog().LogLine("Controller did not stop", kLogTaskSwitch);
            (void)m_sequencer.release();
            m_stuck = true;
        }
    }
    if (m_commandLine) {
        PumpUntil([&] { return WaitForSingleObject(m_commandLine, 0) == WAIT_OBJECT_0; }, kStopTimeoutMs);
        CloseHandle(m_commandLine);
        m_commandLine = nullptr;
    }
    m_running = false;
    m_stopping = false;
}

uint64_t CControllerWnd::GetSwitchCount() const
{
    return m_sequencer ? m_sequencer->GetSwitchCount() : 0;
}

void CControllerWnd::RestartController()
{
    StopController();
    StartController();
}

LRESULT CControllerWnd::OnStart(WPARAM, LPARAM)
{
    StartController();
    return 0;
}

LRESULT CControllerWnd::OnStop(WPARAM, LPARAM)
{
    StopController();
    return 0;
}

LRESULT CControllerWnd::OnRestart(WPARAM, LPARAM)
{
    if (!m_starting && !m_stopping)
        RestartController();
    return 0;
}

LRESULT CControllerWnd::OnShutdown(WPARAM, LPARAM)
{
    StopController();
    DestroyWindow();
    return 0;
}

// --- receive -------------------------------------------------------------------

void CControllerWnd::Receive(const uint8_t* data, int length)
{
    SimLog().LogData("Rx: ", data, length, kLogComms);
    int taken = 0;
    if (m_backlog.empty())
        taken = m_ring.Write(data, length);
    if (taken < length) {
        // Behind the ring, in order; fed in as the runtime takes bytes.
        m_backlog.insert(m_backlog.end(), data + taken, data + length);
        m_backlogWaiting.store(true);
    }
}

void CControllerWnd::FeedBacklog()
{
    while (!m_backlog.empty()) {
        if (!m_ring.Put(m_backlog.front()))
            break;
        m_backlog.pop_front();
    }
    m_backlogWaiting.store(!m_backlog.empty());
}

LRESULT CControllerWnd::OnFeed(WPARAM, LPARAM)
{
    m_feedPosted.store(false);
    FeedBacklog();
    return 0;
}

LRESULT CControllerWnd::OnLinkMessage(WPARAM wParam, LPARAM lParam)
{
    // One to four bytes, the first in the low-order byte.
    if (wParam < 1 || wParam > 4)
        return 0;
    uint8_t bytes[4];
    const uint32_t packed = static_cast<uint32_t>(lParam);
    for (int n = 0; n < 4; ++n)
        bytes[n] = static_cast<uint8_t>(packed >> (8 * n));
    Receive(bytes, static_cast<int>(wParam));
    return static_cast<LRESULT>(wParam);
}

BOOL CControllerWnd::OnCopyData(CWnd*, COPYDATASTRUCT* pCopyDataStruct)
{
    if (!pCopyDataStruct || (!pCopyDataStruct->lpData && pCopyDataStruct->cbData))
        return FALSE;
    if (pCopyDataStruct->cbData > 0x100000)
        return FALSE; // more than a link ever carries in one block
    Receive(static_cast<const uint8_t*>(pCopyDataStruct->lpData), static_cast<int>(pCopyDataStruct->cbData));
    return TRUE;
}

LRESULT CControllerWnd::OnAllowQuery(WPARAM, LPARAM)
{
    // The peer is to send link messages, not WM_COPYDATA.
    return 0;
}

// --- transmit --------------------------------------------------------------------

void CControllerWnd::FindTargetWindow()
{
    m_peer.store(nullptr);
    const std::string main = ReadTarget("Vorta", "MainWindow");
    const std::string comms = ReadTarget("Vorta", "CommsWindow");
    if (main.empty() || comms.empty())
        return;
    HWND app = nullptr, found = nullptr;
    while ((app = FindWindowExA(nullptr, app, nullptr, main.c_str())) != nullptr) {
        SimLog().LogFormat(kLogFindWindow, "App Wnd (%s) = 0x%08x", main.c_str(),
                           static_cast<unsigned>(reinterpret_cast<uintptr_t>(app)));
        if (!::IsWindow(app))
            continue;
        if ((found = FindWindowExA(app, nullptr, nullptr, comms.c_str())) != nullptr) {
            SimLog().LogFormat(kLogFindWindow, "Target Wnd (%s) = 0x%08x", comms.c_str(),
                               static_cast<unsigned>(reinterpret_cast<uintptr_t>(found)));
            break;
        }
    }
    if (found) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(found, AllowCopyDataMessageId(), 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
        m_peerAllowAnswer = static_cast<LRESULT>(answer);
        m_peer.store(found);
    }
}

int CControllerWnd::SendBytes(const uint8_t* data, int length)
{
    HWND peer = m_peer.load();
    if (!::IsWindow(peer)) {
        FindTargetWindow();
        peer = m_peer.load();
    }
    if (!::IsWindow(peer) || !data) {
        SimLog().LogFormat(kLogComms, "External window handle invalid (0x%08x)",
                           static_cast<unsigned>(reinterpret_cast<uintptr_t>(peer)));
        return 0;
    }
    if (length <= 0)
        return 1;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "Tx(tlm) 0x%08x: ", static_cast<unsigned>(reinterpret_cast<uintptr_t>(peer)));
    for (int sent = 0; sent < length; sent += 4) {
        const int count = length - sent < 4 ? length - sent : 4;
        uint32_t packed = 0;
        for (int n = 0; n < count; ++n)
            packed |= static_cast<uint32_t>(data[sent + n]) << (8 * n);
        ::PostMessageA(peer, LinkMessageId(), static_cast<WPARAM>(count), static_cast<LPARAM>(packed));
        SimLog().LogData(prefix, data + sent, count, kLogComms);
    }
    return 1;
}

// --- images ----------------------------------------------------------------------

void CControllerWnd::SetDeleteOnExit(bool on)
{
    if (m_flash)
        m_flash->SetDeleteOnExit(on);
    if (m_batteryRam)
        m_batteryRam->SetDeleteOnExit(on);
}

namespace {

// The documents folder as the shell names it.
const char kDocumentsFolderId[] = "::{450d8fba-ad25-11d0-98a8-0800361b1103}";

} // namespace

std::string DocumentsFolderPath()
{
    CShellPidl shell;
    char path[MAX_PATH] = {};
    BOOL named = FALSE;
    if (LPITEMIDLIST pidl = shell.PidlFromPath(kDocumentsFolderId)) {
        named = ::SHGetPathFromIDListA(pidl, path);
        shell.Free(pidl);
    }
    // A shell that does not parse the folder's name still knows the folder.
    if (!named || !path[0])
        named = SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path));
    std::string folder = named ? path : "";
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::string CControllerWnd::DumpImage()
{
    if (!m_batteryRam)
        return std::string();
    const DWORD number = ReadSimSettingDword("\\Config", "DumpSequence", 0);
    std::string folder = DocumentsFolderPath();
    if (folder.empty())
        folder = "C:";
    char name[MAX_PATH + 32];
    std::snprintf(name, sizeof name, "%s\\SimDmpSR%04d.dmp", folder.c_str(), static_cast<int>(number));
    WriteSimSettingDword("\\Config", "DumpSequence", number + 1);
    return m_batteryRam->SaveAs(name) ? std::string(name) : std::string();
}

// --- the runtime's host ------------------------------------------------------------

int CControllerWnd::Write(int port, const uint8_t* data, int length)
{
    if (port != 0)
        return 0;
    // From the runtime's threads: the peer handle is read as it stands.
    return SendBytes(data, length);
}

int CControllerWnd::GetRxCount(int port)
{
    return port == 0 ? m_ring.GetCount() : 0;
}

int CControllerWnd::GetRxChar(int port, uint8_t* out)
{
    if (port != 0) {
        if (out)
            *out = 0;
        return 0;
    }
    const uint8_t byte = m_ring.GetChar();
    if (out)
        *out = byte;
    // Room has appeared: have the window thread feed the bytes behind the ring.
    if (m_backlogWaiting.load() && !m_feedPosted.exchange(true))
        ::PostMessageA(m_self, WM_SIM_FEED, 0, 0);
    return 1;
}

uint8_t* CControllerWnd::GetFlashImage()
{
    return m_flash ? m_flash->GetData() : nullptr;
}

uint32_t CControllerWnd::GetFlashSize()
{
    return m_flash ? m_flash->GetSize() : 0;
}

uint8_t* CControllerWnd::GetBatteryRamImage()
{
    return m_batteryRam ? m_batteryRam->GetData() : nullptr;
}

uint32_t CControllerWnd::GetBatteryRamSize()
{
    return m_batteryRam ? m_batteryRam->GetSize() : 0;
}

uint64_t CControllerWnd::GetTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void CControllerWnd::SleepMs(unsigned milliseconds)
{
    Sleep(milliseconds);
}

bool CControllerWnd::PostToLinkWindow(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    return ::IsWindow(m_self) && ::PostMessageA(m_self, message, wParam, lParam);
}

bool CControllerWnd::PostToDialog(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    return ::IsWindow(m_dialog) && ::PostMessageA(m_dialog, message, wParam, lParam);
}

void CControllerWnd::ShowPrompt(const std::string& text)
{
    ::MessageBoxA(nullptr, text.c_str(), "QC Simulation", MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

bool CControllerWnd::GetLocalAppDataFolder(std::string& folder)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return false;
    folder = path;
    return !folder.empty();
}

bool CControllerWnd::DirectoryExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CControllerWnd::MakeDirectory(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
