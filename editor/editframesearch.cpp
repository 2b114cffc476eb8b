// The editor frame's Find, Replace, Goto and Find Next, and its printing
// commands: the dialogs search through the frame's view; printing goes
// through the framework's print loop.
#include <memory>

#include "editor/editframe.h"
#include "editor/editfind.h"
#include "editor/editprint.h"
#include "editor/editview.h"
#include "framework/app.h"
#include "framework/cmdui.h"
#include "shell/pagesetupdialog.h"

namespace editor {

namespace {

// The frame's dialog-open flag held for one dialog's life.
class CDialogOpen {
public:
    explicit CDialogOpen(bool& open) : m_open(open) { m_open = true; }
    ~CDialogOpen() { m_open = false; }
    CDialogOpen(const CDialogOpen&) = delete;
    CDialogOpen& operator=(const CDialogOpen&) = delete;

private:
    bool& m_open;
};

} // namespace

void CEditRFrame::OnFind()
{
    RunFindDialog(false);
}

void CEditRFrame::OnReplace()
{
    RunFindDialog(true);
}

void CEditRFrame::RunFindDialog(bool replace)
{
    CEditRView* view = GetView();
    if (m_bDialogOpen || !view)
        return;
    CDialogOpen open(m_bDialogOpen);
    std::unique_ptr<CEditorFind> dialog;
    if (replace)
        dialog = std::make_unique<CEditorFindReplace>(*view, this);
    else
        dialog = std::make_unique<CEditorFind>(*view, this);
    dialog->DoModal();
    // The last search is what Find Next repeats.
    if (!dialog->m_findText.empty()) {
        m_findText = dialog->m_findText;
        m_bFindUp = dialog->m_bUp;
        m_bFindMatchCase = dialog->m_bMatchCase;
    }
    view->Invalidate(FALSE);
}

void CEditRFrame::OnGoto()
{
    CEditRView* view = GetView();
    if (m_bDialogOpen || !view)
        return;
    CDialogOpen open(m_bDialogOpen);
    std::vector<GotoLabel> labels;
    for (const auto& [name, line] : m_pDocument->Buffer().BuildLabelList())
        labels.push_back({name, UserLineNumber(line)});
    // The dialog shows and takes the user's line numbers.
    CEditorGoto dialog(std::move(labels), this);
    if (dialog.DoModal() == IDOK && dialog.m_nLine >= 0)
        GotoLine(*view, LineIndexOfUserNumber(dialog.m_nLine)); // a line outside the program is ignored
}

void CEditRFrame::OnFindNext()
{
    CEditRView* view = GetView();
    if (m_findText.empty() || !view)
        return;
    CRect window;
    GetWindowRect(&window);
    const POINT notice{window.left + window.Width() / 2, window.top + window.Height() / 2};
    FindNextOrTell(*view, m_findText, m_bFindMatchCase, m_bFindUp, notice, m_hWnd);
}

void CEditRFrame::OnUpdateFindNext(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(!m_findText.empty());
}

void CEditRFrame::OnPrint()
{
    PrintEditDocument(*m_pDocument, m_hWnd);
}

void CEditRFrame::OnPrintSetup()
{
    if (CWinApp* app = AfxGetApp())
        app->OnFilePrintSetup();
}

void CEditRFrame::OnPageSetup()
{
    CPrintPageSetupDialog dialog(this);
    // The document prints with the margins it read: new ones are taken at
    // once.
    if (dialog.DoModal() == IDOK)
        m_pDocument->ReadDisplaySettings();
}

} // namespace editor
