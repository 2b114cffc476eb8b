// Whole-file reads and safe whole-file replacement.
//
// Users' files (INI files, project files, programs, the STARTUP program)
// are never rewritten in place: the new content goes to a temporary file
// in the same folder, which is flushed and then moved over the original in
// one step (MoveFileEx with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH). A failure at any step leaves the original as it
// was and is reported as a failure.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/cstring.h"

// The whole file as bytes. FALSE when it does not exist or cannot be read
// (text is empty then, and the thread's last error says why); exists
// (optional) tells the two apart. With denyWriters the file is read with
// other writers kept out, so it fails while another program holds it open
// for writing.
BOOL ReadWholeFileBytes(LPCSTR path, std::string& text, BOOL* exists = nullptr, BOOL denyWriters = FALSE);

// Whether path names an existing file (not a folder).
BOOL FileExists(LPCSTR path);

// Replaces the file at path (created when missing) with size bytes of
// data, through a temporary file in the same folder. The new file keeps
// the old one's hidden, system, archive and not-indexed attributes. A
// read-only file is refused (ERROR_ACCESS_DENIED). With expected given,
// the file must still hold exactly those bytes (or, for an empty expected,
// be missing or empty) just before it is replaced, else the replacement
// fails with ERROR_FILE_INVALID: someone else wrote it meanwhile.
// FALSE on any failure; the original is untouched then and the temporary
// file is removed.
BOOL ReplaceFileContents(LPCSTR path, const void* data, size_t size, const std::string* expected = nullptr);
inline BOOL ReplaceFileContents(LPCSTR path, const std::string& bytes, const std::string* expected = nullptr)
{
    return ReplaceFileContents(path, bytes.data(), bytes.size(), expected);
}

// Serialises the rewriting of one file among the program's threads and
// processes: a named mutex per file (its full path, without regard to
// case), held while the object lives. A writer that builds a file's new
// content from what it read takes it before the read and keeps it until
// the file has been replaced, so no two writers lose each other's changes.
// The wait is bounded; Held() tells whether it was had. A thread may take
// it again while it holds it.
class CFileWriteLock {
public:
    explicit CFileWriteLock(LPCSTR path, DWORD timeoutMs = 10000);
    ~CFileWriteLock();
    CFileWriteLock(const CFileWriteLock&) = delete;
    CFileWriteLock& operator=(const CFileWriteLock&) = delete;
    BOOL Held() const { return m_held; }

private:
    HANDLE m_mutex = nullptr;
    BOOL m_held = FALSE;
};

// Test seam: when set, called after the temporary file has been written,
// flushed and closed and before it replaces the original. Returning FALSE
// makes the replacement fail at that point. Returns the hook set before;
// an empty hook removes it.
using ReplaceFileHook = std::function<BOOL(LPCSTR tempPath, LPCSTR targetPath)>;
ReplaceFileHook SetReplaceFileHookForTest(ReplaceFileHook hook);
