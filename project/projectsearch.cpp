#include "project/projectsearch.h"

#include <cmath>
#include <mutex>

#include "foundation/logfile.h"
#include "foundation/winutil.h"
#include "framework/clock.h"
#include "framework/prompt.h"
#include "link/commlinks.h"
#include "link/controllerconnection.h"
#include "shell/linkdialogs/commsdialogs.h"
#include "link/wincomms.h"
#include "project/projectmessages.h"
#include "shell/splashscreen.h"
#include "settings/vqregistry.h"

namespace {

const char* const kSimulatorName = "QCSimulation";
const DWORD kSimulatorStepMs = 100;
const int kSimulatorTries = 100;
const int kSimulatorSettleSteps = 100;
const DWORD kSimulatorQuietMs = 1000;
const DWORD kSimulatorFlushLimitMs = 20000;
const DWORD kAfterFailureMs = 250;
const DWORD kChooserStepMs = 10;

CString Formatted(LPCSTR format, LPCSTR text)
{
    CString result;
    result.Format(format, text);
    return result;
}

CString ReadSimulatorTarget(LPCSTR value) { return ReadTargetValue(kSimulatorName, value); }

std::mutex g_screenOverrideLock;
CControllerSearch::ScreenFactory g_screenOverride;

CString ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString folder(path, static_cast<int>(length < MAX_PATH ? length : 0));
    const int slash = folder.ReverseFind('\\');
    return slash >= 0 ? folder.Left(slash + 1) : CString();
}

} // namespace

CSplashConnectScreen::CSplashConnectScreen(HWND parent)
    : m_pScreen(std::make_unique<CSplashScreen>(CWnd::FromHandle(parent)))
{
    m_bCreated = m_pScreen->Create(CWnd::FromHandle(parent)) != FALSE;
    // Its template is not visible by itself, and the project window it
    // belongs to is hidden: shown here, or the user could never read it nor
    // answer the wait for OK.
    if (m_bCreated) {
        m_pScreen->ShowWindow(SW_SHOW);
        m_pScreen->UpdateWindow();
    }
}

CSplashConnectScreen::~CSplashConnectScreen()
{
    if (m_bCreated && ::IsWindow(m_pScreen->m_hWnd))
        m_pScreen->DestroyWindow();
}

void CSplashConnectScreen::SetStatusText(LPCSTR text) { m_pScreen->SetStatusText(text); }

void CSplashConnectScreen::EnableOkButton(BOOL enable) { m_pScreen->EnableOkButton(enable); }

int CSplashConnectScreen::WaitForUser()
{
    return m_pScreen->WaitForUser() == CSplashScreen::AnsweredOk ? IDOK : IDCANCEL;
}

void CSplashConnectScreen::Cancel()
{
    if (::IsWindow(m_pScreen->m_hWnd))
        ::PostMessageA(m_pScreen->m_hWnd, WM_DESTROY_REQUEST, 0, 0);
}

void CControllerSearch::SetScreenOverride(ScreenFactory factory)
{
    std::lock_guard<std::mutex> lock(g_screenOverrideLock);
    g_screenOverride = std::move(factory);
}

CControllerSearch::ScreenFactory CControllerSearch::GetScreenOverride()
{
    std::lock_guard<std::mutex> lock(g_screenOverrideLock);
    return g_screenOverride;
}

CControllerSearch::CControllerSearch(IProjectHub& hub) : m_hub(hub), m_state(hub.GetConnectionState())
{
    SetScreenFactory(nullptr);
    SetChooserStarter(nullptr);
}

CControllerSearch::~CControllerSearch() = default;

void CControllerSearch::SetScreenFactory(ScreenFactory factory)
{
    m_screenFactory = factory ? std::move(factory) : ScreenFactory([](HWND parent) {
        auto screen = std::make_unique<CSplashConnectScreen>(parent);
        return screen->IsCreated() ? std::unique_ptr<IConnectScreen>(std::move(screen)) : nullptr;
    });
}

void CControllerSearch::SetChooserStarter(ChooserStarter starter)
{
    m_chooserStarter = starter ? std::move(starter) : ChooserStarter([](HWND hub) {
        auto* dialog = new CChooseCommsLinkDialog(nullptr, hub);
        if (dialog->Start(GetMainWindowHandle()))
            return TRUE;
        delete dialog;
        return FALSE;
    });
}

