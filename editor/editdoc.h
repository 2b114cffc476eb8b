// CEditRDoc: the editor's document. It holds the program's lines
// (CEditBuffer) and connects them to the project window: the name limit
// and the controller features it asks for, the program's path, the notice
// of a modified program, and the line commands that mirror every change to
// the controller. Saving goes through the safe file replacement.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "editor/editbuffer.h"
#include "editor/editstate.h"
#include "editor/namewarning.h"
#include "framework/docview.h"

namespace editor {

// Project window messages the document uses.
constexpr UINT kMsgProgramChanged = 0x815B;  // the controller's copy changed
constexpr UINT kMsgProgramModified = 0x8186; // wParam 1, lParam a heap copy of the name (malloc), freed by the receiver
constexpr UINT kMsgProgramPath = 0x8131;     // wParam the name, lParam a CString to fill
constexpr UINT kMsgFeature = 0x81CC;         // lParam the feature: supported?
constexpr UINT kMsgNameLimit = 0x81F6;       // the maximum unique variable-name length
constexpr int kFeatureBreakpoints = 14;
constexpr int kFeatureEditWhileRunning = 16;

// Carries the document's line commands to the controller.
class ILineCommandSink {
public:
    virtual void SendLineCommand(int commandId, const std::string& argument) = 0;

protected:
    ~ILineCommandSink() = default;
};

class CEditRDoc : public CDocument, private IEditPeer {
    DECLARE_DYNCREATE(CEditRDoc)
public:
    CEditRDoc() : CEditRDoc(nullptr) {}
    // Asks project (when it is a window) for the name limit; an answer
    // below 1 (no controller identified) counts as 16.
    explicit CEditRDoc(HWND project, ILineCommandSink* sink = nullptr);
    ~CEditRDoc() override;

    CEditBuffer& Buffer() { return m_buffer; }
    void SetProgramName(const std::string& name) { m_buffer.Store().m_programName = name; }
    const std::string& GetProgramName() { return m_buffer.Store().m_programName; }
    void SetLineCommandSink(ILineCommandSink* sink) { m_pSink = sink; }
    // Another warner than the dialog; none for no check.
    void SetNameWarner(INameWarner* warner) { m_pWarner = warner; }

    // Opens the program from the project: asks the features, the path
    // (when none is set), reads the file and marks the breakpoints that
    // the breakpoint replies name. 1 when opened.
    int OpenFromProject();
    // The breakpoint reply lines; the frame fills them from the controller.
    std::vector<std::string> m_breakpointReplies;
    bool m_useInlineBreakpoints = true; // Editor\UseInlineBreakpoints, read at construction
    bool m_featureBreakpoints = false;
    bool m_featureEditWhileRunning = false;

    // Writes every line followed by CR LF through the safe file
    // replacement. 0 when nothing was written or writing failed (the user
    // is told which file, and the modified flag stays).
    int Save(bool sendPending, bool force);
    // The close check: never asks; sends pending lines, saves when
    // modified, and returns the save's result (1 when nothing needed
    // saving).
    int SaveModified();
    bool IsModified() const { return m_buffer.IsModified(); }

    // The program's state on the controller, kept in step by the frame.
    CEditDocState m_state;
    bool IsLineEditable() const { return m_state.editState == 1; }
    // Recomputes the edit state; true when it changed.
    bool UpdateEditState();
    // A program state record: taken when the name is this program's (no
    // case); the compile state follows compiled and, when edits are allowed
    // while programs run, the may-edit word follows mayEdit. Returns
    // whether it was taken.
    bool TakeProgramState(const std::string& name, bool compiled, int mayEdit);
    // A process status record (state 0 stopped, 1 running, 3 stopped at a
    // line): taken when the name is this program's and no process or this
    // one is followed. False when not taken (nothing changes then).
    bool TakeProcessStatus(const std::string& name, int process, int state, int line);
    // The program's variable names (its own and those of the programs it
    // includes), gathered afresh.
    std::vector<std::string> VariableNames();

private:
    // IEditPeer.
    void SendLineCommand(int commandId, const std::string& argument) override;
    void ProgramChanged() override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void ModifiedChanged(bool modified) override;
    INameWarner* NameWarner() override { return m_pWarner; }

    bool ProjectLive() const { return m_hProject && IsWindow(m_hProject); }

    HWND m_hProject = nullptr;
    ILineCommandSink* m_pSink = nullptr;
    CLongNameWarner m_longNames; // the warning dialog while the setting is on
    INameWarner* m_pWarner = &m_longNames;
    CEditBuffer m_buffer;
};

} // namespace editor
