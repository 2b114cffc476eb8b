#include "editor/editfind.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "editor/editdoc.h"
#include "editor/editsearch.h"
#include "framework/prompt.h"
#include "settings/vqregistry.h"
#include "ui/flashdialog.h"
#include "ui/userdialog.h"

namespace editor {

namespace {

constexpr UINT kIdsLabelColumn = 405;
constexpr UINT kIdsReplaceCaption = 406;
constexpr UINT kIdsOccurrencesReplaced = 407;
constexpr UINT kIdsSearchCaption = 429;
constexpr UINT kIdsNotFound = 430;
constexpr UINT kIdsStartOfFile = 477;
constexpr UINT kIdsEndOfFile = 478;
constexpr UINT kIdsLineColumn = 552;
constexpr DWORD kNoticeMs = 2000;

bool SameText(const std::string& a, const std::string& b, bool matchCase)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const bool same = matchCase ? a[i] == b[i]
                                    : std::toupper(static_cast<unsigned char>(a[i])) ==
                                          std::toupper(static_cast<unsigned char>(b[i]));
        if (!same)
            return false;
    }
    return true;
}

std::string ItemText(HWND hDlg, int id)
{
    const HWND item = ::GetDlgItem(hDlg, id);
    const int length = item ? ::GetWindowTextLengthA(item) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (item)
        ::GetWindowTextA(item, text.data(), length + 1);
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::vector<std::string> ToVector(const CStringList& list)
{
    std::vector<std::string> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.emplace_back(static_cast<LPCSTR>(list.GetNext(pos)));
    return out;
}

void ToList(const std::vector<std::string>& texts, CStringList& list)
{
    list.RemoveAll();
    for (const std::string& text : texts)
        list.AddTail(text.c_str());
}

} // namespace

// ---- The document's search -----------------------------------------------------------

int CEditRDoc::Find(const std::string& text, int column, int line, Caret& position, bool matchCase, bool upwards,
                    bool wrap, POINT notice)
{
    // The wrap notice keeps answering sent messages while it stands, so a
    // search may be asked for again meanwhile.
    if (m_searching)
        return 0;
    m_searching = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_searching};
    auto showNotice = [&] {
        CFlashDialog notice_(nullptr, upwards ? kIdsStartOfFile : kIdsEndOfFile,
                             upwards ? "Start of file found, continuing from end"
                                     : "End of file found, continuing from start");
        notice_.MoveTo(notice);
        notice_.Flash(kNoticeMs);
    };
    return FindInLines(m_buffer.Store().m_lines, text, column, line, matchCase, upwards, wrap, showNotice, position)
               ? 1
               : 0;
}

// ---- The view's searches -----------------------------------------------------------

std::string InitialFindText(IEditSearchView& view)
{
    const CEditRange range = view.GetSearchSelection().range;
    if (range.IsEmpty() || range.startLine != range.endLine)
        return {};
    return view.GetSearchDocument().Buffer().GetRangeText(range);
}

bool SelectionMatches(IEditSearchView& view, const std::string& text, bool matchCase)
{
    const CEditRange range = view.GetSearchSelection().range;
    if (text.empty() || range.IsEmpty() || range.startLine != range.endLine)
        return false;
    return SameText(view.GetSearchDocument().Buffer().GetRangeText(range), text, matchCase);
}

bool SearchFromCaret(IEditSearchView& view, const std::string& text, bool matchCase, bool upwards, bool wrap,
                     POINT notice)
{
    CEditRDoc& doc = view.GetSearchDocument();
    CEditBuffer& buffer = doc.Buffer();
    const EditSelection current = view.GetSearchSelection();
    Caret start = current.caret;
    const int last = buffer.GetLineCount() - 1;
    // Upwards, a match must begin before the caret: after a replacement
    // the caret stands at its start, and a replacement that begins with the
    // find text would otherwise be found and replaced again and again.
    if (upwards) {
        if (start.column > 0)
            --start.column;
        else if (start.line > 0)
            start = Caret{buffer.GetLineLength(start.line - 1), start.line - 1};
    } else if (!current.range.IsEmpty() && current.range.startColumn == start.column &&
               current.range.startLine == start.line) {
        if (start.column < buffer.GetLineLength(start.line))
            ++start.column;
        else if (start.line < last)
            start = Caret{0, start.line + 1};
    }
    Caret found;
    if (!doc.Find(text, start.column, start.line, found, matchCase, upwards, wrap, notice))
        return false;
    EditSelection selection;
    selection.caret = found;
    selection.range = CEditRange{found.column, found.line, found.column + static_cast<int>(text.size()), found.line};
    view.SetSearchSelection(selection);
    return true;
}

