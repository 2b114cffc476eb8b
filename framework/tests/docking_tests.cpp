#include <gtest/gtest.h>

#include "framework/controlbar.h"
#include "framework/frame.h"
#include "framework/statusbar.h"
#include "framework/toolbar.h"
#include "frame_holder.h"
#include "framework_tests_res.h"
#include "testsupport/bar_drag.h"

namespace {

const UINT IDR_TEST_TOOLBAR = 400; // buttons 0x9001, separator, 0x9002, 0x9003

TEST(DockEdgeTest, ABarLetGoDocksAtTheNearestAllowedEdgeWithinReach)
{
    const CRect area(0, 0, 400, 300);
    const int snap = 40;
    struct Case {
        int x, y;
        DWORD allowed;
        DWORD current;
        DWORD expected;
    } cases[] = {
        {200, 10, CBRS_ALIGN_ANY, 0, CBRS_ALIGN_TOP},
        {200, 290, CBRS_ALIGN_ANY, 0, CBRS_ALIGN_BOTTOM},
        {5, 150, CBRS_ALIGN_ANY, 0, CBRS_ALIGN_LEFT},
        {395, 150, CBRS_ALIGN_ANY, 0, CBRS_ALIGN_RIGHT},
        // Outside the area, but within reach of an edge.
        {-30, 150, CBRS_ALIGN_ANY, 0, CBRS_ALIGN_LEFT},
        {200, 330, CBRS_ALIGN_ANY, 0, CBRS_ALIGN_BOTTOM},
        {-41, 150, CBRS_ALIGN_ANY, 0, 0},
        // In the middle no edge is near: the bar stays.
        {200, 150, CBRS_ALIGN_ANY, CBRS_ALIGN_TOP, 0},
        // Exactly at reach, and one past it.
        {40, 150, CBRS_ALIGN_ANY, 0, CBRS_ALIGN_LEFT},
        {41, 150, CBRS_ALIGN_ANY, 0, 0},
        // An edge that is not allowed is passed over for one that is...
        {5, 30, CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM, 0, CBRS_ALIGN_TOP},
        // ...or refused when none is near.
        {5, 150, CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM, 0, 0},
        {395, 150, CBRS_ALIGN_TOP | CBRS_ALIGN_LEFT, 0, 0},
        {200, 10, 0, 0, 0},
        // In a corner the nearer edge wins, but the bar's own edge keeps it.
        {5, 20, CBRS_ALIGN_ANY, 0, CBRS_ALIGN_LEFT},
        {5, 20, CBRS_ALIGN_ANY, CBRS_ALIGN_TOP, CBRS_ALIGN_TOP},
        {5, 20, CBRS_ALIGN_LEFT | CBRS_ALIGN_BOTTOM, CBRS_ALIGN_TOP, CBRS_ALIGN_LEFT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, AfxDockEdgeAt(area, CPoint(c.x, c.y), c.allowed, c.current, snap))
            << c.x << "," << c.y << " allowed " << std::hex << c.allowed;
}

TEST(DockEdgeTest, DockBarIdsNameTheirEdges)
{
    const struct {
        UINT id;
        DWORD align;
    } cases[] = {{AFX_IDW_DOCKBAR_TOP, CBRS_ALIGN_TOP},
                 {AFX_IDW_DOCKBAR_BOTTOM, CBRS_ALIGN_BOTTOM},
                 {AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_LEFT},
                 {AFX_IDW_DOCKBAR_RIGHT, CBRS_ALIGN_RIGHT}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.align, AfxDockBarAlign(c.id));
        EXPECT_EQ(c.id, AfxDockBarID(c.align));
    }
    EXPECT_EQ(0u, AfxDockBarAlign(AFX_IDW_TOOLBAR));
    EXPECT_EQ(0u, AfxDockBarID(0));
}

// An MDI frame with a docking toolbar (gripper, docked at the top) and a
// status bar; the edges the bar and the frame enable are the test's.
class DockingFrame : public CMDIFrameWnd {
public:
    CToolBar toolBar;
    CStatusBar statusBar;
    DWORD barDocking = CBRS_ALIGN_ANY;
    DWORD frameDocking = CBRS_ALIGN_ANY;
    int toolCommands = 0;
    void OnTool() { ++toolCommands; }

