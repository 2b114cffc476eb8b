#include "editor/frametexts.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "framework/prompt.h"
#include "ui/userdialog.h"

namespace editor {

namespace {

const char* BuiltIn(unsigned id)
{
    switch (id) {
    case TXT_BREAKPOINT_REFUSED:
        return "Unable to set breakpoint on controller at line %d";
    case TXT_COMPILED:
        return "Compiled";
    case TXT_DEBUG_READ_ONLY:
        return "Debug mode - read only";
    case TXT_DEBUG_READ_ONLY_2:
        return "Debug read only";
    case TXT_ECHO_TOO_LONG:
        return "Tokenized line %d returned by controller is too long (%d characters max), extra removed from end of "
               "line:-\n\n%s";
    case TXT_EDIT:
        return "Edit";
    case TXT_EDITOR:
        return "Editor";
    case TXT_NOT_COMPILED:
        return "NotCompiled";
    case TXT_COMMS_ERROR:
        return "Error: editor comms error \n\n%s";
    case TXT_EDIT_TOOLS:
        return "Edit Tools";
    default:
        return "";
    }
}

} // namespace

std::string EditorText(unsigned id)
{
    return static_cast<LPCSTR>(LoadStringOr(id, BuiltIn(id)));
}

std::string EditorFormat(unsigned id, ...)
{
    const std::string format = EditorText(id);
    va_list args;
    va_start(args, id);
    va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format.c_str(), args);
    va_end(args);
    std::string text;
    if (size > 0) {
        std::vector<char> buffer(static_cast<size_t>(size) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format.c_str(), again);
        text.assign(buffer.data(), static_cast<size_t>(size));
    }
    va_end(again);
    return text;
}

void ShowEditorMessage(const std::string& text)
{
    AfxGetPromptService().PromptDetached(text.c_str(), EditorText(TXT_EDITOR).c_str(), MB_OK);
}

} // namespace editor