bool FindNextOrTell(IEditSearchView& view, const std::string& text, bool matchCase, bool upwards, POINT notice,
                    HWND hWndOwner)
{
    if (SearchFromCaret(view, text, matchCase, upwards, true, notice))
        return true;
    CString message;
    message.Format(LoadStringOr(kIdsNotFound, "'%s' not found"), text.c_str());
    AfxGetPromptService().Prompt(hWndOwner, message, LoadStringOr(kIdsSearchCaption, "Search"),
                                 MB_OK | MB_ICONINFORMATION);
    return false;
}

namespace {

// Replaces [column, column + length) of line by text without sending; the
// caret after (or before) the new text.
Caret ReplaceInLine(CEditBuffer& buffer, int line, int column, int length, const std::string& text, bool upwards)
{
    const std::string old = buffer.GetLineText(line);
    const std::string replaced = old.substr(0, static_cast<size_t>(column)) + text +
                                 old.substr(std::min(old.size(), static_cast<size_t>(column + length)));
    buffer.ReplaceLine(line, replaced, true, false);
    return Caret{upwards ? column : column + static_cast<int>(text.size()), line};
}

} // namespace

bool ReplaceSelection(IEditSearchView& view, const std::string& replacement, bool upwards)
{
    const CEditRange range = view.GetSearchSelection().range;
    if (range.startLine != range.endLine)
        return false;
    CEditBuffer& buffer = view.GetSearchDocument().Buffer();
    buffer.BeginUndoGroup();
    EditSelection after;
    after.caret =
        ReplaceInLine(buffer, range.startLine, range.startColumn, range.endColumn - range.startColumn, replacement,
                      upwards);
    after.range = CEditRange{after.caret.column, after.caret.line, after.caret.column, after.caret.line};
    buffer.SendPendingLines();
    view.SetSearchSelection(after);
    return true;
}

int ReplaceAll(IEditSearchView& view, const std::string& find, const std::string& replacement, bool matchCase)
{
    CEditRDoc& doc = view.GetSearchDocument();
    CEditBuffer& buffer = doc.Buffer();
    Caret caret{0, 0};
    int count = 0;
    Caret found;
    while (!find.empty() && doc.Find(find, caret.column, caret.line, found, matchCase, false, false, POINT{})) {
        if (count == 0)
            buffer.BeginUndoGroup();
        caret = ReplaceInLine(buffer, found.line, found.column, static_cast<int>(find.size()), replacement, false);
        ++count;
    }
    if (count > 0)
        buffer.SendPendingLines();
    EditSelection after;
    after.caret = caret;
    after.range = CEditRange{caret.column, caret.line, caret.column, caret.line};
    view.SetSearchSelection(after);
    return count;
}

BOOL GotoLine(IEditSearchView& view, int line)
{
    if (line < 0 || line >= view.GetSearchDocument().Buffer().GetLineCount())
        return FALSE;
    return view.GoToPosition(0, line, TRUE);
}

void PushHistory(std::vector<std::string>& history, const std::string& text)
{
    history.erase(std::remove(history.begin(), history.end(), text), history.end());
    history.insert(history.begin(), text);
    if (history.size() > static_cast<size_t>(VQ_HISTORY_SLOTS))
        history.resize(VQ_HISTORY_SLOTS);
}

// ---- Find ------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CEditorFind, CDialog)

BEGIN_MESSAGE_MAP(CEditorFind, CDialog)
ON_BN_CLICKED(kIdcFindNext, OnFindNext)
ON_CBN_EDITCHANGE(kIdcFindText, OnTextChanged)
ON_CBN_SELCHANGE(kIdcFindText, OnTextChanged)
END_MESSAGE_MAP()

CEditorFind::CEditorFind(UINT nIDTemplate, IEditSearchView& view, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_view(view), m_initialText(InitialFindText(view))
{
}

void CEditorFind::FillCombo(int id, const std::vector<std::string>& history)
{
    const HWND combo = GetDlgItemHwnd(id);
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& text : history)
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::SetWindowTextA(combo, history.empty() ? "" : history.front().c_str());
}

BOOL CEditorFind::OnInitDialog()
{
    CDialog::OnInitDialog();
    CStringList stored;
    CVQRegistry().GetFindHistory(stored);
    m_findHistory = ToVector(stored);
    if (!m_initialText.empty())
        PushHistory(m_findHistory, m_initialText);
    FillCombo(kIdcFindText, m_findHistory);
    CheckRadioButton(kIdcDown, kIdcUp, kIdcDown);
    UpdateButtons();
    return TRUE;
}

void CEditorFind::ReadControls()
{
    m_findText = ItemText(m_hWnd, kIdcFindText);
    m_bMatchCase = IsDlgButtonChecked(kIdcMatchCase) == BST_CHECKED;
    m_bUp = IsDlgButtonChecked(kIdcUp) == BST_CHECKED;
}