    int OnCreate(LPCREATESTRUCT lpcs)
    {
        if (CMDIFrameWnd::OnCreate(lpcs) == -1)
            return -1;
        if (!toolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS) ||
            !toolBar.LoadToolBar(IDR_TEST_TOOLBAR))
            return -1;
        if (!statusBar.Create(this))
            return -1;
        const UINT indicators[] = {IDS_STATUS_READY};
        statusBar.SetIndicators(indicators, 1);
        toolBar.SetWindowText("Test Tools");
        toolBar.EnableDocking(barDocking);
        EnableDocking(frameDocking);
        DockControlBar(&toolBar, AFX_IDW_DOCKBAR_TOP);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DockingFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_COMMAND(0x9001, OnTool)
END_MESSAGE_MAP()

struct DockingFrameHolder : TFrameHolder<DockingFrame> {
    DockingFrameHolder(DWORD barDocking, DWORD frameDocking)
        : TFrameHolder(CRect(700, 500, 1220, 920), [=](DockingFrame& frame) {
              frame.barDocking = barDocking;
              frame.frameDocking = frameDocking;
          })
    {
    }
};

CRect ChildRect(const CWnd& parent, HWND child)
{
    CRect rect;
    ::GetWindowRect(child, &rect);
    parent.ScreenToClient(&rect);
    return rect;
}

LPARAM Pack(CPoint point)
{
    return MAKELPARAM(point.x, point.y);
}

// Drags the bar by its gripper to target (frame client coordinates).
void DragBar(CControlBar& bar, CPoint target)
{
    EXPECT_TRUE(DragBarTo(bar, target));
}

// The bar sits along its edge of the docking area, the MDI client takes
// the rest, and the status bar stays at the bottom below everything.
void ExpectLayout(DockingFrame& frame, DWORD edge)
{
    ASSERT_EQ(edge, frame.toolBar.GetBarStyle() & CBRS_ALIGN_ANY);
    CRect client;
    frame.GetClientRect(&client);
    const CRect status = ChildRect(frame, frame.statusBar);
    const CRect bar = ChildRect(frame, frame.toolBar);
    const CRect mdi = ChildRect(frame, frame.m_hWndMDIClient);
    EXPECT_EQ(client.bottom, status.bottom);
    CRect area;
    frame.GetDockingArea(&area);
    EXPECT_EQ(CRect(0, 0, client.right, status.top), area);
    CRect expectedBar = area;
    CRect expectedMdi = area;
    switch (edge) {
    case CBRS_ALIGN_TOP:
        expectedBar.bottom = bar.bottom;
        expectedMdi.top = bar.bottom;
        break;
    case CBRS_ALIGN_BOTTOM:
        expectedBar.top = bar.top;
        expectedMdi.bottom = bar.top;
        break;
    case CBRS_ALIGN_LEFT:
        expectedBar.right = bar.right;
        expectedMdi.left = bar.right;
        break;
    default:
        expectedBar.left = bar.left;
        expectedMdi.right = bar.left;
        break;
    }
    EXPECT_EQ(expectedBar, bar);
    EXPECT_EQ(expectedMdi, mdi);
    // The bar is as thick as its buttons and borders, no more.
    const bool horizontal = (edge & CBRS_ORIENT_HORZ) != 0;
    CRect first, last;
    frame.toolBar.GetItemRect(0, &first);
    frame.toolBar.GetItemRect(3, &last);
    const int thickness = horizontal ? bar.Height() : bar.Width();
    EXPECT_EQ((horizontal ? first.Height() : first.Width()) + 2 * CControlBar::kBorderSize, thickness);
    // Along the top or bottom the buttons stand in a row, down a side in a
    // column.
    if (horizontal) {
        EXPECT_EQ(first.top, last.top);
        EXPECT_GT(last.left, first.right);
    } else {
        EXPECT_EQ(first.left, last.left);
        EXPECT_GT(last.top, first.bottom);
    }
}

TEST(DockingTest, DraggingTheGripperToAnEdgeDocksTheBarThere)
{
    DockingFrameHolder holder(CBRS_ALIGN_ANY, CBRS_ALIGN_ANY);
    ASSERT_TRUE(holder.frame);
    DockingFrame& frame = *holder.frame;
    ExpectLayout(frame, CBRS_ALIGN_TOP);

    CRect area;
    frame.GetDockingArea(&area);
    const CPoint middle = area.CenterPoint();
    const struct {
        CPoint target;
        DWORD edge;
    } drags[] = {
        {CPoint(area.left + 10, middle.y), CBRS_ALIGN_LEFT},
        {CPoint(middle.x, area.bottom - 5), CBRS_ALIGN_BOTTOM},
        // Past the right edge, outside the frame.
        {CPoint(area.right + 20, middle.y), CBRS_ALIGN_RIGHT},
        {CPoint(middle.x, area.top + 3), CBRS_ALIGN_TOP},
    };
    for (const auto& drag : drags) {
        SCOPED_TRACE(::testing::Message() << "to " << drag.target.x << "," << drag.target.y);
        DragBar(frame.toolBar, drag.target);
        ExpectLayout(frame, drag.edge);
    }
}

TEST(DockingTest, ABarDocksOnlyAtEdgesBothItAndTheFrameEnable)
{
    struct Case {
        DWORD bar;
        DWORD frame;
        DWORD refused;  // an edge a drag and DockControlBar cannot reach
        DWORD accepted; // one they can
    } cases[] = {
        {CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM, CBRS_ALIGN_ANY, CBRS_ALIGN_LEFT, CBRS_ALIGN_BOTTOM},
        {CBRS_ALIGN_ANY, CBRS_ALIGN_TOP | CBRS_ALIGN_LEFT, CBRS_ALIGN_RIGHT, CBRS_ALIGN_LEFT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "bar " << c.bar << " frame " << c.frame);
        DockingFrameHolder holder(c.bar, c.frame);
        ASSERT_TRUE(holder.frame);
        DockingFrame& frame = *holder.frame;
        CRect area;
        frame.GetDockingArea(&area);
        const auto nearEdge = [&](DWORD edge) {
            const CPoint middle = area.CenterPoint();
            switch (edge) {
            case CBRS_ALIGN_BOTTOM:
                return CPoint(middle.x, area.bottom - 5);
            case CBRS_ALIGN_LEFT:
                return CPoint(area.left + 5, middle.y);
            default:
                return CPoint(area.right - 5, middle.y);
            }
        };
        // Let go near an edge it cannot dock at, the bar floats.
        DragBar(frame.toolBar, nearEdge(c.refused));
        EXPECT_TRUE(frame.toolBar.IsFloating());
        EXPECT_FALSE(frame.DockControlBar(&frame.toolBar, AfxDockBarID(c.refused)));
        EXPECT_TRUE(frame.toolBar.IsFloating());
        EXPECT_TRUE(frame.DockControlBar(&frame.toolBar, AFX_IDW_DOCKBAR_TOP));
        ExpectLayout(frame, CBRS_ALIGN_TOP);
        EXPECT_FALSE(frame.DockControlBar(&frame.toolBar, AfxDockBarID(c.refused)));
        ExpectLayout(frame, CBRS_ALIGN_TOP);

        DragBar(frame.toolBar, nearEdge(c.accepted));
        ExpectLayout(frame, c.accepted);
        EXPECT_TRUE(frame.DockControlBar(&frame.toolBar, AFX_IDW_DOCKBAR_TOP));
        ExpectLayout(frame, CBRS_ALIGN_TOP);
    }
}

TEST(DockingTest, DockControlBarNamesTheEdgeAndABarWithoutDockingStaysPut)
{
    DockingFrameHolder holder(CBRS_ALIGN_ANY, CBRS_ALIGN_ANY);
    ASSERT_TRUE(holder.frame);
    DockingFrame& frame = *holder.frame;
    const struct {
        UINT id;
        DWORD edge;
    } docks[] = {{AFX_IDW_DOCKBAR_RIGHT, CBRS_ALIGN_RIGHT},
                 {AFX_IDW_DOCKBAR_BOTTOM, CBRS_ALIGN_BOTTOM},
                 {AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_LEFT},
                 {0, CBRS_ALIGN_TOP}}; // the first allowed edge
    for (const auto& dock : docks) {
        EXPECT_TRUE(frame.DockControlBar(&frame.toolBar, dock.id)) << dock.id;
        ExpectLayout(frame, dock.edge);
    }
    EXPECT_FALSE(frame.DockControlBar(&frame.toolBar, AFX_IDW_TOOLBAR));
    EXPECT_FALSE(frame.DockControlBar(nullptr, AFX_IDW_DOCKBAR_LEFT));

    // A bar that does not dock ignores a press on its gripper.
    frame.toolBar.EnableDocking(0);
    frame.toolBar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Pack(BarGripperPoint(frame.toolBar)));
    EXPECT_FALSE(frame.toolBar.IsDragging());
    frame.toolBar.SendMessage(WM_LBUTTONUP, 0, Pack(BarGripperPoint(frame.toolBar)));
    EXPECT_FALSE(frame.DockControlBar(&frame.toolBar, AFX_IDW_DOCKBAR_LEFT));
    ExpectLayout(frame, CBRS_ALIGN_TOP);
}

TEST(DockingTest, AFrameTooSmallForItsBarsLeavesTheClientNoRoomButNoNegativeSize)
{
    DockingFrameHolder holder(CBRS_ALIGN_ANY, CBRS_ALIGN_ANY);
    ASSERT_TRUE(holder.frame);
    DockingFrame& frame = *holder.frame;
    for (const UINT edge : {AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_TOP}) {
        ASSERT_TRUE(frame.DockControlBar(&frame.toolBar, edge));
        frame.MoveWindow(700, 500, 40, 60);
        frame.RecalcLayout();
        CRect client, mdi, bar;
        frame.GetClientRect(&client);
        mdi = ChildRect(frame, frame.m_hWndMDIClient);
        bar = ChildRect(frame, frame.toolBar);
        EXPECT_GE(mdi.Width(), 0) << edge;
        EXPECT_GE(mdi.Height(), 0) << edge;
        EXPECT_GE(bar.Width(), 0) << edge;
        EXPECT_GE(bar.Height(), 0) << edge;
        // Back at a usable size the layout is whole again.
        frame.MoveWindow(700, 500, 520, 420);
        ExpectLayout(frame, AfxDockBarAlign(edge));
    }
}

TEST(DockingTest, LosingTheMouseEndsTheDragWithoutMovingTheBar)
{
    DockingFrameHolder holder(CBRS_ALIGN_ANY, CBRS_ALIGN_ANY);
    ASSERT_TRUE(holder.frame);
    DockingFrame& frame = *holder.frame;
    CToolBar& bar = frame.toolBar;
    bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Pack(BarGripperPoint(bar)));
    ASSERT_TRUE(bar.IsDragging());
    ::SetCapture(frame.m_hWndMDIClient);
    EXPECT_FALSE(bar.IsDragging());
    ::ReleaseCapture();
    CRect area;
    frame.GetDockingArea(&area);
    CPoint left(area.left + 5, area.CenterPoint().y);
    frame.ClientToScreen(&left);
    bar.ScreenToClient(&left);
    bar.SendMessage(WM_LBUTTONUP, 0, Pack(left));
    ExpectLayout(frame, CBRS_ALIGN_TOP);

