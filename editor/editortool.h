// The editor frame as a tool of the project window: each CEditRFrame runs
// on a user-interface thread of its own, made when the project window opens
// an editor (tool 1024).
#pragma once

#include <windows.h>

namespace editor {

// Makes an editor frame on a thread of its own and waits (answering the
// messages sent to this thread, where the project window lives) until the
// frame's window exists or its creation failed. The frame's window, or
// null when it was not created (the registration refused, say).
HWND CreateEditorFrameThread();

// Tells the project window's tool launcher how an editor frame is made.
void RegisterEditorTool();

} // namespace editor
