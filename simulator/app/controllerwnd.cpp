#include "simulator/app/controllerwnd.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "simulator/app/iomimic.h"
#include "simulator/app/sequencer.h"
#include "simulator/app/simlog.h"
#include "simulator/app/userdialog.h"
#include "simulator/runtime/channels.h"
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
    // A folder named in the environment (tests and benchmarks keep images of
    // their own there) takes the place of the user's one.
    char named[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(kDataFolderVariable, named, sizeof named);
    if (length > 0 && length < sizeof named) {
        std::string folder = named;
        if (create)
            CreateDirectoryA(folder.c_str(), nullptr);
        return folder.back() == '\\' ? folder : folder + "\\";
    }
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
        m_batteryRam->SetFileName(folder + "BB_RAM.img");
        if (!LoadImages(lpCreateStruct->hwndParent)) {
            // The user would rather look at the files first: nothing is
            // written over them.
            m_flash.reset();
            m_batteryRam.reset();
            qcrt::SetRuntimeHost(nullptr);
            return -1;
        }
    }
    m_leds = std::make_unique<qcsim::CLEDDriver>();
    return 0;
}

namespace {

const char kCaption[] = "QC Simulation";

std::string SystemErrorText(DWORD error)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    std::string result = text;
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    if (result.empty())
        result = "error " + std::to_string(error);
    return result;
}

} // namespace

bool CControllerWnd::LoadImages(HWND owner)
{
    using Result = CMemoryImage::LoadResult;
    std::string problems;
    CMemoryImage* faulty[2] = {};
    int count = 0;
    for (CMemoryImage* image : {m_flash.get(), m_batteryRam.get()}) {
        const Result result = image->Load();
        if (result == Result::Loaded || result == Result::Missing)
            continue;
        const DWORD error = GetLastError();
        WIN32_FILE_ATTRIBUTE_DATA data{};
        const bool sized = GetFileAttributesExA(image->GetFileName().c_str(), GetFileExInfoStandard, &data) != FALSE;
        char line[MAX_PATH + 160];
        if (result == Result::WrongSize && sized && data.nFileSizeHigh == 0)
            std::snprintf(line, sizeof line, "%s holds %lu bytes instead of %lu.\n", image->GetFileName().c_str(),
                          static_cast<unsigned long>(data.nFileSizeLow), static_cast<unsigned long>(image->GetSize()));
        else if (result == Result::WrongSize)
            std::snprintf(line, sizeof line, "%s is not %lu bytes long.\n", image->GetFileName().c_str(),
                          static_cast<unsigned long>(image->GetSize()));
        else
            std::snprintf(line, sizeof line, "%s could not be read: %s\n", image->GetFileName().c_str(),
                          SystemErrorText(error).c_str());
        problems += line;
        faulty[count++] = image;
    }
    if (!count)
        return true;
    SimLog().LogLine(problems.c_str(), kLogComms);
    const std::string text = "The simulator's memory could not be read:\n\n" + problems +
                             "\nStart with blank memory (the old files are kept with \".bak\" added to their "
                             "names), or quit and close the program that holds them or restore them first.";
    const LPCTSTR labels[2] = {"&Start blank", "&Quit"};
    if (AfxGetPromptService().PromptLabelled(owner, text.c_str(), kCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2,
                                             labels, 2) != IDYES)
        return false;
    for (int n = 0; n < count; ++n) {
        if (faulty[n]->KeepAsBackup())
            continue;
        // Never written over: this run's memory of it is not kept.
        const std::string failed = "The simulator could not rename " + faulty[n]->GetFileName() + " to " +
                                   faulty[n]->GetFileName() + ".bak (" + SystemErrorText(GetLastError()) +
                                   ").\n\nThe file is left as it is, and this run's memory is not saved to it.";
        faulty[n]->SetFileName(std::string());
        qcsim::ShowMessage(owner, failed, kCaption);
    }
    return true;
}

bool CControllerWnd::SaveImages(HWND owner)
{
    std::string failed;
    for (CMemoryImage* image : {m_flash.get(), m_batteryRam.get()}) {
        // An image marked for deletion goes with its object, unwritten.
        if (!image || image->GetFileName().empty() || image->GetDeleteOnExit())
            continue;
        if (!image->Save())
            failed += image->GetFileName() + ": " + SystemErrorText(GetLastError()) + "\n";
    }
    if (failed.empty())
        return true;
    SimLog().LogLine(("Saving the memory images failed: " + failed).c_str(), kLogComms);
    qcsim::ShowMessage(owner, "The simulator's memory could not be saved:\n\n" + failed +
                                     "\nThe files keep the memory of the last save. Make sure the folder can be "
                                     "written and has room.",
                       kCaption);
    return false;
}

bool CControllerWnd::SaveForSessionEnd()
{
    // The session may end the program as soon as this returns: the
    // controller is stopped so the images are written whole.
    StopController();
    return SaveImages(m_dialog);
}