    // A press on a button, not the gripper, starts no drag.
    CRect button;
    bar.GetItemRect(0, &button);
    bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Pack(button.CenterPoint()));
    EXPECT_FALSE(bar.IsDragging());
    bar.SendMessage(WM_LBUTTONUP, 0, Pack(button.CenterPoint()));
}

// The bar floats in a tool window of its own: a popup owned by the frame,
// captioned with the bar's text, its client area the bar lying
// horizontally at its natural size, the bar's top-left at barTopLeft
// (screen); the MDI client has the whole docking area.
HWND ExpectFloating(DockingFrame& frame, CPoint barTopLeft)
{
    CToolBar& bar = frame.toolBar;
    EXPECT_TRUE(bar.IsFloating());
    EXPECT_EQ(0u, bar.GetBarStyle() & CBRS_ALIGN_ANY);
    EXPECT_EQ(&frame, bar.GetDockingFrame());
    HWND hWndFloat = ::GetParent(bar.m_hWnd);
    EXPECT_NE(frame.m_hWnd, hWndFloat);
    EXPECT_EQ(frame.m_hWnd, ::GetWindow(hWndFloat, GW_OWNER));
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hWndFloat, GWL_STYLE));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(::GetWindowLongPtrA(hWndFloat, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(::IsWindowVisible(hWndFloat));
    char caption[64] = {};
    ::GetWindowTextA(hWndFloat, caption, sizeof caption);
    EXPECT_STREQ("Test Tools", caption);

    const CSize natural = bar.CalcFixedLayout(TRUE);
    CRect client, barRect;
    ::GetClientRect(hWndFloat, &client);
    bar.GetWindowRect(&barRect);
    EXPECT_EQ(CRect(CPoint(0, 0), natural), client);
    EXPECT_EQ(CRect(barTopLeft, natural), barRect);
    CRect first, last;
    bar.GetItemRect(0, &first);
    bar.GetItemRect(3, &last);
    EXPECT_EQ(first.top, last.top);

    CRect area;
    frame.GetDockingArea(&area);
    EXPECT_EQ(area, ChildRect(frame, frame.m_hWndMDIClient));
    EXPECT_EQ(bar.m_hWnd, frame.GetControlBarHwnd(AFX_IDW_TOOLBAR));
    return hWndFloat;
}

TEST(FloatingTest, LettingGoAwayFromEveryEdgeFloatsTheBarAndDraggingItBackDocksIt)
{
    DockingFrameHolder holder(CBRS_ALIGN_ANY, CBRS_ALIGN_ANY);
    ASSERT_TRUE(holder.frame);
    DockingFrame& frame = *holder.frame;
    CToolBar& bar = frame.toolBar;
    CRect area;
    frame.GetDockingArea(&area);
    CPoint drop = area.CenterPoint();

    // The spot of the bar held (the gripper) lands where it is let go.
    CRect before;
    bar.GetWindowRect(&before);
    CPoint grip = BarGripperPoint(bar);
    bar.ClientToScreen(&grip);
    const CSize grab(grip.x - before.left, grip.y - before.top);
    CPoint dropScreen = drop;
    frame.ClientToScreen(&dropScreen);
    DragBar(bar, drop);
    HWND hWndFloat = ExpectFloating(frame, CPoint(dropScreen.x - grab.cx, dropScreen.y - grab.cy));

    // Dragged again away from the edges, it moves in the same window.
    CPoint elsewhere(drop.x + 30, drop.y - 20);
    frame.ClientToScreen(&elsewhere);
    ::ScreenToClient(hWndFloat, &elsewhere);
    DragBar(bar, elsewhere);
    EXPECT_EQ(hWndFloat, ExpectFloating(frame, CPoint(dropScreen.x + 30 - grab.cx, dropScreen.y - 20 - grab.cy)));

    // Near the frame's left edge it docks there; its window goes.
    CPoint left(area.left + 5, area.CenterPoint().y);
    frame.ClientToScreen(&left);
    ::ScreenToClient(hWndFloat, &left);
    DragBar(bar, left);
    EXPECT_FALSE(::IsWindow(hWndFloat));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWndFloat));
    EXPECT_FALSE(bar.IsFloating());
    EXPECT_EQ(frame.m_hWnd, ::GetParent(bar.m_hWnd));
    ExpectLayout(frame, CBRS_ALIGN_LEFT);
}

