#include "setup/drvpacksetup.h"

#include "foundation/fileutil.h"
#include "setup/drvpacksetup_resource.h"
#include "ui/userdialog.h"

namespace {

const char kInstallerName[] = "DPInst.exe";
const char kInstallerArgument[] = "/q";

CString Message(UINT nID, LPCSTR text)
{
    CString format, message;
    format.LoadString(nID);
    message.Format(format, text);
    return message;
}

} // namespace

int SplitCommandLine(LPCSTR lpszCommandLine, CTList<CString>& arguments)
{
    CString argument;
    int heldBackslashes = 0;
    bool quoted = false;
    auto copy = [&](char c) {
        if (heldBackslashes > 0)
            argument += CString('\\', heldBackslashes);
        heldBackslashes = 0;
        argument += c;
    };
    auto end = [&] {
        if (!argument.IsEmpty())
            arguments.AddTail(argument);
        argument.Empty();
    };
    for (LPCSTR p = lpszCommandLine ? lpszCommandLine : ""; *p; ++p) {
        const char c = *p;
        if (c == '\\')
            ++heldBackslashes;
        else if (c == '"' && heldBackslashes > 0)
            copy(c);
        else if (c == '"')
            quoted = !quoted;
        else if ((c == ' ' || c == '\t') && !quoted)
            end();
        else
            copy(c);
    }
    end();
    return static_cast<int>(arguments.GetCount());
}

std::vector<CString> RunDrvPackSetup(CSetupEnvironment& environment)
{
    std::vector<CString> messages;
    const LPCSTR architecture = GetArchitectureName(environment.GetNativeMachine());

    CTList<CString> arguments;
    const int count = SplitCommandLine(environment.GetArguments(), arguments);
    if (count != 1) {
        CString format, message;
        format.LoadString(IDS_INVALID_ARGUMENT_COUNT);
        message.Format(format, count);
        messages.push_back(message);
        return messages;
    }

    CString path = *arguments.GetHead();
    if (!path.IsEmpty() && path[path.GetLength() - 1] == '"') {
        path.Truncate(path.GetLength() - 1);
        if (!path.IsEmpty() && path[0] == '"')
            path = path.Mid(1);
    }
    if (!PathExists(path, 1)) {
        messages.push_back(Message(IDS_DIRECTORY_DOES_NOT_EXIST, path));
        return messages;
    }
    const CString folder = AppendToFolder(path, architecture);
    if (!PathExists(folder, 1)) {
        messages.push_back(Message(IDS_DIRECTORY_DOES_NOT_EXIST, folder));
        return messages;
    }
    const CString program = AppendToFolder(folder, kInstallerName);
    if (!PathExists(program, 0)) {
        messages.push_back(Message(IDS_FILE_DOES_NOT_EXIST, program));
        return messages;
    }

    // The command line begins with the program's own path, as every
    // program expects: the argument alone would be taken for its name.
    DWORD error = ERROR_SUCCESS;
    if (!environment.RunAndWait(program, "\"" + program + "\" " + kInstallerArgument, folder, FALSE, error)) {
        CString message;
        message.LoadString(IDS_UNABLE_TO_LAUNCH);
        CString reason = GetSystemErrorText(error);
        reason.TrimRight();
        if (!reason.IsEmpty())
            message += "\n" + reason.Left(2048);
        messages.push_back(message);
    }
    return messages;
}
