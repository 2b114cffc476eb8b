#include "editor/editview.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "editor/basickeys.h"
#include "editor/editdoc.h"
#include "editor/keywordfile.h"
#include "editor/linetokens.h"
#include "foundation/scopedcount.h"
#include "settings/vqregistry.h"

namespace editor {

IMPLEMENT_DYNCREATE(CEditRView, CView)

BEGIN_MESSAGE_MAP(CEditRView, CView)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_KEYDOWN()
ON_WM_CHAR()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_MOUSEMOVE()
ON_WM_TIMER()
ON_WM_RBUTTONUP()
ON_WM_MOUSEWHEEL()
ON_WM_VSCROLL()
ON_WM_HSCROLL()
ON_WM_GETDLGCODE()
ON_MESSAGE(kMsgAssistChosen, OnAssistChosen)
END_MESSAGE_MAP()

namespace {

constexpr int kWheelStep = 120;
constexpr UINT_PTR kAutoScrollTimer = 33003;
constexpr UINT kAutoScrollMs = 333;

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '_';
}

bool KeyDown(int key)
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

using CBusy = CScopedCount;

// Is the caret inside a comment: an apostrophe outside double quotes
// stands before it on the line.
bool InComment(const std::string& text, int column)
{
    bool quoted = false;
    for (int i = 0; i < column && i < static_cast<int>(text.size()); ++i) {
        if (text[static_cast<size_t>(i)] == '"')
            quoted = !quoted;
        else if (text[static_cast<size_t>(i)] == '\'' && !quoted)
            return true;
    }
    return false;
}

bool operator<(const Caret& a, const Caret& b)
{
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

} // namespace

CEditRView::CEditRView() = default;
CEditRView::~CEditRView() = default;

CEditRDoc* CEditRView::GetDocument() const
{
    return dynamic_cast<CEditRDoc*>(CView::GetDocument());
}

CEditBuffer* CEditRView::Buffer() const
{
    CEditRDoc* doc = GetDocument();
    return doc ? &doc->Buffer() : nullptr;
}

bool CEditRView::Editable() const
{
    CEditRDoc* doc = GetDocument();
    return doc && doc->IsLineEditable();
}

int CEditRView::LineCount() const
{
    CEditBuffer* buffer = Buffer();
    return buffer ? buffer->GetLineCount() : 0;
}

int CEditRView::LineLength(int line) const
{
    CEditBuffer* buffer = Buffer();
    return buffer ? std::max(buffer->GetLineLength(line), 0) : 0;
}

void CEditRView::ReadSettings()
{
    CVQRegistry settings;
    if (CEditRDoc* doc = GetDocument()) {
        const EditDisplaySettings& display = doc->Display();
        m_codeStart = display.codeStart;
        m_tabIndent = std::max(1, display.tabIndent);
        m_tabInOnEnter = display.tabInOnEnter;
    } else {
        m_codeStart = static_cast<int>(settings.GetCodeStart());
        m_tabIndent = std::max(1, static_cast<int>(settings.GetTabIndent()));
        m_tabInOnEnter = settings.GetTabInOnEnter() != 0;
    }
    // The font follows the document's: made again at the next measuring.
    if (m_font.m_hObject) {
        m_font.DeleteObject();
        MeasureFont();
        Changed();
    }
    m_keywordAssist = settings.GetEnableEditorKeyAssist() != 0;
    m_parameterAssist = settings.GetEnableEditorCommandTemplates() != 0;
}

void CEditRView::MeasureFont()
{
    if (!m_font.m_hObject) {
        CEditRDoc* doc = GetDocument();
        if (doc)
            m_font.CreateFontIndirect(&doc->Display().screenFont);
        else
            m_font.CreatePointFont(100, "Courier New");
    }
    HDC dc = ::GetDC(m_hWnd);
    if (!dc)
        return;
    HGDIOBJ old = ::SelectObject(dc, static_cast<HFONT>(m_font));
    TEXTMETRICA metrics = {};
    if (::GetTextMetricsA(dc, &metrics)) {
        m_charWidth = std::max<int>(1, metrics.tmAveCharWidth);
        m_lineHeight = std::max<int>(1, metrics.tmHeight);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

int CEditRView::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CView::OnCreate(lpCreateStruct) == -1)
        return -1;
    ModifyStyle(0, WS_VSCROLL | WS_HSCROLL);
    CBasicKeys keys; // loads the shared keyword list once per run
    const DWORD listStyle = WS_CHILD | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | WS_VSCROLL;
    if (!m_keywordList.Create(listStyle | LBS_WANTKEYBOARDINPUT, CRect(0, 0, 10, 10), this, kKeywordListId) ||
        !m_parameterList.Create(listStyle, CRect(0, 0, 10, 10), this, kParameterListId))
        return -1;
    m_keywordList.SetBkColour(RGB(255, 255, 225));
    m_parameterList.SetBkColour(RGB(225, 255, 255));
    ReadSettings();
    MeasureFont();
    return 0;
}

void CEditRView::OnDestroy()
{
    KillTimer(kAutoScrollTimer);
    if (m_keywordList.m_hWnd)
        m_keywordList.DestroyWindow();
    if (m_parameterList.m_hWnd)
        m_parameterList.DestroyWindow();
    CView::OnDestroy();
}

void CEditRView::OnSize(UINT nType, int cx, int cy)
{
    CView::OnSize(nType, cx, cy);
    m_bars.valid = false;
    UpdateScrollBars();
}

UINT CEditRView::OnGetDlgCode()
{
    return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
}

void CEditRView::OnSetFocus(CWnd*)
{
    ::CreateCaret(m_hWnd, nullptr, std::clamp(m_charWidth / 8, 2, 4), m_lineHeight);
    m_caretShown = true;
    PlaceSystemCaret();
    ::ShowCaret(m_hWnd);
}

void CEditRView::OnKillFocus(CWnd*)
{
    m_caretShown = false;
    ::HideCaret(m_hWnd);
    ::DestroyCaret();
}

int CEditRView::VisibleRows() const
{
    CRect client;
    ::GetClientRect(m_hWnd, &client);
    return std::max(1, client.Height() / m_lineHeight);
}

int CEditRView::VisibleColumns() const
{
    CRect client;
    ::GetClientRect(m_hWnd, &client);
    return std::max(1, client.Width() / m_charWidth);
}

CEditRange CEditRView::GetSelection() const
{
    Caret a = m_anchor, b = m_caret;
    if (b < a)
        std::swap(a, b);
    return {a.column, a.line, b.column, b.line};
}

void CEditRView::SetSelection(const Caret& anchor, const Caret& end)
{
    m_anchor = anchor;
    MoveCaret(end, true);
}

std::string CEditRView::GetSelectedText() const
{
    CEditBuffer* buffer = Buffer();
    const CEditRange r = GetSelection();
    if (!buffer || r.IsEmpty())
        return {};
    std::string text = buffer->GetRangeText(r);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

std::string CEditRView::GetWordAtCaret() const
{
    CEditBuffer* buffer = Buffer();
    if (!buffer)
        return {};
    const std::string text = buffer->GetLineText(m_caret.line);
    int from = std::min(m_caret.column, static_cast<int>(text.size()));
    int to = from;
    while (from > 0 && IsWordChar(text[static_cast<size_t>(from - 1)]))
        --from;
    while (to < static_cast<int>(text.size()) && IsWordChar(text[static_cast<size_t>(to)]))
        ++to;
    return text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

void CEditRView::MoveCaret(Caret to, bool extend)
{
    const int count = LineCount();
    to.line = std::clamp(to.line, 0, std::max(count - 1, 0));
    to.column = std::clamp(to.column, 0, LineLength(to.line));
    if (to.line != m_caret.line) {
        if (CEditBuffer* buffer = Buffer())
            buffer->SendPendingLine(m_caret.line);
    }
    m_caret = to;
    if (!extend)
        m_anchor = to;
    ScrollCaretIntoView(false);
    if (CWnd* frame = GetParent())
        frame->PostMessage(kMsgCaretMoved, 0, 0);
}

void CEditRView::SetFirstLine(int line)
{
    const int most = std::max(0, LineCount() - VisibleRows());
    m_scroll.line = std::clamp(line, 0, std::max(most, 0));
}

void CEditRView::ScrollCaretIntoView(bool centre)
{
    const int rows = VisibleRows();
    const int columns = VisibleColumns();
    if (centre)
        SetFirstLine(m_caret.line - rows / 2);
    else if (m_caret.line < m_scroll.line)
        m_scroll.line = m_caret.line;
    else if (m_caret.line >= m_scroll.line + rows)
        m_scroll.line = m_caret.line - rows + 1;
    if (m_caret.column < m_scroll.column)
        m_scroll.column = m_caret.column;
    else if (m_caret.column >= m_scroll.column + columns)
        m_scroll.column = m_caret.column - columns + 1;
}

void CEditRView::SetSearchSelection(const EditSelection& selection)
{
    const CEditRange& r = selection.range;
    const Caret start{r.startColumn, r.startLine};
    const Caret end{r.endColumn, r.endLine};
    // The anchor is the end the caret is not at.
    const bool caretAtStart = selection.caret.line == start.line && selection.caret.column == start.column;
    SetSelection(caretAtStart ? end : start, selection.caret);
    Changed();
}

bool CEditRView::GoTo(int column, int line, bool centre)
{
    if (line < 0 || line >= LineCount() || column < 0 || column > LineLength(line))
        return false;
    MoveCaret({column, line}, false);
    ScrollCaretIntoView(centre);
    Changed();
    return true;
}

void CEditRView::PlaceSystemCaret()
{
    if (!m_caretShown)
        return;
    ::SetCaretPos((m_caret.column - m_scroll.column) * m_charWidth, (m_caret.line - m_scroll.line) * m_lineHeight);
}

int CEditRView::LongestLine()
{
    const int count = LineCount();
    const bool kept = m_longest.valid && m_longest.lineCount == count && m_longest.line >= 0 &&
                      m_longest.line < count && LineLength(m_longest.line) == m_longest.length;
    if (!kept) {
        m_longest.valid = true;
        m_longest.length = 0;
        m_longest.line = -1;
        m_longest.lineCount = count;
        for (int i = 0; i < count; ++i) {
            const int length = LineLength(i);
            if (m_longest.line < 0 || length > m_longest.length) {
                m_longest.length = length;
                m_longest.line = i;
            }
        }
    } else if (m_caret.line < count && LineLength(m_caret.line) > m_longest.length) {
        m_longest.length = LineLength(m_caret.line);
        m_longest.line = m_caret.line;
    }
    return m_longest.length;
}

void CEditRView::UpdateScrollBars()
{
    if (!m_hWnd)
        return;
    const int count = LineCount();
    const int rows = VisibleRows();
    const int longest = LongestLine();
    const int columns = VisibleColumns();
    // Setting a bar redraws it at once, and showing or hiding one makes the
    // system lay the window out again: only a bar that changed is set.
    const ScrollBars bars = {std::max(count - 1, 0), rows, m_scroll.line, count > rows || m_scroll.line > 0,
                             longest, columns, m_scroll.column, longest > columns || m_scroll.column > 0};
    if (m_bars.valid && bars == m_bars.last)
        return;
    const ScrollBars last = m_bars.last;
    const bool all = !m_bars.valid;
    m_bars.valid = true;
    m_bars.last = bars;
    SCROLLINFO info = {sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, bars.vRange, static_cast<UINT>(rows),
                       m_scroll.line, 0};
    if (all || bars.vRange != last.vRange || bars.vPage != last.vPage || bars.vPos != last.vPos)
        ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
    info = {sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, longest, static_cast<UINT>(columns), m_scroll.column, 0};
    if (all || bars.hRange != last.hRange || bars.hPage != last.hPage || bars.hPos != last.hPos)
        ::SetScrollInfo(m_hWnd, SB_HORZ, &info, TRUE);
    if (bars.vShown != m_bars.vShown || !m_bars.shownKnown)
        ::ShowScrollBar(m_hWnd, SB_VERT, bars.vShown);
    if (bars.hShown != m_bars.hShown || !m_bars.shownKnown)
        ::ShowScrollBar(m_hWnd, SB_HORZ, bars.hShown);
    m_bars.vShown = bars.vShown;
    m_bars.hShown = bars.hShown;
    m_bars.shownKnown = true;
}

void CEditRView::Changed()
{
    if (!m_hWnd)
        return;
    // Any line may have changed: the longest is measured again.
    m_longest.valid = false;
    UpdateScrollBars();
    PlaceSystemCaret();
    Invalidate(FALSE);
}

CEditRView::KeyStart CEditRView::StartKey() const
{
    const CEditBuffer* buffer = Buffer();
    const CEditRLine* line = buffer ? buffer->Line(m_caret.line) : nullptr;
    return {m_scroll, LineCount(), m_caret.line, line ? line->Text() : std::string(), line && line->IsPending(),
            GetSelection()};
}

void CEditRView::KeyChanged(const KeyStart& start)
{
    if (!m_hWnd)
        return;
    UpdateScrollBars();
    PlaceSystemCaret();
    if (!(m_scroll == start.scroll) || LineCount() != start.lineCount) {
        Invalidate(FALSE);
        return;
    }
    // An edit with the same line count changed the caret's line alone, and
    // a line is drawn from its text and whether it is pending (a pending
    // line the caret left was sent and is drawn in its colours now). A move
    // leaves the line it comes to as it was.
    const CEditBuffer* buffer = Buffer();
    const CEditRLine* line = buffer ? buffer->Line(start.caretLine) : nullptr;
    if (!line || line->IsPending() != start.caretPending || line->Text() != start.caretText)
        InvalidateLines(start.caretLine, start.caretLine);
    const CEditRange now = GetSelection();
    if (!start.selection.IsEmpty())
        InvalidateLines(start.selection.startLine, start.selection.endLine);
    if (!now.IsEmpty())
        InvalidateLines(now.startLine, now.endLine);
}

void CEditRView::InvalidateLines(int first, int last)
{
    if (last < first)
        std::swap(first, last);
    CRect client;
    ::GetClientRect(m_hWnd, &client);
    // Rows from the first visible line, kept to the window before they are
    // turned into pixels.
    const int rows = client.Height() / m_lineHeight + 1;
    const int top = std::clamp(first - m_scroll.line, 0, rows);
    const int bottom = std::clamp(last - m_scroll.line + 1, 0, rows);
    if (top >= bottom)
        return;
    RECT band = {client.left, top * m_lineHeight, client.right, std::min<LONG>(bottom * m_lineHeight, client.bottom)};
    if (band.top < band.bottom)
        ::InvalidateRect(m_hWnd, &band, FALSE);
}

void CEditRView::OnUpdate(CView*, LPARAM, CObject*)
{
    m_caret.line = std::clamp(m_caret.line, 0, std::max(LineCount() - 1, 0));
    m_caret.column = std::clamp(m_caret.column, 0, LineLength(m_caret.line));
    m_anchor.line = std::clamp(m_anchor.line, 0, std::max(LineCount() - 1, 0));
    m_anchor.column = std::clamp(m_anchor.column, 0, LineLength(m_anchor.line));
    Changed();
}

// The document draws the lines: colours, selection, marks.
void CEditRView::OnDraw(CDC* pDC)
{
    CEditRDoc* doc = GetDocument();
    if (!pDC || !doc)
        return;
    CRect client;
    ::GetClientRect(m_hWnd, &client);
    // Only the rows that need painting are drawn: a key repaints the rows
    // of the lines it changed.
    CRect clip;
    int firstRow = 0;
    if (pDC->GetClipBox(&clip) != ERROR && !clip.IsRectEmpty()) {
        firstRow = std::max(0, static_cast<int>(clip.top - client.top) / m_lineHeight);
        const int endRow = (static_cast<int>(clip.bottom - client.top) + m_lineHeight - 1) / m_lineHeight;
        client.top += firstRow * m_lineHeight;
        client.bottom = std::min<LONG>(client.bottom, endRow * m_lineHeight);
    }
    if (client.IsRectEmpty())
        return;
    doc->DrawLines(pDC, client, m_scroll.column, m_scroll.line + firstRow, GetSelection(), -1);
}

bool CEditRView::DeleteSelection()
{
    CEditBuffer* buffer = Buffer();
    const CEditRange r = GetSelection();
    if (!buffer || r.IsEmpty())
        return false;
    buffer->DeleteRange(r, true);
    m_caret = m_anchor = {r.startColumn, r.startLine};
    return true;
}

void CEditRView::KeyReturn()
{
    CEditBuffer* buffer = Buffer();
    DeleteSelection();
    const std::string text = buffer->GetLineText(m_caret.line);
    const size_t at = std::min(static_cast<size_t>(m_caret.column), text.size());
    const std::string head = text.substr(0, at);
    std::string tail = text.substr(at);
    int indent = 0;
    if (m_tabInOnEnter && !head.empty()) {
        while (indent < static_cast<int>(head.size()) && head[static_cast<size_t>(indent)] == ' ')
            ++indent;
        tail = std::string(static_cast<size_t>(indent), ' ') + tail;
    }
    if (buffer->GetLineCount() == 0)
        buffer->InsertLine(0, {}, true);
    buffer->ReplaceLine(m_caret.line, head, true, true);
    buffer->InsertLine(m_caret.line + 1, tail, true);
    m_caret = m_anchor = {indent, m_caret.line + 1};
}

void CEditRView::KeyTab()
{
    CEditBuffer* buffer = Buffer();
    DeleteSelection();
    const int column = m_caret.column;
    int stop = column < m_codeStart ? m_codeStart
                                    : m_codeStart + ((column - m_codeStart) / m_tabIndent + 1) * m_tabIndent;
    stop = std::min(stop, kLineLimit);
    if (stop <= column)
        return;
    const Caret at = buffer->InsertText(column, m_caret.line, std::string(static_cast<size_t>(stop - column), ' '), true,
                                        false);
    m_caret = m_anchor = at;
}

void CEditRView::KeyBackspace(bool toTabStop)
{
    CEditBuffer* buffer = Buffer();
    if (DeleteSelection())
        return;
    if (m_caret.column == 0) {
        if (m_caret.line == 0)
            return;
        const int line = m_caret.line - 1;
        const int length = LineLength(line);
        buffer->DeleteRange({length, line, 0, m_caret.line}, true);
        m_caret = m_anchor = {length, line};
        return;
    }
    int to = m_caret.column - 1;
    if (toTabStop) {
        const int k = m_caret.column - 1 - m_codeStart;
        to = k > 0 ? m_codeStart + (k / m_tabIndent) * m_tabIndent : 0;
    }
    buffer->DeleteChars(to, m_caret.line, m_caret.column - to, true, false);
    m_caret = m_anchor = {to, m_caret.line};
}

void CEditRView::KeyDelete()
{
    CEditBuffer* buffer = Buffer();
    if (DeleteSelection())
        return;
    const int length = LineLength(m_caret.line);
    if (m_caret.column < length) {
        buffer->DeleteChars(m_caret.column, m_caret.line, 1, true, false);
    } else if (m_caret.line + 1 < LineCount()) {
        buffer->DeleteRange({m_caret.column, m_caret.line, 0, m_caret.line + 1}, true);
    }
}

void CEditRView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT)
{
    if (Busy())
        return;
    CBusy busy(m_nBusy);
    CEditBuffer* buffer = Buffer();
    if (!buffer)
        return;
    const KeyStart keyStart = StartKey();
    const bool shift = KeyDown(VK_SHIFT);
    const bool ctrl = KeyDown(VK_CONTROL);
    const bool editable = Editable();
    const int lastLine = std::max(LineCount() - 1, 0);
    const int startLine = m_caret.line;
    bool edited = false;
    bool moved = true;
    for (UINT n = 0; n < std::max(nRepCnt, 1u); ++n) {
        const CEditRange sel = GetSelection();
        const bool collapse = !sel.IsEmpty() && !shift;
        Caret to = m_caret;
        switch (nChar) {
        case VK_LEFT:
            if (collapse) {
                to = {sel.startColumn, sel.startLine};
            } else if (ctrl) {
                const std::string text = buffer->GetLineText(to.line);
                if (to.column == 0) {
                    if (to.line > 0)
                        to = {LineLength(to.line - 1), to.line - 1};
                } else {
                    int c = to.column;
                    while (c > 0 && text[static_cast<size_t>(c - 1)] == ' ')
                        --c;
                    while (c > 0 && IsWordChar(text[static_cast<size_t>(c - 1)]))
                        --c;
                    to.column = c == to.column ? c - 1 : c;
                }
            } else if (to.column > 0) {
                --to.column;
            } else if (to.line > 0) {
                to = {LineLength(to.line - 1), to.line - 1};
            }
            break;
        case VK_RIGHT:
            if (collapse) {
                to = {sel.endColumn, sel.endLine};
            } else if (ctrl) {
                const std::string text = buffer->GetLineText(to.line);
                const int length = static_cast<int>(text.size());
                if (to.column >= length) {
                    if (to.line < lastLine)
                        to = {0, to.line + 1};
                } else {
                    int c = to.column;
                    while (c < length && IsWordChar(text[static_cast<size_t>(c)]))
                        ++c;
                    while (c < length && text[static_cast<size_t>(c)] == ' ')
                        ++c;
                    to.column = c == to.column ? c + 1 : c;
                }
            } else if (to.column < LineLength(to.line)) {
                ++to.column;
            } else if (to.line < lastLine) {
                to = {0, to.line + 1};
            }
            break;
        case VK_UP:
            if (collapse)
                to = {sel.startColumn, sel.startLine};
            else if (to.line > 0)
                to = {std::min(to.column, LineLength(to.line - 1)), to.line - 1};
            break;
        case VK_DOWN:
            if (m_keywordList.IsWindowVisible()) {
                m_keywordList.SetCurSel(0);
                m_keywordList.SetFocus();
                return;
            }
            if (collapse)
                to = {sel.endColumn, sel.endLine};
            else if (to.line < lastLine)
                to = {std::min(to.column, LineLength(to.line + 1)), to.line + 1};
            break;
        case VK_PRIOR:
        case VK_NEXT: {
            const int page = std::max(VisibleRows() - 1, 1);
            const int line = std::clamp(to.line + (nChar == VK_PRIOR ? -page : page), 0, lastLine);
            to = {std::min(to.column, LineLength(line)), line};
            break;
        }
        case VK_HOME:
            to = {0, ctrl ? 0 : to.line};
            break;
        case VK_END:
            to = ctrl ? Caret{LineLength(lastLine), lastLine} : Caret{LineLength(to.line), to.line};
            break;
        case VK_ESCAPE:
            m_anchor = m_caret;
            break;
        case VK_INSERT:
            moved = false;
            break;
        case VK_RETURN:
        case VK_TAB:
        case VK_BACK:
        case VK_DELETE:
            moved = false;
            if (!editable)
                break;
            if (!edited)
                buffer->BeginUndoGroup();
            edited = true;
            if (nChar == VK_RETURN)
                KeyReturn();
            else if (nChar == VK_TAB)
                KeyTab();
            else if (nChar == VK_BACK)
                KeyBackspace(shift);
            else
                KeyDelete();
            break;
        default:
            m_charAllowed = true;
            return;
        }
        if (moved && nChar != VK_ESCAPE)
            MoveCaret(to, shift);
    }
    if (edited) {
        if (m_caret.line != startLine)
            buffer->SendPendingLine(startLine);
        ScrollCaretIntoView(false);
        if (CWnd* frame = GetParent())
            frame->PostMessage(kMsgCaretMoved, 0, 0);
        HideAssist();
    }
    KeyChanged(keyStart);
}

void CEditRView::OnChar(UINT nChar, UINT nRepCnt, UINT)
{
    const bool allowed = m_charAllowed;
    m_charAllowed = false;
    if (!allowed || !Editable() || nChar < 32 || nChar > 126)
        return;
    CBusy busy(m_nBusy);
    CEditBuffer* buffer = Buffer();
    const KeyStart keyStart = StartKey();
    buffer->BeginUndoGroup();
    DeleteSelection();
    if (buffer->GetLineCount() == 0)
        buffer->InsertLine(0, {}, true);
    const std::string text(std::max(nRepCnt, 1u), static_cast<char>(nChar));
    m_caret = m_anchor = buffer->InsertText(m_caret.column, m_caret.line, text, true, false);
    ScrollCaretIntoView(false);
    if (CWnd* frame = GetParent())
        frame->PostMessage(kMsgCaretMoved, 0, 0);
    KeyAssist();
    KeyChanged(keyStart);
}

void CEditRView::HideAssist()
{
    if (m_keywordList.m_hWnd)
        m_keywordList.ShowWindow(SW_HIDE);
    if (m_parameterList.m_hWnd)
        m_parameterList.ShowWindow(SW_HIDE);
}

void CEditRView::ShowList(CAutosizeListBox& list, bool keywordBeingTyped, bool parameterShown)
{
    CRect client;
    GetClientRect(&client);
    const int count = list.GetCount();
    const int itemHeight = std::max(1, static_cast<int>(list.SendMessage(LB_GETITEMHEIGHT, 0, 0)));
    CSize widest;
    list.MeasureWidestItem(widest, TRUE);
    const int width = widest.cx + ::GetSystemMetrics(SM_CXVSCROLL) + 4;
    if (width > client.Width()) {
        list.ShowWindow(SW_HIDE);
        return;
    }
    const int top = (m_caret.line - m_scroll.line) * m_lineHeight;
    const int below = client.bottom - (top + m_lineHeight);
    const int above = top;
    const int wanted = count * itemHeight + 4;
    const bool isKeywordList = &list == &m_keywordList;
    int y = 0, height = wanted;
    if (wanted <= below && !(isKeywordList && parameterShown)) {
        y = top + m_lineHeight;
    } else if (wanted <= above && !(!isKeywordList && keywordBeingTyped)) {
        y = top - wanted;
    } else {
        const int room = std::max(below, above);
        const int entries = (room - 4) / itemHeight;
        if (entries < 2) {
            list.ShowWindow(SW_HIDE);
            return;
        }
        height = entries * itemHeight + 4;
        y = below >= above ? top + m_lineHeight : top - height;
    }
    int x = (m_caret.column - m_scroll.column) * m_charWidth;
    if (x + width > client.right)
        x = client.right - width;
    list.SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    list.ShowScrollBar(SB_VERT, height < wanted);
    list.ShowWindow(SW_SHOWNA);
}

void CEditRView::KeyAssist()
{
    CEditBuffer* buffer = Buffer();
    const std::string text = buffer->GetLineText(m_caret.line);
    const int column = std::min(m_caret.column, static_cast<int>(text.size()));
    if (InComment(text, column)) {
        HideAssist();
        return;
    }
    CBasicKeyTable& table = CBasicKeys::Table();
    bool parameterShown = false;
    if (m_parameterAssist) {
        int depth = 0, at = column - 1;
        for (; at >= 0; --at) {
            const char c = text[static_cast<size_t>(at)];
            depth += c == '(' ? 1 : (c == ')' ? -1 : 0);
            if (depth == 1)
                break;
        }
        std::string keyword;
        if (at > 0) {
            int from = at;
            while (from > 0 && IsWordChar(text[static_cast<size_t>(from - 1)]))
                --from;
            keyword = text.substr(static_cast<size_t>(from), static_cast<size_t>(at - from));
        }
        std::vector<std::string> templates;
        if (keyword.size() >= 2 && table.GetCommandTemplates(keyword, templates) > 0) {
            m_parameterList.ResetContent();
            for (const std::string& line : templates)
                if (!TrimBoth(line).empty())
                    m_parameterList.AddString(line.c_str());
            parameterShown = m_parameterList.GetCount() > 0;
        }
    }
    bool keywordShown = false;
    int from = column;
    while (from > 0 && IsWordChar(text[static_cast<size_t>(from - 1)]))
        --from;
    const std::string word = text.substr(static_cast<size_t>(from), static_cast<size_t>(column - from));
    if (m_keywordAssist && word.size() >= 2) {
        std::vector<std::string> names;
        table.GetCompletions(word, names, true);
        keywordShown = !names.empty() && !(names.size() == 1 && _stricmp(names[0].c_str(), word.c_str()) == 0);
        if (keywordShown) {
            m_keywordList.ResetContent();
            for (const std::string& name : names)
                m_keywordList.AddString(name.c_str());
        }
    }
    if (parameterShown)
        ShowList(m_parameterList, keywordShown, false);
    else
        m_parameterList.ShowWindow(SW_HIDE);
    if (keywordShown)
        ShowList(m_keywordList, true, parameterShown);
    else
        m_keywordList.ShowWindow(SW_HIDE);
}

LRESULT CEditRView::OnAssistChosen(WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(lParam) != m_keywordList.m_hWnd || !Editable())
        return 0;
    CString entry;
    if (m_keywordList.GetText(static_cast<int>(wParam), entry) == LB_ERR)
        return 0;
    CBusy busy(m_nBusy);
    CEditBuffer* buffer = Buffer();
    const std::string text = buffer->GetLineText(m_caret.line);
    int from = std::min(m_caret.column, static_cast<int>(text.size()));
    while (from > 0 && IsWordChar(text[static_cast<size_t>(from - 1)]))
        --from;
    buffer->BeginUndoGroup();
    m_anchor = {from, m_caret.line};
    DeleteSelection();
    m_caret = m_anchor = buffer->InsertText(from, m_caret.line, static_cast<LPCSTR>(entry), true, false);
    HideAssist();
    SetFocus();
    Changed();
    return 1;
}

Caret CEditRView::PointToPosition(CPoint point) const
{
    const int line = std::clamp(m_scroll.line + static_cast<int>(point.y) / m_lineHeight, 0, std::max(LineCount() - 1, 0));
    const int column = std::clamp(m_scroll.column + static_cast<int>(point.x / static_cast<double>(m_charWidth) + 0.5), 0,
                                  LineLength(line));
    return {column, line};
}

void CEditRView::OnLButtonDown(UINT, CPoint point)
{
    // A click that comes while a key's edit waits for the controller would
    // send a second line inside the first one's send.
    if (Busy())
        return;
    HideAssist();
    SetFocus();
    SetCapture();
    const Caret to = PointToPosition(point);
    const bool shift = KeyDown(VK_SHIFT);
    MoveCaret(to, shift);
    m_selecting = !shift;
    Changed();
}

void CEditRView::OnMouseMove(UINT, CPoint point)
{
    if (!m_selecting || ::GetCapture() != m_hWnd)
        return;
    MoveCaret(PointToPosition(point), true);
    // Outside the window the selection goes on growing, every 333 ms, in
    // the direction where the pointer is farthest out.
    CRect client;
    GetClientRect(&client);
    const int outside[] = {client.left - point.x, client.top - point.y, point.x - client.right,
                           point.y - client.bottom};
    int direction = 0, farthest = 0;
    for (int i = 0; i < 4; ++i) {
        if (outside[i] > farthest) {
            farthest = outside[i];
            direction = i + 1;
        }
    }
    if (direction && !m_autoScroll)
        SetTimer(kAutoScrollTimer, kAutoScrollMs);
    else if (!direction && m_autoScroll)
        KillTimer(kAutoScrollTimer);
    m_autoScroll = direction;
    Changed();
}

void CEditRView::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kAutoScrollTimer || !m_autoScroll)
        return;
    Caret to = m_caret;
    switch (m_autoScroll) {
    case 1:
        --to.column;
        break;
    case 2:
        --to.line;
        break;
    case 3:
        ++to.column;
        break;
    default:
        ++to.line;
        break;
    }
    MoveCaret(to, true);
    Changed();
}

