// CEditRView: the one view of an editor frame. It owns the caret, the
// scroll position and the selection, turns keys and mouse actions into
// edits of its CEditRDoc (every change of text goes through the document,
// which keeps undo records and mirrors the change to the controller),
// offers key assist (a list of the keywords that begin with the word being
// typed, and a list of the parameters of the keyword whose bracket the
// caret is in) and paints the visible lines.
//
// Positions are (column, line), both from 0. The view edits only while the
// document is editable; otherwise keys only move the caret and the
// selection. Whenever the caret leaves a line, that line goes to the
// controller if it is pending.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "editor/editbuffer.h"
#include "editor/editfind.h"
#include "framework/docview.h"
#include "framework/gdi.h"
#include "ui/listboxes.h"

namespace editor {

class CEditRDoc;

// View messages and ids.
constexpr UINT kMsgCaretMoved = 0x8182;   // to the frame: refresh "L:%d, C:%d"
constexpr UINT kMsgContextMenu = 0x8190;  // to the frame: wParam 517, lParam {window, x, y}
constexpr UINT kMsgAssistChosen = 0x81DF; // from a key-assist list: wParam entry, lParam the list
constexpr UINT kKeywordListId = 3900;
constexpr UINT kParameterListId = 3902;

// The caret and scroll position the frame stores with its window layout.
struct SEditViewState {
    std::int32_t firstColumn;
    std::int32_t firstLine;
    std::int32_t caretColumn; // from the first visible column
    std::int32_t caretLine;   // from the first visible line
};
static_assert(sizeof(SEditViewState) == 16, "view state layout");

// What the right button's release tells the frame.
struct SContextPoint {
    HWND hWnd;
    int x;
    int y; // frame client coordinates
};

// The view asks its frame for what only the frame can do.
class IEditViewHost {
public:
    // Inline breakpoints (with the controller) are usable.
    virtual bool InlineBreakpoints() = 0;
    // Toggles the controller breakpoint of line.
    virtual void ToggleInlineBreakpoint(int line) = 0;
    // Clears every breakpoint mark and the controller's breakpoints.
    virtual void ClearInlineBreakpoints() = 0;
    // A command of the frame is waiting for the controller: a key or click
    // now would start a second one inside it.
    virtual bool SendInProgress() = 0;
    // The program's type (0 BASIC; -1 none).
    virtual int ProgramType() = 0;

protected:
    ~IEditViewHost() = default;
};

class CEditRView : public CView, public IEditSearchView {
    DECLARE_DYNCREATE(CEditRView)
public:
    CEditRView();
    ~CEditRView() override;

    CEditRDoc* GetDocument() const;
    void SetHost(IEditViewHost* host) { m_pHost = host; }

    // Caret and selection.
    Caret GetCaret() const { return m_caret; }
    CEditRange GetSelection() const; // ordered
    bool HasSelection() const { return !GetSelection().IsEmpty(); }
    // Refused (false) unless 0 <= line < line count and 0 <= column <= the
    // line's length; the line the caret leaves is sent first when pending.
    bool GoTo(int column, int line, bool centre);
    void SetSelection(const Caret& anchor, const Caret& end);
    // The selected lines joined by LF.
    std::string GetSelectedText() const;
    // The run of word characters around the caret.
    std::string GetWordAtCaret() const;
    Caret GetScroll() const { return m_scroll; }
    int VisibleRows() const;
    int VisibleColumns() const;
    int LineHeight() const { return m_lineHeight; }

    // Commands.
    void SelectAll();
    void SelectLine();
    void SelectWord();
    void DeleteLine();
    void DeleteWord();
    void ToggleBreakpoint();
    void ClearAllBreakpoints();
    void Undo();
    void Redo();
    void Copy();
    void Cut();
    void Paste();
    void Clear();

    SEditViewState SaveViewState() const;
    void RestoreViewState(const SEditViewState& state);
    // Re-reads the editor settings (tab stops, key assist); the tab stops
    // and the font come from the document's display settings.
    void ReadSettings();