void CEditorFind::UpdateButtons()
{
    const bool any = !ItemText(m_hWnd, kIdcFindText).empty();
    ::EnableWindow(GetDlgItemHwnd(kIdcFindNext), any);
    SetDefID(any ? kIdcFindNext : IDCANCEL);
}

void CEditorFind::OnTextChanged()
{
    // A choice from the list reaches the edit field only after this
    // notice: take it from the list.
    const HWND combo = GetDlgItemHwnd(kIdcFindText);
    const LRESULT selected = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR && ::GetFocus() == combo) {
        char text[256] = {};
        if (::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0) < 256) {
            ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
            ::SetWindowTextA(combo, text);
        }
    }
    UpdateButtons();
}

void CEditorFind::PushComboHistory(int id, std::vector<std::string>& history, const std::string& text)
{
    PushHistory(history, text);
    FillCombo(id, history);
    ::SetWindowTextA(GetDlgItemHwnd(id), text.c_str());
}

POINT CEditorFind::NoticePoint() const
{
    CRect window;
    GetWindowRect(&window);
    return POINT{window.left + window.Width() / 2, window.top + window.Height() / 2};
}

void CEditorFind::OnFindNext()
{
    ReadControls();
    if (m_findText.empty())
        return;
    PushComboHistory(kIdcFindText, m_findHistory, m_findText);
    FindNextOrTell(m_view, m_findText, m_bMatchCase, m_bUp, NoticePoint(), m_hWnd);
    UpdateButtons();
    ::SetFocus(m_hWnd);
}

void CEditorFind::SaveHistories()
{
    CStringList list;
    ToList(m_findHistory, list);
    CVQRegistry().SetFindHistory(list);
}

void CEditorFind::OnCancel()
{
    ReadControls();
    if (!m_saved)
        SaveHistories();
    m_saved = true;
    CDialog::OnCancel();
}

void CEditorFind::PostNcDestroy()
{
    if (!m_saved)
        SaveHistories();
    m_saved = true;
    CDialog::PostNcDestroy();
}

// ---- Find and Replace ---------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CEditorFindReplace, CEditorFind)

BEGIN_MESSAGE_MAP(CEditorFindReplace, CEditorFind)
ON_BN_CLICKED(kIdcReplace, OnReplace)
ON_BN_CLICKED(kIdcReplaceAll, OnReplaceAll)
END_MESSAGE_MAP()

CEditorFindReplace::CEditorFindReplace(IEditSearchView& view, CWnd* pParent)
    : CEditorFind(kIddEditorFindReplace, view, pParent)
{
}

BOOL CEditorFindReplace::OnInitDialog()
{
    CStringList stored;
    CVQRegistry().GetReplaceHistory(stored);
    m_replaceHistory = ToVector(stored);
    CEditorFind::OnInitDialog();
    FillCombo(kIdcReplaceText, m_replaceHistory);
    return TRUE;
}

void CEditorFindReplace::UpdateButtons()
{
    const std::string text = ItemText(m_hWnd, kIdcFindText);
    const bool any = !text.empty();
    ::EnableWindow(GetDlgItemHwnd(kIdcFindNext), any);
    ::EnableWindow(GetDlgItemHwnd(kIdcReplaceAll), any);
    ::EnableWindow(GetDlgItemHwnd(kIdcReplace),
                   any && SelectionMatches(m_view, text, IsDlgButtonChecked(kIdcMatchCase) == BST_CHECKED));
    if (!any)
        SetDefID(IDCANCEL);
    else if (LOWORD(GetDefID()) == IDCANCEL)
        SetDefID(kIdcFindNext);
}

void CEditorFindReplace::SaveHistories()
{
    CEditorFind::SaveHistories();
    CStringList list;
    ToList(m_replaceHistory, list);
    CVQRegistry().SetReplaceHistory(list);
}

bool CEditorFindReplace::TakeTexts()
{
    ReadControls();
    if (m_findText.empty())
        return false;
    m_replaceText = ItemText(m_hWnd, kIdcReplaceText);
    PushComboHistory(kIdcFindText, m_findHistory, m_findText);
    PushComboHistory(kIdcReplaceText, m_replaceHistory, m_replaceText);
    return true;
}

void CEditorFindReplace::OnReplace()
{
    if (!TakeTexts())
        return;
    if (SelectionMatches(m_view, m_findText, m_bMatchCase))
        ReplaceSelection(m_view, m_replaceText, m_bUp);
    else
        FindNextOrTell(m_view, m_findText, m_bMatchCase, m_bUp, NoticePoint(), m_hWnd);
    UpdateButtons();
    ::SetFocus(m_hWnd);
}

