#include "foundation/fileutil.h"

#include <winioctl.h>

#include <cctype>
#include <cstring>
#include <ctime>
#include <vector>

#include "framework/file.h"

namespace {

bool IsDriveRoot(const CString& path)
{
    return path.GetLength() == 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
           path[2] == '\\';
}

CString JoinPath(const CString& folder, const CString& name)
{
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] == '\\')
        return folder + name;
    return folder + "\\" + name;
}

// Index of the first character of the last part of a path.
int LastPartStart(const CString& path)
{
    const int slash = path.ReverseFind('\\');
    const int forward = path.ReverseFind('/');
    const int colon = path.ReverseFind(':');
    int start = slash > forward ? slash : forward;
    start = start > colon ? start : colon;
    return start + 1;
}

// A directory link, junction or any other reparse point: an entry of its
// own, never a folder to walk into.
bool IsLink(const CFileFind& finder)
{
    return finder.MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT) != FALSE;
}

// Makes target the same link as source: the reparse data read from source
// is set on a new entry of the same kind. FALSE when the platform cannot
// read or set it (the half-made entry is removed again).
BOOL CopyLink(const CString& source, const CString& target, bool isFolder)
{
    const DWORD openFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE from = ::CreateFileA(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, openFlags, nullptr);
    if (from == INVALID_HANDLE_VALUE)
        return FALSE;
    std::vector<BYTE> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD size = 0;
    const BOOL read = ::DeviceIoControl(from, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                                        static_cast<DWORD>(data.size()), &size, nullptr);
    ::CloseHandle(from);
    if (!read)
        return FALSE;

    HANDLE to = INVALID_HANDLE_VALUE;
    if (isFolder) {
        if (!::CreateDirectoryA(target, nullptr))
            return FALSE;
        to = ::CreateFileA(target, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, openFlags, nullptr);
    } else {
        to = ::CreateFileA(target, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, openFlags, nullptr);
        if (to == INVALID_HANDLE_VALUE)
            return FALSE;
    }
    BOOL set = FALSE;
    if (to != INVALID_HANDLE_VALUE) {
        DWORD unused = 0;
        set = ::DeviceIoControl(to, FSCTL_SET_REPARSE_POINT, data.data(), size, nullptr, 0, &unused, nullptr);
        ::CloseHandle(to);
    }
    if (!set) {
        if (isFolder)
            ::RemoveDirectoryA(target);
        else
            ::DeleteFileA(target);
    }
    return set;
}

} // namespace

BOOL PathExists(LPCSTR path, int kind, BOOL* readOnly)
{
    if (readOnly)
        *readOnly = TRUE;
    CString text = path;
    if ((kind != 0 && kind != 1) || text.GetLength() < 3)
        return FALSE;

    if (IsDriveRoot(text)) {
        // A drive root exists when its drive does, whichever kind is asked.
        const int drive = std::toupper(static_cast<unsigned char>(text[0])) - 'A';
        const BOOL exists = (::GetLogicalDrives() >> drive) & 1;
        if (readOnly && exists)
            *readOnly = FALSE;
        return exists;
    }
    if (text.GetLength() > 3 && text[text.GetLength() - 1] == '\\')
        text.Truncate(text.GetLength() - 1);

    CFileFind finder;
    BOOL more = finder.FindFile(text);
    while (more) {
        more = finder.FindNextFile();
        if ((finder.IsDirectory() != FALSE) == (kind == 1)) {
            if (readOnly)
                *readOnly = finder.IsReadOnly();
            return TRUE;
        }
    }
    return FALSE;
}

BOOL DirectoryExists(LPCSTR path)
{
    return PathExists(path, 1);
}

BOOL IsLocalDrivePath(LPCSTR path, BOOL fixedOnly)
{
    if (!path || std::strlen(path) < 3 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
        path[2] != '\\')
        return FALSE;
    const char root[4] = {path[0], ':', '\\', '\0'};
    const UINT type = ::GetDriveTypeA(root);
    if (fixedOnly)
        return type == DRIVE_FIXED;
    return type == DRIVE_REMOVABLE || type == DRIVE_FIXED || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}

BOOL CopyDirectory(LPCSTR source, LPCSTR target, int depth, int maxDepth)
{
    if (depth > maxDepth || !DirectoryExists(source))
        return FALSE;
    if (!DirectoryExists(target) && !::CreateDirectoryA(target, nullptr))
        return FALSE;

    CFileFind finder;
    BOOL more = finder.FindFile(JoinPath(source, "*.*"));
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        const CString to = JoinPath(target, finder.GetFileName());
        BOOL ok;
        if (IsLink(finder))
            ok = CopyLink(finder.GetFilePath(), to, finder.IsDirectory() != FALSE);
        else if (finder.IsDirectory())
            ok = CopyDirectory(finder.GetFilePath(), to, depth + 1, maxDepth);
        else
            ok = ::CopyFileA(finder.GetFilePath(), to, FALSE);
        if (!ok)
            return FALSE;
    }
    return TRUE;
}

