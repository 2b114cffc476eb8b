#include "editor/runstate.h"

#include "editor/editbuffer.h"
#include "editor/linetokens.h"

namespace editor {

bool CEditRunState::TakeProgramState(const ProgramStateRecord& record)
{
    if (!EqualNoCase(record.program, m_buffer.Store().m_programName))
        return false;
    m_buffer.m_compileState = record.compiled ? 1 : 2;
    if (m_pObserver)
        m_pObserver->CompileStateChanged(m_buffer.m_compileState);
    if (EditWhileRunning())
        m_mayEdit = record.mayEdit;
    UpdateEditState();
    return record.compiled;
}

bool CEditRunState::TakeProcessStatus(const ProcessStatusRecord& record)
{
    if (!EqualNoCase(record.program, m_buffer.Store().m_programName))
        return false;
    if (m_followedProcess != -1 && record.process != m_followedProcess)
        return false;
    m_followedProcess = record.process;
    switch (record.state) {
    case kProcessStopped:
        m_followedProcess = -1;
        m_buffer.m_currentLine = -1;
        break;
    case kProcessRunning:
        m_buffer.m_currentLine = -1;
        break;
    case kProcessAtLine: {
        // A line the document does not hold (the program changed since the
        // controller reported it) is no current line.
        const int line = record.line < 0 ? 0 : record.line;
        m_buffer.m_currentLine = line < m_buffer.GetLineCount() ? line : -1;
        break;
    }
    default:
        break;
    }
    if (m_pObserver)
        m_pObserver->CurrentLineChanged(m_buffer.m_currentLine);
    m_processState = record.state;
    if (record.state != kProcessStopped) {
        m_running = true;
        m_buffer.m_markedLine = -1;
    }
    UpdateEditState();
    return true;
}

int CEditRunState::UpdateEditState(bool force)
{
    // Not running, or (where the controller and the setting allow editing
    // while programs run) the controller lets this program be edited.
    const bool editable = !m_readOnlyRequest && (!m_running || (EditWhileRunning() && m_mayEdit != 0));
    const int state = editable ? kEditStateEditable : kEditStateReadOnly;
    const bool changed = state != m_editState;
    m_editState = state;
    if ((changed || force) && m_pObserver)
        m_pObserver->EditStateChanged(state);
    return state;
}

void CEditRunState::SetReadOnlyRequest(bool readOnly)
{
    m_readOnlyRequest = readOnly;
    UpdateEditState();
}

void CEditRunState::SetRunning(bool running)
{
    m_running = running;
    UpdateEditState();
}

void CEditRunState::SetEditWhileRunning(bool controllerFeature, bool allowedBySetting)
{
    m_featureEditWhileRunning = controllerFeature;
    m_allowEditWhileRunning = allowedBySetting;
}

void CEditRunState::SetStartupRequest(int step, int process)
{
    m_startupStep = step;
    m_startupProcess = process < 0 ? -1 : process;
}

} // namespace editor
