// The program operations the tools ask of the project window (0x812B open
// in an editor, 0x812D any operation, 0x815D compile): each is queued as a
// copy and carried out on the window's thread when its 0x81E7 comes, one at
// a time; an operation that arrives while another runs comes back a little
// later, so operations never nest.
//
// A new program puts an empty file of its type into the project folder
// and loads it (the program file import, projectwnd_import.cpp); codes that
// name no operation are logged and dropped.
#include "foundation/logline.h"
#include "framework/prompt.h"
#include "project/kwproject.h"
#include "project/programtypes.h"
#include "project/projectwnd.h"

namespace {

// An operation that finds another running comes back after this long.
const UINT kOperationRetryMs = 5;
const char kOneIECProject[] = "Only one IEC project is allowed"; // 1316
const char kNewProgramCaption[] = "New Program";                  // 1319
const char kDeleteAllCaption[] = "Delete all programs";
const char kDeleteAllQuestion[] = "This will completely erase the contents of the controller\n\nDo you wish to continue?";

} // namespace

void CProjectWnd::QueueProgramOperation(const CProgramOperationData& operation)
{
    m_operations.push_back(operation);
    m_nQueuedOperations = static_cast<int>(m_operations.size());
    ++m_nUnfinishedOperations;
    PostMessage(PWM_RUN_PROGRAM_OPERATION, 0, 0);
}

BOOL CProjectWnd::RunProgramOperation(const CProgramOperationData& operation)
{
    struct CRunning {
        explicit CRunning(CProjectWnd& window) : m_window(window)
        {
            m_window.m_bOperationRunning = true;
            ++m_window.m_nProgramOperations;
        }
        ~CRunning()
        {
            --m_window.m_nProgramOperations;
            m_window.m_bOperationRunning = false;
        }
        CProjectWnd& m_window;
    } running(*this);

    const char* name = operation.m_strProgram.GetString();
    int type = operation.m_nType;
    if (type < 0)
        type = m_pConnection->GetProgramType(name);
    const int number = operation.m_nNumber;
    BOOL result = FALSE;
    switch (operation.m_nOperation) {
    case PROGRAM_OP_NEW:
        result = CreateNewProgram(operation, type);
        break;
    case PROGRAM_OP_EDIT:
        if (ControllerCanEditProgramType(type, m_pConnection.get()))
            result = OpenEditor(name, type, FALSE, -1);
        break;
    case PROGRAM_OP_DEBUG:
        if (ControllerCanEditProgramType(type, m_pConnection.get()))
            result = OpenEditor(name, type, TRUE, number);
        break;
    case PROGRAM_OP_COMPILE:
        result = CompileProgram(name, type);
        break;
    case PROGRAM_OP_RUN:
        result = RunProgram(name, number);
        break;
    case PROGRAM_OP_STEP:
    case PROGRAM_OP_STEP_TOOLBAR:
        result = StepProgram(name, number);
        break;
    case PROGRAM_OP_TRACE_OFF:
        result = TraceOff(name, number);
        break;
    case PROGRAM_OP_STOP:
        result = StopProgram(name, number);
        break;
    case PROGRAM_OP_COPY:
        result = CopyProgram(name, operation.m_strSecond);
        break;
    case PROGRAM_OP_RENAME:
        result = RenameProgram(name, operation.m_strSecond);
        break;
    case PROGRAM_OP_DELETE:
        // The IEC system lets go of the project before its program goes.
        if (type == PROGRAM_TYPE_IEC_PROJECT && m_pIECProject)
            m_pIECProject->CloseProject();
        // One program: a text that is no program name ("*", a list) must
        // not delete more than the record names.
        result = IsValidProgramName(name) ? DeletePrograms(name) : FALSE;
        break;
    case PROGRAM_OP_DELETE_ALL:
        result = DeleteAllPrograms();
        break;
    case PROGRAM_OP_HALT_ALL:
        result = HaltProgramsIfRunning(nullptr);
        break;
    default:
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "Program operation %d on %s is not carried out", operation.m_nOperation,
                        name);
        break;
    }
    return result;
}

BOOL CProjectWnd::CreateNewProgram(const CProgramOperationData& operation, int type)
{
    const ProgramTypeRow* row = FindProgramType(type);
    const int newProgramColumn = 6;
    if (!row || !GetProgramTypeColumn(*row, newProgramColumn))
        return FALSE;
    if (!CanRunProgramOperations() && !HaltProgramsIfRunning(nullptr))
        return FALSE;
    const char* name = operation.m_strProgram.GetString();
    if (type == PROGRAM_TYPE_IEC_PROJECT) {
        if (m_pConnection->CountPrograms(PROGRAM_TYPE_IEC_PROJECT) > 0) {
            AfxGetPromptService().Prompt(m_hWnd, kOneIECProject, kNewProgramCaption, MB_OK);
            return FALSE;
        }
        return CreateIECProgram(name);
    }
    if (!ImportProgramFile(name, operation.m_strSecond, row->fileTypes[0], TRUE))
        return FALSE;
    if (ControllerCanEditProgramType(type, m_pConnection.get()))
        OpenEditor(name, type, FALSE, -1);
    return TRUE;
}

int CProjectWnd::DeleteAllPrograms()
{
    CBusy busy(*this);
    if (AfxGetPromptService().Prompt(m_hWnd, kDeleteAllQuestion, kDeleteAllCaption, MB_YESNO | MB_DEFBUTTON2) !=
        IDYES)
        return 0;
    // The deletion of "*" asks to halt running programs, closes every
    // editor, empties both program lists, stores in flash where that is
    // wanted and asks for the selected program.
    return DeletePrograms("*");
}

bool CProjectWnd::HandleOperationMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message) {
    case PWM_EDIT_PROGRAM:
    case PWM_COMPILE_PROGRAM: {
        const auto name = reinterpret_cast<LPCSTR>(wParam);
        if (!name || !*name)
            return true;
        CProgramOperationData operation;
        operation.m_nOperation = message == PWM_EDIT_PROGRAM ? PROGRAM_OP_EDIT : PROGRAM_OP_COMPILE;
        operation.m_strProgram = name;
        operation.m_nType = m_pConnection->GetProgramType(name);
        QueueProgramOperation(operation);
        return true;
    }
    case PWM_QUEUE_OPERATION:
        if (const auto* operation = reinterpret_cast<const CProgramOperationData*>(lParam))
            QueueProgramOperation(*operation);
        return true;
    case PWM_RUN_PROGRAM_OPERATION: {
        if (m_bClosing)
            return true;
        if (m_bOperationRunning) {
            DeferMessage(PWM_RUN_PROGRAM_OPERATION, wParam, lParam, kOperationRetryMs);
            return true;
        }
        if (m_operations.empty())
            return true;
        const CProgramOperationData operation = m_operations.front();
        m_operations.erase(m_operations.begin());
        m_nQueuedOperations = static_cast<int>(m_operations.size());
        result = RunProgramOperation(operation);
        if (m_bDeferredRefresh.exchange(FALSE))
            RefreshProgramList(TRUE);
        --m_nUnfinishedOperations;
        return true;
    }
    default:
        return false;
    }
}
