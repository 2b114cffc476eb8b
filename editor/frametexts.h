// The texts the editor frame and view show, by their string-table ids; each
// is taken from the program's resources when a language library has it,
// else the text here.
#pragma once

#include <string>

namespace editor {

enum : unsigned {
    TXT_BREAKPOINT_REFUSED = 258, // "Unable to set breakpoint on controller at line %d"
    TXT_COMPILED = 353,           // "Compiled"
    TXT_DEBUG_READ_ONLY = 433,    // "Debug mode - read only"
    TXT_DEBUG_READ_ONLY_2 = 434,  // "Debug read only"
    TXT_ECHO_TOO_LONG = 437,      // "Tokenized line %d returned by controller is too long ..."
    TXT_EDIT = 464,               // "Edit"
    TXT_EDITOR = 481,             // "Editor"
    TXT_NOT_COMPILED = 625,       // "NotCompiled"
    TXT_COMMS_ERROR = 870,        // "Error: editor comms error \n\n%s"
    TXT_EDIT_TOOLS = 1247,        // "Edit Tools"
};

std::string EditorText(unsigned id);
// The text of id with printf arguments filled in.
std::string EditorFormat(unsigned id, ...);
// A message box of its own thread under the caption "Editor" (481): the
// caller never waits.
void ShowEditorMessage(const std::string& text);

} // namespace editor
