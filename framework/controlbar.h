// CControlBar: a bar docked at one edge of its frame. The bar's own styles
// (CBRS_...) live beside its window styles: CBRS_ALIGN_TOP, _BOTTOM, _LEFT
// or _RIGHT names the edge it is docked at, CBRS_GRIPPER gives it a gripper
// at its leading edge (the left of a horizontal bar, the top of a vertical
// one). Dragging the gripper and letting go near another edge of the
// frame's client area docks the bar there, when both the bar and the frame
// enable docking at that edge (EnableDocking); let go anywhere else, the
// bar floats: it moves, lying horizontally, into a small tool window of its
// own (CMiniDockFrameWnd) owned by the frame and captioned with the bar's
// window text. Dragging a floating bar's gripper near an edge of its frame
// docks it there again; closing its tool window hides the bar. The frame
// (CFrameWnd::RecalcLayout) gives each docked bar its room along its edge.
#pragma once

#include <windows.h>

#include "framework/wnd.h"

class CFrameWnd;

// Bar styles, kept by the bar (not the window). CBRS_FLYBY and
// CBRS_SIZE_DYNAMIC are kept as given: a frame shows a hot toolbar button's
// prompt anyway, and a docked bar always takes its natural size.
const DWORD CBRS_ALIGN_LEFT = 0x1000;
const DWORD CBRS_ALIGN_TOP = 0x2000;
const DWORD CBRS_ALIGN_RIGHT = 0x4000;
const DWORD CBRS_ALIGN_BOTTOM = 0x8000;
const DWORD CBRS_ALIGN_ANY = 0xF000;
const DWORD CBRS_BORDER_LEFT = 0x0100;
const DWORD CBRS_BORDER_TOP = 0x0200;
const DWORD CBRS_BORDER_RIGHT = 0x0400;
const DWORD CBRS_BORDER_BOTTOM = 0x0800;
const DWORD CBRS_BORDER_ANY = 0x0F00;
const DWORD CBRS_TOOLTIPS = 0x0010;
const DWORD CBRS_FLYBY = 0x0020;
const DWORD CBRS_FLOAT_MULTI = 0x0040;
const DWORD CBRS_SIZE_DYNAMIC = 0x0004;
const DWORD CBRS_SIZE_FIXED = 0x0002;
const DWORD CBRS_GRIPPER = 0x00400000;
// The bar floats in a tool window of its own (set by the frame).
const DWORD CBRS_FLOATING = 0x0001;
const DWORD CBRS_ORIENT_HORZ = CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM;
const DWORD CBRS_ORIENT_VERT = CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT;
// Every bit of a creation style that is the bar's, not the window's.
const DWORD CBRS_ALL = 0x0040FFFF;
const DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
const DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
const DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
const DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;

// The frame's edges as DockControlBar names them.
const UINT AFX_IDW_DOCKBAR_TOP = 0xE81B;
const UINT AFX_IDW_DOCKBAR_LEFT = 0xE81C;
const UINT AFX_IDW_DOCKBAR_RIGHT = 0xE81D;
const UINT AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;

// The CBRS_ALIGN_ bit of a dock bar id (0 for any other id), and back.
DWORD AfxDockBarAlign(UINT nDockBarID);
UINT AfxDockBarID(DWORD dwAlign);

// The edge a bar let go at point pt (frame client coordinates) docks at:
// the CBRS_ALIGN_ bit of the nearest edge of rcArea among dwAllowed that
// lies within nSnap pixels of pt (pt may lie outside rcArea by as much),
// or 0 when no allowed edge is that near. The bar's current edge
// dwCurrent wins whenever it is within nSnap, so that a bar let go near
// where it was stays there.
DWORD AfxDockEdgeAt(const RECT& rcArea, POINT pt, DWORD dwAllowed, DWORD dwCurrent, int nSnap);

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    // Width of the gripper's strip and of the border around the bar.
    static constexpr int kGripperSize = 8;
    static constexpr int kBorderSize = 2;
    // How near an edge a bar must be let go to dock there.
    static constexpr int kDockSnap = 40;

    DWORD GetBarStyle() const { return m_dwStyle; }
    // Changes the bar's styles; a changed edge or gripper lays the bar out
    // again.
    virtual void SetBarStyle(DWORD dwStyle);
    // The edges (CBRS_ALIGN_ bits) the bar may dock at; 0: none.
    void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle & CBRS_ALIGN_ANY; }
    DWORD GetDockStyle() const { return m_dwDockStyle; }
    BOOL IsHorizontal() const { return (m_dwStyle & CBRS_ORIENT_VERT) == 0; }
    BOOL IsDragging() const { return m_bDragging; }
    BOOL IsFloating() const { return (m_dwStyle & CBRS_FLOATING) != 0; }
    // The frame the bar docks in: its parent, or the owner of the tool
    // window it floats in; null when neither is a frame.
    CFrameWnd* GetDockingFrame() const;

    // The bar's natural size (borders and gripper included) docked along
    // the top or the bottom (bHorz) or down a side; the frame takes its
    // height, or its width, and gives it the whole length of the edge.
    virtual CSize CalcFixedLayout(BOOL bHorz);
    // The bar's borders and gripper around its client area, in window
    // coordinates of a window rectangle rect (origin 0,0).
    CRect GetGripperRect(const CRect& rect) const;
    // Paints the gripper (when the bar has CBRS_GRIPPER) into hDC, whose
    // origin is the top-left corner of the bar's window rectangle rect.
    virtual void DrawGripper(HDC hDC, const CRect& rect) const;

protected:
    // The bar's window style is dwStyle less the bar styles, which it
    // keeps (the base of a derived bar's Create).
    DWORD SplitBarStyle(DWORD dwStyle);
    // The bar turned between horizontal and vertical: lay the content out
    // again.
    virtual void OnOrientationChanged() {}

    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaintMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTestMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursorMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDownMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMoveMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUpMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChangedMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowWindowMessage(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    DWORD m_dwStyle = 0;
    DWORD m_dwDockStyle = 0;

private:
    // Has the bar borders of its own (it is docked or has a gripper)? A
    // control created without bar styles keeps its own non-client area.
    BOOL IsBar() const { return (m_dwStyle & (CBRS_ALIGN_ANY | CBRS_GRIPPER | CBRS_FLOATING)) != 0; }
    // Is the client point on the gripper?
    BOOL HitGripper(CPoint point) const;
    void EndDrag(BOOL bDrop, CPoint point);
    BOOL m_bDragging = FALSE;
    // Where the drag took hold of the bar, from its window's top-left.
    CSize m_sizeGrab;
};

// The tool window a floating bar lies in: a popup owned by the bar's frame,
// its client area exactly the bar. It deletes itself when its window goes,
// with the frame or when the bar docks again. Closing it hides the bar (and
// so the window); showing the bar again shows it.
class CMiniDockFrameWnd : public CWnd {
    DECLARE_DYNAMIC(CMiniDockFrameWnd)
public:
    // Creates the hidden window owned by pFrame, captioned lpszCaption.
    BOOL Create(CFrameWnd* pFrame, LPCTSTR lpszCaption);
    // The bar it holds (its child), or null.
    CControlBar* GetBar() const;
    // Sizes the window around the bar's natural horizontal size, the bar's
    // top-left at point (screen coordinates).
    void PlaceBar(CPoint point);

protected:
    void PostNcDestroy() override { delete this; }
    LRESULT OnCloseMessage(WPARAM wParam, LPARAM lParam);
    // A bar's commands and notifications go on to the frame.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    DECLARE_MESSAGE_MAP()
};