BOOL DeleteDirectory(LPCSTR folder, int depth, int maxDepth)
{
    if (depth > maxDepth)
        return FALSE;
    {
        CFileFind finder;
        BOOL more = finder.FindFile(JoinPath(folder, "*.*"));
        while (more) {
            more = finder.FindNextFile();
            if (finder.IsDots())
                continue;
            if (IsLink(finder) && finder.IsDirectory())
                ::RemoveDirectoryA(finder.GetFilePath()); // the link only, never what it points to
            else if (finder.IsDirectory())
                DeleteDirectory(finder.GetFilePath(), depth + 1, maxDepth);
            else
                ::DeleteFileA(finder.GetFilePath());
        }
    }
    return ::RemoveDirectoryA(folder);
}

BOOL FindNewestFile(LPCSTR folder, CString& newestPath, FILETIME& newestTime, int depth, int maxDepth)
{
    if (depth > maxDepth)
        return FALSE;
    BOOL found = FALSE;
    CFileFind finder;
    BOOL more = finder.FindFile(JoinPath(folder, "*.*"));
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        if (finder.IsDirectory()) {
            if (!IsLink(finder) && FindNewestFile(finder.GetFilePath(), newestPath, newestTime, depth + 1, maxDepth))
                found = TRUE;
            continue;
        }
        FILETIME written;
        if (finder.GetLastWriteTime(&written) && ::CompareFileTime(&written, &newestTime) > 0) {
            newestTime = written;
            newestPath = finder.GetFilePath();
            found = TRUE;
        }
    }
    return found;
}

CString GetTempFolder()
{
    CString folder;
    char buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
    if (length > 0 && length < sizeof buffer)
        folder = buffer;
    else if (!GetEnvironmentText("TMP", folder) && !GetEnvironmentText("TEMP", folder))
        folder = "C:\\";
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] != '\\')
        folder += '\\';
    return folder;
}

CString MakeTempFileName(LPCSTR prefix, LPCSTR extension)
{
    const CString folder = GetTempFolder();
    CString name;
    for (unsigned counter = 0;; ++counter) {
        name.Format("%s%s%u.%s", folder.GetString(), prefix ? prefix : "", counter, extension ? extension : "");
        if (::GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES || counter == 0xFFFFFFFFu)
            return name;
    }
}

CString GetModulePath(BOOL stripExtension)
{
    char buffer[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return CString();
    CString path(buffer, static_cast<int>(length));
    if (stripExtension) {
        const int dot = path.ReverseFind('.');
        if (dot >= LastPartStart(path))
            path.Truncate(dot);
    }
    return path;
}

CString GetProgramDirectory()
{
    const CString path = GetModulePath(FALSE);
    const int slash = path.ReverseFind('\\');
    return slash < 0 ? CString() : path.Left(slash);
}

CString GetCommonFilesMakerDir()
{
    CString folder;
    GetEnvironmentText("CommonProgramFiles", folder);
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] != '\\')
        folder += '\\';
    return folder + "VexoLabs";
}

CString GetFileExtension(LPCSTR path)
{
    CString name;
    CString extension;
    SplitFileName(path, name, extension);
    return extension;
}

void SplitFileName(LPCSTR path, CString& name, CString& extension)
{
    const CString text = path;
    const CString last = text.Mid(LastPartStart(text));
    const int dot = last.ReverseFind('.');
    if (dot < 0) {
        name = last;
        extension.Empty();
    } else {
        name = last.Left(dot);
        extension = last.Mid(dot + 1);
    }
}

BOOL GetEnvironmentText(LPCSTR name, CString& value)
{
    if (!name || !*name)
        return FALSE;
    const DWORD needed = ::GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0)
        return FALSE;
    CString text;
    const DWORD length = ::GetEnvironmentVariableA(name, text.GetBufferSetLength(static_cast<int>(needed)), needed);
    if (length == 0 || length >= needed)
        return FALSE;
    text.ReleaseBuffer(static_cast<int>(length));
    value = text;
    return TRUE;
}

CString FormatTimeString(__time64_t time, LPCSTR format)
{
    struct tm local;
    if (!format || _localtime64_s(&local, &time) != 0)
        return CString();
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
    return length == 0 ? CString() : CString(buffer, static_cast<int>(length));
}
