// Drives a docking bar as the mouse would, by messages: a press on its
// gripper, a move and a release at a point of its frame. Bare Xvfb has no
// window manager, so the test sends what the system would.
#pragma once

#include "framework/controlbar.h"

// The middle of the bar's gripper in the bar's client coordinates (left of
// or above its client area).
CPoint BarGripperPoint(const CControlBar& bar);

// Presses the gripper, then moves and lets go at target (client
// coordinates of the bar's parent). Returns whether the press started a
// drag that the release ended.
bool DragBarTo(CControlBar& bar, CPoint target);
