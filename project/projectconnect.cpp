#include "project/projectconnect.h"

#include "foundation/logfile.h"
#include "foundation/winutil.h"
#include "framework/clock.h"
#include "framework/prompt.h"
#include "link/controllerconnection.h"
#include "project/hardwarescan.h"
#include "project/projectfile.h"
#include "project/projectlayout.h"
#include "project/projectsearch.h"
#include "shell/mainframemessages.h"
#include "settings/vqregistry.h"

const char* const CProjectConnector::kLinkFailureFormat =
    "Communications with the controller have failed\r\n@ %s\r\n\r\nDisconnecting!";
const char* const CProjectConnector::kLinkFailureCaption = "Communications";

namespace {

const DWORD kRequestDrainMs = 30000;
const DWORD kFailureFlushRounds = 4;
const DWORD kFailurePauseMs = 100;
const DWORD kChangeLinkPauseMs = 250;
const int FEATURE_NO_EPROM_OFFER = 35;
const int PROGRAM_TYPE_IEC = 4;

// Holds controller transactions for the life of the object.
class CTransactionHold {
public:
    explicit CTransactionHold(CControllerConnection* connection) : m_pConnection(connection)
    {
        if (m_pConnection)
            m_pConnection->SetTransactionHold(TRUE);
    }
    ~CTransactionHold()
    {
        if (m_pConnection)
            m_pConnection->SetTransactionHold(FALSE);
    }
    CTransactionHold(const CTransactionHold&) = delete;
    CTransactionHold& operator=(const CTransactionHold&) = delete;

private:
    CControllerConnection* m_pConnection;
};

ControllerMessage ValueRecord(HWND hub, int commandId, int value)
{
    ControllerMessage record;
    record.m_hReplyWnd = hub;
    record.m_nCommandId = commandId;
    record.m_nChannel = CHANNEL_COMMAND;
    record.SetInteger(value);
    return record;
}

} // namespace

CProjectConnector::CProjectConnector(IProjectHub& hub, CControllerSearch& search, CWindowLayout& layout)
    : m_hub(hub), m_search(search), m_layout(layout), m_state(hub.GetConnectionState())
{
    SetTimeSource(nullptr);
}

void CProjectConnector::SetTimeSource(TimeSource source)
{
    m_timeSource = source ? std::move(source) : TimeSource([] { return CTime::GetCurrentTime(); });
}

CProjectConnector::CFrameBusy::CFrameBusy(CProjectConnector& connector)
    : m_connector(connector), m_bSetHere(connector.FrameBusyOn())
{
}

CProjectConnector::CFrameBusy::~CFrameBusy() { m_connector.FrameBusyOff(m_bSetHere); }

BOOL CProjectConnector::FrameBusyOn()
{
    BOOL expected = FALSE;
    if (!m_state.frameBusyShown.compare_exchange_strong(expected, TRUE))
        return FALSE;
    SendIfWindow(m_hub.GetMainFrameWindow(), WM_OPERATION_STARTED);
    return TRUE;
}

void CProjectConnector::FrameBusyOff(BOOL setHere)
{
    if (!setHere)
        return;
    PostIfWindow(m_hub.GetMainFrameWindow(), WM_OPERATION_ENDED);
    m_state.frameBusyShown = FALSE;
}

void CProjectConnector::OnConnectRequest(WPARAM parameter)
{
    if (m_state.connecting) {
        // Served once when the running connect ends.
        m_state.connectAgain = TRUE;
        m_state.connectMode = parameter;
        return;
    }
    Connect(parameter);
}

