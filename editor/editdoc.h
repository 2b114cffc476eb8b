// CEditRDoc: the editor's document. It holds the program's lines
// (CEditBuffer) and connects them to the project window: the name limit
// and the controller features it asks for, the program's path, the notice
// of a modified program, and the line commands that mirror every change to
// the controller. Saving goes through the safe file replacement.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "editor/editdraw.h"

#include "editor/editbuffer.h"
#include "editor/editrecords.h"
#include "editor/namewarning.h"
#include "editor/runstate.h"
#include "foundation/containers.h"
#include "framework/docview.h"

class CProcessData;
class CProgramData;
class CWaiting;

namespace editor {

// Project window messages the document uses.
constexpr UINT kMsgProgramChanged = 0x815B;  // the controller's copy changed
constexpr UINT kMsgProgramModified = 0x8186; // wParam 1, lParam a heap copy of the name (malloc), freed by the receiver
constexpr UINT kMsgProgramPath = 0x8131;     // wParam the name, lParam a CString to fill
constexpr UINT kMsgFeature = 0x81CC;         // lParam the feature: supported?
constexpr UINT kMsgNameLimit = 0x81F6;       // the maximum unique variable-name length
constexpr int kFeatureBreakpoints = 14;
constexpr int kFeatureEditWhileRunning = 16;

// Undo and Redo show their wait indicator once they have taken this many
// steps.
constexpr int kHistoryWaitSteps = 5;

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

    // ---- Display, drawing, printing and search ----
    // The display settings, read at the first use and again by
    // ReadDisplaySettings (the editor settings changed).
    const EditDisplaySettings& Display();
    void ReadDisplaySettings();
    // What marks lines when they are drawn: the marked and current lines,
    // the controller's breakpoints when they are in use, and highlightLine.
    EditLineMarks LineMarks(int highlightLine);
    // Draws the lines that fall into rect, scrolled to (firstColumn,
    // firstLine), with the ordered selection, in the screen font and the
    // document's colours.
    void DrawLines(CDC* pDC, const CRect& rect, int firstColumn, int firstLine, const CEditRange& selection,
                   int highlightLine);
    // Printing on a printer's device context: the area inside the print
    // margins, the program lines that fit on a page (at least 1), and page
    // n (from 1) with its header.
    CRect GetPageRect(CDC* pPrinterDC);
    int GetLinesPerPage(CDC* pPrinterDC);
    void PrintPage(CDC* pPrinterDC, int page);
    // The longest line's length (the horizontal scroll range) and the
    // longest line the controller takes.
    int GetMaxLineLength() const;
    static int GetLineLimit() { return kLineLimit; }
    // Searches for text from (column, line) downwards or upwards; with wrap
    // it goes on from the other end after a notice placed at notice (screen
    // coordinates). 1 with the match's position, else 0; a search asked
    // for while one runs gives 0 at once.
    int Find(const std::string& text, int column, int line, Caret& position, bool matchCase, bool upwards, bool wrap,
             POINT notice);

    // Opens the program from the project: asks the features, the path
    // (when none is set), reads the file and marks the breakpoints that
    // the breakpoint replies name. 1 when opened.
    int OpenFromProject();
    // The breakpoint reply lines; the frame fills them from the controller.
    std::vector<std::string> m_breakpointReplies;
    bool m_useInlineBreakpoints = true; // Editor\UseInlineBreakpoints, read at construction
    bool m_featureBreakpoints = false;
    bool m_featureEditWhileRunning = false;
    // Set with every modification: the breakpoints may have moved, so Run
    // and Step Line send them again first.
    bool m_breakpointsChanged = false;

    // Writes every line followed by CR LF through the safe file
    // replacement. 0 when nothing was written or writing failed (the user
    // is told which file, and the modified flag stays).
    int Save(bool sendPending, bool force);
    // The close check: never asks; sends pending lines, saves when
    // modified, and returns the save's result (1 when nothing needed
    // saving).
    int SaveModified();
    bool IsModified() const { return m_buffer.IsModified(); }