TEST(FloatingTest, FloatControlBarFloatsAndClosingTheWindowHidesTheBarUntilShown)
{
    DockingFrameHolder holder(CBRS_ALIGN_ANY, CBRS_ALIGN_ANY);
    ASSERT_TRUE(holder.frame);
    DockingFrame& frame = *holder.frame;
    CToolBar& bar = frame.toolBar;
    EXPECT_FALSE(frame.FloatControlBar(nullptr, CPoint(0, 0)));
    CRect frameRect;
    frame.GetWindowRect(&frameRect);
    const CPoint place(frameRect.left + 100, frameRect.top + 150);
    ASSERT_TRUE(frame.FloatControlBar(&bar, place));
    HWND hWndFloat = ExpectFloating(frame, place);
    // Floating again only moves it.
    ASSERT_TRUE(frame.FloatControlBar(&bar, CPoint(place.x + 10, place.y)));
    EXPECT_EQ(hWndFloat, ExpectFloating(frame, CPoint(place.x + 10, place.y)));

    // Closing the window hides the bar and the window, not the frame's
    // layout; showing the bar brings both back.
    ::SendMessageA(hWndFloat, WM_CLOSE, 0, 0);
    ASSERT_TRUE(::IsWindow(hWndFloat));
    EXPECT_FALSE(::IsWindowVisible(hWndFloat));
    EXPECT_FALSE(bar.GetStyle() & WS_VISIBLE);
    EXPECT_TRUE(bar.IsFloating());
    bar.ShowWindow(SW_SHOW);
    EXPECT_TRUE(::IsWindowVisible(hWndFloat));
    EXPECT_TRUE(bar.IsWindowVisible());

    // A click on a floating bar's button reaches the frame.
    frame.UpdateToolBarCmdUI();
    CRect button;
    bar.GetItemRect(0, &button);
    bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Pack(button.CenterPoint()));
    bar.SendMessage(WM_LBUTTONUP, 0, Pack(button.CenterPoint()));
    EXPECT_EQ(1, frame.toolCommands);

    EXPECT_TRUE(frame.DockControlBar(&bar, AFX_IDW_DOCKBAR_BOTTOM));
    EXPECT_FALSE(::IsWindow(hWndFloat));
    ExpectLayout(frame, CBRS_ALIGN_BOTTOM);
}

