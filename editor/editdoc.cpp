#include "editor/editdoc.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "foundation/clipboard.h"
#include "foundation/logline.h"
#include "foundation/safefile.h"
#include "framework/prompt.h"
#include "framework/thread.h"
#include "link/programdata.h"
#include "settings/vqregistry.h"
#include "ui/progress.h"

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
        m_breakpointsChanged = true;
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

void CEditRDoc::SetFrame(HWND frame, IRunStateObserver* observer)
{
    m_hFrame = frame;
    m_runState.SetObserver(observer);
}

void CEditRDoc::ReadEditWhileRunning()
{
    m_runState.SetEditWhileRunning(m_featureEditWhileRunning,
                                   CVQRegistry().GetAllowProgramOperationsWhenRuning() != 0);
}

bool CEditRDoc::SetProgramState(const CProgramData& program)
{
    ReadEditWhileRunning();
    ProgramStateRecord record;
    record.program = static_cast<LPCSTR>(program.m_strName);
    record.compiled = program.m_nCodeSize > 0;
    record.mayEdit = program.m_nEditable;
    return m_runState.TakeProgramState(record);
}

bool CEditRDoc::SetProcessStatus(const CProcessData& process)
{
    ReadEditWhileRunning();
    ProcessStatusRecord record;
    record.program = static_cast<LPCSTR>(process.m_strProgram);
    record.state = process.m_nState;
    record.process = process.m_nProcess;
    record.line = process.m_nLine;
    if (!m_runState.TakeProcessStatus(record))
        return false;
    UpdateAllViews(nullptr);
    return true;
}

int CEditRDoc::UpdateEditState(bool force)
{
    ReadEditWhileRunning();
    return m_runState.UpdateEditState(force);
}

void CEditRDoc::SetReadOnlyRequest(bool readOnly)
{
    ReadEditWhileRunning();
    m_runState.SetReadOnlyRequest(readOnly);
}

void CEditRDoc::SetRunning(bool running)
{
    ReadEditWhileRunning();
    m_runState.SetRunning(running);
}

int CEditRDoc::Copy(const CEditRange& range)
{
    const std::string text = m_buffer.GetRangeText(range);
    if (text.empty())
        return 0;
    return ClipboardAccess(m_hFrame).SetText(text.c_str()) ? 1 : 0;
}

int CEditRDoc::Cut(const CEditRange& range)
{
    // Text that did not reach the clipboard stays where it is.
    if (!Copy(range))
        return 0;
    const int result = m_buffer.DeleteRange(range, true);
    UpdateAllViews(nullptr);
    return result;
}

bool CEditRDoc::PasteRefused()
{
    CString text;
    return ClipboardAccess(m_hFrame).GetText(text) && m_buffer.RefuseControlBytes(static_cast<LPCSTR>(text), true);
}

int CEditRDoc::Paste(int column, int index, Caret& caret)
{
    if (index < 0 || index > m_buffer.GetLineCount())
        return 0;
    CString text;
    if (!ClipboardAccess(m_hFrame).GetText(text) || text.IsEmpty())
        return 0;
    if (m_buffer.RefuseControlBytes(static_cast<LPCSTR>(text), true))
        return 0;
    caret = m_buffer.InsertMultiLineText(column, index, static_cast<LPCSTR>(text), true);
    UpdateAllViews(nullptr);
    return 1;
}

bool CEditRDoc::CanPaste() const
{
    return IsClipboardFormatAvailable(CF_TEXT) != FALSE;
}

std::unique_ptr<CWaiting> CEditRDoc::ShowWaitIndicator(const char* text)
{
    auto waiting = std::make_unique<CWaiting>(m_hFrame ? CWnd::FromHandle(m_hFrame) : nullptr, text);
    waiting->Show();
    return waiting;
}

int CEditRDoc::HistoryCommand(bool redo, Caret& caret)
{
    std::unique_ptr<CWaiting> waiting;
    auto progress = [&](int steps) {
        if (steps == kHistoryWaitSteps)
            waiting = ShowWaitIndicator(redo ? "Redoing..." : "Undoing...");
    };
    const bool result = redo ? m_buffer.RedoCommand(caret, progress) : m_buffer.UndoCommand(caret, progress);
    UpdateAllViews(nullptr);
    return result ? 1 : 0;
}

int CEditRDoc::Undo(Caret& caret)
{
    if (!m_buffer.CanUndo() && m_buffer.TooLargeToUndo()) {
        ShowMessage("Undo is not possible: the last change was too large to keep in the undo history.\n"
                    "Nothing was undone; change the program back by hand if needed.",
                    "Editor");
        return 0;
    }
    return HistoryCommand(false, caret);
}

int CEditRDoc::Redo(Caret& caret)
{
    return HistoryCommand(true, caret);
}

namespace {

// Dispatches one message waiting in this thread's queue, if any; a quit is
// posted again for the thread's own loop.
void PumpOneMessage()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return;
    if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    if (!AfxPreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

int CEditRDoc::Reformat()
{
    if (!m_runState.IsEditable())
        return 0;
    m_reformatCancel = false;
    CGaugeThread* gauge = StartProgressGauge();
    if (gauge) {
        gauge->SetGaugeOwner(m_hFrame ? CWnd::FromHandle(m_hFrame) : nullptr);
        gauge->SetCaption("Reformatting");
        gauge->SetNotifyWindow(m_hFrame);
        gauge->ShowButton(TRUE);
    }
    // The indentation the options dialog last applied to this editor.
    const int tabIndent = Display().tabIndent;
    const int codeStart = Display().codeStart;
    m_buffer.Reformat(tabIndent, codeStart, [&](int line, int count) {
        if (gauge)
            gauge->SetPos(100 * line / count);
        PumpOneMessage();
        const bool goOn = !m_reformatCancel && line < count;
        // The progress window goes before the count of lines left as they
        // were is shown.
        if (!goOn && gauge) {
            gauge->Close();
            gauge = nullptr;
        }
        return goOn;
    });
    if (gauge)
        gauge->Close();
    UpdateAllViews(nullptr);
    return 1;
}

void CEditRDoc::BuildLabelList(CTList<CEditLabelDef>& list) const
{
    list.RemoveAll();
    for (const auto& [name, line] : m_buffer.BuildLabelList()) {
        const CEditLabelDef label(name, line);
        list.AddTail(&label);
    }
}

int CEditRDoc::BuildVariableTable(VariableTable& table)
{
    const CEditRDocLines& store = m_buffer.Store();
    return AddVariables(table, store.m_names, store.m_programName);
}

} // namespace editor