BOOL CProjectConnector::Connect(WPARAM parameter)
{
    m_state.connecting = TRUE;
    m_state.connectAgain = FALSE;
    m_state.connectMode = parameter;
    m_hub.CloseAllToolWindows(0);
    const HWND frame = m_hub.GetMainFrameWindow();
    {
        CFrameBusy frameBusy(*this);
        SendIfWindow(frame, WM_NOT_READY);
        if (m_search.SearchController(parameter != 0, FALSE) && !m_hub.IsClosing())
            RunPostConnect(TRUE, FALSE);
        PostIfWindow(frame, WM_READY);
    }
    if (!m_state.connected)
        PostIfWindow(m_hub.GetControlPanelWindow(), PWM_NOT_FOUND);
    m_state.connecting = FALSE;
    if (m_state.connectAgain.exchange(FALSE))
        PostIfWindow(m_hub.GetHubWindow(), WM_PW_CONNECT, m_state.connectMode);
    return m_state.connected;
}

BOOL CProjectConnector::RunConnectionValues(BOOL extras)
{
    const int commands[] = {CMD_POWER_UP, CMD_WDOG, CMD_SELECT_CONTINUE, CMD_FREE};
    for (int command : commands)
        if (!m_hub.RunCommand(command))
            return FALSE;
    const HWND hub = m_hub.GetHubWindow();
    CProjectFile* file = m_hub.GetProjectFile();
    const int powerUp = m_hub.GetPowerUpState();
    if (extras && file && !file->GetFilePath().IsEmpty())
        file->SetRunFromEPROM(powerUp & 1 ? TRUE : FALSE);
    m_hub.PassReplyToTools(ValueRecord(hub, CMD_POWER_UP, powerUp));
    m_hub.PassReplyToTools(ValueRecord(hub, CMD_WDOG, m_hub.GetWatchdogValue()));
    m_hub.PassReplyToTools(ValueRecord(hub, CMD_FREE, m_hub.GetFreeMemory()));
    CControllerConnection* connection = m_hub.GetConnection();
    const CString selected = m_hub.GetSelectedProgramName();
    ControllerMessage program = ValueRecord(hub, CMD_SELECT_CONTINUE, 0);
    program.SetArgument(selected.GetString(), selected.GetLength() + 1);
    m_hub.PassReplyToTools(program);
    if (extras && m_hub.AreProgramsFixed())
        AfxGetPromptService().PromptDetached("System is fixed into EPROM and is not currently editable", "Warning");
    SendIfWindow(m_hub.GetControlPanelWindow(), WM_CONNECTED);
    SendIfWindow(m_hub.GetMainFrameWindow(), WM_CONNECTED, 0, connection && connection->IsPacketMode() ? 1 : 0);
    SendIfWindow(m_hub.GetMainFrameWindow(), WM_PROJECT_AVAILABLE);
    return TRUE;
}

void CProjectConnector::RestoreLayoutAfterConnect()
{
    if (!CVQRegistry().GetAutoRestoreDesktop() && !m_state.restorePending)
        return;
    CProjectFile* file = m_hub.GetProjectFile();
    if (m_layout.GetList().IsEmpty() && file && !file->GetFilePath().IsEmpty()) {
        if (file->HasAutoDesktop())
            m_layout.ReadSection("AutoDesktop");
        else if (file->HasDesktop())
            m_layout.ReadSection("Desktop");
    }
    if (!m_layout.GetList().IsEmpty()) {
        m_layout.Restore();
        m_state.restorePending = FALSE;
    }
}

BOOL CProjectConnector::RunPostConnect(BOOL extras, BOOL autoResolve)
{
    CHubBusy busy(m_hub);
    CControllerConnection* connection = m_hub.GetConnection();
    BOOL result = m_hub.RunCommand(CMD_POWER_UP);
    if (result)
        result = m_hub.CheckProject(autoResolve);
    if (result && !m_hub.BackupProject()) {
        AfxGetPromptService().PromptDetached("Backup Project Failed", "Error");
        result = FALSE;
    }
    bool frameTold = false;
    if (result && connection && connection->GetModelRow() != MODEL_ROW_NONE) {
        result = RunConnectionValues(extras);
        frameTold = result != FALSE;
    }
    if (result) {
        ScanControllerHardware(m_hub);
        // A link that dropped during the scan leaves the controller unknown.
        result = connection && !connection->IsLinkLost() ? TRUE : FALSE;
    }
    if (result) {
        RestoreLayoutAfterConnect();
        if (extras)
            m_hub.WriteAutoRunToProject();
    }
    m_state.connected = result;
    if (result) {
        m_state.linkFailed = FALSE;
        return result;
    }
    if (connection && connection->GetLinkMode() == CONNECTION_CHANNEL_MODE)
        connection->LeaveChannelMode();
    if (frameTold) {
        // The frame shows a connection that did not come about: take it back.
        const HWND frame = m_hub.GetMainFrameWindow();
        SendIfWindow(frame, WM_DISCONNECTED, DISCONNECT_PLAIN, 0);
        SendIfWindow(frame, WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>(""));
    }
    return result;
}

