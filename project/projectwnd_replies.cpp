// Replies to the project window's own commands and the process status list.
//
// Replies and status lines arrive on the link's receive thread. Replies
// only store values (under m_valuesLock); status lines travel to the
// window's thread as posted heap copies, and the list, the notices and
// the error entries are handled there.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/logline.h"
#include "link/commandtable.h"
#include "link/vexoreply.h"
#include "project/programtransfer.h"
#include "project/programtypes.h"
#include "project/projectwnd.h"
#include "settings/vqregistry.h"
#include "ui/userdialog.h"

namespace {

const int kFeatureOperationsWhileRunning = 16;

const char* const kStatusNames[] = {"Stopped", "Running", "Stepping", "Paused", "Sleeping", "Running Included"};
const UINT kStatusNameIds[] = {0, 0, 0, 0, 0, 0};

} // namespace

CString CProjectWnd::GetStatusName(int status)
{
    if (status < 0 || status > 5)
        return CString();
    (void)kStatusNameIds;
    return kStatusNames[status];
}

CProjectWnd::ReplyValues CProjectWnd::GetReplyValues()
{
    std::lock_guard<std::mutex> lock(m_valuesLock);
    return m_values;
}

void CProjectWnd::ClearReplyValues()
{
    std::lock_guard<std::mutex> lock(m_valuesLock);
    m_values = ReplyValues();
}

std::vector<CProcessData> CProjectWnd::GetProcesses()
{
    std::lock_guard<std::mutex> lock(m_valuesLock);
    return m_processes;
}

void CProjectWnd::ClearProcesses()
{
    std::lock_guard<std::mutex> lock(m_valuesLock);
    m_processes.clear();
}

BOOL CProjectWnd::CanRunProgramOperations()
{
    if (GetProcesses().empty())
        return TRUE;
    return m_pConnection->IsFeatureSupported(kFeatureOperationsWhileRunning) &&
                   CVQRegistry().GetAllowProgramOperationsWhenRuning()
               ? TRUE
               : FALSE;
}

// ---------------------------------------------------------------- replies

void CProjectWnd::OnControllerReply(ControllerMessage* message)
{
    if (!message)
        return;
    GlobalLogLine("RxAtTool: Project", LOG_TOOL_REPLIES);
    std::function<void(const ControllerMessage&)> sink;
    {
        std::lock_guard<std::mutex> lock(m_replySinkLock);
        sink = m_replySink;
    }
    if (sink)
        sink(*message);
    StoreReply(*message);
}

