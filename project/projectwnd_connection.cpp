// The project window's search and simulator start, connect and disconnect,
// saved layout and hardware scan: the window is the hub (IProjectHub) of
// the classes that do the work (CControllerSearch, CProjectConnector,
// CWindowLayout, ScanControllerHardware), and its members here hand each
// request to them.
#include "project/projectwnd.h"

#include <initializer_list>

#include "link/commandtable.h"
#include "project/hardwarescan.h"
#include "project/projectbackup.h"
#include "project/projectconnect.h"
#include "project/projectlayout.h"
#include "project/projectsearch.h"
#include "shell/splashscreen.h"

namespace {

// The tool windows a layout restore opens.
const int kRestorableTools[] = {1000, 1001, 1013, 1020, 1024, 1028, 1030, 1031, 1037, 1041, 1042, 1044, 1045, 1049};

bool IsRestorable(int toolId)
{
    for (int tool : kRestorableTools)
        if (tool == toolId)
            return true;
    return false;
}

class CWindowHub : public IProjectHub {
public:
    explicit CWindowHub(CProjectWnd& window) : m_window(window) {}

    HWND GetHubWindow() override { return m_window.GetSafeHwnd(); }
    HWND GetMainFrameWindow() override { return m_window.GetMainFrameWindow(); }
    HWND GetControlPanelWindow() override { return m_window.GetControlPanelWindow(); }
    CControllerConnection* GetConnection() override { return &m_window.GetConnection(); }
    CProjectFile* GetProjectFile() override { return &m_window.GetProjectFile(); }

    CConnectionState& GetConnectionState() override { return m_window.m_connectionState; }
    bool IsClosing() override { return m_window.IsClosing() != FALSE; }
    void SetDirectPortText(LPCSTR text) override { m_window.m_strDirectPort = text ? text : ""; }
    void SetPendingRestore(const SWindowParameters* record) override { m_window.SetPendingRestore(record); }
    bool IsRestorePending() override { return m_window.IsRestorePending(); }
    bool IsReplyDispatchBlocked() override { return m_window.IsReplyDispatchBlocked(); }
    void RaiseBusy() override { m_busy.push_back(std::make_unique<CProjectWnd::CBusy>(m_window)); }
    void LowerBusy() override
    {
        if (!m_busy.empty())
            m_busy.pop_back();
    }

    void GetRegisteredWindows(std::vector<RegisteredTool>& windows) override
    {
        windows.clear();
        for (const CProjectWnd::CToolRecord& record : m_window.GetToolRecords())
            windows.push_back(
                RegisteredTool{record.hWnd, record.toolId, record.replyMode, record.channels, record.name, record.reply != nullptr});
    }
    void CloseAllToolWindows(int exceptToolId) override
    {
        m_window.CloseAllWindows(static_cast<UINT>(exceptToolId > 0 ? exceptToolId : 0));
    }
    void CloseToolWindows(int toolId) override { m_window.CloseToolWindowsOfId(static_cast<UINT>(toolId)); }
    void BroadcastToTools(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        m_window.Broadcast(message, wParam, lParam);
    }
    void PassReplyToTools(const ControllerMessage& reply) override
    {
        ControllerMessage copy(reply);
        m_window.Broadcast(PWM_PROCESS_MESSAGE, 0, reinterpret_cast<LPARAM>(&copy));
    }
    std::unique_ptr<IHubProgress> StartProgress(LPCSTR caption) override
    {
        return StartGaugeProgress(m_window.GetSafeHwnd(), caption);
    }
    OpenResult OpenToolForRestore(const SWindowParameters& record) override
    {
        const int toolId = LayoutField(record, LAYOUT_TOOL_ID);
        if (!IsRestorable(toolId))
            return OPEN_SKIPPED;
        if (toolId == TOOL_EDITOR) {
            const CString program = GetLayoutProgramName(record);
            if (program.IsEmpty() || !m_window.GetConnection().HasProgram(program))
                return OPEN_SKIPPED;
            // Opened as a program editor is: no run, no process yet.
            return m_window.CreateEditorFrame(program, 0, -1) ? OPEN_OPENED : OPEN_FAILED;
        }
        const int channel = record.m_channels.GetAt(0);
        const BOOL created = m_window.CreateTool(static_cast<UINT>(toolId), channel >= -1 && channel <= 7 ? channel : 0);
        return created ? OPEN_OPENED : OPEN_FAILED;
    }

