#include "editor/framemenu.h"

#include <iterator>
#include <string>

#include "editor/editframe.h"

namespace editor {
namespace {

const EditorMenuItem kItems[] = {
    {"&File", ID_EDITOR_SAVE, "&Save", nullptr, "Save the program to its file", "Save"},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    {nullptr, ID_EDITOR_PRINT, "&Print...", nullptr, "Print the program", "Print"},
    {nullptr, ID_EDITOR_PRINT_SETUP, "P&rint Setup...", nullptr, "Choose the printer", "Print Setup"},
    {nullptr, ID_EDITOR_PAGE_SETUP, "Page Set&up...", nullptr, "Set the page margins", "Page Setup"},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    {nullptr, ID_EDITOR_CLOSE, "&Close", nullptr, "Close the editor", "Close"},
    {"&Edit", ID_EDITOR_UNDO, "&Undo", nullptr, "Undo the last action", "Undo"},
    {nullptr, ID_EDITOR_REDO, "&Redo", nullptr, "Redo the next edit", "Redo"},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    {nullptr, ID_EDITOR_CUT, "Cu&t", nullptr, "Cut the selection to the clipboard", "Cut"},
    {nullptr, ID_EDITOR_COPY, "&Copy", nullptr, "Copy the selection to the clipboard", "Copy"},
    {nullptr, ID_EDITOR_PASTE, "&Paste", nullptr, "Insert the clipboard's text", "Paste"},
    {nullptr, ID_EDITOR_DELETE, "&Delete", nullptr, "Delete the selection", "Delete"},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    {nullptr, ID_EDITOR_SELECT_ALL, "Select &All", nullptr, "Select the whole program", "Select All"},
    {nullptr, ID_EDITOR_SELECT_LINE, "Select &Line", nullptr, "Select the caret's line", "Select Line"},
    {nullptr, ID_EDITOR_SELECT_WORD, "Select &Word", nullptr, "Select the word at the caret", "Select Word"},
    {nullptr, ID_EDITOR_DELETE_LINE, "Delete Li&ne", nullptr, "Delete the caret's line", "Delete Line"},
    {nullptr, ID_EDITOR_DELETE_WORD, "Delete W&ord", nullptr, "Delete the word at the caret", "Delete Word"},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    {nullptr, ID_EDITOR_FIND, "&Find...", nullptr, "Find a text", "Find"},
    {nullptr, ID_EDITOR_FIND_NEXT, "Find &Next", "F3", "Find the text again", "Find Next"},
    {nullptr, ID_EDITOR_REPLACE, "R&eplace...", nullptr, "Replace a text", "Replace"},
    {nullptr, ID_EDITOR_GOTO, "&Goto...", nullptr, "Go to a line or a label", "Goto"},
    {"&Program", ID_EDITOR_RUN, "&Run", "Ctrl+R, F5", "Run the program", "Run"},
    {nullptr, ID_EDITOR_STEP, "Step &Line", "F8", "Run the program's next line", "Step Line"},
    {nullptr, ID_EDITOR_STOP, "&Stop", "Ctrl+S", "Stop the program", "Stop"},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    {nullptr, ID_EDITOR_TOGGLE_BREAKPOINT, "Toggle &Breakpoint", nullptr, "Set or clear a breakpoint on the caret's line",
     "Toggle Breakpoint"},
    {nullptr, ID_EDITOR_CLEAR_BREAKPOINTS, "Clear &All Breakpoints", "Ctrl+Shift+B", "Clear every breakpoint",
     "Clear All Breakpoints"},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    {nullptr, ID_EDITOR_COMPILE, "&Compile", "F7", "Compile the program on the controller", "Compile"},
    {nullptr, ID_EDITOR_REFORMAT, "Re&format", nullptr, "Indent the program by its blocks", "Reformat"},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    {nullptr, ID_EDITOR_ADD_WATCH, "Add to &Watched Variables", nullptr, "Watch the variable at the caret",
     "Add to Watched Variables"},
    {"&View", ID_EDITOR_TOOLBAR, "&Toolbar", nullptr, "Show or hide the toolbar", "Toolbar"},
    {nullptr, ID_EDITOR_STATUS_BAR, "&Status Bar", nullptr, "Show or hide the status bar", "Status Bar"},
};

} // namespace

const EditorMenuItem* EditorMenuItems(int& count)
{
    count = static_cast<int>(std::size(kItems));
    return kItems;
}

const EditorMenuItem* FindEditorCommand(UINT id)
{
    if (id == 0)
        return nullptr;
    for (const EditorMenuItem& item : kItems)
        if (item.id == id)
            return &item;
    return nullptr;
}

HMENU BuildEditorMenu()
{
    HMENU bar = ::CreateMenu();
    HMENU popup = nullptr;
    for (const EditorMenuItem& item : kItems) {
        if (item.popup) {
            popup = ::CreatePopupMenu();
            ::AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), item.popup);
        }
        if (!popup)
            continue;
        if (item.id == 0) {
            ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::string text = item.keys ? std::string(item.text) + "\t" + item.keys : std::string(item.text);
        ::AppendMenuA(popup, MF_STRING, item.id, text.c_str());
    }
    return bar;
}

} // namespace editor