CCommPortData CControllerSearch::DirectSerialLink()
{
    CCommPortData record;
    record.SetLinkDefaults("COM1", LINK_TYPE_SERIAL);
    record.SetSerial(DEFAULT_SERIAL_PORT, DEFAULT_BAUD_RATE, 7, LINK_STOP_BITS_2, LINK_PARITY_EVEN);
    return record;
}

CCommPortData CControllerSearch::SimulatorLink()
{
    CCommPortData record;
    record.SetLinkDefaults("QCSim", LINK_TYPE_SIMULATOR);
    record.m_nActive = 1;
    return record;
}

void CControllerSearch::Status(LPCSTR text)
{
    GlobalLogLine(CString("Connect: ") + text, LOG_STATUS_ERRORS);
    if (m_pScreen)
        m_pScreen->SetStatusText(text);
}

BOOL CControllerSearch::ReadLink(int index, CCommPortData& record)
{
    if (index == SIMULATOR_LINK_INDEX) {
        record = SimulatorLink();
        return TRUE;
    }
    return GetCommLink(index, record) ? TRUE : FALSE;
}

BOOL CControllerSearch::ApplyLink(const CCommPortData& record)
{
    CControllerConnection* connection = m_hub.GetConnection();
    if (connection && connection->ApplyLinkData(&record, TRUE))
        return TRUE;
    Status(Formatted("Error setting comms parameters for %s", record.FormatDescription(true)));
    return FALSE;
}

BOOL CControllerSearch::TryLink(const CCommPortData& link)
{
    CControllerConnection* connection = m_hub.GetConnection();
    const CString description = link.FormatDescription(true);
    if (link.m_nType >= LINK_TYPE_SERIAL && link.m_nType <= LINK_TYPE_FINS)
        Status(Formatted("Checking %s", description));
    else
        Status(Formatted("Comms port configuration error %s", description));
    if (!connection)
        return FALSE;
    connection->OpenLink(m_hub.GetHubWindow(), &link, TRUE);
    CComms* opened = connection->GetLink();
    if (!opened || !opened->GetOpenFlag()) {
        Status(Formatted("->No comm port @ %s", description));
        CString port = connection->GetLinkName(FALSE);
        if (port.IsEmpty())
            port = link.m_szName;
        m_hub.SetDirectPortText(port);
        CVQRegistry().SetDefaultDirectPort(port);
        return FALSE;
    }
    const int row = connection->GetModelRow();
    if (row == MODEL_ROW_NONE) {
        Status(Formatted("->No controller found @ %s", description));
        return FALSE;
    }
    if (row == MODEL_ROW_UNKNOWN) {
        Status(Formatted("-> Unrecognized controller found @ %s", description));
        return FALSE;
    }
    const double version = std::floor((connection->GetStoredVersion() + 0.00001) * 10000.0) / 10000.0;
    if (connection->GetLinkMode() != CONNECTION_CHANNEL_MODE) {
        Status(Formatted("Cannot make channel connection to controller on port %s", description));
        return FALSE;
    }
    if (connection->IsLocked()) {
        Status("->Controller locked, cannot connect");
        return FALSE;
    }
    CString found;
    found.Format("->Controller %s version %.4f found", connection->GetModel().m_szName, version);
    Status(found);
    return TRUE;
}

int CControllerSearch::ChooseLink(BOOL apply)
{
    const int count = GetCommLinkCount();
    CControllerConnection* connection = m_hub.GetConnection();
    auto readAndOpen = [&](int index) {
        CCommPortData record;
        if (ReadLink(index, record) && apply && connection)
            connection->OpenLink(m_hub.GetHubWindow(), &record, FALSE);
    };
    if (count == 0) {
        AfxGetPromptService().Prompt(m_hub.GetHubWindow(), "No comm links available", "Direct connection", MB_OK);
        return -1;
    }
    if (count == 1) {
        readAndOpen(0);
        return -1;
    }
    if (m_state.selectedLink < 0 || m_state.selectedLink >= count) {
        // The chooser sets the link (0x81E6) and gives the tool id word
        // back when it closes (0x8172).
        m_state.toolIdWord = 0;
        if (m_chooserStarter(m_hub.GetHubWindow())) {
            while (m_state.toolIdWord == 0 && !m_hub.IsClosing()) {
                if (!PumpOneMessage())
                    SleepServingSent(kChooserStepMs);
            }
        }
        if (m_state.toolIdWord == 0)
            m_state.toolIdWord = TOOL_TERMINAL;
    }
    const int selected = m_state.selectedLink;
    if (selected < 0 || selected >= count)
        return -1;
    readAndOpen(selected);
    return selected;
}