int CProjectConnector::Disconnect(int keepToolId, int reason)
{
    if (!m_state.connected || m_state.disconnecting)
        return 0;
    CControllerConnection* connection = m_hub.GetConnection();
    const bool failedAtStart = m_state.linkFailed != FALSE;
    // A failed link takes no more transactions from the first step on.
    std::unique_ptr<CTransactionHold> failureHold;
    if (reason == DISCONNECT_LINK_FAILED) {
        m_state.linkFailed = TRUE;
        failureHold = std::make_unique<CTransactionHold>(connection);
        m_hub.CloseToolWindows(TOOL_EPROM);
    } else {
        m_hub.BroadcastToTools(PWM_BROADCAST, 0, 0);
        if (!failedAtStart && CVQRegistry().GetEnableIEC61131() && connection &&
            connection->CountPrograms(PROGRAM_TYPE_IEC) > 0 &&
            AfxGetPromptService().Prompt(
                m_hub.GetHubWindow(),
                "This project contains an IEC61131 project do you want to load the current source onto the "
                "controller?",
                "Disconnect", MB_YESNO | MB_DEFBUTTON1) == IDYES)
            m_hub.LoadIECProjectToController();
        if ((reason == DISCONNECT_OFFER_AND_TERMINAL || reason == DISCONNECT_OFFER) && connection &&
            connection->GetModelRow() != MODEL_ROW_NONE && !failedAtStart &&
            !connection->IsFeatureSupported(FEATURE_NO_EPROM_OFFER))
            m_hub.OfferEPROMStore(reason);
    }

    m_state.disconnecting = TRUE;
    CTransactionHold hold(connection);
    CFrameBusy frameBusy(*this);
    m_state.connected = FALSE;

    const HWND panel = m_hub.GetControlPanelWindow();
    SendIfWindow(panel, WM_DISCONNECTED, static_cast<WPARAM>(reason), keepToolId);
    m_hub.CloseAllToolWindows(keepToolId);
    PostIfWindow(panel, PWM_NOT_FOUND);

    if (connection) {
        connection->RemoveAllPrograms();
        IClock& clock = AfxGetClock();
        const std::uint64_t start = clock.NowMs();
        while (connection->IsRequestPending() && !AfxClockElapsed(start, kRequestDrainMs)) {
            if (!PumpOneMessage())
                clock.SleepMs(1);
        }
        if (connection->IsRequestPending())
            connection->CancelPendingRequest();
        connection->LeaveChannelMode();
    }
    m_hub.ResetAxisValues();

    const HWND frame = m_hub.GetMainFrameWindow();
    SendIfWindow(frame, WM_DISCONNECTED, static_cast<WPARAM>(reason), keepToolId);
    SendIfWindow(frame, WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>(""));
    // A window that is closing opens no terminal.
    if ((reason == DISCONNECT_OFFER_AND_TERMINAL || reason == DISCONNECT_TERMINAL) && !m_hub.IsClosing())
        PostIfWindow(m_hub.GetHubWindow(), WM_PW_OPEN_TOOL, TOOL_TERMINAL, 1);

    m_state.disconnecting = FALSE;
    return 1;
}

