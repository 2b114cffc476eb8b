// Window lookup: every window finds the project window through the
// application's main window, which knows the project window's handle and
// object, so nothing holds a pointer to it. Callable from any thread: the
// sends are synchronous, so the caller waits while the main frame's thread
// (and then the project window's thread) answers.
#pragma once

#include <windows.h>

#include "framework/wnd.h"

// The window the main frame knows under a component id (1012 control
// panel, 1015 controller message window, 1035 project window); null without
// a main window or when the frame knows none.
HWND GetMainFrameComponent(UINT nComponentID);

// The project window's handle, or null.
HWND GetProjectWndHandle();

// The project window's object when it is of class pClass (or a class
// derived from it), else null. Only the object attached to the project
// window's handle is believed, so a wrong answer is never dereferenced.
CWnd* GetProjectWndAs(const CRuntimeClass* pClass);

// Registration of a tool window with the project window: sends the
// registration and returns the project window that accepted it, or null
// when there is no project window or it refused.
HWND RegisterToolWindow(UINT nToolID, HWND hWndTool);
// The same for a window that takes the place the project window answers
// (x in the low 16 bits, y in the high 16 bits, both signed) and moves
// there once registered.
HWND RegisterToolWindowAtItsPlace(UINT nToolID, HWND hWndTool);
// Unregisters from the project window that accepted the registration,
// when that window still exists; posted or sent as the caller needs.
void UnregisterToolWindow(HWND hWndProject, UINT nToolID, HWND hWndTool, BOOL bPost);