void CProjectWnd::StoreReply(const ControllerMessage& message)
{
    const int value = message.GetInteger();
    bool toEditors = false;
    switch (message.m_nCommandId) {
    case 0: {
        CProgramData program;
        if (message.GetLength() >= static_cast<int>(sizeof(DirectoryReplyRecord))) {
            DirectoryReplyRecord record;
            std::memcpy(&record, message.GetBytes(), sizeof record);
            std::lock_guard<std::mutex> lock(m_valuesLock);
            m_values.directory.push_back(record);
        }
        toEditors = message.HasBytes();
        break;
    }
    case 1: {
        CProcessData process;
        if (!ReadProcessReply(message, process) || process.m_strProgram.CompareNoCase("REMOTE_PROGRAM") == 0)
            return;
        {
            std::lock_guard<std::mutex> lock(m_valuesLock);
            bool known = false;
            for (const CProcessData& entry : m_processes)
                known = known || entry.m_nProcess == process.m_nProcess;
            if (!known)
                m_processes.push_back(process);
        }
        auto* copy = new CProcessData(process);
        if (!::IsWindow(m_hWnd) || !::PostMessageA(m_hWnd, PWM_PANEL_PROCESS, 0, reinterpret_cast<LPARAM>(copy)))
            delete copy;
        return;
    }
    case 15: {
        std::lock_guard<std::mutex> lock(m_valuesLock);
        m_values.lastEpromReply = message.GetText();
        break;
    }
    case 16: {
        std::lock_guard<std::mutex> lock(m_valuesLock);
        m_values.flashStick = std::strstr(message.GetText(), "No Flash") ? 0 : 1;
        break;
    }
    case 21: {
        CString selected(message.GetText());
        selected.Trim();
        {
            std::lock_guard<std::mutex> lock(m_valuesLock);
            m_values.selectedProgram = selected;
        }
        NotifyControlPanelProgram(message.GetText());
        break;
    }
    case 33:
        m_pConnection->SetPowerUpFlag(value);
        toEditors = true;
        break;
    case 59:
        m_nDigitalIO = value;
        break;
    case 65:
        m_nAnalogueIn = value;
        break;
    case 66:
        m_nAnalogueOut = value;
        break;
    case 142: {
        // The controller answers in microseconds (seconds for the models
        // that report it so).
        double period = message.GetReal();
        m_nServoPeriod = static_cast<int>(period);
        break;
    }
    default: {
        std::lock_guard<std::mutex> lock(m_valuesLock);
        switch (message.m_nCommandId) {
        case 22:
            m_values.programCount = value;
            break;
        case 23:
            m_values.currentLine = message.GetText();
            break;
        case 26:
            m_values.programSize = value;
            break;
        case 27:
            m_values.programCrc = value;
            break;
        case 28:
            m_values.axisType = value;
            break;
        case 29:
            m_values.tableSize = value;
            break;
        case 30:
            m_values.axisValueLines.emplace_back(std::string(message.GetText()).substr(0, 39));
            break;
        case 31:
            // A run of equal values ("k<count>,<value>") is expanded; one
            // that does not scan, or that would take the list past what a
            // read may hold, is dropped.
            if (AppendTableValues(message,
                                  TABLE_VALUES_MOST - static_cast<long>(m_values.tableValues.size()),
                                  m_values.tableValues) < 0)
                GlobalLogFormat(LOG_TOOL_REPLIES, "TABLE values item dropped: %s", message.GetText());
            break;
        case 32:
            m_values.vrValue = message.GetReal();
            break;
        case 34:
            m_nWatchdog = value;
            m_values.watchdog = value;
            break;
        case 35:
            m_nFreeMemory = value;
            m_values.freeMemory = value;
            break;
        case 133:
            m_values.slotType = value + 0x10000;
            break;
        case 198:
            m_values.memoryCard = value != 0 ? 1 : 0;
            break;
        default:
            GlobalLogFormat(LOG_TOOL_REPLIES, "Project reply to command %d", message.m_nCommandId);
            break;
        }
        break;
    }
    }
    if (toEditors) {
        ControllerMessage copy(message);
        Broadcast(PWM_PROCESS_MESSAGE, 0, reinterpret_cast<LPARAM>(&copy), TOOL_EDITOR);
    }
}

// ---------------------------------------------------------------- status lines

void CProjectWnd::SetProgramStatusByName(int process, LPCSTR program)
{
    auto* line = new StatusLine{true, process, 1, -1, -1, program ? program : "", program != nullptr};
    if (!::IsWindow(m_hWnd) || !::PostMessageA(m_hWnd, PWM_STATUS_LINE, 0, reinterpret_cast<LPARAM>(line)))
        delete line;
}

void CProjectWnd::SetProcessStatus(int process, int status, int line, int error, LPCSTR text)
{
    auto* entry = new StatusLine{false, process, status, line, error, text ? text : "", text != nullptr};
    if (!::IsWindow(m_hWnd) || !::PostMessageA(m_hWnd, PWM_STATUS_LINE, 0, reinterpret_cast<LPARAM>(entry)))
        delete entry;
}

