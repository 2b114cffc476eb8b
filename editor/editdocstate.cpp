// The document's part of the program's state on the controller.
#include <cstring>

#include "editor/editdoc.h"

namespace editor {

bool CEditRDoc::UpdateEditState()
{
    const int state = m_state.ComputeEditState(m_featureEditWhileRunning);
    const bool changed = state != m_state.editState;
    m_state.editState = state;
    return changed;
}

bool CEditRDoc::TakeProgramState(const std::string& name, bool compiled, int mayEdit)
{
    if (_stricmp(name.c_str(), GetProgramName().c_str()) != 0)
        return false;
    m_buffer.m_compileState = compiled ? 1 : 2;
    if (m_featureEditWhileRunning && m_state.allowWhenRunning)
        m_state.mayEdit = mayEdit;
    UpdateEditState();
    return true;
}

bool CEditRDoc::TakeProcessStatus(const std::string& name, int process, int state, int line)
{
    if (_stricmp(name.c_str(), GetProgramName().c_str()) != 0)
        return false;
    if (m_state.followedProcess >= 0 && m_state.followedProcess != process)
        return false;
    m_state.followedProcess = process;
    switch (state) {
    case 0:
        m_state.followedProcess = -1;
        m_state.currentLine = -1;
        break;
    case 1:
        m_state.currentLine = -1;
        break;
    case 3:
        m_state.currentLine = line < 0 ? 0 : line;
        break;
    default:
        break;
    }
    m_state.processState = state;
    if (state != 0) {
        m_state.running = true;
        m_buffer.m_markedLine = -1;
    }
    UpdateEditState();
    UpdateAllViews(nullptr);
    return true;
}

std::vector<std::string> CEditRDoc::VariableNames()
{
    CEditRDocLines& store = m_buffer.Store();
    if (!store.m_path.empty())
        store.GatherNames(DiskProgramFiles());
    return store.m_names;
}

} // namespace editor
