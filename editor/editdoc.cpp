#include "editor/editdoc.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "foundation/logline.h"
#include "foundation/safefile.h"
#include "framework/prompt.h"
#include "shell/vqregistry.h"

namespace editor {

IMPLEMENT_DYNCREATE(CEditRDoc, CDocument)

CEditRDoc::CEditRDoc(HWND project, ILineCommandSink* sink) : m_hProject(project), m_pSink(sink), m_buffer(*this)
{
    m_useInlineBreakpoints = CVQRegistry().GetUseInlineBreakpoints() != 0;
    if (ProjectLive()) {
        const LRESULT limit = SendMessageA(m_hProject, kMsgNameLimit, 0, 0);
        m_buffer.Store().m_nameLimit = limit < 1 || limit > 255 ? kDefaultNameLimit : static_cast<int>(limit);
    }
}

CEditRDoc::~CEditRDoc() = default;

void CEditRDoc::SendLineCommand(int commandId, const std::string& argument)
{
    if (m_pSink)
        m_pSink->SendLineCommand(commandId, argument);
}

void CEditRDoc::ProgramChanged()
{
    if (ProjectLive())
        SendMessageA(m_hProject, kMsgProgramChanged, 0, 0);
}

void CEditRDoc::ShowMessage(const std::string& text, const std::string& caption)
{
    AfxGetPromptService().Prompt(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// The name goes as a heap copy that the project window frees, so it stays
// readable however long the post waits and whether or not this document
// still exists then.
void CEditRDoc::ModifiedChanged(bool modified)
{
    if (modified)
        m_state.breakpointsChanged = true;
    if (!modified || !ProjectLive())
        return;
    const std::string& name = m_buffer.Store().m_programName;
    char* copy = static_cast<char*>(std::malloc(name.size() + 1));
    if (!copy)
        return;
    std::memcpy(copy, name.c_str(), name.size() + 1);
    if (!PostMessageA(m_hProject, kMsgProgramModified, 1, reinterpret_cast<LPARAM>(copy)))
        std::free(copy);
}

int CEditRDoc::OpenFromProject()
{
    CEditRDocLines& store = m_buffer.Store();
    if (store.m_programName.empty())
        return 0;
    if (ProjectLive()) {
        m_featureBreakpoints = SendMessageA(m_hProject, kMsgFeature, 0, kFeatureBreakpoints) != 0;
        m_featureEditWhileRunning = SendMessageA(m_hProject, kMsgFeature, 0, kFeatureEditWhileRunning) != 0;
    }
    if (store.m_path.empty() && ProjectLive()) {
        CString path;
        SendMessageA(m_hProject, kMsgProgramPath, reinterpret_cast<WPARAM>(store.m_programName.c_str()),
                     reinterpret_cast<LPARAM>(&path));
        store.m_path = static_cast<LPCSTR>(path);
    }
    if (store.m_path.empty() || !FileExists(store.m_path.c_str()))
        return 0;
    store.m_fileType = FileTypeOfPath(store.m_path);
    if (!store.SetFilePath(store.m_path, DiskProgramFiles()))
        return 0;
    // An include that cannot be read leaves its names out; the program
    // itself is open.
    store.ReadFile(DiskProgramFiles());
    if (store.m_lines.empty() && !FileExists(store.m_path.c_str()))
        return 0;
    for (CEditRLine& line : store.m_lines)
        line.SetFileType(store.m_fileType);
    m_buffer.SetModified(false);

    if (m_featureBreakpoints && m_useInlineBreakpoints) {
        for (const std::string& reply : m_breakpointReplies) {
            if (reply.size() < 6 || _strnicmp(reply.c_str(), "Line ", 5) != 0 ||
                !std::isdigit(static_cast<unsigned char>(reply[5])))
                continue;
            const long line = std::strtol(reply.c_str() + 5, nullptr, 10);
            if (line < 0 || line >= static_cast<long>(store.m_lines.size())) {
                const std::string text = "Editor: breakpoint reply \"" + reply + "\" names no line of " + store.m_path;
                GlobalLogLine(text.c_str(), LOG_STATUS_ERRORS);
                continue;
            }
            store.m_lines[static_cast<size_t>(line)].SetBreakpoint(true);
        }
    }
    return 1;
}

int CEditRDoc::Save(bool sendPending, bool force)
{
    if (sendPending)
        m_buffer.SendPendingLines();
    const std::string& path = m_buffer.Store().m_path;
    if (path.empty() || (!m_buffer.IsModified() && !sendPending && !force))
        return 0;
    if (!ReplaceFileContents(path.c_str(), m_buffer.SaveText())) {
        ShowMessage("Unable to save file " + path, "Editor");
        return 0;
    }
    m_buffer.SetModified(false);
    return 1;
}

int CEditRDoc::SaveModified()
{
    m_buffer.SendPendingLines();
    if (!m_buffer.IsModified())
        return 1;
    return Save(false, false);
}

} // namespace editor
