// Find, replace and go to: the searches the editor's view runs for the
// Find and Replace dialogs and for Find Next (F3), Replace and Replace
// All, and the three modal dialogs CEditorFind, CEditorFindReplace and
// CEditorGoto. The view takes part through IEditSearchView: it gives its
// document and selection and shows a new selection.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "editor/editbuffer.h"
#include "framework/collections.h"
#include "framework/dialog.h"

namespace editor {

class CEditRDoc;

// Dialog templates.
constexpr UINT kIddEditorFind = 230;
constexpr UINT kIddEditorFindReplace = 231;
constexpr UINT kIddEditorGoto = 233;
// Controls.
constexpr int kIdcFindText = 1423;
constexpr int kIdcReplaceText = 1262;
constexpr int kIdcMatchCase = 1065;
constexpr int kIdcUp = 1109;
constexpr int kIdcDown = 1108;
constexpr int kIdcFindNext = 1156;
constexpr int kIdcReplace = 1260;
constexpr int kIdcReplaceAll = 1261;
constexpr int kIdcGotoLabels = 1422;
constexpr int kIdcGotoLabel = 1296;
constexpr int kIdcGotoLine = 1297;

// The caret and the selection (ordered) of a view.
struct EditSelection {
    Caret caret;
    CEditRange range;
};

class IEditSearchView {
public:
    virtual CEditRDoc& GetSearchDocument() = 0;
    virtual EditSelection GetSearchSelection() = 0;
    // Selects the range with the caret at its place, scrolled into view,
    // and repaints (a found match, or the caret after a replacement).
    virtual void SetSearchSelection(const EditSelection& selection) = 0;
    // The view's go to position; FALSE when refused.
    virtual BOOL GoToPosition(int column, int line, BOOL centre) = 0;

protected:
    ~IEditSearchView() = default;
};

// The text of a non-empty selection within one line (the find dialogs'
// first text); empty otherwise.
std::string InitialFindText(IEditSearchView& view);
// The selection's text equals text (exactly with matchCase, else ignoring
// case).
bool SelectionMatches(IEditSearchView& view, const std::string& text, bool matchCase);
// The view's search: from the caret (one character on when a selection
// starts there), through the document's search; a match becomes the
// selection with the caret at its start. The notice of a wrap stands at
// notice (screen).
bool SearchFromCaret(IEditSearchView& view, const std::string& text, bool matchCase, bool upwards, bool wrap,
                     POINT notice);
// Find Next: SearchFromCaret with wrap; when nothing is found the user is
// told "'%s' not found" under "Search".
bool FindNextOrTell(IEditSearchView& view, const std::string& text, bool matchCase, bool upwards, POINT notice,
                    HWND hWndOwner);
// Replaces the selection by replacement as one undo group, then the
// document sends its pending lines; the caret goes to the end of the new
// text (to its start upwards). FALSE when the selection lies on more than
// one line.
bool ReplaceSelection(IEditSearchView& view, const std::string& replacement, bool upwards);
// Replace All: from (0, 0) downwards without wrap, each match replaced (one
// undo group for all), searching on from the end of each replacement. The
// number replaced.
int ReplaceAll(IEditSearchView& view, const std::string& find, const std::string& replacement, bool matchCase);
// The Goto's jump: column 0 of line, centred, when the line exists; FALSE
// (nothing happens) otherwise.
BOOL GotoLine(IEditSearchView& view, int line);

// Moves text to the top of a history list (taking it out where it was)
// and keeps at most 16 entries.
void PushHistory(std::vector<std::string>& history, const std::string& text);

// The Find dialog, and the base of Find and Replace: the find text with its
// history, Match case and the direction.
class CEditorFind : public CDialog {
    DECLARE_DYNAMIC(CEditorFind)
public:
    CEditorFind(IEditSearchView& view, CWnd* pParent = nullptr) : CEditorFind(kIddEditorFind, view, pParent) {}

    // The last search, for Find Next after the dialog closed.
    std::string m_findText;
    bool m_bMatchCase = false;
    bool m_bUp = false;

protected:
    CEditorFind(UINT nIDTemplate, IEditSearchView& view, CWnd* pParent);
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void PostNcDestroy() override;

    // Reads the controls into the members.
    void ReadControls();
    virtual void UpdateButtons();
    void OnFindNext();
    void OnTextChanged();
    POINT NoticePoint() const;
    // Fills a history combo box from the list (the first entry as its text).
    void FillCombo(int id, const std::vector<std::string>& history);
    void PushComboHistory(int id, std::vector<std::string>& history, const std::string& text);
    virtual void SaveHistories();
    DECLARE_MESSAGE_MAP()

    IEditSearchView& m_view;
    std::string m_initialText;
    std::vector<std::string> m_findHistory;
    bool m_saved = false;
};

class CEditorFindReplace : public CEditorFind {
    DECLARE_DYNAMIC(CEditorFindReplace)
public:
    CEditorFindReplace(IEditSearchView& view, CWnd* pParent = nullptr);

    std::string m_replaceText;

protected:
    BOOL OnInitDialog() override;
    void UpdateButtons() override;
    void SaveHistories() override;
    // Reads the texts and puts them on top of their histories; false
    // without a find text.
    bool TakeTexts();
    void OnReplace();
    void OnReplaceAll();
    DECLARE_MESSAGE_MAP()

    std::vector<std::string> m_replaceHistory;
};

// A label of the program with its line.
struct GotoLabel {
    std::string name;
    int line = 0;
};

class CEditorGoto : public CDialog {
    DECLARE_DYNAMIC(CEditorGoto)
public:
    CEditorGoto(std::vector<GotoLabel> labels, CWnd* pParent = nullptr);

    // The line chosen; -1 for none.
    int m_nLine = -1;

    // The list's order: by line (column 1) or by name (column 0).
    void SortBy(int column);
    std::vector<GotoLabel> m_labels;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnLabelChanged();
    void OnLineChanged();
    void OnLineFocus();
    void FillList();
    void TakeEntry(int index);
    DECLARE_MESSAGE_MAP()

    bool m_settingLabel = false;
};

} // namespace editor
