// Tool windows that live on a user-interface thread of their own: the
// project window's tool launcher makes them through here and waits until the
// window exists (its registration with the project window is part of that).
#pragma once

#include <windows.h>

#include <functional>

class CWnd;

// Starts a thread on which make runs; make returns the window it created
// (the thread's main window from then on, so the thread ends with it) or
// null when it failed (make cleans up after itself then). Waits, answering
// the messages sent to the calling thread meanwhile, until make has
// returned, the thread has ended or a bounded time has passed. The
// window, or null.
HWND CreateWindowOnThread(std::function<CWnd*()> make);

// Tells the project window's tool launcher how the fast program load window
// (tool 1057) is made: on a thread of its own, where its load runs.
void RegisterFastLoadProgramTool();