void CProjectConnector::OnDisconnectRequest(int reason, int keepToolId)
{
    const HWND frame = m_hub.GetMainFrameWindow();
    SendIfWindow(frame, WM_NOT_READY);
    if (m_state.connected)
        m_layout.SaveAutoDesktop();
    Disconnect(keepToolId, reason);
    PostIfWindow(frame, WM_READY);
}

void CProjectConnector::OnLinkFailure()
{
    const HWND frame = m_hub.GetMainFrameWindow();
    SendIfWindow(frame, WM_NOT_READY);
    if (m_state.connected)
        m_layout.SaveAutoDesktop();
    if (Disconnect(0, DISCONNECT_LINK_FAILED)) {
        CString text;
        text.Format(kLinkFailureFormat, m_timeSource().Format("%H:%M  %d-%b-%Y").GetString());
        CControllerConnection* connection = m_hub.GetConnection();
        for (DWORD round = 0; round < kFailureFlushRounds; ++round) {
            SleepServingSent(kFailurePauseMs);
            PumpWaitingMessages();
            if (connection)
                connection->FlushInput(40, 100);
        }
        AfxGetPromptService().PromptDetached(text, kLinkFailureCaption, MB_OK);
    }
    PostIfWindow(frame, WM_READY);
}

void CProjectConnector::OnChangeLink(const int* parameter, const CCommPortData* record)
{
    if (!record)
        return;
    const CCommPortData newLink = *record;
    CControllerConnection* connection = m_hub.GetConnection();
    int disconnected = 0;
    if (m_state.connected) {
        m_layout.SaveAutoDesktop();
        m_state.restorePending = TRUE;
        disconnected = Disconnect(0, DISCONNECT_OFFER);
    }
    if (!connection)
        return;
    CCommPortData* current = connection->GetLinkData();
    if (current && current->m_nType == LINK_TYPE_SERIAL && newLink.m_nType == LINK_TYPE_SERIAL &&
        CString(current->m_szName) == CString(newLink.m_szName)) {
        const SerialLinkData& serial = newLink.m_data.serial;
        CString command;
        const int stopBits = serial.m_nStopBits == LINK_STOP_BITS_2 ? 2 : 1;
        const int parity = serial.m_nParity == LINK_PARITY_NONE ? 0 : (serial.m_nParity == LINK_PARITY_ODD ? 1 : 2);
        command.Format("SETCOM(%ld,%d,%d,%d,%d)\r", static_cast<long>(serial.m_nBaudRate), serial.m_nDataBits,
                       stopBits, parity, 0);
        connection->WriteDirect(command.GetLength(), reinterpret_cast<const BYTE*>(command.GetString()));
    }
    connection->ApplyLinkData(&newLink, parameter ? *parameter : 1);
    SleepServingSent(kChangeLinkPauseMs);
    const BYTE returns[] = {0x0D, 0x0D};
    connection->WriteDirect(2, returns);
    if (disconnected)
        PostIfWindow(m_hub.GetHubWindow(), WM_PW_CONNECT, 1);
}

void CProjectConnector::OnLock(BOOL lock, long code)
{
    if (m_state.connected)
        Disconnect(TOOL_LOCK_DIALOG, DISCONNECT_PLAIN);
    CControllerConnection* connection = m_hub.GetConnection();
    if (!connection)
        return;
    if (lock)
        connection->Lock(code);
    else
        connection->Unlock(code);
}

void CProjectConnector::OnConnectToSimulator()
{
    m_hub.CloseAllToolWindows(0);
    const HWND frame = m_hub.GetMainFrameWindow();
    SendIfWindow(frame, WM_NOT_READY);
    if (m_search.SearchController(TRUE, TRUE) && !m_hub.IsClosing() && !RunPostConnect(TRUE, FALSE))
        PostIfWindow(m_hub.GetControlPanelWindow(), PWM_NOT_FOUND);
    PostIfWindow(frame, WM_READY);
}