LRESULT CProjectWnd::OnPanelNotice(UINT message, WPARAM, LPARAM lParam)
{
    if (message == PWM_PANEL_PROGRAM) {
        std::unique_ptr<char[]> program(reinterpret_cast<char*>(lParam));
        if (program)
            SendToControlPanel(PWM_SELECT_PROGRAM, 0, reinterpret_cast<LPARAM>(program.get()));
    } else {
        std::unique_ptr<CProcessData> process(reinterpret_cast<CProcessData*>(lParam));
        if (process)
            SendToControlPanel(PWM_PROCESS_STATUS, static_cast<WPARAM>(process->m_nState),
                               reinterpret_cast<LPARAM>(process.get()));
    }
    return 0;
}

LRESULT CProjectWnd::OnStatusLine(WPARAM, LPARAM lParam)
{
    std::unique_ptr<StatusLine> line(reinterpret_cast<StatusLine*>(lParam));
    if (line)
        ApplyStatusLine(*line);
    return 0;
}

void CProjectWnd::ApplyStatusLine(const StatusLine& line)
{
    if (line.byName)
        ApplyProgramStatus(line.process, line.text.c_str(), line.status);
    else
        ApplyProcessStatus(line.process, line.status, line.line, line.error, line.text.c_str());
}

void CProjectWnd::RefreshProgramListSoon()
{
    if (m_nProgramOperations.load() == 0)
        PostMessage(PWM_REFRESH_PROGRAMS, 0, 1);
    else
        m_bDeferredRefresh = TRUE;
}

void CProjectWnd::ApplyProgramStatus(int process, const CString& program, int status)
{
    CString text;
    text.Format("Process: %d, Program: %s, Status: %s\n", process, program.GetString(),
                GetStatusName(status).GetString());
    GlobalLogLine(text, LOG_PROCESS_STATUS);
    if (status == 1) {
        CProcessData record;
        {
            std::lock_guard<std::mutex> lock(m_valuesLock);
            CProcessData* found = nullptr;
            for (CProcessData& entry : m_processes)
                if (entry.m_nProcess == process)
                    found = &entry;
            if (!found) {
                m_processes.emplace_back();
                found = &m_processes.back();
            }
            found->m_strProgram = program;
            found->m_nState = 1;
            found->m_nProcess = process;
            found->m_nLine = 0;
            record = *found;
        }
        SendToControlPanel(PWM_PROCESS_STATUS, 1, reinterpret_cast<LPARAM>(&record));
        Broadcast(PWM_PROCESS_STATUS, 1, reinterpret_cast<LPARAM>(&record), 0, nullptr, true);
        Broadcast(PWM_MARK_LINE, 0, static_cast<LPARAM>(-1), TOOL_EDITOR);
        if (m_pConnection->IsFeatureSupported(kFeatureOperationsWhileRunning))
            RefreshProgramListSoon();
    }
    text.TrimRight("\n");
    GlobalLogLine(text + ", Done", LOG_PROCESS_STATUS);
}