void CControllerWnd::OnDestroy()
{
    CWnd::OnDestroy();
    StopController();
    qcrt::ReleaseFlashDevice();
    if (qcrt::GetRuntimeHost() == this)
        qcrt::SetRuntimeHost(nullptr);
    // Saved at the end of the program; an image marked for deletion is
    // deleted with its object. The main dialog is going: the report has
    // no owner.
    SaveImages(nullptr);
    m_flash.reset();
    m_batteryRam.reset();
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
        // other; a quit message is put back for the main loop. A bounded
        // number per turn: a peer that posts without pause must not keep
        // the wait from seeing that it is over.
        for (int served = 0; served < kMessagesPerTurn && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++served) {
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
    m_sequencer = std::make_unique<CSequencer>(m_tick, [this] { return ControllerIdle(); }, m_wake);
    m_running = true;
    m_starting = false;
}

bool CControllerWnd::ControllerIdle()
{
    // Output that went to the peer since the last tick: more may follow at
    // the full pace. A command line that yielded since then waits for
    // something (input, or output nobody takes).
    const bool sent = m_sentSinceTick.exchange(false);
    // A command line in channel mode waits for its next slice (parked, not
    // asleep): that too is a wait for something.
    const uint64_t waits = qcrt::NextSliceWaits();
    const bool yielded = m_yieldedSinceTick.exchange(false) || waits != m_sliceWaitsSeen;
    m_sliceWaitsSeen = waits;
    if (m_receivedSinceTick.exchange(false) || sent)
        m_busyTicksLeft = kBusyTicksAfterTraffic;
    else if (m_busyTicksLeft > 0)
        --m_busyTicksLeft;
    // Output the last slice made is still in the runtime's rings: the next
    // tick's services send it, so that tick comes at once.
    if (m_busyTicksLeft > 0 || !(yielded || m_tick->GetWaiters() > 0) || qcrt::g_CurrentProcess.load() != 0 ||
        qcrt::g_MotionEnabled.load() || m_ring.GetCount() != 0 || m_backlogWaiting.load() ||
        qcrt::OutputWaitingForPort(0))
        return false;
    for (int process = 1; process < qcrt::kProcessCount; ++process) {
        if (qcrt::IsProcessActive(process))
            return false;
    }
    return true;
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
        m_wake->Signal(); // ends an idle wait at once
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
    m_receivedSinceTick.store(true);
    m_wake->Signal();
    int taken = 0;
    if (m_backlog.empty())
        taken = m_ring.Write(data, length);
    if (taken < length) {
        // Behind the ring, in order; fed in as the runtime takes bytes.
        m_backlog.insert(m_backlog.end(), data + taken, data + length);
        m_backlogSize.store(static_cast<int>(m_backlog.size()));
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
    m_backlogSize.store(static_cast<int>(m_backlog.size()));
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
    // Refused (the sender keeps its bytes and sends them again later)
    // while what is queued behind the ring would pass the limit.
    if (pCopyDataStruct->cbData > static_cast<DWORD>(kReceiveQueueLimit - m_ring.GetCount() -
                                                     static_cast<int>(m_backlog.size())))
        return FALSE;
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
        // Looked for again at most every kPeerSearchMs: output that waits
        // for a development environment is offered at every tick, and each
        // search reads the registry.
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG last = m_lastPeerSearch.load();
        if (last == 0 || now - last >= kPeerSearchMs) {
            m_lastPeerSearch.store(now);
            FindTargetWindow();
        }
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
    const int sent = SendBytes(data, length);
    if (sent > 0 && length > 0)
        m_sentSinceTick.store(true);
    return sent;
}

int CControllerWnd::GetRxCount(int port)
{
    return port == 0 ? m_ring.GetCount() : 0;
}

int CControllerWnd::GetRxRoom(int port)
{
    // Link messages cannot be refused; past the queue's limit blocks are.
    if (port != 0)
        return -1;
    const int room = kReceiveQueueLimit - m_ring.GetCount() - m_backlogSize.load();
    return room > 0 ? room : 0;
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
    // A process thread that gives up the processor waits for something
    // that can be new: the sequencer's next tick, where its slice ends and
    // the services move bytes; never longer than a tick, so a sleep with no
    // sequencer running is a short one. Other threads only yield.
    const bool process = qcrt::CurrentThreadProcess() != qcrt::kNoProcess;
    if (process)
        m_yieldedSinceTick.store(true);
    if (milliseconds == 0 && process) {
        m_tick->Wait(CSequencer::kIdleTickMs);
        return;
    }
    Sleep(milliseconds);
}

bool CControllerWnd::PostToLinkWindow(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    return ::IsWindow(m_self) && ::PostMessageA(m_self, message, wParam, lParam);
}

bool CControllerWnd::PostToDialog(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    // The output word comes every fourth tick; the dialog hears of it only
    // when it has changed.
    const bool outputs = message == qcrt::kOutputsMessage;
    if (outputs && m_outputsPosted.load() && m_lastOutputs.load() == wParam)
        return true;
    if (!::IsWindow(m_dialog) || !::PostMessageA(m_dialog, message, wParam, lParam))
        return false;
    if (outputs) {
        m_lastOutputs.store(wParam);
        m_outputsPosted.store(true);
    }
    return true;
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
