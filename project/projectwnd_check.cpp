// The project check: whether the controller holds the open project's
// programs, and the way to a state where it does. One run moves through
// named states from "Start" to "Finished" in the check dialog; a state that
// finds a difference leads to a warning where the user saves the
// controller's programs as the project, loads a project, changes to another
// one, starts a new one, or resolves the differences program by program
// (the comparisons, projectwnd_compare.cpp).
//
// It runs on the project window's thread; its questions wait in the dialog
// and answer that thread's messages meanwhile. A second request waits until
// the running check has ended.
#include "project/projectwnd.h"

#include <cstring>
#include <memory>

#include "foundation/fileutil.h"
#include "foundation/textutil.h"
#include "framework/prompt.h"
#include "project/checkproject.h"
#include "project/programdialogs.h"
#include "project/projectcheck.h"
#include "shell/mainframemessages.h"
#include "settings/vqregistry.h"

namespace {

// Command-table ids.
enum : int {
    CMD_POWER_UP_QUERY = 33, // "?POWER_UP[0];"
    CMD_POWER_UP_SET = 36,   // "POWER_UP=%i"
};

const UINT kNotConnectedText = 624; // the frame's "Not Connected"
const UINT kPanelNotice = WM_APP + 0x186;
const int kFastProjectLoadFeature = 9;

// The states of a run.
enum State : int {
    FINISHED = 0,
    START,
    GET_CONTROLLER_TYPE,
    READ_CONTROLLER_DIRECTORY,
    CHECK_PROJECT_EXISTS,
    CHECK_PROJECT_FILE_EXISTS,
    CHECK_WRITE_PERMISSION,
    READ_PROJECT_DIRECTORY,
    CHECK_CONTROLLER,
    CHECK_PROGRAMS,
    CHECK_FILES,
    CHECK_PROGRAM_TYPES,
    GET_CONTROLLER_CRCS,
    GET_PROJECT_CRCS,
    CHECK_CRCS,
    UPDATE_CONTROL_PANEL,
    CREATE_NEW_PROJECT,
    SAVE_PROJECT,
    LOAD_PROJECT,
    CHANGE_PROJECT,
    WARN,
    WARN_LOAD_ONLY,
    WARN_PROGRAM,
    FAIL,
};

const char* const kStateNames[] = {"Finished",
                                   "Start",
                                   "Get controller type",
                                   "Read controller directory",
                                   "Check project exists",
                                   "Check project file exists",
                                   "Check project write permission",
                                   "Read project directory",
                                   "Check controller",
                                   "Check programs",
                                   "Check files",
                                   "Check program types",
                                   "Get controller program CRC's",
                                   "Get project program CRC's",
                                   "Check CRC's",
                                   "Update control panel",
                                   "Create new project",
                                   "Save project",
                                   "Load project",
                                   "Change project",
                                   "Warn",
                                   "Warn - load only",
                                   "Warn - program",
                                   "Fail"};

const char* StateName(int state)
{
    return state >= 0 && state <= FAIL ? kStateNames[state] : "Unknown state!";
}

const char kManagerCaption[] = "Project Manager"; // 659
const char kCheckCaption[] = "Check project";     // 339
const char kProjectCheckCaption[] = "Project Check"; // 653

// Step texts.
const char kCheckingController[] = "Checking for connected controller";                      // 337
const char kReadingDirectory[] = "Reading controller directory";                             // 665
const char kLookingForProject[] = "Looking for current project";                              // 577
const char kCheckingProjectFile[] = "Checking project file %s";                                // 850
const char kReadingProject[] = "Reading directory from project file";                         // 667
const char kComparingController[] = "Comparing controller defined in project with connected"; // 347
const char kCheckingPrograms[] = "Checking controller programs against project";              // 340
const char kCheckingFiles[] = "Checking project programs against controller";                 // 338
const char kCheckingTypes[] = "Checking program types";                                       // 244
const char kControllerCrcs[] = "Calculating controller program checksums";                    // 323
const char kProjectCrcs[] = "Calculating project program checksums";                          // 324
const char kCrossChecking[] = "Cross-checking controller and project programs";               // 424
const char kCreating[] = "Creating new project";                                              // 423
const char kCreated[] = "Controller cleared and project %s created";                          // 858
const char kSaving[] = "Saving project";                                                      // 727
const char kSaved[] = "Contents of controller stored in project %s";                          // 857
const char kLoadingProject[] = "Loading project";                                             // 564
const char kLoaded[] = "Project %s loaded";                                                   // 922
const char kChanging[] = "Changing project";                                                  // 336
const char kChanged[] = "Changed to project\r\n%s";                                           // 847
const char kCompleted[] = "Project check completed";                                          // 654

// Messages.
const char kNoController[] = "No controller found\r\n\r\nProject check will be stopped";     // 613
const char kDirectoryError[] = "Error reading controller directory";                          // 523
const char kNoProjectFile[] = "No project file specified";                                    // 615
const char kProjectNotFound[] = "Project file  %s  not found";                                // 920
const char kInvalidFolder[] = "Invalid project directory: %s";                                // 950
const char kNoWritePermission[] = "No write permission for project %s";                       // 949
const char kProjectDirectoryError[] = "Error reading project directory";                      // 524
const char kOtherController[] = "Project was created on a different controller\r\nProject uses   %s\r\n"
                                "Controller is  %s\r\n\r\nDo you want to modify the project?"; // 927
const char kControllerDiffers[] = "Programs on controller differ from those in project";     // 505
const char kProjectDiffers[] = "Programs in project differ from those on controller";        // 506
const char kTypeMismatch[] = "Program type mismatch: Program %s\n    (Controller %d, Project %d)"; // 1261
const char kControllerCrcError[] = "Error calculating controller program checksums";          // 502
const char kMissingFile[] = "File %s does not exist.";                                        // 883
const char kReadOnlyFile[] = "No write permission for file %s";                               // 555
const char kProjectCrcError[] = "Error calculating project program checksums";                // 503
const char kCrcsDiffer[] = "Controller and project programs differ";                          // 386
const char kCancelledByUser[] = "Create new project cancelled by user";                       // 327
const char kNewProjectError[] = "Error creating new project";                                 // 509
const char kLoadCancelled[] = "Load project cancelled by user";                               // 329
const char kLoadError[] = "Error loading project";                                            // 519
const char kChangeCancelled[] = "Change project cancelled by user";                           // 326
const char kChangeError[] = "Error changing project";                                         // 504
const char kWarnChoices[] = " \r\n\r\nSave controller programs to new project\r\nLoad a different project,\r\n"
                            "Change project for comparison\r\nErase controller programs and create a new project"; // 829
const char kResolveChoice[] = "\r\nResolve project and controller mismatches";                 // 692
const char kLoadChoices[] = "\r\n\r\nLoad an existing project or\r\ncreate a new project";    // 566
const char kMakeEditable[] = "The programs are fixed on the controller so the project check will not be able to "
                             "change the controller contents.\n\nDo you want to make the programs editable?"; // 1185
const char kCheckedOk[] = "Project checked OK";                                                // 655
const char kCheckFailed[] = "Check project failed:  Unable to connect";                        // 656

bool EndsWith(const CString& text, const char* tail)
{
    const int length = static_cast<int>(std::strlen(tail));
    return text.GetLength() >= length && text.Right(length) == tail;
}

// One run of the check.
class CCheckRun {
public:
    CCheckRun(CProjectWnd& window, CCheckProject& dialog, BOOL autoResolve)
        : m_window(window), m_dialog(dialog), m_compare(window, dialog), m_bAutoResolve(autoResolve != FALSE)
    {
    }