void CEditRView::OnLButtonUp(UINT, CPoint)
{
    m_selecting = false;
    if (m_autoScroll)
        KillTimer(kAutoScrollTimer);
    m_autoScroll = 0;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
}

void CEditRView::OnLButtonDblClk(UINT, CPoint)
{
    SelectWord();
}

void CEditRView::OnRButtonUp(UINT, CPoint point)
{
    CWnd* frame = GetParent();
    if (!frame)
        return;
    POINT p = point;
    ::MapWindowPoints(m_hWnd, frame->m_hWnd, &p, 1);
    SContextPoint where = {m_hWnd, p.x, p.y};
    frame->SendMessage(kMsgContextMenu, WM_RBUTTONUP, reinterpret_cast<LPARAM>(&where));
}

// One line per 120 units; what is left over (with its sign) counts towards
// the next message of this view.
BOOL CEditRView::OnMouseWheel(UINT, short zDelta, CPoint)
{
    m_wheelRemainder += zDelta;
    const int lines = m_wheelRemainder / kWheelStep;
    m_wheelRemainder -= lines * kWheelStep;
    if (lines != 0) {
        HideAssist();
        SetFirstLine(m_scroll.line - lines);
        Changed();
    }
    return TRUE;
}

void CEditRView::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar*)
{
    const int rows = VisibleRows();
    int line = m_scroll.line;
    switch (nSBCode) {
    case SB_LINEUP:
        --line;
        break;
    case SB_LINEDOWN:
        ++line;
        break;
    case SB_PAGEUP:
        line -= std::max(rows - 2, 1);
        break;
    case SB_PAGEDOWN:
        line += std::max(rows - 2, 1);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        line = static_cast<int>(nPos);
        break;
    case SB_TOP:
        line = 0;
        break;
    case SB_BOTTOM:
        line = LineCount();
        break;
    default:
        return;
    }
    HideAssist();
    SetFirstLine(line);
    Changed();
}

