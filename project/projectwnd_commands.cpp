// The project window's own controller commands: the command runner, the
// small controller operations built on it, and the queries its messages
// answer from the connection, the project and the stored replies.
#include <cstdio>
#include <cstring>

#include "foundation/logline.h"
#include "foundation/winutil.h"
#include "framework/prompt.h"
#include "link/commandtable.h"
#include "link/commlinks.h"
#include "link/vexoreply.h"
#include "project/programtypes.h"
#include "project/projectwnd.h"
#include "settings/vqregistry.h"

namespace {

// The user processes of the controllers.
const int kFirstProcess = 1;
const int kLastProcess = 14;

// Command ids of the table the project window runs itself.
enum : int {
    CMD_PROCESS = 1,
    CMD_STOP = 3,
    CMD_TROFF = 6,
    CMD_DIR_F = 16,
    CMD_SELECT = 19,
    CMD_CURRENT = 21,
    CMD_POWER_UP_QUERY = 33,
    CMD_POWER_UP_SET = 36,
    CMD_RUNTYPE = 38,
    CMD_NIO = 59,
    CMD_NAIO = 65,
    CMD_N_ANA_OUT = 66,
    CMD_SERVO_PERIOD = 142,
    CMD_FILE_DETECT = 198,
    CMD_AUTORUN = 207,
};

bool IsValidServoPeriod(int period)
{
    return period == 125 || period == 250 || period == 500 || period == 1000 || period == 2000;
}

} // namespace

BOOL CProjectWnd::RunControllerCommands(std::initializer_list<Command> commands)
{
    return RunControllerCommands(std::vector<Command>(commands));
}

BOOL CProjectWnd::RunControllerCommands(const std::vector<Command>& commands)
{
    if (m_bClosing)
        return FALSE;
    CBusy busy(*this);
    for (const Command& command : commands) {
        const CommandTableEntry* row = GetCommandRow(command.id);
        if (!row)
            return FALSE;
        ControllerMessage message;
        message.m_hReplyWnd = m_hWnd;
        message.m_nCommandId = command.id;
        message.m_nChannel =
            m_pConnection->GetLinkMode() == CONNECTION_CHANNEL_MODE ? CHANNEL_COMMAND : CHANNEL_DIRECT;
        switch (row->m_nArgumentKind) {
        case ARGUMENT_NONE:
            break;
        case ARGUMENT_INTEGER:
            if (!command.hasValue)
                return FALSE;
            message.SetInteger(command.value);
            break;
        case ARGUMENT_RAW:
        case ARGUMENT_REAL:
        case 0:
            // No form the runner fills: nothing of this command goes out.
            return FALSE;
        default:
            if (!command.hasText)
                return FALSE;
            message.SetArgumentText(command.text);
            break;
        }
        if (m_bClosing || !m_pConnection->Transact(&message))
            return FALSE;
    }
    return TRUE;
}

BOOL CProjectWnd::RunControllerCommand(int commandId, int integer, LPCSTR text)
{
    const CommandTableEntry* row = GetCommandRow(commandId);
    const int kind = row ? row->m_nArgumentKind : ARGUMENT_NONE;
    if (kind == ARGUMENT_INTEGER)
        return RunControllerCommands({Command(commandId, integer)});
    if (kind != ARGUMENT_NONE && text)
        return RunControllerCommands({Command(commandId, text)});
    return RunControllerCommands({Command(commandId)});
}

int CProjectWnd::ReadServoPeriod()
{
    int period = 1000;
    if (RunControllerCommands({Command(CMD_SERVO_PERIOD)}))
        period = m_nServoPeriod.load();
    if (!IsValidServoPeriod(period))
        period = 1000;
    m_nServoPeriod = period;
    PostToControlPanel(PWM_SERVO_PERIOD_READ, 0, period);
    return period;
}

int CProjectWnd::GetAxisCountAtServoPeriod()
{
    int variant = 3;
    switch (ReadServoPeriod()) {
    case 125:
        variant = 0;
        break;
    case 250:
        variant = 1;
        break;
    case 500:
        variant = 2;
        break;
    case 2000:
        variant = 4;
        break;
    default:
        break;
    }
    return m_pConnection->GetMaxAxes(variant);
}