void CEditorFindReplace::OnReplaceAll()
{
    if (!TakeTexts())
        return;
    const int count = ReplaceAll(m_view, m_findText, m_replaceText, m_bMatchCase);
    CString message;
    message.Format(LoadStringOr(kIdsOccurrencesReplaced, "%d occurrences replaced"), count);
    AfxGetPromptService().Prompt(m_hWnd, message, LoadStringOr(kIdsReplaceCaption, "Editor - replace"),
                                 MB_OK | MB_ICONINFORMATION);
    UpdateButtons();
    ::SetFocus(m_hWnd);
}

// ---- Goto ---------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CEditorGoto, CDialog)

BEGIN_MESSAGE_MAP(CEditorGoto, CDialog)
ON_EN_CHANGE(kIdcGotoLabel, OnLabelChanged)
ON_EN_CHANGE(kIdcGotoLine, OnLineChanged)
ON_EN_SETFOCUS(kIdcGotoLine, OnLineFocus)
END_MESSAGE_MAP()

CEditorGoto::CEditorGoto(std::vector<GotoLabel> labels, CWnd* pParent)
    : CDialog(kIddEditorGoto, pParent), m_labels(std::move(labels))
{
}

void CEditorGoto::SortBy(int column)
{
    std::stable_sort(m_labels.begin(), m_labels.end(), [column](const GotoLabel& a, const GotoLabel& b) {
        return column == 0 ? a.name < b.name : a.line < b.line;
    });
    if (m_hWnd)
        FillList();
}

void CEditorGoto::FillList()
{
    const HWND list = GetDlgItemHwnd(kIdcGotoLabels);
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < m_labels.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(m_labels[i].name.c_str());
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        char line[16];
        wsprintfA(line, "%d", m_labels[i].line);
        item.iSubItem = 1;
        item.pszText = line;
        ::SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    }
}

BOOL CEditorGoto::OnInitDialog()
{
    CDialog::OnInitDialog();
    const HWND list = GetDlgItemHwnd(kIdcGotoLabels);
    CRect client;
    ::GetClientRect(list, &client);
    const CString names[2] = {LoadStringOr(kIdsLabelColumn, "Label"), LoadStringOr(kIdsLineColumn, "Line")};
    const int widths[2] = {client.Width() * 2 / 3, client.Width() - client.Width() * 2 / 3};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNA lvc = {};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        lvc.pszText = const_cast<char*>(names[column].GetString());
        lvc.cx = widths[column];
        lvc.iSubItem = column;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&lvc));
    }
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    SortBy(1);
    ::EnableWindow(GetDlgItemHwnd(IDOK), FALSE);
    SetDefID(IDCANCEL);
    return TRUE;
}

void CEditorGoto::TakeEntry(int index)
{
    if (index < 0 || index >= static_cast<int>(m_labels.size()))
        return;
    m_settingLabel = true;
    ::SetWindowTextA(GetDlgItemHwnd(kIdcGotoLabel), m_labels[static_cast<size_t>(index)].name.c_str());
    m_settingLabel = false;
    char line[16];
    wsprintfA(line, "%d", m_labels[static_cast<size_t>(index)].line);
    ::SetWindowTextA(GetDlgItemHwnd(kIdcGotoLine), line);
}

BOOL CEditorGoto::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->idFrom == static_cast<UINT_PTR>(kIdcGotoLabels)) {
        const auto* item = reinterpret_cast<const NMLISTVIEW*>(lParam);
        switch (header->code) {
        case LVN_COLUMNCLICK:
            SortBy(item->iSubItem == 0 ? 0 : 1);
            return TRUE;
        case NM_CLICK:
            TakeEntry(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
            return TRUE;
        case NM_DBLCLK:
            TakeEntry(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
            if (m_nLine >= 0)
                OnOK();
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::OnNotify(wParam, lParam, pResult);
}

void CEditorGoto::OnLabelChanged()
{
    if (m_settingLabel)
        return;
    // A label typed with digits at its end names that line.
    std::string text = ItemText(m_hWnd, kIdcGotoLabel);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    size_t digits = text.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1])))
        --digits;
    ::SetWindowTextA(GetDlgItemHwnd(kIdcGotoLine), text.substr(digits).c_str());
}

void CEditorGoto::OnLineFocus()
{
    m_settingLabel = true;
    ::SetWindowTextA(GetDlgItemHwnd(kIdcGotoLabel), "");
    m_settingLabel = false;
}

void CEditorGoto::OnLineChanged()
{
    const std::string text = ItemText(m_hWnd, kIdcGotoLine);
    const bool any = !text.empty();
    ::EnableWindow(GetDlgItemHwnd(IDOK), any);
    SetDefID(any ? IDOK : IDCANCEL);
    // Leading digits only; a number past the range of int is no line.
    const long long value = any ? std::strtoll(text.c_str(), nullptr, 10) : -1;
    m_nLine = value < 0 || value > INT_MAX ? -1 : static_cast<int>(value);
}

void CEditorGoto::OnOK()
{
    OnLineChanged();
    EndDialog(IDOK);
}

} // namespace editor