void CEditRView::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar*)
{
    const int columns = VisibleColumns();
    int column = m_scroll.column;
    switch (nSBCode) {
    case SB_LINELEFT:
        --column;
        break;
    case SB_LINERIGHT:
        ++column;
        break;
    case SB_PAGELEFT:
        column -= std::max(columns - 8, 1);
        break;
    case SB_PAGERIGHT:
        column += std::max(columns - 8, 1);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        column = static_cast<int>(nPos);
        break;
    default:
        return;
    }
    HideAssist();
    m_scroll.column = std::max(column, 0);
    Changed();
}

void CEditRView::SelectAll()
{
    const int last = std::max(LineCount() - 1, 0);
    m_anchor = {0, 0};
    MoveCaret({LineLength(last), last}, true);
    Changed();
}

void CEditRView::SelectLine()
{
    const int line = m_caret.line;
    m_anchor = {0, line};
    MoveCaret(line + 1 < LineCount() ? Caret{0, line + 1} : Caret{LineLength(line), line}, true);
    Changed();
}

void CEditRView::SelectWord()
{
    CEditBuffer* buffer = Buffer();
    if (!buffer)
        return;
    const std::string text = buffer->GetLineText(m_caret.line);
    int at = std::min(m_caret.column, static_cast<int>(text.size()));
    if (at == static_cast<int>(text.size()) && at > 0)
        --at;
    int from = at, to = at;
    while (from > 0 && IsWordChar(text[static_cast<size_t>(from - 1)]))
        --from;
    while (to < static_cast<int>(text.size()) && IsWordChar(text[static_cast<size_t>(to)]))
        ++to;
    m_anchor = {from, m_caret.line};
    MoveCaret({to, m_caret.line}, true);
    Changed();
}