TEST(FloatingTest, DestroyingTheFrameTakesTheFloatingWindowWithIt)
{
    HWND hWndFloat = nullptr;
    HWND hWndBar = nullptr;
    {
        DockingFrameHolder holder(CBRS_ALIGN_ANY, CBRS_ALIGN_ANY);
        ASSERT_TRUE(holder.frame);
        CRect frameRect;
        holder.frame->GetWindowRect(&frameRect);
        ASSERT_TRUE(holder.frame->FloatControlBar(&holder.frame->toolBar, frameRect.CenterPoint()));
        hWndBar = holder.frame->toolBar.m_hWnd;
        hWndFloat = ::GetParent(hWndBar);
        ASSERT_TRUE(::IsWindow(hWndFloat));
    }
    EXPECT_FALSE(::IsWindow(hWndFloat));
    EXPECT_FALSE(::IsWindow(hWndBar));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWndFloat));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWndBar));
}

// The bar's window painted into a memory bitmap filled with a colour no
// gripper uses.
struct Canvas {
    static constexpr COLORREF kBackground = RGB(255, 0, 255);
    HDC hScreen = ::GetDC(nullptr);
    HDC hDC = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap;
    HGDIOBJ hOld;
    Canvas(int cx, int cy) : hBitmap(::CreateCompatibleBitmap(hScreen, cx, cy)), hOld(::SelectObject(hDC, hBitmap))
    {
        const RECT all = {0, 0, cx, cy};
        HBRUSH brush = ::CreateSolidBrush(kBackground);
        ::FillRect(hDC, &all, brush);
        ::DeleteObject(brush);
    }
    ~Canvas()
    {
        ::SelectObject(hDC, hOld);
        ::DeleteObject(hBitmap);
        ::DeleteDC(hDC);
        ::ReleaseDC(nullptr, hScreen);
    }
    COLORREF At(int x, int y) const { return ::GetPixel(hDC, x, y); }
};

