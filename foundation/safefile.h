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
// (text is empty then); exists (optional) tells the two apart.
BOOL ReadWholeFileBytes(LPCSTR path, std::string& text, BOOL* exists = nullptr);

// Whether path names an existing file (not a folder).
BOOL FileExists(LPCSTR path);

// Replaces the file at path (created when missing) with size bytes of
// data, through a temporary file in the same folder. FALSE on any failure;
// the original is untouched then and the temporary file is removed.
BOOL ReplaceFileContents(LPCSTR path, const void* data, size_t size);
inline BOOL ReplaceFileContents(LPCSTR path, const std::string& bytes)
{
    return ReplaceFileContents(path, bytes.data(), bytes.size());
}

// Test seam: when set, called after the temporary file has been written,
// flushed and closed and before it replaces the original. Returning FALSE
// makes the replacement fail at that point. Returns the hook set before;
// an empty hook removes it.
using ReplaceFileHook = std::function<BOOL(LPCSTR tempPath, LPCSTR targetPath)>;
ReplaceFileHook SetReplaceFileHookForTest(ReplaceFileHook hook);