void CEditRView::DeleteLine()
{
    if (!Editable())
        return;
    SelectLine();
    Buffer()->BeginUndoGroup();
    DeleteSelection();
    Changed();
}

void CEditRView::DeleteWord()
{
    if (!Editable())
        return;
    SelectWord();
    Buffer()->BeginUndoGroup();
    DeleteSelection();
    Changed();
}


void CEditRView::ToggleBreakpoint()
{
    CEditRDoc* doc = GetDocument();
    if (!doc)
        return;
    if (m_pHost && m_pHost->InlineBreakpoints()) {
        m_pHost->ToggleInlineBreakpoint(m_caret.line);
        Changed();
        return;
    }
    if (!m_pHost || m_pHost->ProgramType() != kFileTypeBasic || !Editable())
        return;
    CEditBuffer& buffer = doc->Buffer();
    const int line = std::min(m_caret.line, std::max(buffer.GetLineCount() - 1, 0));
    buffer.BeginUndoGroup();
    if (line < buffer.GetLineCount() && IsTronLine(buffer.GetLineText(line)))
        buffer.DeleteLine(line, true);
    else
        buffer.InsertLine(line, "TRON", true);
    m_caret = m_anchor = {0, std::min(line, std::max(buffer.GetLineCount() - 1, 0))};
    Changed();
}

