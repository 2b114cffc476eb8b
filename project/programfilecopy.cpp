#include "project/programfilecopy.h"

#include <string>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "framework/prompt.h"
#include "ieclink/kwmpelink.h"
#include "link/controllerconnection.h"
#include "link/programdata.h"
#include "project/newfolder.h"
#include "settings/vqregistry.h"
#include "ui/userdialog.h"

namespace {

const char kCompareCaption[] = "Compare Programs"; // 214
const char kCompareNotConfigured[] =
    "The external program used for comparing program files has not been configured or does not exist"; // 213
const char kCompareBadArguments[] = "Invalid arguments for external program";                          // 215
const char kCompareNotStarted[] = "Error running external program";                                    // 216
const char kProjectCaption[] = "Project";                                                              // 652
const char kBackupCaption[] = "&Backup";                                                               // 1376
const char kCopyFolderCaption[] = "Copy directory";                                                    // 1323
const char kCopyFileCaption[] = "Copy file";                                                           // 1324
const int kFolderDepth = 32;
const int kIecProgramType = 4;

CString Quoted(LPCSTR text)
{
    CString quoted("\"");
    quoted += text ? text : "";
    quoted += "\"";
    return quoted;
}

// The path without its extension (after the last dot of the last part).
CString WithoutExtension(const CString& path)
{
    const int dot = path.ReverseFind('.');
    const int slash = path.ReverseFind('\\');
    return dot > slash ? path.Left(dot) : path;
}

CString LastPart(const CString& path)
{
    return path.Mid(path.ReverseFind('\\') + 1);
}

// Asks whether an existing copy may go; TRUE for Yes.
BOOL AskOverwrite(LPCSTR format, const CString& path)
{
    CString text;
    text.Format(format, path.GetString());
    const LPCSTR labels[] = {"&Yes", "&No"};
    return AfxGetPromptService().PromptLabelled(nullptr, text, kBackupCaption, MB_YESNO | MB_DEFBUTTON1, labels, 2) ==
                   IDYES
               ? TRUE
               : FALSE;
}

void ShowSystemError(DWORD error, LPCSTR caption)
{
    CString text = GetSystemErrorText(error);
    if (text.IsEmpty())
        text = "Unknown error";
    AfxGetPromptService().Prompt(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

} // namespace

BOOL BuildCompareCommandLine(LPCSTR program, LPCSTR argumentTemplate, LPCSTR controllerCopy, LPCSTR projectCopy,
                             CString& commandLine)
{
    commandLine = Quoted(program) + " ";
    bool percent = false;
    bool controllerSeen = false;
    bool projectSeen = false;
    for (LPCSTR p = argumentTemplate ? argumentTemplate : ""; *p; ++p) {
        const char c = *p;
        if (!percent) {
            if (c == '%')
                percent = true;
            else
                commandLine += c;
            continue;
        }
        percent = false;
        if (c == '%') {
            commandLine += '%';
        } else if (c == 'c' || c == 'C') {
            commandLine += Quoted(controllerCopy);
            controllerSeen = true;
        } else if (c == 'p' || c == 'P') {
            commandLine += Quoted(projectCopy);
            projectSeen = true;
        } else {
            commandLine += '%';
            commandLine += c;
        }
    }
    return controllerSeen && projectSeen ? TRUE : FALSE;
}

BOOL CompareProgramFiles(LPCSTR controllerCopy, LPCSTR projectCopy)
{
    CVQRegistry settings;
    const CString program = settings.GetFileCompareProgramName();
    IPromptService& prompts = AfxGetPromptService();
    if (program.IsEmpty() || !PathExists(program)) {
        prompts.PromptDetached(kCompareNotConfigured, kCompareCaption);
        return FALSE;
    }
    const CString arguments = settings.GetFileCompareProgramArguments();
    CString commandLine;
    if (arguments.IsEmpty() || !BuildCompareCommandLine(program, arguments, controllerCopy, projectCopy, commandLine)) {
        prompts.PromptDetached(kCompareBadArguments, kCompareCaption);
        return FALSE;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    // CreateProcess may write into the command line: give it a copy.
    std::string buffer(commandLine.GetString());
    if (!::CreateProcessA(nullptr, &buffer[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                          &startup, &process)) {
        prompts.PromptDetached(kCompareNotStarted, kCompareCaption);
        return FALSE;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return TRUE;
}

CString NormalisedPath(LPCSTR path)
{
    char full[MAX_PATH * 2];
    const DWORD length = ::GetFullPathNameA(path ? path : "", sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return CString();
    CString result(full);
    while (result.GetLength() > 3 && result[result.GetLength() - 1] == '\\')
        result = result.Left(result.GetLength() - 1);
    // The long form of the longest part that exists; a part still to be
    // made keeps its spelling.
    CString tail;
    CString head = result;
    for (;;) {
        char longPath[MAX_PATH * 2];
        const DWORD got = ::GetLongPathNameA(head, longPath, sizeof longPath);
        if (got > 0 && got < sizeof longPath) {
            result = CString(longPath) + tail;
            break;
        }
        const int slash = head.ReverseFind('\\');
        if (slash < 0 || head.GetLength() <= 3)
            break;
        tail = head.Mid(slash) + tail;
        head = head.Left(slash);
        if (head.GetLength() == 2 && head[1] == ':')
            head += "\\";
    }
    return result;
}

bool IsSameOrInsideFolder(LPCSTR path, LPCSTR folder)
{
    const CString inner = NormalisedPath(path);
    CString outer = NormalisedPath(folder);
    if (inner.IsEmpty() || outer.IsEmpty())
        return false;
    if (inner.CompareNoCase(outer) == 0)
        return true;
    if (outer[outer.GetLength() - 1] != '\\')
        outer += "\\";
    return inner.GetLength() > outer.GetLength() && inner.Left(outer.GetLength()).CompareNoCase(outer) == 0;
}

BOOL CopyProgramFile(LPCSTR source, LPCSTR destination, BOOL failIfExists)
{
    if (!source || !*source || !destination || !*destination)
        return FALSE;
    if (failIfExists && PathExists(destination)) {
        ::SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    // The source is read whole before the destination is touched, and the
    // destination is replaced in one step: a missing source, or a copy of
    // a file onto itself, leaves the file as it was.
    std::string bytes;
    if (!ReadWholeFileBytes(source, bytes))
        return FALSE;
    if (!ReplaceFileContents(destination, bytes)) {
        CString text;
        text.Format("Error writing to file:\n%s", destination); // 658
        AfxGetPromptService().Prompt(nullptr, text, kProjectCaption, MB_OK | MB_ICONERROR);
        return FALSE;
    }
    return TRUE;
}

BOOL CopyProgramWithFolder(LPCSTR sourceFile, LPCSTR destinationFolder, BOOL overwriteSilently)
{
    const CString source(sourceFile ? sourceFile : "");
    const CString sourceFolder = WithoutExtension(source);
    if (source.IsEmpty() || !PathExists(source) || !DirectoryExists(sourceFolder) || !destinationFolder ||
        !DirectoryExists(destinationFolder))
        return FALSE;

    const CString destinationFile = JoinFolder(destinationFolder, LastPart(source));
    // Onto itself the copy is there already; into its own folder tree it
    // would delete what it copies.
    if (NormalisedPath(source).CompareNoCase(NormalisedPath(destinationFile)) == 0)
        return TRUE;
    if (IsSameOrInsideFolder(destinationFolder, sourceFolder))
        return FALSE;
    if (PathExists(destinationFile)) {
        if (!overwriteSilently && !AskOverwrite("File %s exists\n\nDo you want to overwrite it?", destinationFile))
            return FALSE;
        ::DeleteFileA(destinationFile);
    }
    const CString programFolder = WithoutExtension(destinationFile);
    if (DirectoryExists(programFolder)) {
        if (!overwriteSilently && !AskOverwrite("Directory %s exists. Do you want to overwrite it?", programFolder))
            return FALSE;
        DeleteDirectory(programFolder);
    }

    if (!CopyProgramFile(source, destinationFile, FALSE))
        return FALSE;
    if (!CopyDirectory(sourceFolder, programFolder, 0, kFolderDepth))
        return FALSE;
    for (LPCSTR extension : {"zwe", "zwa"}) {
        const CString companion = sourceFolder + "." + extension;
        if (PathExists(companion) && !CopyProgramFile(companion, programFolder + "." + extension, FALSE))
            return FALSE;
    }
    return TRUE;
}

BOOL CopyIECProjectTo(CControllerConnection& connection, LPCSTR projectFolder, LPCSTR name, LPCSTR destination)
{
    if (!name || !*name || !destination || connection.GetProgramType(name) != kIecProgramType)
        return FALSE;
    const CString sourceFolder = JoinFolder(projectFolder ? projectFolder : "", name);
    const CString sourceFile = sourceFolder + "." + CKWMPELink::m_kstrProjectFileExtension;
    if (!PathExists(sourceFile) || !DirectoryExists(sourceFolder))
        return FALSE;
    // The destination takes the project's own name and extension.
    CString target(destination);
    const int slash = target.ReverseFind('\\');
    target = target.Left(slash + 1) + LastPart(sourceFile);
    if (!CopyDirectory(sourceFolder, WithoutExtension(target), 0, kFolderDepth)) {
        ShowSystemError(::GetLastError(), kCopyFolderCaption);
        return FALSE;
    }
    if (!CopyProgramFile(sourceFile, target, FALSE)) {
        ShowSystemError(::GetLastError(), kCopyFileCaption);
        return FALSE;
    }
    return TRUE;
}