    // The frame: its window owns the clipboard, the progress window and the
    // wait indicators and hears of a Cancel of the reformat; observer
    // shows the compile state, the current line and the edit state.
    void SetFrame(HWND frame, IRunStateObserver* observer);

    // The run state. The program and process records come from the
    // controller: a program counts as compiled when it has code. Each
    // gives false when it is not for this document (see CEditRunState).
    CEditRunState& RunState() { return m_runState; }
    bool SetProgramState(const CProgramData& program);
    bool SetProcessStatus(const CProcessData& process);
    // Recomputes the edit state; also reads the features asked at opening
    // and the setting AllowProgramOperationsWhenRuning.
    int UpdateEditState(bool force);
    bool IsLineEditable() const { return m_runState.IsEditable(); }
    // The frame's requests (0x8128, 0x8189, 0x8159 / 0x815A); each
    // recomputes the edit state.
    void SetReadOnlyRequest(bool readOnly);
    void SetRunning(bool running);

    // The clipboard commands. Copy: the range's text, lines joined by CR
    // LF, as CF_TEXT; 0 for an empty range or a clipboard that cannot be
    // opened. Cut: Copy, then the range is deleted with undo only when the
    // text reached the clipboard. Paste: the clipboard's text at the
    // position with undo and send; 0 and the caret unchanged when the
    // clipboard holds no text or the line is past the end of the program.
    int Copy(const CEditRange& range);
    int Cut(const CEditRange& range);
    int Paste(int column, int index, Caret& caret);
    // The clipboard's text holds control bytes: the user is told, and a
    // paste must change nothing (not even delete the selection first).
    bool PasteRefused();
    bool CanPaste() const;

    // The Undo and Redo commands with their wait indicators ("Undoing...",
    // "Redoing..."), shown once the command has taken kHistoryWaitSteps
    // steps; the views are updated afterwards. The result is the last
    // step's: 0 when that step found nothing to undo (redo).
    int Undo(Caret& caret);
    int Redo(Caret& caret);

    // Re-indents the program while the edit state is 1, with the progress
    // window "Reformatting" whose Cancel (through the frame, 0x8112) stops
    // it after the current line. 0 when not editable.
    int Reformat();
    // Stops a running reformat; any thread may call it.
    void CancelReformat() { m_reformatCancel = true; }

    // The program's labels, one record each, in line order.
    void BuildLabelList(CTList<CEditLabelDef>& list) const;
    // Adds the names the program and its includes use to table, each
    // under its name with the program's name; names already there keep
    // their records. Returns the number added + 1.
    int BuildVariableTable(VariableTable& table);

protected:
    // Shows the wait indicator of Undo or Redo; it closes when the object
    // goes.
    virtual std::unique_ptr<CWaiting> ShowWaitIndicator(const char* text);

private:
    // IEditPeer.
    void SendLineCommand(int commandId, const std::string& argument) override;
    void ProgramChanged() override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void ModifiedChanged(bool modified) override;
    INameWarner* NameWarner() override { return m_pWarner; }

    bool ProjectLive() const { return m_hProject && IsWindow(m_hProject); }
    // Hands the feature and the setting that allow editing while programs
    // run to the run state.
    void ReadEditWhileRunning();
    int HistoryCommand(bool redo, Caret& caret);

    HWND m_hProject = nullptr;
    EditDisplaySettings m_display;
    bool m_displayRead = false;
    CFont m_screenFont;
    bool m_searching = false;
    ILineCommandSink* m_pSink = nullptr;
    CLongNameWarner m_longNames; // the warning dialog while the setting is on
    INameWarner* m_pWarner = &m_longNames;
    CEditBuffer m_buffer;
    CEditRunState m_runState{m_buffer};
    HWND m_hFrame = nullptr;
    std::atomic<bool> m_reformatCancel{false};
};

} // namespace editor