void CEditRView::ClearAllBreakpoints()
{
    CEditRDoc* doc = GetDocument();
    if (!doc)
        return;
    if (m_pHost && m_pHost->InlineBreakpoints()) {
        m_pHost->ClearInlineBreakpoints();
        Changed();
        return;
    }
    if (!Editable())
        return;
    CEditBuffer& buffer = doc->Buffer();
    buffer.BeginUndoGroup();
    for (int i = buffer.GetLineCount() - 1; i >= 0; --i) {
        if (IsTronLine(buffer.GetLineText(i))) {
            buffer.DeleteLine(i, true);
            if (i < m_caret.line)
                --m_caret.line;
        }
    }
    m_anchor = m_caret;
    OnUpdate(nullptr, 0, nullptr);
}

void CEditRView::Undo()
{
    CEditRDoc* doc = GetDocument();
    if (!doc || !Editable())
        return;
    Caret caret = m_caret;
    if (doc->Undo(caret))
        m_caret = m_anchor = caret;
    OnUpdate(nullptr, 0, nullptr);
}

void CEditRView::Redo()
{
    CEditRDoc* doc = GetDocument();
    if (!doc || !Editable())
        return;
    Caret caret = m_caret;
    if (doc->Redo(caret))
        m_caret = m_anchor = caret;
    OnUpdate(nullptr, 0, nullptr);
}