TEST(DockingTest, TheGripperIsARaisedRidgeAtTheBarsLeadingEdge)
{
    DockingFrameHolder holder(CBRS_ALIGN_ANY, CBRS_ALIGN_ANY);
    ASSERT_TRUE(holder.frame);
    DockingFrame& frame = *holder.frame;
    CToolBar& bar = frame.toolBar;
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(light, shadow);

    for (const UINT edge : {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_LEFT}) {
        SCOPED_TRACE(::testing::Message() << "edge " << std::hex << edge);
        ASSERT_TRUE(frame.DockControlBar(&bar, edge));
        const bool horizontal = edge == AFX_IDW_DOCKBAR_TOP;
        CRect window;
        bar.GetWindowRect(&window);
        const CRect rect(0, 0, window.Width(), window.Height());
        const CRect grip = bar.GetGripperRect(rect);
        // The strip lies at the leading edge inside the border...
        EXPECT_EQ(CControlBar::kBorderSize, grip.left);
        EXPECT_EQ(CControlBar::kBorderSize, grip.top);
        EXPECT_EQ(CControlBar::kGripperSize, horizontal ? grip.Width() : grip.Height());
        // ...and the buttons start after it.
        CPoint origin(0, 0);
        bar.ClientToScreen(&origin);
        if (horizontal)
            EXPECT_EQ(grip.right, origin.x - window.left);
        else
            EXPECT_EQ(grip.bottom, origin.y - window.top);

        Canvas canvas(rect.Width(), rect.Height());
        bar.DrawGripper(canvas.hDC, rect);
        const CPoint mid = grip.CenterPoint();
        if (horizontal) {
            // Light on the ridge's left, shadow on its right.
            EXPECT_EQ(light, canvas.At(mid.x - 1, mid.y));
            EXPECT_EQ(shadow, canvas.At(mid.x + 1, mid.y));
        } else {
            EXPECT_EQ(light, canvas.At(mid.x, mid.y - 1));
            EXPECT_EQ(shadow, canvas.At(mid.x, mid.y + 1));
        }
        // Nothing outside the strip.
        EXPECT_EQ(Canvas::kBackground, canvas.At(rect.Width() / 2 + 10, rect.Height() / 2 + 10));
        EXPECT_EQ(Canvas::kBackground, canvas.At(0, 0));
    }

    // Without CBRS_GRIPPER there is nothing to paint or to press.
    bar.SetBarStyle(bar.GetBarStyle() & ~CBRS_GRIPPER);
    CRect window;
    bar.GetWindowRect(&window);
    const CRect rect(0, 0, window.Width(), window.Height());
    EXPECT_TRUE(bar.GetGripperRect(rect).IsRectEmpty());
    Canvas canvas(rect.Width(), rect.Height());
    bar.DrawGripper(canvas.hDC, rect);
    for (int y = 0; y < rect.Height(); ++y)
        for (int x = 0; x < rect.Width(); ++x)
            ASSERT_EQ(Canvas::kBackground, canvas.At(x, y)) << x << "," << y;
}

} // namespace
