// The project window's controller program list, the editors it opens and
// the program commands it runs for the editors, the control panel and the
// project view: the list brought to the controller's directory ("DIR X"),
// the editor-open hand-off to a new editor frame, the check that the
// controller's copy of a program is the project's before an editor opens
// on it, and RUN, STEPLINE and COMPILE.
//
// Everything here runs on the project window's thread. The command runner
// answers sent messages while it waits, so a refresh may be asked for while
// one runs: it is then queued once, by message.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "foundation/winutil.h"
#include "framework/prompt.h"
#include "link/controllermessage.h"
#include "project/checkfaildialog.h"
#include "project/kwproject.h"
#include "project/programtypes.h"
#include "project/programtransfer.h"
#include "project/projectwnd.h"
#include "ui/dialogthread.h"
#include "ui/progress.h"

namespace {

// Command ids of the table.
enum : int {
    CMD_DIR = 0,
    CMD_RUN = 2,
    CMD_STEPLINE = 4,
    CMD_SELECT_PROGRAM = 19,
    CMD_CURRENT_PROGRAM = 21,
    CMD_CONTROLLER_CRC = 26,
    CMD_CONTROLLER_SECOND = 27,
    CMD_COMPILE = 46,
};

const UINT kUserDialogTemplate = 265;
const UINT kProjectManagerCaption = 659;
const UINT kMissingFileText = 882;

std::string Upper(LPCSTR text)
{
    std::string name = text ? text : "";
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

CProgramData ProgramOfRecord(const DirectoryReplyRecord& record)
{
    ControllerMessage message;
    message.m_nCommandId = CMD_DIR;
    message.SetArgument(&record, static_cast<int>(sizeof record));
    CProgramData program;
    ReadDirectoryReply(message, program);
    return program;
}

// The project's file of a program: the project folder, the name and the
// extension.
CString ProjectProgramPath(CProjectFile& file, LPCSTR program, const CString& extension)
{
    // No file for a name that could reach outside the folder or be a device.
    if (!IsProgramFileName(program))
        return CString();
    CString folder = file.GetDirectory();
    if (folder.GetLength() > 0 && folder[folder.GetLength() - 1] == '\\')
        folder = folder.Left(folder.GetLength() - 1);
    return folder + "\\" + program + "." + extension;
}

BOOL OpenIECProjectOf(CProjectWnd& window, LPCSTR program);

void ShowDetached(LPCSTR text, UINT captionId, LPCSTR caption)
{
    AfxGetPromptService().PromptDetached(text, LoadStringOr(captionId, caption), MB_OK);
}

} // namespace

// ---------------------------------------------------------------- the program list

BOOL CProjectWnd::RefreshProgramList(BOOL notify)
{
    if (m_bRefreshing) {
        // The runner's wait took this request in: one more refresh later.
        if (m_nRefreshRequests == 0) {
            ++m_nRefreshRequests;
            PostMessage(PWM_REFRESH_PROGRAMS, 0, 0);
        }
        return TRUE;
    }
    struct CRefreshing {
        explicit CRefreshing(CProjectWnd& window) : m_window(window) { m_window.m_bRefreshing = true; }
        ~CRefreshing()
        {
            if (m_window.m_nRefreshRequests > 0)
                --m_window.m_nRefreshRequests;
            m_window.m_bRefreshing = false;
        }
        CProjectWnd& m_window;
    } refreshing(*this);
    CBusy busy(*this);
    CControllerConnection& connection = *m_pConnection;

    const auto tell = [&](WPARAM removed, CProgramData& program) {
        if (!notify)
            return;
        SendToControlPanel(PWM_PROGRAM_NOTICE, removed, reinterpret_cast<LPARAM>(&program));
        Broadcast(PWM_PROGRAM_NOTICE, removed, reinterpret_cast<LPARAM>(&program));
    };

    std::set<std::string> seen;
    if (connection.GetLinkMode() == CONNECTION_CHANNEL_MODE) {
        {
            std::lock_guard<std::mutex> lock(m_valuesLock);
            m_values.directory.clear();
        }
        // A directory that could not be read says nothing of the programs:
        // the list stays as it is.
        if (!RunControllerCommands({Command(CMD_DIR)}))
            return FALSE;
        for (const CProgramData& program : connection.GetPrograms())
            if (CProgramData* record = connection.FindProgram(program.m_strName))
                record->m_nSeen = 0;
        for (const DirectoryReplyRecord& entry : GetReplyValues().directory) {
            const CProgramData read = ProgramOfRecord(entry);
            // A name no controller program may have (a path, a cut name)
            // never joins the list, where it would become a file name.
            if (entry.nameCut || !IsValidProgramName(read.m_strName)) {
                GlobalLogFormat(LOG_STATUS_ERRORS, "Directory read: invalid program name \"%s%s\" skipped",
                                read.m_strName.GetString(), entry.nameCut ? "..." : "");
                continue;
            }
            CProgramData* program = connection.FindProgram(read.m_strName);
            if (program) {
                program->m_nSourceSize = read.m_nSourceSize;
                program->m_nCodeSize = read.m_nCodeSize;
                program->m_nAutoRun = read.m_nAutoRun;
                program->m_nType = read.m_nType;
                program->m_nEditable = read.m_nEditable;
            } else {
                CProgramData added = read;
                added.m_nNew = 0;
                program = connection.AddProgram(added);
            }
            if (!program)
                continue;
            program->m_nSeen = 1;
            seen.insert(Upper(program->m_strName));
            CProgramData copy = *program;
            tell(0, copy);
        }
    }
    for (CProgramData& program : connection.GetPrograms()) {
        if (seen.count(Upper(program.m_strName)))
            continue;
        // Told while the program is still listed: a window that asks about
        // it meanwhile still finds it.
        tell(1, program);
        connection.RemoveProgram(program.m_strName);
    }
    return TRUE;
}

BOOL CProjectWnd::ReadProgramDirectory()
{
    CBusy busy(*this);
    CControllerConnection& connection = *m_pConnection;
    if (connection.GetLinkMode() != CONNECTION_CHANNEL_MODE)
        return TRUE;
    {
        std::lock_guard<std::mutex> lock(m_valuesLock);
        m_values.directory.clear();
    }
    if (!RunControllerCommands({Command(CMD_DIR)}))
        return FALSE;
    const std::vector<DirectoryReplyRecord> entries = GetReplyValues().directory;
    for (const DirectoryReplyRecord& entry : entries) {
        char name[sizeof entry.name + 1] = {};
        std::memcpy(name, entry.name, sizeof entry.name);
        if (entry.nameCut || !IsValidProgramName(name)) {
            // One name the project could not address spoils the whole read.
            GlobalLogFormat(LOG_STATUS_ERRORS, "Directory read: invalid program name \"%s%s\"", name,
                            entry.nameCut ? "..." : "");
            std::lock_guard<std::mutex> lock(m_valuesLock);
            m_values.directory.clear();
            return FALSE;
        }
    }
    CTList<CProgramData> programs;
    for (const DirectoryReplyRecord& entry : entries)
        programs.AddTail(ProgramOfRecord(entry));
    connection.SyncProgramList(programs);
    return RefreshProcesses();
}

// ---------------------------------------------------------------- editors

bool CProjectWnd::HasProcessStatus(LPCSTR program)
{
    if (!program)
        return false;
    for (const CProcessData& process : GetProcesses())
        if (process.m_strProgram.CompareNoCase(program) == 0)
            return true;
    return false;
}

BOOL CProjectWnd::OpenEditor(LPCSTR program, int type, BOOL run, int process)
{
    if (!program || !*program || !ControllerCanEditProgramType(type, m_pConnection.get()))
        return FALSE;
    if (type == PROGRAM_TYPE_ENCRYPTED || (type >= PROGRAM_TYPE_FIFO && type <= PROGRAM_TYPE_BINARY) ||
        type > PROGRAM_TYPE_QC_CONFIG)
        return TRUE;
    // The controller's spelling of the name, for its commands and the frame.
    CProgramData listed;
    const CString name = m_pConnection->LookupProgram(program, listed) ? listed.m_strName : CString(program);
    program = name.GetString();
    if (type == PROGRAM_TYPE_IEC_PROJECT)
        return OpenIECProject(program);
    // An editor being made still waits for its request.
    if (!m_editorQueue.empty())
        return FALSE;
    for (const CToolRecord& record : GetToolRecords()) {
        if (record.toolId != static_cast<int>(TOOL_EDITOR) || _stricmp(record.name, program) != 0)
            continue;
        if (run && !HasProcessStatus(program))
            StepProgram(program, process);
        if (::IsWindow(record.hWnd)) {
            ::ShowWindow(record.hWnd, SW_SHOWNORMAL);
            ::SetForegroundWindow(record.hWnd);
            ::SetFocus(record.hWnd);
        }
        return TRUE;
    }
    if (!CheckProgramCopy(program, TRUE))
        return FALSE;
    const LPARAM startProcess = !run ? 0 : (process < 0 ? -1 : process);
    return CreateEditorFrame(program, run ? 1 : 0, startProcess);
}

BOOL CProjectWnd::CreateEditorFrame(LPCSTR program, WPARAM first, LPARAM second)
{
    QueueEditorOpen(program, first, second);
    const BOOL created = CreateTool(TOOL_EDITOR, 0);
    // A request that no frame took would refuse every later editor.
    for (auto it = m_editorQueue.begin(); it != m_editorQueue.end();) {
        if (!it->taken && it->program.CompareNoCase(program ? program : "") == 0) {
            GlobalLogFormat(LOG_PROJECT_MESSAGES, "Editor of %s not created: request dropped", program ? program : "");
            it = m_editorQueue.erase(it);
        } else {
            ++it;
        }
    }
    return created;
}

void CProjectWnd::CloseEditors(LPCSTR program)
{
    const bool all = !program || !*program;
    for (const CToolRecord& record : GetToolRecords())
        if (record.toolId == static_cast<int>(TOOL_EDITOR) && (all || _stricmp(record.name, program) == 0))
            CloseToolWindow(record.hWnd, true);
    RebuildWindowList();
}

// ---------------------------------------------------------------- copy check

namespace {

// Whether a program type has the check value ("&Z", column 23), and a
// second one ("&X", columns 22 and 24), with the connected controller.
bool HasCheckValue(int type, CControllerConnection* connection)
{
    return ControllerIsTextProgramType(type, connection) != 0;
}

// Both values 0, then: -1 without a program, 0 when the type has no check
// value (the read is done), 1 when the values are to be read.
int StartCheckValues(LPCSTR program, int type, CControllerConnection* connection, unsigned& crc, unsigned& second)
{
    crc = 0;
    second = 0;
    if (!program || !*program)
        return -1;
    return HasCheckValue(type, connection) ? 1 : 0;
}

bool HasSecondCheckValue(int type, CControllerConnection* connection)
{
    return ProgramTypeIsMovedAsFile(type, connection) && ProgramTypeColumn24(type, connection);
}

// The IEC project's check value of the controller's or the project's copy.
BOOL ReadIECCheckValue(CProjectWnd& window, LPCSTR program, bool controllerCopy, unsigned& value)
{
    unsigned long crc = 0;
    if (!OpenIECProjectOf(window, program))
        return FALSE;
    CKWProject* iec = window.m_pIECProject;
    if (!(controllerCopy ? iec->GetControllerProjectCRC(crc) : iec->GetProjectCRC(crc)))
        return FALSE;
    value = static_cast<unsigned>(crc);
    return TRUE;
}

} // namespace

BOOL CProjectWnd::ReadControllerProgramCrc(LPCSTR program, int type, unsigned& crc, unsigned& second)
{
    CControllerConnection* connection = m_pConnection.get();
    const int start = StartCheckValues(program, type, connection, crc, second);
    if (start <= 0)
        return start == 0 ? TRUE : FALSE;
    // The command's answer, stored by the reply handler.
    const auto ask = [&](int command, int ReplyValues::*field, unsigned& value) {
        {
            std::lock_guard<std::mutex> lock(m_valuesLock);
            m_values.*field = 0;
        }
        if (!RunControllerCommands({Command(command, program)}))
            return false;
        value = static_cast<unsigned>(GetReplyValues().*field);
        return true;
    };
    if (!ask(CMD_CONTROLLER_CRC, &ReplyValues::programSize, crc))
        return FALSE;
    // The controller's "CRC-16" may come as a signed 16-bit number.
    crc &= 0xFFFFu;
    if (!HasSecondCheckValue(type, connection))
        return TRUE;
    if (type == PROGRAM_TYPE_IEC_PROJECT)
        return ReadIECCheckValue(*this, program, true, second);
    return ask(CMD_CONTROLLER_SECOND, &ReplyValues::programCrc, second) ? TRUE : FALSE;
}

BOOL CProjectWnd::ReadProjectProgramCrc(LPCSTR program, int type, unsigned& crc, unsigned& second)
{
    CControllerConnection* connection = m_pConnection.get();
    const int start = StartCheckValues(program, type, connection, crc, second);
    if (start <= 0)
        return start == 0 ? TRUE : FALSE;
    const CString path = ProjectProgramPath(
        m_projectFile, program, type == PROGRAM_TYPE_IEC_PROJECT ? CString("zwa") : GetProgramTypeExtension(type));
    if (!PathExists(path, 0)) {
        CString text;
        text.Format(LoadStringOr(kMissingFileText, "File %s defined in the project does not exist"), path.GetString());
        ShowDetached(text, kProjectManagerCaption, "Project Manager");
        return FALSE;
    }
    std::uint16_t value = 0;
    if (!ProgramFileCrc(path, value))
        return FALSE;
    crc = value;
    if (!HasSecondCheckValue(type, connection))
        return TRUE;
    if (type == PROGRAM_TYPE_IEC_PROJECT)
        return ReadIECCheckValue(*this, program, false, second);
    second = m_projectFile.GetCodeCRC(program);
    return TRUE;
}

BOOL CProjectWnd::CheckProgramCopy(LPCSTR program, BOOL ask)
{
    CProgramData record;
    if (!program || !m_pConnection->LookupProgram(program, record))
        return FALSE;
    program = record.m_strName.GetString();
    unsigned controllerCrc = 0, controllerSecond = 0;
    if (!ReadControllerProgramCrc(program, record.m_nType, controllerCrc, controllerSecond))
        return FALSE;
    unsigned projectCrc = 0, projectSecond = 0;
    // A project copy that cannot be read differs: the question offers to
    // save the controller's.
    ReadProjectProgramCrc(program, record.m_nType, projectCrc, projectSecond);
    if (controllerCrc == projectCrc && controllerSecond == projectSecond)
        return TRUE;
    GlobalLogFormat(LOG_PROJECT_MESSAGES, "Program %s: controller copy 0x%04x, project copy 0x%04x", program,
                    controllerCrc, projectCrc);
    if (ask) {
        CString text;
        text.Format("The copy of the program %s on disk differs from the one on the controller\r\n\r\n"
                    "Do you wish to save the copy on the controller, load the copy from the project, or delete it?",
                    program);
        CString extension = GetProgramTypeExtension(record.m_nType);
        if (extension.IsEmpty())
            extension = "bas";
        const CString path = ProjectProgramPath(m_projectFile, program, extension);
        auto* dialog = new CProgCheckFailDialog(this, "Program Check", text, program, path);
        dialog->SetSelfDelete(TRUE);
        dialog->SetPostQuit(TRUE);
        if (!StartDialogThread(dialog, kUserDialogTemplate, m_hWnd))
            delete dialog;
    }
    return FALSE;
}

// ---------------------------------------------------------------- commands

BOOL CProjectWnd::RunProgram(LPCSTR program, int process)
{
    if (!program || !*program)
        return FALSE;
    Broadcast(PWM_SEND_PENDING, 0, 0, TOOL_EDITOR, program);
    CBusy busy(*this);
    CString text;
    if (process >= 1)
        text.Format("%s,%d", program, process);
    else
        text.Format("%s,", program);
    return RunControllerCommands({Command(CMD_RUN, text.GetString())});
}

BOOL CProjectWnd::StepProgram(LPCSTR program, int process)
{
    if (!program || !*program)
        return FALSE;
    if (!HasProcessStatus(program))
        Broadcast(PWM_SEND_PENDING, 0, 0, TOOL_EDITOR, program);
    CBusy busy(*this);
    CString text = program;
    if (process >= 1)
        text.Format("%s,%d", program, process);
    return RunControllerCommands({Command(CMD_STEPLINE, text.GetString())});
}

BOOL CProjectWnd::CompileProgram(LPCSTR program, int type)
{
    CControllerConnection& connection = *m_pConnection;
    if (!program || !*program || !ControllerCanCompileProgramType(type, &connection))
        return FALSE;
    if (type == PROGRAM_TYPE_IEC_PROJECT)
        return CompileIECProject(program);
    Broadcast(PWM_BROADCAST, 0, 0);
    // Whether, after the commands, "&C" names the program.
    const auto isSelected = [&](std::initializer_list<Command> commands) {
        {
            std::lock_guard<std::mutex> lock(m_valuesLock);
            m_values.selectedProgram.Empty();
        }
        return RunControllerCommands(commands) && GetReplyValues().selectedProgram.CompareNoCase(program) == 0;
    };
    bool selected = isSelected({Command(CMD_CURRENT_PROGRAM)});
    if (!selected) {
        CProgramData record;
        if (connection.LookupProgram(program, record) && ControllerCanSelectProgramType(record.m_nType, &connection))
            selected = isSelected({Command(CMD_SELECT_PROGRAM, program), Command(CMD_CURRENT_PROGRAM)});
        if (!selected) {
            CString text;
            text.Format("Could not select the program %s on the controller", program);
            ShowDetached(text, kProjectManagerCaption, "Project Manager");
        }
    }
    BOOL result = FALSE;
    if (selected) {
        Broadcast(PWM_MARK_LINE, 0, static_cast<LPARAM>(-1), TOOL_EDITOR, program);
        SendToControlPanel(PWM_MARK_LINE, reinterpret_cast<WPARAM>(program), static_cast<LPARAM>(-1));
        result = RunControllerCommands({Command(CMD_COMPILE)});
    }
    RefreshProgramList(TRUE);
    return result;
}

void CProjectWnd::CompileAllPrograms()
{
    CWaiting waiting(this, "Compiling");
    waiting.Show();
    for (const CProgramData& program : m_pConnection->GetPrograms()) {
        if (!IsProjectOpen() || IsReplyDispatchBlocked())
            break;
        if (ControllerCanCompileProgramType(program.m_nType, m_pConnection.get()))
            CompileProgram(program.m_strName, program.m_nType);
    }
    waiting.Hide();
}

// ---------------------------------------------------------------- IEC programs

namespace {

// The IEC project of the program open in the IEC system (another one is
// closed first); failures go to the error list.
BOOL OpenIECProjectOf(CProjectWnd& window, LPCSTR program)
{
    CKWProject* iec = window.m_pIECProject;
    if (!iec || !program || !*program)
        return FALSE;
    const CString path =
        ProjectProgramPath(window.GetProjectFile(), program, GetProgramTypeExtension(PROGRAM_TYPE_IEC_PROJECT));
    if (iec->IsProjectOpen() && iec->GetCurrentProjectFilePath().CompareNoCase(path) != 0)
        iec->CloseProject();
    if (!iec->IsProjectOpen() && !iec->OpenProject(path)) {
        window.AddErrorText(iec->GetLastError());
        return FALSE;
    }
    return TRUE;
}

} // namespace

BOOL CProjectWnd::OpenIECProject(LPCSTR program)
{
    if (!OpenIECProjectOf(*this, program))
        return FALSE;
    m_pIECProject->ShowApp(TRUE);
    return TRUE;
}

BOOL CProjectWnd::CompileIECProject(LPCSTR program)
{
    if (!OpenIECProjectOf(*this, program))
        return FALSE;
    if (!m_pIECProject->Compile()) {
        AddErrorText(m_pIECProject->GetLastError());
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------- messages

bool CProjectWnd::HandleProgramMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message) {
    case PWM_REFRESH_PROGRAMS:
        result = RefreshProgramList(TRUE);
        return true;
    case PWM_READ_DIRECTORY:
        ReadProgramDirectory();
        result = RefreshProgramList(TRUE);
        return true;
    case PWM_COMPILE_ALL:
        CompileAllPrograms();
        if (!::InSendMessage())
            PostToMainFrame(PWM_READY);
        return true;
    default:
        return HandleOperationMessage(message, wParam, lParam, result);
    }
}
