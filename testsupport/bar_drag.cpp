#include "testsupport/bar_drag.h"

namespace {

LPARAM Pack(CPoint point)
{
    return MAKELPARAM(point.x, point.y);
}

} // namespace

CPoint BarGripperPoint(const CControlBar& bar)
{
    CRect window;
    bar.GetWindowRect(&window);
    CPoint origin(0, 0);
    bar.ClientToScreen(&origin);
    const CRect grip = bar.GetGripperRect(CRect(0, 0, window.Width(), window.Height()));
    CPoint point = grip.CenterPoint();
    point.Offset(window.left - origin.x, window.top - origin.y);
    return point;
}

bool DragBarTo(CControlBar& bar, CPoint target)
{
    bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Pack(BarGripperPoint(bar)));
    const bool started = bar.IsDragging() && ::GetCapture() == bar.m_hWnd;
    ::ClientToScreen(::GetParent(bar.m_hWnd), &target);
    bar.ScreenToClient(&target);
    bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, Pack(target));
    bar.SendMessage(WM_LBUTTONUP, 0, Pack(target));
    return started && !bar.IsDragging() && ::GetCapture() != bar.m_hWnd;
}
