// The editor frame's menu bar and the texts of its commands: one table row
// per command (its menu text, the keys of the frame's accelerator table
// that reach it, the status-bar prompt and the toolbar tip), from which the
// menu is built and the prompts and tips are read.
#pragma once
#include <windows.h>

namespace editor {

struct EditorMenuItem {
    const char* popup;  // starts a new popup with this title, else null
    UINT id;            // the command; 0 for a separator
    const char* text;   // the menu text
    const char* keys;   // shown after a tab, or null
    const char* prompt; // the status bar's prompt
    const char* tip;    // the toolbar tip
};

// The rows in menu order.
const EditorMenuItem* EditorMenuItems(int& count);
// The row of a command, or null.
const EditorMenuItem* FindEditorCommand(UINT id);
// A new menu bar made from the rows; the window it is set on destroys it.
HMENU BuildEditorMenu();

} // namespace editor
