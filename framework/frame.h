// CFrameWnd: a program's top-level frame window, built from one resource id
// (its menu, accelerators, icon and title string) by LoadFrame. A frame
// whose creation finished deletes itself when its window goes; when
// creation fails the object stays with its creator. Commands the frame's
// own map does not handle go on to the application object.
//
// The frame keeps its command user interface current: a menu's items are
// enabled, grayed and checked by the commands' update handlers when the
// menu opens, the toolbar's buttons when the thread goes idle, and a
// command whose update handler disables it is not carried out. While a menu
// item is selected, the status bar's first pane shows its prompt (the
// command's string up to its "\n"), and a toolbar button's tooltip is the
// part after it.
//
// The frame lays out its bars: the status bar (AFX_IDW_STATUS_BAR) along
// the bottom below everything; the docked bars (CControlBar, by their
// CBRS_ALIGN_ edge, in creation order outwards in) first along the top and
// the bottom across the whole width, then down the left and the right
// between them (a floating bar lies outside, in its own tool window); a toolbar (AFX_IDW_TOOLBAR) that is not docked along the
// top; other visible control bars (ids AFX_IDW_CONTROLBAR_FIRST to _LAST,
// aligned by their CCS_LEFT or CCS_RIGHT style) down a side inside the
// docked bars, and the client window in the rest. A bar docks at an edge
// only when both it and the frame enable docking there (EnableDocking).
//
// CMDIFrameWnd: a frame whose client is the system's MDI client window.
#pragma once

#include <windows.h>

#include "framework/controlbar.h"
#include "framework/wnd.h"

class CDocument;
class CView;
struct CCreateContext;

// Ids of the frame's bars and client.
const UINT AFX_IDW_CONTROLBAR_FIRST = 0xE800;
const UINT AFX_IDW_CONTROLBAR_LAST = 0xE8FF;
const UINT AFX_IDW_PANE_FIRST = 0xE900;
// The first command id of the MDI client's child windows.
const UINT AFX_IDM_FIRST_MDICHILD = 0xFF00;
// Sent by the message loop to the main window when it goes idle.
const UINT WM_IDLEUPDATECMDUI = 0x0363;

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd() = default;
    ~CFrameWnd() override;

    // Creates the frame: the title is the string nIDResource up to its first
    // "\n" (else the application's name), the menu, accelerators and icon
    // are the resources of that id when they exist. FALSE when the window
    // could not be created.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW, CWnd* pParentWnd = nullptr,
                           void* pContext = nullptr);
    // A frame without resources: the title given, the menu resource
    // lpszMenuName (may be null), the view of pContext as its client. A
    // rectangle whose left is CW_USEDEFAULT leaves the place to the system.
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext);
    using CWnd::Create;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // The view of the context's class as child nID (the frame's client).
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
    // The views of pDoc get their initial update; then the frame shows.
    void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    // The frame's view (its client), or null.
    CView* GetActiveView() const;

    // Commands the frame does not handle itself go on to the application.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    BOOL HasCommandHandler(UINT nID) const override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // A toolbar button's tooltip is its command's string after the "\n".
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // Places the bars and the client window over the client area.
    virtual void RecalcLayout();
    // The client area left over by the visible bars (client coordinates).
    void GetLayoutClientRect(LPRECT lpRect) const;

    // The edges (CBRS_ALIGN_ bits) bars may dock at; 0: none.
    void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle & CBRS_ALIGN_ANY; }
    DWORD GetDockStyle() const { return m_dwDockStyle; }
    // Docks pBar at the edge nDockBarID (AFX_IDW_DOCKBAR_...; 0: the first
    // of top, bottom, left, right that is allowed) and lays the frame out
    // again. FALSE, the bar unchanged, when the bar or the frame does not
    // enable that edge.
    BOOL DockControlBar(CControlBar* pBar, UINT nDockBarID = 0);
    // pBar was let go at point (client coordinates), held sizeGrab from
    // its top-left corner: it docks at the nearest allowed edge near the
    // point, or else floats with the spot it was held at the point.
    BOOL DropControlBar(CControlBar* pBar, CPoint point, CSize sizeGrab = CSize(0, 0));
    // Floats pBar (a bar of this frame) in a tool window of its own, the
    // bar's top-left corner at point (screen coordinates); a floating bar
    // just moves there. The frame lays itself out again without it.
    BOOL FloatControlBar(CControlBar* pBar, CPoint point);
    // The bar nID of the frame, docked or floating, or null.
    HWND GetControlBarHwnd(UINT nID) const;
    // The area the bars dock around: the client area above the status bar.
    void GetDockingArea(LPRECT lpRect) const;
    // The prompt of command nID: its string up to the first "\n".
    virtual void GetMessageString(UINT nID, CString& rMessage) const;
    // Shows the text in the status bar's first pane.
    void SetMessageText(LPCTSTR lpszText);
    // The status bar (child AFX_IDW_STATUS_BAR), or null.
    CWnd* GetMessageBar() const;
    // Enables and checks the toolbar's buttons by their update handlers.
    void UpdateToolBarCmdUI();
    // Is the command enabled by its update handler (TRUE without one)?
    BOOL IsCommandEnabled(UINT nID);
    HACCEL GetAccelerators() const { return m_hAccelTable; }

protected:
    // Makes the client window: the base makes the context's view, if any.
    // FALSE fails the frame's creation.
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, void* pContext);
    // The window that fills what the bars leave free (null: none).
    virtual HWND GetClientWindow() const;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

    UINT m_nIDResource = 0;
    HACCEL m_hAccelTable = nullptr;

private:
    // Creates the window with the menu and the creation context.
    BOOL CreateFrame(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                     CWnd* pParentWnd, HMENU hMenu, void* pContext);
    // Places the bars (when bMove) and returns what they leave free.
    void LayoutBars(CRect& rest, BOOL bMove) const;
    BOOL m_bCreated = FALSE;
    void* m_pCreateContext = nullptr;
    DWORD m_dwDockStyle = 0;
};

class CMDIFrameWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMDIFrameWnd)
public:
    CMDIFrameWnd() = default;

    HWND m_hWndMDIClient = nullptr;

    // Creates the MDI client (id AFX_IDW_PANE_FIRST). FALSE when it could
    // not be created.
    virtual BOOL CreateClient(LPCREATESTRUCT lpCreateStruct, HMENU hWindowMenu);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // The MDI client's arrangement of its children.
    void MDICascade() { ::SendMessageA(m_hWndMDIClient, WM_MDICASCADE, 0, 0); }
    void MDITile(int nType) { ::SendMessageA(m_hWndMDIClient, WM_MDITILE, static_cast<WPARAM>(nType), 0); }

protected:
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, void* pContext) override;
    HWND GetClientWindow() const override { return m_hWndMDIClient; }
};
