#include "shell/externaltools.h"

#include "foundation/safefile.h"
#include "framework/exceptions.h"
#include "framework/prompt.h"
#include "shell/res/shell_resource.h"
#include "shell/shellmessages.h"
#include "settings/vqregistry.h"
#include "ui/userdialog.h"

namespace {

// The popup of the menu bar whose item text is text (any case).
HMENU FindPopup(HMENU hMenuBar, LPCSTR text)
{
    const int count = hMenuBar ? GetMenuItemCount(hMenuBar) : 0;
    for (int i = 0; i < count; ++i) {
        char item[128] = {};
        GetMenuStringA(hMenuBar, static_cast<UINT>(i), item, sizeof item, MF_BYPOSITION);
        HMENU hSub = GetSubMenu(hMenuBar, i);
        if (hSub && CString(item).CompareNoCase(text) == 0)
            return hSub;
    }
    return nullptr;
}

bool IsSeparator(HMENU hMenu, int nPos)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoA(hMenu, static_cast<UINT>(nPos), TRUE, &info) && (info.fType & MFT_SEPARATOR);
}

} // namespace

BOOL BuildExternalToolsMenu(HMENU hMenuBar)
{
    HMENU hMenu = FindPopup(hMenuBar, "&External");
    if (!hMenu)
        return FALSE;
    for (int pos = GetMenuItemCount(hMenu) - 1; pos >= 0; --pos) {
        const UINT id = GetMenuItemID(hMenu, pos);
        if (id < ID_EXTERNAL_TOOL_FIRST || id > ID_EXTERNAL_TOOL_LAST)
            break;
        DeleteMenu(hMenu, static_cast<UINT>(pos), MF_BYPOSITION);
    }
    CVQRegistry settings;
    const int count = settings.GetExternalToolCount();
    const int last = GetMenuItemCount(hMenu) - 1;
    if (count > 0 && last >= 0 && !IsSeparator(hMenu, last))
        AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
    else if (count == 0 && last >= 0 && IsSeparator(hMenu, last))
        DeleteMenu(hMenu, static_cast<UINT>(last), MF_BYPOSITION);
    for (int i = 0; i < count && i < MAX_EXTERNAL_TOOLS; ++i) {
        VQExternalTool tool = {};
        if (settings.GetExternalTool(i, &tool))
            AppendMenuA(hMenu, MF_STRING, ID_EXTERNAL_TOOL_FIRST + static_cast<UINT>(i), tool.name);
    }
    return TRUE;
}

void MakeExternalToolCommand(LPCSTR lpszFile, LPCSTR lpszProjectPath, CString& rCommandLine, CString& rFolder)
{
    const CString file(lpszFile);
    const int slash = file.ReverseFind('\\');
    rFolder = slash < 0 ? file : file.Left(slash);
    rCommandLine.Format("\"%s\"", file.GetString());
    CString title = file.Mid(slash + 1);
    if (title.ReverseFind('.') >= 0)
        title = title.Left(title.ReverseFind('.'));
    const CString project(lpszProjectPath);
    if (title.CompareNoCase("Docwell") == 0 && !project.IsEmpty())
        rCommandLine.AppendFormat(" \"%s\"", project.GetString());
}

BOOL StartExternalTool(int nIndex, HWND hWndProject)
{
    CVQRegistry settings;
    VQExternalTool tool = {};
    if (nIndex < 0 || nIndex >= settings.GetExternalToolCount() || !settings.GetExternalTool(nIndex, &tool))
        return FALSE;
    CString message;
    message.Format(LoadStringOr(IDS_UNABLE_TO_START_TOOL), tool.name, tool.file);
    if (!FileExists(tool.file)) {
        AfxGetPromptService().Prompt(nullptr, message, LoadStringOr(IDS_START_TOOL), MB_OK);
        return FALSE;
    }
    CString project;
    if (hWndProject && ::IsWindow(hWndProject))
        ::SendMessageA(hWndProject, WM_GET_PROJECT_FILE_PATH, 0, reinterpret_cast<LPARAM>(&project));
    CString commandLine, folder;
    MakeExternalToolCommand(tool.file, project, commandLine, folder);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    // CreateProcessA may write into the command line.
    char* line = commandLine.GetBuffer(commandLine.GetLength() + 1);
    const BOOL started = CreateProcessA(tool.file, line, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                                        folder, &startup, &process);
    const DWORD error = GetLastError();
    commandLine.ReleaseBuffer();
    if (!started) {
        CString reason = GetSystemErrorText(error);
        message += "\n\n" + reason.TrimRight();
        AfxGetPromptService().Prompt(nullptr, message, LoadStringOr(IDS_START_TOOL), MB_OK);
        return FALSE;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return TRUE;
}
