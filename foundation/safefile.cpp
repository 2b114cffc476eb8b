#include "foundation/safefile.h"

#include <mutex>
#include <utility>

namespace {

std::mutex g_hookLock;
ReplaceFileHook g_hook;

ReplaceFileHook CurrentHook()
{
    std::lock_guard<std::mutex> guard(g_hookLock);
    return g_hook;
}

// The folder of a path (full path first), without a trailing backslash;
// "." when it has none.
CString FolderOf(LPCSTR path)
{
    char full[MAX_PATH * 2];
    char* namePart = nullptr;
    DWORD n = ::GetFullPathNameA(path, sizeof full, full, &namePart);
    CString folder;
    if (n > 0 && n < sizeof full && namePart)
        folder = CString(full, static_cast<int>(namePart - full));
    else
        folder = ".";
    if (folder.GetLength() > 3 && folder[folder.GetLength() - 1] == '\\')
        folder.Truncate(folder.GetLength() - 1);
    return folder;
}

bool WriteAll(HANDLE file, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk)
            return false;
        bytes += chunk;
        size -= chunk;
    }
    return true;
}

} // namespace

BOOL FileExists(LPCSTR path)
{
    if (!path || !*path)
        return FALSE;
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL ReadWholeFileBytes(LPCSTR path, std::string& text, BOOL* exists)
{
    text.clear();
    const BOOL there = FileExists(path);
    if (exists)
        *exists = there;
    if (!there)
        return FALSE;
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL ok = TRUE;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            ok = FALSE;
            break;
        }
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    ::CloseHandle(file);
    if (!ok)
        text.clear();
    return ok;
}

BOOL ReplaceFileContents(LPCSTR path, const void* data, size_t size)
{
    if (!path || !*path || (size > 0 && !data))
        return FALSE;
    const CString folder = FolderOf(path);
    char temp[MAX_PATH * 2];
    if (!::GetTempFileNameA(folder, "TTF", 0, temp))
        return FALSE;

    HANDLE file = ::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ::DeleteFileA(temp);
        return FALSE;
    }
    bool ok = WriteAll(file, data, size) && ::FlushFileBuffers(file);
    ::CloseHandle(file);

    if (ok) {
        ReplaceFileHook hook = CurrentHook();
        if (hook && !hook(temp, path))
            ok = false;
    }
    if (ok && !::MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ok = false;
    if (!ok)
        ::DeleteFileA(temp);
    return ok ? TRUE : FALSE;
}

ReplaceFileHook SetReplaceFileHookForTest(ReplaceFileHook hook)
{
    std::lock_guard<std::mutex> guard(g_hookLock);
    return std::exchange(g_hook, std::move(hook));
}