    BOOL RunCommand(int commandId, int integer, LPCSTR text) override
    {
        m_nLastCommand = commandId;
        return m_window.RunControllerCommand(commandId, integer, text);
    }
    int GetAnswerWord() override
    {
        const CProjectWnd::ReplyValues values = m_window.GetReplyValues();
        return m_nLastCommand == CMD_COMMSTYPE ? values.slotType : values.axisType;
    }
    int GetPowerUpState() override { return m_window.GetConnection().IsPowerUpActive() ? 1 : 0; }
    int GetWatchdogValue() override { return m_window.m_nWatchdog.load(); }
    int GetFreeMemory() override { return m_window.m_nFreeMemory.load(); }
    CString GetSelectedProgramName() override { return m_window.GetConnection().GetSelectedProgram(); }
    int GetAxisCountAtServoPeriod() override { return m_window.GetAxisCountAtServoPeriod(); }
    void RefreshIOCounts(int kind) override
    {
        const UINT messages[] = {PWM_DIGITAL_IO_COUNT, PWM_ANALOGUE_IN_COUNT, PWM_ANALOGUE_OUT_COUNT};
        if (kind >= 0 && kind < 3)
            m_window.GetIOCount(messages[kind], TRUE);
    }
    void SetModuleSlot(int slot, int value) override
    {
        if (slot >= 0 && slot < static_cast<int>(m_window.m_moduleSlots.size()))
            m_window.m_moduleSlots[static_cast<std::size_t>(slot)] = value;
    }

    // The IEC project load comes with the project operations; until then
    // it fails without acting.
    BOOL CheckProject(BOOL autoResolve) override { return m_window.RunProjectCheck(autoResolve); }
    BOOL BackupProject() override
    {
        // A cancel request (0x8112) that arrives meanwhile fails it.
        m_window.m_nCancel = 0;
        const BOOL backedUp = ::BackupProject(*this);
        return backedUp && m_window.m_nCancel == 0 ? TRUE : FALSE;
    }
    bool AreProgramsFixed() override { return m_window.AreProgramsFixed(); }
    void OfferEPROMStore(int reason) override { m_window.OfferEPROMStore(reason); }
    BOOL LoadIECProjectToController() override { return FALSE; }
    void WriteAutoRunToProject() override
    {
        if (!m_window.IsProjectOpen())
            return;
        CProjectFile& file = m_window.GetProjectFile();
        file.DeleteSection("AutoRun");
        for (const CProgramData& program : m_window.GetConnection().GetPrograms())
            file.SetAutoRun(program.m_strName, program.m_nAutoRun);
    }
    void ClearProcessList() override { m_window.ClearProcesses(); }
    void ResetAxisValues() override
    {
        for (int& slot : m_window.m_moduleSlots)
            slot = -1;
    }

private:
    CProjectWnd& m_window;
    std::vector<std::unique_ptr<CProjectWnd::CBusy>> m_busy;
    int m_nLastCommand = 0;
};

// The program's connect screen, known to the window while it shows, so that
// the destroy request can answer it with Cancel.
class CWindowConnectScreen : public CSplashConnectScreen {
public:
    CWindowConnectScreen(CProjectWnd& window) : CSplashConnectScreen(window.GetSafeHwnd()), m_window(window)
    {
        if (IsCreated())
            m_window.m_pConnectScreen = GetSplash();
    }
    ~CWindowConnectScreen() override { m_window.m_pConnectScreen = nullptr; }

private:
    CProjectWnd& m_window;
};

} // namespace

struct CProjectWnd::CConnectionParts {
    explicit CConnectionParts(CProjectWnd& window)
        : hub(window), layout(hub), search(hub), connector(hub, search, layout)
    {
        search.SetScreenFactory([&window](HWND parent) -> std::unique_ptr<IConnectScreen> {
            if (const CControllerSearch::ScreenFactory replacement = CControllerSearch::GetScreenOverride())
                return replacement(parent);
            auto screen = std::make_unique<CWindowConnectScreen>(window);
            if (!screen->IsCreated())
                return nullptr;
            return screen;
        });
        connector.SetTimeSource([&window] { return window.Now(); });
    }

    CWindowHub hub;
    CWindowLayout layout;
    CControllerSearch search;
    CProjectConnector connector;
};

CProjectWnd::CConnectionParts& CProjectWnd::GetConnectionParts()
{
    if (!m_pConnectionParts)
        m_pConnectionParts = std::make_shared<CConnectionParts>(*this);
    return *m_pConnectionParts;
}

// ---- Search and simulator start.

BOOL CProjectWnd::SearchController(int showScreen, int simulator)
{
    return GetConnectionParts().search.SearchController(showScreen, simulator);
}

BOOL CProjectWnd::TryLink(const CCommPortData& link)
{
    return GetConnectionParts().search.TryLink(link);
}