    // The loop over the states; afterwards, whether the check succeeded
    // and whether the load was handed over to the fast path.
    void Run();
    bool Succeeded() const { return m_bResult; }
    bool LoadRequested() const { return m_bLoadRequested; }
    const CString& Message() const { return m_strMessage; }

private:
    int OnState(int state);
    int CheckWritePermission();
    int ReadProjectDirectory();
    int GetControllerCrcs();
    int GetProjectCrcs();
    int RunOperation(int outcome, const CString& done, const char* cancelled, const char* failed);
    int WarnWithChoices(int state);
    int WarnLoadOnly();
    int Choose(int choice, int state);
    void MakeProgramsEditable();
    void Step(LPCSTR text) { m_compare.Step(text); }
    // The message and the next state.
    int Warn(const CString& message, int next)
    {
        m_strMessage = message;
        return next;
    }

    CProjectWnd& m_window;
    CCheckProject& m_dialog;
    CProgramComparison m_compare;
    bool m_bResult = true;
    bool m_bResolve = false;
    bool m_bAutoSave = false;
    bool m_bAutoResolve;
    bool m_bLoadRequested = false;
    bool m_bProgramsFixed = false;
    CString m_strMessage;
};

void CCheckRun::Run()
{
    m_bProgramsFixed = m_window.AreProgramsFixed();
    m_compare.SetProgramsFixed(m_bProgramsFixed);
    int state = START;
    while (state != FINISHED) {
        ::OutputDebugStringA(CString(StateName(state)) + "\n");
        state = OnState(state);
    }
    ::OutputDebugStringA("End of project check\n");
}

int CCheckRun::OnState(int state)
{
    CControllerConnection& connection = m_window.GetConnection();
    CProjectFile& project = m_window.GetProjectFile();
    int outcome = COMPARE_SAME;
    switch (state) {
    case START:
        m_bResult = true;
        m_compare.ProjectPrograms().clear();
        m_window.RefreshControlPanel();
        m_dialog.ClearButtons();
        m_dialog.SetQuestion("");
        m_dialog.ClearTrees();
        m_window.SendToMainFrame(WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>(""));
        return GET_CONTROLLER_TYPE;

    case GET_CONTROLLER_TYPE: {
        Step(kCheckingController);
        if (connection.GetModelRow() == MODEL_ROW_NONE)
            return Warn(kNoController, FAIL);
        const CString model = connection.GetModel().m_szName;
        m_window.SendToMainFrame(WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>(model.GetString()));
        m_dialog.SetControllerRoot(model);
        return READ_CONTROLLER_DIRECTORY;
    }

    case READ_CONTROLLER_DIRECTORY:
        Step(kReadingDirectory);
        if (!m_window.ReadProgramDirectory())
            return Warn(kDirectoryError, WARN_LOAD_ONLY);
        m_dialog.ClearControllerTree(TRUE);
        for (const CProgramData& program : connection.GetPrograms())
            m_dialog.AddControllerProgram(program.m_strName);
        m_window.RefreshControlPanel();
        return CHECK_PROJECT_EXISTS;

    case CHECK_PROJECT_EXISTS: {
        Step(kLookingForProject);
        CString path = project.GetFilePath();
        if (path.IsEmpty())
            path = CVQRegistry().GetLastProject();
        project.Load(path);
        if (path.IsEmpty())
            return Warn(kNoProjectFile, WARN);
        CString name = path.Mid(path.ReverseFind('\\') + 1);
        if (name.ReverseFind('.') > 0)
            name = name.Left(name.ReverseFind('.'));
        m_dialog.SetProjectRoot(name);
        return CHECK_PROJECT_FILE_EXISTS;
    }

    case CHECK_PROJECT_FILE_EXISTS: {
        const CString path = project.GetFilePath();
        Step(FormatString(kCheckingProjectFile, path.GetString()));
        if (!PathExists(path, 0))
            return Warn(FormatString(kProjectNotFound, path.GetString()), WARN);
        return CHECK_WRITE_PERMISSION;
    }

    case CHECK_WRITE_PERMISSION:
        return CheckWritePermission();

    case READ_PROJECT_DIRECTORY:
        return ReadProjectDirectory();

    case CHECK_CONTROLLER: {
        Step(kComparingController);
        m_strMessage.Empty();
        const int connected = connection.GetModelRow();
        if (project.GetControllerType() != connected) {
            if (CVQRegistry().GetCheckControllerType()) {
                const CString text = FormatString(kOtherController, GetControllerModel(project.GetControllerType()).m_szName,
                                                  connection.GetModel().m_szName);
                if (AfxGetPromptService().Prompt(m_window.GetSafeHwnd(), text, kProjectCheckCaption,
                                                 MB_YESNO | MB_DEFBUTTON2) != IDYES)
                    return WARN;
            }
            project.SetControllerType(connected);
        }
        return CHECK_PROGRAMS;
    }

    case CHECK_PROGRAMS:
        Step(kCheckingPrograms);
        outcome = m_compare.CompareControllerPrograms(m_bResolve);
        if (outcome == COMPARE_SAME)
            return CHECK_FILES;
        return outcome == COMPARE_DIFFERS ? Warn(kControllerDiffers, WARN_PROGRAM) : FAIL;

    case CHECK_FILES:
        Step(kCheckingFiles);
        outcome = m_compare.CompareProjectPrograms(m_bResolve);
        if (outcome == COMPARE_SAME)
            return CHECK_PROGRAM_TYPES;
        return outcome == COMPARE_DIFFERS ? Warn(kProjectDiffers, WARN_PROGRAM) : FAIL;

    case CHECK_PROGRAM_TYPES: {
        Step(kCheckingTypes);
        CString name;
        int controllerType = -1, projectType = -1;
        outcome = m_compare.CompareProgramTypes(m_bResolve, name, controllerType, projectType);
        if (outcome == COMPARE_SAME)
            return GET_CONTROLLER_CRCS;
        if (outcome != COMPARE_DIFFERS)
            return FAIL;
        return Warn(FormatString(kTypeMismatch, name.GetString(), controllerType, projectType), WARN_PROGRAM);
    }

    case GET_CONTROLLER_CRCS:
        return GetControllerCrcs();

    case GET_PROJECT_CRCS:
        return GetProjectCrcs();

    case CHECK_CRCS:
        Step(kCrossChecking);
        outcome = m_compare.CompareAllCrcs(m_bResolve, m_bAutoSave);
        m_bResolve = false;
        m_bAutoSave = false;
        if (outcome == COMPARE_SAME)
            return UPDATE_CONTROL_PANEL;
        return outcome == COMPARE_DIFFERS ? Warn(kCrcsDiffer, WARN_PROGRAM) : FAIL;

    case UPDATE_CONTROL_PANEL:
        m_window.RefreshControlPanel();
        return FINISHED;

    case CREATE_NEW_PROJECT:
        Step(kCreating);
        outcome = m_window.CreateNewProject();
        return RunOperation(outcome, FormatString(kCreated, project.GetFilePath().GetString()), kCancelledByUser,
                            kNewProjectError);

    case SAVE_PROJECT:
        Step(kSaving);
        outcome = m_window.SaveProject(FALSE, &m_dialog, FALSE);
        return RunOperation(outcome, FormatString(kSaved, project.GetFilePath().GetString()), kCancelledByUser,
                            kNewProjectError);

    case LOAD_PROJECT: {
        Step(kLoadingProject);
        if (connection.IsFeatureSupported(kFastProjectLoadFeature) && CVQRegistry().GetForceSlowProjectLoad() <= 0) {
            // The fast load runs outside the check, once it has ended.
            m_bLoadRequested = true;
            return FINISHED;
        }
        const CString path = project.GetFilePath();
        outcome = m_window.LoadProject(path, &m_dialog, FALSE, TRUE);
        if (outcome == 1)
            m_window.m_nCancel = 1;
        return RunOperation(outcome, FormatString(kLoaded, project.GetFilePath().GetString()), kLoadCancelled,
                            kLoadError);
    }

    case CHANGE_PROJECT:
        Step(kChanging);
        outcome = m_window.ChooseProjectFile(4);
        return RunOperation(outcome, FormatString(kChanged, project.GetFilePath().GetString()), kChangeCancelled,
                            kChangeError);

    case WARN:
    case WARN_PROGRAM:
        return WarnWithChoices(state);

    case WARN_LOAD_ONLY:
        return WarnLoadOnly();

    case FAIL:
    default:
        m_bResult = false;
        m_window.SendToMainFrame(WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>(""));
        m_window.SendToControlPanel(WM_DISCONNECTED, DISCONNECT_TERMINAL, 0);
        return FINISHED;
    }
}

int CCheckRun::RunOperation(int outcome, const CString& done, const char* cancelled, const char* failed)
{
    if (outcome == 2) {
        Step(done);
        return START;
    }
    return Warn(outcome == 1 ? cancelled : failed, FAIL);
}

int CCheckRun::CheckWritePermission()
{
    CProjectFile& project = m_window.GetProjectFile();
    const CString path = project.GetFilePath();
    const int slash = path.ReverseFind('\\');
    if (slash <= 0)
        return Warn(FormatString(kInvalidFolder, path.GetString()), WARN);
    const CString folder = path.Left(slash);
    const CString denied = FormatString(kNoWritePermission, path.GetString());
    BOOL readOnly = TRUE;
    if (!PathExists(folder, 1, &readOnly) || readOnly)
        return Warn(denied, WARN);
    // The project file is tested before the time of the check is written:
    // a project that cannot be written gets nothing written beside it.
    if (!PathExists(path, 0, &readOnly) || readOnly)
        return Warn(denied, WARN);
    const HANDLE file = ::CreateFileA(folder + "\\LastOpen.log", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Warn(denied, WARN);
    const CString time = m_window.Now().Format("%H:%M %d-%b-%Y");
    DWORD written = 0;
    const BOOL wrote = ::WriteFile(file, time.GetString(), static_cast<DWORD>(time.GetLength()), &written, nullptr);
    ::CloseHandle(file);
    if (!wrote || written != static_cast<DWORD>(time.GetLength()))
        return Warn(denied, WARN);
    return READ_PROJECT_DIRECTORY;
}

int CCheckRun::ReadProjectDirectory()
{
    Step(kReadingProject);
    CTList<CProgramData> list;
    if (!m_window.GetProjectFile().ReadProgramList(list))
        return Warn(kProjectDirectoryError, WARN);
    std::vector<CheckedProgram>& programs = m_compare.ProjectPrograms();
    programs.clear();
    m_dialog.ClearProjectTree(TRUE);
    for (const CProgramData* program = list.GetHead(); program; program = list.GetNext(program)) {
        CheckedProgram checked;
        checked.name = program->m_strName;
        checked.type = program->m_nType;
        programs.push_back(checked);
        m_dialog.AddProjectProgram(checked.name);
    }
    return CHECK_CONTROLLER;
}

int CCheckRun::GetControllerCrcs()
{
    Step(kControllerCrcs);
    for (const CProgramData& program : m_window.GetConnection().GetPrograms()) {
        if (!m_compare.IsCompared(program.m_nType))
            continue;
        if (!m_compare.ReadControllerCrc(program.m_strName, program.m_nType))
            return Warn(kControllerCrcError, WARN_LOAD_ONLY);
    }
    return GET_PROJECT_CRCS;
}

int CCheckRun::GetProjectCrcs()
{
    Step(kProjectCrcs);
    CProjectFile& project = m_window.GetProjectFile();
    for (CheckedProgram& program : m_compare.ProjectPrograms()) {
        program.type = project.GetProgramType(program.name);
        if (!m_compare.IsCompared(program.type))
            continue;
        const CString path = m_compare.ProjectFilePath(program.name, program.type);
        BOOL readOnly = TRUE;
        if (!PathExists(path, 0, &readOnly))
            return Warn(FormatString(kMissingFile, path.GetString()), WARN);
        if (readOnly)
            return Warn(FormatString(kReadOnlyFile, path.GetString()), WARN);
        if (!m_compare.ReadProjectCrc(program))
            return Warn(kProjectCrcError, WARN);
    }
    return CHECK_CRCS;
}

void CCheckRun::MakeProgramsEditable()
{
    m_window.RunControllerCommands(
        {CProjectWnd::Command(CMD_POWER_UP_SET, 0), CProjectWnd::Command(CMD_POWER_UP_QUERY)});
    m_bProgramsFixed = m_window.AreProgramsFixed();
    m_compare.SetProgramsFixed(m_bProgramsFixed);
}

int CCheckRun::WarnWithChoices(int state)
{
    const bool program = state == WARN_PROGRAM;
    if (m_bProgramsFixed) {
        CAskUnfixProgramsDialog ask(&m_window);
        if (ask.DoModal() != IDOK || m_window.IsClosing())
            return FAIL;
        if (ask.IsMakeEditable())
            MakeProgramsEditable();
    }
    m_bResolve = false;
    // Shown again (a refused halt) the message keeps one copy of the
    // choices.
    if (!EndsWith(m_strMessage, program ? kResolveChoice : kWarnChoices)) {
        m_strMessage += kWarnChoices;
        if (program)
            m_strMessage += kResolveChoice;
    }
    if (program && m_bAutoResolve) {
        if (!m_window.HaltProgramsIfRunning(""))
            return FAIL;
        m_bAutoResolve = false;
        m_bAutoSave = true;
        m_bResolve = true;
        return CHECK_CONTROLLER;
    }
    const bool editable = !m_bProgramsFixed;
    std::vector<CheckButton> buttons = {{"&Save", CHOICE_SAVE, true, false},
                                        {"&Load", CHOICE_LOAD, editable, false},
                                        {"C&hange", CHOICE_CHANGE, true, false},
                                        {"&New", CHOICE_NEW, editable, false}};
    if (program)
        buttons.push_back({"&Resolve", CHOICE_RESOLVE, true, false});
    buttons.push_back({"&Cancel", CHOICE_CANCEL, true, true});
    const int choice = m_compare.Ask(m_strMessage, buttons);
    return Choose(choice, state);
}

int CCheckRun::WarnLoadOnly()
{
    if (m_bProgramsFixed &&
        AfxGetPromptService().Prompt(m_window.GetSafeHwnd(), kMakeEditable, kCheckCaption, MB_YESNO | MB_DEFBUTTON1) ==
            IDYES)
        MakeProgramsEditable();
    if (!EndsWith(m_strMessage, kLoadChoices))
        m_strMessage += kLoadChoices;
    const int choice = m_compare.Ask(
        m_strMessage, {{"&Load", CHOICE_LOAD, !m_bProgramsFixed, false}, {"&Cancel", CHOICE_CANCEL, true, true}});
    return Choose(choice, WARN_LOAD_ONLY);
}

int CCheckRun::Choose(int choice, int state)
{
    switch (choice) {
    case CHOICE_LOAD:
        return LOAD_PROJECT;
    case CHOICE_SAVE:
        return SAVE_PROJECT;
    case CHOICE_CHANGE:
        return CHANGE_PROJECT;
    case CHOICE_NEW:
        return CREATE_NEW_PROJECT;
    case CHOICE_RESOLVE:
        m_bResolve = true;
        return m_window.HaltProgramsIfRunning("") ? CHECK_CONTROLLER : state;
    default:
        m_bResult = false;
        return FINISHED;
    }
}

// Whether any program of the controller changed since it was stored.
WPARAM ProgramsStateWord(CControllerConnection& connection)
{
    for (const CProgramData& program : connection.GetPrograms())
        if (program.m_nChanged)
            return 1;
    return 0;
}

} // namespace

BOOL CProjectWnd::RunProjectCheck(BOOL autoResolve)
{
    struct CRunning {
        explicit CRunning(CProjectWnd& window) : m_window(window) { m_window.m_bCheckRunning = TRUE; }
        ~CRunning() { m_window.m_bCheckRunning = FALSE; }
        CProjectWnd& m_window;
    } running(*this);
    // A destroy request waits until the check has ended.
    CBusy busy(*this);
    CBusyIndication indication(*this);
    m_nCancel = 0;
    Broadcast(PWM_BROADCAST, 0, 0);

    CCheckProject dialog;
    if (!dialog.Create(this))
        return FALSE;
    dialog.ShowWindow(SW_SHOW);
    struct CShown {
        CShown(CProjectWnd& window, CCheckProject& dialog) : m_window(window) { m_window.m_pCheckDialog = &dialog; }
        ~CShown() { m_window.m_pCheckDialog = nullptr; }
        CProjectWnd& m_window;
    } shown(*this, dialog);
    if (IsClosing())
        dialog.SetClosing();

    CCheckRun run(*this, dialog, autoResolve);
    run.Run();
    BOOL result = run.Succeeded() ? TRUE : FALSE;
    const CString path = m_projectFile.GetFilePath();
    if (run.LoadRequested()) {
        // The load reports the project itself.
        PostMessage(PWM_LOAD_PROJECT, 0, 0);
        dialog.DestroyWindow();
        return FALSE;
    }

    dialog.SetStatus(kCompleted);
    if (result) {
        SendToControlPanel(kPanelNotice, ProgramsStateWord(*m_pConnection), reinterpret_cast<LPARAM>(""));
        dialog.SetQuestion(kCheckedOk);
        m_projectFile.SetControllerType(m_pConnection->GetModelRow());
    } else {
        CString text = run.Message();
        if (!text.IsEmpty())
            text += "\r\n\r\n";
        text += kCheckFailed;
        dialog.SetQuestion(text);
        SendToControlPanel(PWM_NOT_FOUND);
    }
    // A load the user cancelled ends the check at once.
    if (m_nCancel == 0 && !IsClosing()) {
        dialog.ClearButtons();
        dialog.SetButton(0, "&OK", CHOICE_OK, TRUE);
        dialog.WaitForAnswer();
    }

    if (result) {
        SendToMainFrame(WM_SET_PROJECT_TEXT, 0, reinterpret_cast<LPARAM>(path.GetString()));
    } else {
        Disconnect(0, DISCONNECT_OFFER);
        if (!IsClosing())
            PostMessage(PWM_OPEN_TOOL, TOOL_TERMINAL, 1);
        SendToMainFrame(WM_SET_PROJECT_TEXT, kNotConnectedText, 0);
    }
    dialog.DestroyWindow();
    return result;
}

bool CProjectWnd::AreProgramsFixed()
{
    return m_pConnection->IsPowerUpActive() != FALSE;
}

bool CProjectWnd::HandleCheckMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    if (message != PWM_CHECK_PROJECT)
        return false;
    // Never two at once, nor one inside a connect or another project
    // operation: asked again shortly.
    if (IsProjectCheckRunning() || m_bConnecting || m_bProjectOperationRunning) {
        DeferMessage(PWM_CHECK_PROJECT, wParam, lParam, 10);
        result = PWM_OPERATION_DEFERRED;
        return true;
    }
    RunProjectCheck(FALSE);
    PostToMainFrame(PWM_READY);
    return true;
}
