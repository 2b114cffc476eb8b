// The program operations the tools ask of the project window (0x812B open
// in an editor, 0x812D any operation, 0x815D compile): each is queued as a
// copy and carried out on the window's thread when its 0x81E7 comes, one at
// a time; an operation that arrives while another runs comes back a little
// later, so operations never nest.
//
// Only the operations that open editors and run the program commands are
// carried out here; the others are logged and dropped.
#include "foundation/logline.h"
#include "project/programtypes.h"
#include "project/projectwnd.h"

namespace {

// An operation that finds another running comes back after this long.
const UINT kOperationRetryMs = 5;

} // namespace

void CProjectWnd::QueueProgramOperation(const CProgramOperationData& operation)
{
    m_operations.push_back(operation);
    m_nQueuedOperations = static_cast<int>(m_operations.size());
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
    default:
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "Program operation %d on %s is not carried out", operation.m_nOperation,
                        name);
        break;
    }
    return result;
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
        return true;
    }
    default:
        return false;
    }
}