void CEditRView::Copy()
{
    if (CEditRDoc* doc = GetDocument(); doc && HasSelection())
        doc->Copy(GetSelection());
}

void CEditRView::Cut()
{
    CEditRDoc* doc = GetDocument();
    if (!doc || !HasSelection() || !Editable())
        return;
    const CEditRange range = GetSelection();
    doc->Buffer().BeginUndoGroup();
    if (doc->Cut(range))
        m_caret = m_anchor = {range.startColumn, range.startLine};
    OnUpdate(nullptr, 0, nullptr);
}

void CEditRView::Paste()
{
    CEditRDoc* doc = GetDocument();
    if (!doc || !Editable() || doc->PasteRefused())
        return;
    doc->Buffer().BeginUndoGroup();
    DeleteSelection();
    Caret caret = m_caret;
    if (doc->Paste(m_caret.column, m_caret.line, caret))
        m_caret = m_anchor = caret;
    OnUpdate(nullptr, 0, nullptr);
}

void CEditRView::Clear()
{
    if (!Editable() || !HasSelection())
        return;
    Buffer()->BeginUndoGroup();
    DeleteSelection();
    OnUpdate(nullptr, 0, nullptr);
}

SEditViewState CEditRView::SaveViewState() const
{
    return {m_scroll.column, m_scroll.line, m_caret.column - m_scroll.column, m_caret.line - m_scroll.line};
}

void CEditRView::RestoreViewState(const SEditViewState& state)
{
    const int last = std::max(LineCount() - 1, 0);
    m_scroll.line = std::clamp(static_cast<int>(state.firstLine), 0, last);
    m_scroll.column = std::clamp(static_cast<int>(state.firstColumn), 0, static_cast<int>(kLineLimit));
    const int line = std::clamp(m_scroll.line + static_cast<int>(state.caretLine), 0, last);
    const int column = std::clamp(m_scroll.column + static_cast<int>(state.caretColumn), 0, LineLength(line));
    m_caret = m_anchor = {column, line};
    Changed();
}

} // namespace editor