int CProjectWnd::GetIOCount(UINT message, BOOL refresh)
{
    std::atomic<int>* count = &m_nDigitalIO;
    int command = CMD_NIO;
    if (message == PWM_ANALOGUE_IN_COUNT) {
        count = &m_nAnalogueIn;
        command = CMD_NAIO;
    } else if (message == PWM_ANALOGUE_OUT_COUNT) {
        count = &m_nAnalogueOut;
        command = CMD_N_ANA_OUT;
    }
    if (refresh && !m_bDisconnecting && !m_bClosing &&
        (message != PWM_ANALOGUE_OUT_COUNT || m_pConnection->IsFeatureSupported(22)))
        RunControllerCommands({Command(command)});
    return count->load();
}

BOOL CProjectWnd::SetRunType(int process, LPCSTR name)
{
    if (!name || !*name)
        return FALSE;
    CProgramData* program = m_pConnection->FindProgram(name);
    if (!program)
        return FALSE;
    if (program->m_nAutoRun != process) {
        program->m_nAutoRun = process;
        CString text;
        if (process >= 1)
            text.Format("%s,%d,%d", name, 1, process);
        else
            text.Format("%s,%d", name, process == -1 ? 1 : 0);
        RunControllerCommands({Command(CMD_RUNTYPE, text.GetString())});
        if (IsProjectOpen())
            m_projectFile.SetAutoRun(name, process);
    }
    // Sent, not posted: the name is the caller's and lives only as long as
    // this call.
    SendToControlPanel(PWM_SET_RUN_TYPE, static_cast<WPARAM>(process), reinterpret_cast<LPARAM>(name));
    return TRUE;
}

BOOL CProjectWnd::StopProgram(LPCSTR name, int process)
{
    if (!name || !*name)
        return FALSE;
    bool found = false;
    for (const CProcessData& entry : GetProcesses())
        found = found ||
                (entry.m_strProgram.CompareNoCase(name) == 0 && (process <= 0 || entry.m_nProcess == process));
    if (!found)
        return FALSE;
    CString text = name;
    if (process > 0)
        text.Format("%s,%01d", name, process);
    return RunControllerCommands({Command(CMD_STOP, text.GetString())});
}

BOOL CProjectWnd::TraceOff(LPCSTR name, int process)
{
    if (!name || !*name)
        return FALSE;
    CString text;
    if (process >= 1)
        text.Format("%s,%d", name, process);
    else
        text.Format("%s,", name);
    return RunControllerCommands({Command(CMD_TROFF, text.GetString())});
}

BOOL CProjectWnd::RefreshProcesses()
{
    if (m_pConnection->GetLinkMode() != CONNECTION_CHANNEL_MODE)
        return FALSE;
    SendToControlPanel(PWM_PROCESSES_READING);
    ClearProcesses();
    return RunControllerCommands({Command(CMD_PROCESS)});
}

void CProjectWnd::RefreshControlPanel()
{
    if (m_bClosing || !m_hWndControlPanel || !::IsWindow(m_hWndControlPanel))
        return;
    SendToControlPanel(WM_APP + 0x162);
    if (m_pControlPanelReply) {
        for (const CProgramData& program : m_pConnection->GetPrograms()) {
            DirectoryReplyRecord record = {};
            std::strncpy(record.name, program.m_strName.GetString(), sizeof record.name - 1);
            record.type = program.m_nType;
            record.autoRun = program.m_nAutoRun;
            ControllerMessage message;
            message.m_nCommandId = REPLY_PROCESSES;
            message.m_nChannel = CHANNEL_COMMAND;
            message.SetArgument(&record, static_cast<int>(sizeof record));
            m_pControlPanelReply->OnReply(&message);
        }
    }
    SendToControlPanel(WM_APP + 0x163);
    if (m_pControlPanelReply) {
        for (const CProcessData& process : GetProcesses()) {
            ProcessReplyRecord record = {};
            record.process = process.m_nProcess;
            record.state = process.m_nState;
            record.line = process.m_nLine;
            std::strncpy(record.program, process.m_strProgram.GetString(), sizeof record.program - 1);
            ControllerMessage message;
            message.m_nCommandId = 24;
            message.m_nChannel = CHANNEL_COMMAND;
            message.SetArgument(&record, static_cast<int>(sizeof record));
            m_pControlPanelReply->OnReply(&message);
        }
    }
    RunControllerCommands({Command(CMD_CURRENT)});
    const CString selected = m_pConnection->GetSelectedProgram();
    SendToControlPanel(PWM_SELECT_PROGRAM, 0, reinterpret_cast<LPARAM>(selected.GetString()));
    SendToControlPanel(PWM_PROGRAM_STATE, 0, reinterpret_cast<LPARAM>(""));
}