void CProjectWnd::ApplyProcessStatus(int process, int status, int line, int error, const CString& errorText)
{
    CString text;
    text.Format("Process: %d, Status: %d, Line: %d, Error: %d", process, status, line, error);
    GlobalLogLine(text, LOG_PROCESS_STATUS);
    CProcessData record;
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(m_valuesLock);
        for (CProcessData& entry : m_processes) {
            if (entry.m_nProcess == process) {
                entry.m_nLine = line;
                if (status >= 1 && status <= 3)
                    entry.m_nLine = line - 1 < 0 ? 0 : line - 1;
                record = entry;
                found = true;
                break;
            }
        }
    }
    if (!found || status < 0 || status > 3) {
        GlobalLogLine(text + ", Done", LOG_PROCESS_STATUS);
        return;
    }
    if (status >= 1) {
        SendToControlPanel(PWM_PROCESS_STATUS, static_cast<WPARAM>(status), reinterpret_cast<LPARAM>(&record));
        Broadcast(PWM_PROCESS_STATUS, static_cast<WPARAM>(status), reinterpret_cast<LPARAM>(&record), 0, nullptr, true);
        std::lock_guard<std::mutex> lock(m_valuesLock);
        for (CProcessData& entry : m_processes)
            if (entry.m_nProcess == process)
                entry.m_nState = status;
    } else {
        SendToControlPanel(PWM_PROCESS_STATUS, 0, reinterpret_cast<LPARAM>(&record));
        Broadcast(PWM_PROCESS_STATUS, 0, reinterpret_cast<LPARAM>(&record), 0, nullptr, true);
        if (error != -1) {
            CString entry;
            if (error == 31)
                entry.Format("The program %s running on process %i stopped at line %i\n", record.m_strProgram.GetString(),
                             process, line);
            else
                entry.Format("The following error occurred whilst running the program %s on process %i\n\n->Line "
                             "%i\n->%s\n",
                             record.m_strProgram.GetString(), process, line, errorText.GetString());
            AddErrorText(entry);
        }
        TakeRegistryLock();
        for (CToolRecord& tool : m_tools)
            if (tool.toolId == static_cast<int>(TOOL_EDITOR) && tool.process == process)
                tool.process = -1;
        m_registryLock.unlock();
        bool remain = false;
        {
            std::lock_guard<std::mutex> lock(m_valuesLock);
            for (auto it = m_processes.begin(); it != m_processes.end(); ++it) {
                if (it->m_nProcess == process) {
                    m_processes.erase(it);
                    break;
                }
            }
            remain = !m_processes.empty();
        }
        if (remain)
            Broadcast(PWM_MARK_LINE, 0, static_cast<LPARAM>(-1), TOOL_EDITOR);
        else
            Broadcast(PWM_PROCESSES_CLEARED, 0, 0);
    }
    if (m_pConnection->IsFeatureSupported(kFeatureOperationsWhileRunning) &&
        CVQRegistry().GetAllowProgramOperationsWhenRuning())
        RefreshProgramListSoon();
    GlobalLogLine(text + ", Done", LOG_PROCESS_STATUS);
}

// ---------------------------------------------------------------- messages

LRESULT CProjectWnd::OnRunningPrograms(WPARAM wParam, LPARAM lParam)
{
    auto* list = reinterpret_cast<CStringList*>(lParam);
    if (!list)
        return 0;
    list->RemoveAll();
    for (const CProcessData& process : GetProcesses()) {
        CProgramData program;
        if (!m_pConnection->LookupProgram(process.m_strProgram, program))
            continue;
        const bool take = ProgramPassesFilter(program.m_nType, static_cast<int>(wParam), false);
        if (!take)
            continue;
        CString text;
        text.Format("%s,%d", process.m_strProgram.GetString(), process.m_nProcess);
        list->AddTail(text);
    }
    return 1;
}

LRESULT CProjectWnd::OnWindowProcess(WPARAM wParam, LPARAM lParam)
{
    auto* out = reinterpret_cast<CProcessData*>(lParam);
    CToolRecord record;
    if (!out || !FindToolRecord(reinterpret_cast<HWND>(wParam), record) || !record.name[0])
        return 0;
    for (const CProcessData& process : GetProcesses()) {
        if (process.m_strProgram.CompareNoCase(record.name) == 0) {
            *out = process;
            return 1;
        }
    }
    return 0;
}

LRESULT CProjectWnd::OnAxisType(WPARAM, LPARAM lParam)
{
    const int axis = static_cast<int>(lParam);
    const int axes = GetAxisCountAtServoPeriod();
    if (axis < 0 || axis >= axes)
        return 0;
    if (!RunControllerCommands({Command(28, axis)}))
        return 0;
    return GetReplyValues().axisType;
}

LRESULT CProjectWnd::OnAxisTypes(WPARAM, LPARAM lParam)
{
    auto* types = reinterpret_cast<int*>(lParam);
    if (!types)
        return 0;
    const int axes = GetAxisCountAtServoPeriod();
    for (int axis = 0; axis < axes; ++axis)
        types[axis] = RunControllerCommands({Command(28, axis)}) ? GetReplyValues().axisType : 0;
    return 0;
}
