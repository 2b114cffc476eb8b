#include "tools/base/externalstart.h"

#include <string>

#include "foundation/logline.h"
#include "framework/prompt.h"
#include "ui/userdialog.h"

namespace tools {

CString ExternalCommandLine(LPCSTR program, LPCSTR file)
{
    CString line;
    line.Format("\"%s\" \"%s\"", program ? program : "", file ? file : "");
    return line;
}

BOOL StartProgramWithFile(LPCSTR program, LPCSTR file, HWND owner, LPCSTR caption)
{
    const CString line = ExternalCommandLine(program, file);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    // CreateProcess may write into the command line: it gets a copy.
    std::string buffer(line.GetString());
    if (!::CreateProcessA(nullptr, &buffer[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                          &startup, &process)) {
        const DWORD error = ::GetLastError();
        CString text;
        text.Format("Error running external program\n\n%s\n\n", line.GetString());
        text += GetSystemErrorText(error);
        text.TrimRight();
        text += "\n\nCheck that the program is installed and its path is set.";
        GlobalLogFormat(LOG_LINK, "External program not started: %s (%lu)", line.GetString(), error);
        AfxGetPromptService().Prompt(owner, text, caption, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return TRUE;
}

} // namespace tools