BOOL CControllerSearch::FindSimulatorWindows()
{
    const CString mainTitle = ReadSimulatorTarget("MainWindow");
    const CString commsTitle = ReadSimulatorTarget("CommsWindow");
    if (mainTitle.IsEmpty() || commsTitle.IsEmpty())
        return FALSE;
    HWND app = nullptr;
    while ((app = ::FindWindowExA(nullptr, app, nullptr, mainTitle)) != nullptr)
        if (::FindWindowExA(app, nullptr, nullptr, commsTitle))
            return TRUE;
    return FALSE;
}

BOOL CControllerSearch::StartSimulator()
{
    CHubBusy busy(m_hub);
    if (!ReadSimulatorTarget("MainWindow").IsEmpty() && FindSimulatorWindows())
        return FALSE;
    CString file;
    if (!CVQRegistry().GetExternalToolFile(kSimulatorName, file) || file.IsEmpty())
        file = ProgramFolder() + "QCSimulation.exe";
    const DWORD attributes = ::GetFileAttributesA(file);
    BOOL started = FALSE;
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        const int slash = file.ReverseFind('\\');
        const CString folder = slash > 0 ? file.Left(slash) : CString();
        CString commandLine = file;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOW;
        PROCESS_INFORMATION process = {};
        started = ::CreateProcessA(file, commandLine.GetBuffer(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                                   nullptr, folder.IsEmpty() ? nullptr : folder.GetString(), &startup, &process);
        commandLine.ReleaseBuffer();
        if (started) {
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
        }
    }
    if (!started) {
        // Nothing was started: say so instead of waiting 20 s for it.
        CString text;
        text.Format("Unable to start tool %s\n\nFile: %s", kSimulatorName, file.GetString());
        AfxGetPromptService().Prompt(m_hub.GetHubWindow(), text, "Start Tool", MB_OK);
        return FALSE;
    }
    BOOL found = FALSE;
    for (int attempt = 0; attempt < kSimulatorTries && !found; ++attempt) {
        SleepServingSent(kSimulatorStepMs);
        found = FindSimulatorWindows();
        PumpWaitingMessages();
    }
    for (int step = 0; step < kSimulatorSettleSteps; ++step) {
        SleepServingSent(kSimulatorStepMs);
        PumpWaitingMessages();
    }
    CControllerConnection* connection = m_hub.GetConnection();
    if (found && connection)
        connection->FlushInput(kSimulatorQuietMs, kSimulatorFlushLimitMs);
    return found;
}

BOOL CControllerSearch::OpenSelectedLink(int index)
{
    if (index >= 0)
        m_state.selectedLink = index;
    const int selected = m_state.selectedLink;
    CControllerConnection* connection = m_hub.GetConnection();
    if (selected < 0 || !connection || connection->GetLinkMode() == CONNECTION_CHANNEL_MODE)
        return FALSE;
    CCommPortData record;
    if (!ReadLink(selected, record))
        return FALSE;
    const BOOL opened = connection->OpenLink(m_hub.GetHubWindow(), &record, FALSE);
    CVQRegistry().SetDefaultDirectLink(static_cast<DWORD>(selected));
    return opened;
}

void CControllerSearch::CancelScreen()
{
    if (m_pScreen)
        m_pScreen->Cancel();
}