    // IEditSearchView: the find dialogs and Find Next search through the
    // view.
    CEditRDoc& GetSearchDocument() override { return *GetDocument(); }
    EditSelection GetSearchSelection() override { return {m_caret, GetSelection()}; }
    void SetSearchSelection(const EditSelection& selection) override;
    BOOL GoToPosition(int column, int line, BOOL centre) override { return GoTo(column, line, centre != FALSE); }

    // Key assist lists (for tests and the frame).
    HWND KeywordList() const { return m_keywordList.GetSafeHwnd(); }
    HWND ParameterList() const { return m_parameterList.GetSafeHwnd(); }

    void OnDraw(CDC* pDC) override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnTimer(UINT_PTR nIDEvent);
    void OnRButtonUp(UINT nFlags, CPoint point);
    BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    UINT OnGetDlgCode();
    LRESULT OnAssistChosen(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    CEditBuffer* Buffer() const;
    bool Editable() const;
    int LineCount() const;
    int LineLength(int line) const;
    // Moves the caret (sending the line it leaves when pending); with
    // extend the selection runs from the anchor, else it collapses.
    void MoveCaret(Caret to, bool extend);
    void ScrollCaretIntoView(bool centre);
    void SetFirstLine(int line);
    void Changed(); // repaint, scroll bars, caret
    // What a key's repaint compares against: the scroll position, the line
    // count, the caret's line (its text and whether it waited to be sent)
    // and the selection before the key.
    struct KeyStart {
        Caret scroll;
        int lineCount;
        int caretLine;
        std::string caretText;
        bool caretPending;
        CEditRange selection;
    };
    KeyStart StartKey() const;
    // After a key that changed at most the line of the caret and the lines
    // of the selection (before or after it): scroll bars and caret as
    // Changed(), but only the rows that look different are repainted (the
    // caret's line when its text changed or it was sent, the selection's
    // lines), or every row when the view scrolled or lines came or went.
    void KeyChanged(const KeyStart& start);
    void InvalidateLines(int first, int last);
    // The length of the longest line, for the horizontal scroll range.
    int LongestLine();
    void UpdateScrollBars();
    void PlaceSystemCaret();
    bool DeleteSelection();
    void KeyReturn();
    void KeyTab();
    void KeyBackspace(bool toTabStop);
    void KeyDelete();
    void KeyAssist();
    void HideAssist();
    void ShowList(CAutosizeListBox& list, bool keywordBeingTyped, bool parameterShown);
    Caret PointToPosition(CPoint point) const;
    void MeasureFont();
    bool Busy() const { return m_nBusy > 0 || (m_pHost && m_pHost->SendInProgress()); }

    struct ScrollBars {
        int vRange, vPage, vPos;
        bool vShown;
        int hRange, hPage, hPos;
        bool hShown;
        bool operator==(const ScrollBars&) const = default;
    };
    struct {
        bool valid = false;
        ScrollBars last{};
        bool shownKnown = false;
        bool vShown = false;
        bool hShown = false;
    } m_bars;
    // The longest line as last measured: its length, its index and the
    // line count then. A key's edit can only have lengthened the caret's
    // line; any other change measures every line again.
    struct {
        bool valid = false;
        int length = 0;
        int line = -1;
        int lineCount = 0;
    } m_longest;
    IEditViewHost* m_pHost = nullptr;
    Caret m_scroll;
    Caret m_caret;
    Caret m_anchor;
    int m_nBusy = 0;
    bool m_charAllowed = false;
    bool m_selecting = false;
    int m_autoScroll = 0; // 0 none, 1 left, 2 up, 3 right, 4 down
    bool m_caretShown = false;
    int m_wheelRemainder = 0;
    int m_charWidth = 8;
    int m_lineHeight = 16;
    int m_codeStart = 0;
    int m_tabIndent = 4;
    bool m_tabInOnEnter = false;
    bool m_keywordAssist = false;
    bool m_parameterAssist = false;
    CFont m_font;
    CAutosizeListBox m_keywordList;
    CAutosizeListBox m_parameterList;
};

} // namespace editor