void CProjectWnd::NotifyControlPanelProgram(LPCSTR program)
{
    if (!program || !::IsWindow(m_hWnd))
        return;
    // Called on the link's threads too: the window's own thread tells the
    // panel, so no receive thread ever waits for the panel's thread.
    const std::size_t length = std::strlen(program);
    auto* copy = new char[length + 1];
    std::memcpy(copy, program, length + 1);
    if (!::PostMessageA(m_hWnd, PWM_PANEL_PROGRAM, 0, reinterpret_cast<LPARAM>(copy)))
        delete[] copy;
}

// ---------------------------------------------------------------- queries

bool CProjectWnd::ProgramPassesFilter(int type, int filter, bool otherFiltersByType)
{
    switch (filter) {
    case 0:
        return true;
    case 3:
        return ControllerCanEditProgramType(type, m_pConnection.get()) != 0;
    case 4:
        return ControllerCanRunProgramType(type, m_pConnection.get()) != 0;
    case 5:
        return ControllerCanStepProgramType(type, m_pConnection.get()) != 0;
    case 11:
        return type == 0;
    case 12:
        return type == 1;
    default:
        return otherFiltersByType && filter == type;
    }
}

bool CProjectWnd::HandleQuery(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    CControllerConnection& connection = *m_pConnection;
    const auto name = reinterpret_cast<LPCSTR>(lParam);
    const auto outText = reinterpret_cast<CString*>(lParam);
    const auto outList = reinterpret_cast<CStringList*>(lParam);
    switch (message) {
    case PWM_ANY_RUNNING:
        result = GetProcesses().empty() ? 0 : 1;
        return true;
    case PWM_PROGRAM_COUNT:
        result = connection.CountPrograms(PROGRAM_TYPE_ALL);
        return true;
    case PWM_TOOL_OPEN:
        result = CountToolWindows(static_cast<int>(wParam)) > 0 ? 1 : 0;
        return true;
    case PWM_PROGRAM_FILE_PATH: {
        auto* out = reinterpret_cast<CString*>(lParam);
        const auto program = reinterpret_cast<LPCSTR>(wParam);
        CProgramData record;
        if (!out || !program || !connection.LookupProgram(program, record))
            return true;
        CString extension = GetProgramTypeExtension(record.m_nType);
        if (extension.IsEmpty())
            extension = "bas";
        CString folder = m_projectFile.GetDirectory();
        if (folder.GetLength() > 0 && folder[folder.GetLength() - 1] == '\\')
            folder = folder.Left(folder.GetLength() - 1);
        *out = folder + "\\" + program + "." + extension;
        result = 1;
        return true;
    }
    case PWM_LINK_DATA:
        if (lParam)
            result = connection.CopyLinkData(reinterpret_cast<CCommPortData*>(lParam));
        return true;
    case PWM_MODEL_INFO:
        result = reinterpret_cast<LRESULT>(&connection.GetModel());
        return true;
    case PWM_MODEL_NAME:
        if (outText) {
            *outText = connection.GetModel().m_szName;
            result = 1;
        }
        return true;
    case PWM_STOP_ALL:
        for (const CProcessData& process : GetProcesses()) {
            CString text;
            text.Format("%s,%d", process.m_strProgram.GetString(), process.m_nProcess);
            RunControllerCommands({Command(CMD_STOP, text.GetString())});
        }
        return true;
    case PWM_FREE_PROCESSES: {
        if (!outList) {
            result = -1;
            return true;
        }
        const std::vector<CProcessData> processes = GetProcesses();
        int count = 0;
        for (int process = kFirstProcess; process <= kLastProcess; ++process) {
            bool used = false;
            for (const CProcessData& entry : processes)
                used = used || entry.m_nProcess == process;
            if (used)
                continue;
            CString text;
            text.Format("%3d", process);
            outList->AddTail(text);
            ++count;
        }
        result = count;
        return true;
    }
    case PWM_PROJECT_FILE_PATH:
        if (outText) {
            *outText = m_projectFile.GetFilePath();
            result = 1;
        }
        return true;
    case PWM_STARTUP_PATH:
        if (outText) {
            *outText = m_projectFile.GetDirectory() + "STARTUP.BAS";
            result = 1;
        }
        return true;
    case PWM_TAKE_EXCLUSIVE:
        if (connection.GetLinkMode() != CONNECTION_EXCLUSIVE)
            result = connection.LockExclusive();
        return true;
    case PWM_LEAVE_EXCLUSIVE:
        if (connection.GetLinkMode() == CONNECTION_EXCLUSIVE)
            result = connection.UnlockExclusive();
        return true;
    case PWM_WRITE_EXCLUSIVE:
        if (connection.GetLinkMode() == CONNECTION_EXCLUSIVE && wParam)
            result = connection.WriteDirect(static_cast<int>(lParam), reinterpret_cast<const BYTE*>(wParam));
        return true;
    case PWM_IS_CONNECTED:
        result = m_bConnected.load();
        return true;
    case PWM_IS_LOCKED:
        // Asked while disconnected too ("Unlock Controller" is offered
        // then), and asked often by the menus: the flag of the last
        // identification, never a new question on a link a terminal uses.
        result = connection.WasLocked();
        return true;
    case PWM_SELECT_PROGRAM: {
        CProgramData program;
        if (name && connection.LookupProgram(name, program) && ControllerCanSelectProgramType(program.m_nType, &connection)) {
            RunControllerCommands({Command(CMD_SELECT, name), Command(CMD_CURRENT)});
        }
        return true;
    }
    case PWM_LINK_SUITS:
        result = connection.IsLinkTypeSupported();
        if (lParam)
            *reinterpret_cast<int*>(lParam) = connection.GetModel().m_nLinkMask;
        return true;
    case PWM_LINK_NAME:
        if (outText) {
            *outText = connection.GetLinkName(FALSE);
            result = 1;
        }
        return true;
    case PWM_GET_CONNECTION:
        result = reinterpret_cast<LRESULT>(&connection);
        return true;
    case PWM_CHOOSER_TOOL_ID:
        result = m_nChooserToolId.load();
        return true;
    case PWM_SET_REPLY_CHANNEL:
        // The channel of the next terminal or keypad that registers (the
        // channel chooser's choice); anything but a channel is not taken.
        m_nReplyChannel = static_cast<int>(lParam);
        if ((lParam >= -1 && lParam <= 9) || lParam == CHANNEL_DIRECT)
            m_nTerminalChannel = static_cast<int>(lParam);
        return true;
    case PWM_COMMS_PORTS: {
        if (!outList)
            return true;
        const int count = GetCommLinkCount();
        for (int n = 0; n < count; ++n) {
            CCommPortData record;
            if (GetCommLink(n, record)) {
                char name[COMM_LINK_NAME_SIZE + 1] = {};
                std::memcpy(name, record.m_szName, COMM_LINK_NAME_SIZE);
                outList->AddTail(name);
            }
        }
        result = outList->GetCount();
        return true;
    }
    case PWM_CHOOSER_DONE:
        m_nChooserToolId = static_cast<int>(TOOL_TERMINAL);
        return true;
    case PWM_DIRECT_PORT:
        m_strDirectPort = name ? name : "";
        return true;
    case PWM_LINK_CONFIG:
        // The configuration sets belong to the link dialogs.
        return true;
    case PWM_HAS_PROGRAM:
        result = name && connection.HasProgram(name) ? 1 : 0;
        return true;
    case PWM_MODULE_SLOTS: {
        auto* slots = reinterpret_cast<int*>(lParam);
        if (!slots)
            return true;
        int count = 0;
        for (int slot = 0; slot < 8; ++slot) {
            const int value = m_moduleSlots[static_cast<std::size_t>(slot)];
            if (value > 0)
                ++count;
            slots[slot] = value < 0x10014 ? 0 : value;
        }
        result = count;
        return true;
    }
    case PWM_EDITOR_OPEN:
        for (const CToolRecord& record : GetToolRecords())
            if (name && record.toolId == static_cast<int>(TOOL_EDITOR) && _stricmp(record.name, name) == 0)
                result = 1;
        return true;
    case PWM_SET_RUN_TYPE:
        result = SetRunType(static_cast<int>(wParam), name);
        return true;
    case PWM_FREE_AUTORUN_PROCESSES: {
        if (!outList)
            return true;
        const std::vector<CProgramData> programs = connection.GetPrograms();
        int count = 0;
        for (int process = kFirstProcess; process <= kLastProcess; ++process) {
            bool taken = false;
            for (const CProgramData& program : programs)
                taken = taken || (program.m_nAutoRun > 0 && program.m_nAutoRun == process);
            if (taken)
                continue;
            CString text;
            text.Format("%d", process);
            outList->AddTail(text);
            ++count;
        }
        result = count;
        return true;
    }
    case PWM_AUTORUN_PROCESS: {
        CProgramData program;
        if (name && connection.LookupProgram(name, program))
            result = program.m_nAutoRun;
        return true;
    }
    case PWM_POWER_UP_ACTIVE:
        result = connection.IsPowerUpActive();
        return true;
    case PWM_CLEAR_POWER_UP:
        RunControllerCommands({Command(CMD_POWER_UP_SET, 0), Command(CMD_POWER_UP_QUERY)});
        if (IsProjectOpen()) {
            if (connection.IsPowerUpActive())
                m_projectFile.WriteString("Controller", "Run", "EPROM");
            else
                m_projectFile.DeleteKey("Controller", "Run");
        }
        return true;
    case PWM_TERMINAL_DIRECT:
        // After a lock change or a system-software load: a terminal on the
        // command channel while connected, else on the raw link.
        m_nTerminalChannel = m_bConnected ? CHANNEL_COMMAND : CHANNEL_DIRECT;
        PostMessage(PWM_OPEN_TOOL, TOOL_TERMINAL, 1);
        return true;
    case PWM_DIGITAL_IO_COUNT:
    case PWM_ANALOGUE_IN_COUNT:
    case PWM_ANALOGUE_OUT_COUNT:
        result = GetIOCount(message, static_cast<BOOL>(wParam));
        return true;
    case PWM_PROGRAM_NAMES: {
        if (!outList)
            return true;
        outList->RemoveAll();
        for (const CProgramData& program : connection.GetPrograms()) {
            const bool take = ProgramPassesFilter(program.m_nType, static_cast<int>(wParam), true);
            if (take)
                outList->AddTail(program.m_strName);
        }
        result = outList->GetCount();
        return true;
    }
    case PWM_SELECTED_PROGRAM:
        if (outText) {
            *outText = connection.GetSelectedProgram();
            result = 1;
        }
        return true;
    case PWM_RESET_CONTROLLER:
        CreateTool(TOOL_RESET_DIALOG, 0);
        return true;
    case PWM_MESSAGE_TIMEOUT:
        connection.SetMessageTimeout(static_cast<int>(lParam));
        return true;
    case PWM_READ_PROCESSES:
        RefreshProcesses();
        return true;
    case PWM_PROGRAM_PROCESS:
        result = -1;
        if (name && *name)
            for (const CProcessData& process : GetProcesses())
                if (process.m_strProgram.CompareNoCase(name) == 0) {
                    result = process.m_nProcess;
                    break;
                }
        return true;
    case PWM_CHOOSE_CHANNEL_NEXT:
        m_bChooseChannel = TRUE;
        return true;
    case PWM_HAS_MEMORY_DEVICE:
        result = connection.IsFeatureSupported(7) || connection.IsFeatureSupported(30) ? 1 : 0;
        return true;
    case PWM_VERSION:
        if (lParam && m_bConnected) {
            *reinterpret_cast<double*>(lParam) = connection.GetStoredVersion();
            result = 1;
        }
        return true;
    case PWM_SUPPRESS_REPORT:
        m_bSuppressReport = lParam != 0;
        return true;
    case PWM_RESET_LINK:
        if (CComms* link = connection.GetLink())
            link->SetRawMode();
        PostToMainFrame(WM_APP + 0x1B5, 0, 1);
        PostToMainFrame(PWM_READY);
        return true;
    case PWM_GET_LINK:
        result = reinterpret_cast<LRESULT>(connection.GetLink());
        return true;
    case PWM_SERVO_PERIOD:
        result = ReadServoPeriod();
        return true;
    case PWM_PROGRAM_TYPE:
        result = name ? connection.GetProgramType(name) : PROGRAM_TYPE_NONE;
        return true;
    case PWM_PROGRAM_EXTRA: {
        CProgramData program;
        if (name && connection.LookupProgram(name, program))
            result = program.m_nSpare;
        return true;
    }
    case PWM_FEATURE:
        result = connection.IsFeatureSupported(static_cast<int>(lParam));
        return true;
    case PWM_IP_ADDRESS: {
        const CCommPortData* record = connection.GetLinkData();
        if (outText && record && record->m_nType == LINK_TYPE_ETHERNET) {
            char address[sizeof record->m_data.ethernet.m_szAddress + 1] = {};
            std::memcpy(address, record->m_data.ethernet.m_szAddress, sizeof record->m_data.ethernet.m_szAddress);
            *outText = address;
            result = 1;
        }
        return true;
    }
    case PWM_REOPEN_LINK:
        result = connection.ReopenLink();
        return true;
    case PWM_SET_ANALOGUE_IN_COUNT:
        m_nAnalogueIn = lParam < 0 ? 0 : static_cast<int>(lParam);
        return true;
    case PWM_SET_ANALOGUE_OUT_COUNT:
        m_nAnalogueOut = lParam < 0 ? 0 : static_cast<int>(lParam);
        return true;
    case PWM_PROCESS_IN_USE:
        for (const CProcessData& process : GetProcesses())
            if (process.m_nProcess == static_cast<int>(lParam))
                result = 1;
        return true;
    case PWM_SET_LINK:
        m_nSelectedLink = static_cast<int>(lParam);
        return true;
    case PWM_PROGRAM_RECORD: {
        auto* out = reinterpret_cast<CProgramData*>(lParam);
        const auto program = reinterpret_cast<LPCSTR>(wParam);
        if (out && program)
            result = connection.LookupProgram(program, *out);
        return true;
    }
    case PWM_REGISTERED_COUNT:
        result = CountToolWindows(-1);
        return true;
    case PWM_AXIS_COUNT:
        result = GetAxisCountAtServoPeriod();
        return true;
    case PWM_HAS_FLASH_OR_CARD: {
        int found = 0;
        if (connection.IsFeatureSupported(7) && RunControllerCommands({Command(CMD_DIR_F)}))
            found = GetReplyValues().flashStick;
        if (!found && connection.IsFeatureSupported(30) && RunControllerCommands({Command(CMD_FILE_DETECT)}))
            found = GetReplyValues().memoryCard;
        result = found ? 1 : 0;
        return true;
    }
    case PWM_AUTORUN:
        RunControllerCommands({Command(CMD_AUTORUN)});
        return true;
    case PWM_FAMILY_LIMIT_A:
        result = connection.GetValuesPerRequest();
        return true;
    case PWM_FAMILY_LIMIT_B:
        result = connection.GetFamilyLimitB();
        return true;
    case PWM_FAMILY_LIMIT_C:
        result = connection.GetFamilyLimitC();
        return true;
    default:
        return false;
    }
}
