#include "foundation/safefile.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

// Attributes a rewritten file takes over from the file it replaces.
const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

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

BOOL ReadWholeFileBytes(LPCSTR path, std::string& text, BOOL* exists, BOOL denyWriters)
{
    text.clear();
    const BOOL there = FileExists(path);
    if (exists)
        *exists = there;
    if (!there) {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const DWORD share = denyWriters ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!ok) {
        text.clear();
        ::SetLastError(error);
    }
    return ok;
}

BOOL ReplaceFileContents(LPCSTR path, const void* data, size_t size, const std::string* expected)
{
    if (!path || !*path || (size > 0 && !data))
        return FALSE;
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
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
    if (ok && attributes != INVALID_FILE_ATTRIBUTES) {
        const DWORD kept = attributes & kKeptAttributes;
        ok = ::SetFileAttributesA(temp, kept ? kept : FILE_ATTRIBUTE_NORMAL) != FALSE;
    }

    if (ok) {
        ReplaceFileHook hook = CurrentHook();
        if (hook && !hook(temp, path))
            ok = false;
    }
    if (ok && expected) {
        std::string current;
        ReadWholeFileBytes(path, current);
        if (current != *expected) {
            ok = false;
            ::SetLastError(ERROR_FILE_INVALID);
        }
    }
    if (ok && !::MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ok = false;
    if (!ok) {
        const DWORD error = ::GetLastError();
        ::DeleteFileA(temp);
        ::SetLastError(error);
    }
    return ok ? TRUE : FALSE;
}

CFileWriteLock::CFileWriteLock(LPCSTR path, DWORD timeoutMs)
{
    char full[MAX_PATH * 2];
    const DWORD n = ::GetFullPathNameA(path ? path : "", sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full)
        return;
    ::CharUpperBuffA(full, n);
    // FNV-1a over the path: a name without backslashes and of fixed
    // length. Two paths that share a hash merely wait for each other.
    unsigned long long hash = 14695981039346656037ull;
    for (DWORD i = 0; i < n; ++i) {
        hash ^= static_cast<unsigned char>(full[i]);
        hash *= 1099511628211ull;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\VexoFileWrite-%016llx", hash);
    m_mutex = ::CreateMutexA(nullptr, FALSE, name);
    if (!m_mutex)
        return;
    const DWORD wait = ::WaitForSingleObject(m_mutex, timeoutMs);
    // An abandoned mutex is ours now; its last owner died mid-write, which
    // the atomic replacement makes harmless.
    m_held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

CFileWriteLock::~CFileWriteLock()
{
    if (m_held)
        ::ReleaseMutex(m_mutex);
    if (m_mutex)
        ::CloseHandle(m_mutex);
}

ReplaceFileHook SetReplaceFileHookForTest(ReplaceFileHook hook)
{
    std::lock_guard<std::mutex> guard(g_hookLock);
    return std::exchange(g_hook, std::move(hook));
}