int CProjectWnd::ChooseLink(BOOL apply)
{
    return GetConnectionParts().search.ChooseLink(apply);
}

BOOL CProjectWnd::StartSimulator()
{
    return GetConnectionParts().search.StartSimulator();
}

BOOL CProjectWnd::OpenSelectedLink(int index)
{
    return GetConnectionParts().search.OpenSelectedLink(index);
}

// ---- Connect and disconnect.

BOOL CProjectWnd::Connect(WPARAM parameter)
{
    return GetConnectionParts().connector.Connect(parameter);
}

BOOL CProjectWnd::PostConnect(int extras, int autoResolve)
{
    return GetConnectionParts().connector.RunPostConnect(extras, autoResolve);
}

int CProjectWnd::Disconnect(UINT keepToolId, int reason)
{
    return GetConnectionParts().connector.Disconnect(static_cast<int>(keepToolId), reason);
}

LRESULT CProjectWnd::OnConnectRequest(WPARAM wParam, LPARAM)
{
    GetConnectionParts().connector.OnConnectRequest(wParam);
    return 0;
}

LRESULT CProjectWnd::OnConnectWithProject(WPARAM wParam, LPARAM lParam)
{
    if (m_bConnecting) {
        DeferMessage(PWM_CONNECT_WITH_PROJECT, wParam, lParam);
        return 0;
    }
    // The user chooses the project first; without one there is nothing to
    // connect with, and the main frame waits for its "ready".
    if (ChooseProjectFile(1) != 2) {
        PostToMainFrame(PWM_READY);
        return 0;
    }
    GetConnectionParts().connector.OnConnectRequest(wParam);
    return 0;
}

LRESULT CProjectWnd::OnDisconnectRequest(WPARAM wParam, LPARAM lParam)
{
    GetConnectionParts().connector.OnDisconnectRequest(static_cast<int>(wParam), static_cast<int>(lParam));
    return 0;
}

LRESULT CProjectWnd::OnApplyLink(WPARAM wParam, LPARAM lParam)
{
    GetConnectionParts().connector.OnChangeLink(reinterpret_cast<const int*>(wParam),
                                                reinterpret_cast<const CCommPortData*>(lParam));
    return 0;
}

LRESULT CProjectWnd::OnLockRequest(WPARAM wParam, LPARAM lParam)
{
    GetConnectionParts().connector.OnLock(wParam != 0 ? TRUE : FALSE, static_cast<long>(lParam));
    return 0;
}

LRESULT CProjectWnd::OnSearchSimulator(WPARAM, LPARAM)
{
    GetConnectionParts().connector.OnConnectToSimulator();
    return 0;
}

LRESULT CProjectWnd::OnHandOverLink(WPARAM wParam, LPARAM)
{
    HandOverLink(static_cast<UINT>(wParam));
    return 0;
}

LRESULT CProjectWnd::OnLinkFailed(WPARAM, LPARAM)
{
    GetConnectionParts().connector.OnLinkFailure();
    return 0;
}

BOOL CProjectWnd::BackupOpenProject()
{
    return GetConnectionParts().hub.BackupProject();
}

// ---- Layout.

void CProjectWnd::CollectLayout()
{
    GetConnectionParts().layout.Collect();
}

void CProjectWnd::SaveLayout(LPCSTR section)
{
    if (section && CString(section) == "Desktop")
        GetConnectionParts().layout.SaveDesktop();
    else
        GetConnectionParts().layout.SaveAutoDesktop();
}

BOOL CProjectWnd::ReadLayout(LPCSTR section)
{
    return GetConnectionParts().layout.ReadSection(section ? section : "AutoDesktop");
}

void CProjectWnd::RestoreWindows()
{
    GetConnectionParts().layout.Restore();
}

LRESULT CProjectWnd::OnRestoreRecord(WPARAM, LPARAM lParam)
{
    return GetConnectionParts().layout.OnRestoreRecord(reinterpret_cast<const SWindowParameters*>(lParam));
}

LRESULT CProjectWnd::OnRestoreAutoDesktop(WPARAM, LPARAM)
{
    GetConnectionParts().layout.RestoreLastDesktop();
    return 0;
}

LRESULT CProjectWnd::OnRestoreDesktop(WPARAM, LPARAM)
{
    GetConnectionParts().layout.RestoreSavedDesktop();
    return 0;
}

LRESULT CProjectWnd::OnSaveDesktop(WPARAM, LPARAM)
{
    GetConnectionParts().layout.SaveDesktop();
    return 0;
}

// ---- Hardware scan.

void CProjectWnd::ScanControllerHardware()
{
    ::ScanControllerHardware(GetConnectionParts().hub);
}