void CControllerSearch::ConnectDirectly(BOOL simulator, int count)
{
    CControllerConnection* connection = m_hub.GetConnection();
    m_state.selectedLink = static_cast<int>(CVQRegistry().GetDefaultDirectLink());
    m_state.selectedLink = ChooseLink(FALSE);
    const int selected = m_state.selectedLink;
    CCommPortData record;
    if (simulator) {
        record = SimulatorLink();
        m_state.selectedLink = SIMULATOR_LINK_INDEX;
        Status(Formatted("Connecting directly to %s", record.FormatDescription(true)));
    } else if (m_state.directSerial || selected < 0 || (selected >= count && selected != SIMULATOR_LINK_INDEX) ||
               !ReadLink(selected, record)) {
        record = DirectSerialLink();
        m_state.directSerial = FALSE;
    } else {
        Status(Formatted("Connecting directly to %s", record.FormatDescription(true)));
    }
    if (record.m_nType == LINK_TYPE_SIMULATOR)
        StartSimulator();
    if (!ApplyLink(record))
        return;
    if (!connection || !connection->OpenLink(m_hub.GetHubWindow(), &record, FALSE))
        Status(Formatted("Error setting comms parameters for %s", record.FormatDescription(true)));
    m_state.startupSkip = FALSE;
}

int CControllerSearch::SearchController(BOOL showScreen, BOOL simulator)
{
    CHubBusy busy(m_hub);
    CControllerConnection* connection = m_hub.GetConnection();
    m_hub.ClearProcessList();
    if (connection)
        connection->RemoveAllPrograms();
    const int count = GetCommLinkCount();
    int index = -1;
    if (m_state.preferredLink >= 0)
        index = m_state.preferredLink.exchange(-1);
    int result = 0;
    bool simulatorAsked = simulator != FALSE;
    if (count == 0 && !simulator) {
        AfxGetPromptService().Prompt(m_hub.GetHubWindow(), "No communications links specified",
                                     "Connect to controller", MB_OK);
    } else {
        if (!m_pScreen)
            m_pScreen = m_screenFactory(m_hub.GetHubWindow());
        if (m_pScreen) {
            if (connection)
                connection->ClearIdentification();
            if (!m_state.startupSkip) {
                if (simulator || index == SIMULATOR_LINK_INDEX) {
                    simulatorAsked = true;
                    const CCommPortData record = SimulatorLink();
                    StartSimulator();
                    if (TryLink(record)) {
                        result = 1;
                        index = SIMULATOR_LINK_INDEX;
                    }
                } else if (index >= 0 && index < count) {
                    CCommPortData record;
                    if (ReadLink(index, record)) {
                        if (record.m_nType == LINK_TYPE_SIMULATOR)
                            StartSimulator();
                        result = TryLink(record) ? 1 : 0;
                    }
                } else {
                    for (int n = 0; n < count && !m_hub.IsClosing(); ++n) {
                        CCommPortData record;
                        if (!ReadLink(n, record) || !record.m_nActive)
                            continue;
                        if (record.m_nType == LINK_TYPE_SIMULATOR)
                            StartSimulator();
                        if (!ApplyLink(record))
                            break;
                        if (TryLink(record)) {
                            index = n;
                            result = 1;
                            break;
                        }
                    }
                }
                if (result) {
                    m_state.selectedLink = index;
                    if (index >= 0 && index != SIMULATOR_LINK_INDEX)
                        CVQRegistry().SetDefaultDirectLink(static_cast<DWORD>(index));
                }
            } else {
                ConnectDirectly(simulator, count);
            }
            if (showScreen && m_pScreen && !m_hub.IsClosing()) {
                m_pScreen->EnableOkButton(result || simulatorAsked ? TRUE : FALSE);
                if (m_pScreen->WaitForUser() != IDOK)
                    result = 0;
            }
            m_pScreen.reset();
        }
    }
    if (!result)
        PostIfWindow(m_hub.GetControlPanelWindow(), PWM_NOT_FOUND);
    if (m_hub.IsClosing()) {
        m_state.startupSkip = FALSE;
        return result;
    }
    const HWND frame = m_hub.GetMainFrameWindow();
    if (result) {
        const CString model = connection ? CString(connection->GetModel().m_szName) : CString();
        SendIfWindow(frame, WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>(model.GetString()));
    } else if (connection) {
        connection->ClearIdentification();
        connection->LeaveChannelMode();
        SleepServingSent(kAfterFailureMs);
        CComms* link = connection->GetLink();
        if (count > 0 && link && link->GetOpenFlag()) {
            PostIfWindow(m_hub.GetHubWindow(), WM_PW_OPEN_TOOL, TOOL_TERMINAL, 1);
            SendIfWindow(frame, WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>(""));
        }
    }
    m_state.startupSkip = FALSE;
    return result;
}
