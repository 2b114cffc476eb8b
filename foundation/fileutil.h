// File and folder helpers over Win32: existence tests, folder copies,
// deletes and walks, the TEMP folder and unused temporary names, the
// program's own path, environment variables and time texts.
#pragma once

#include <windows.h>

#include "framework/cstring.h"

// Whether a file (kind 0: an entry that is not a folder) or a folder (kind
// 1) exists; any other kind gives FALSE, as does a path shorter than 3
// characters. A drive root ("C:\") exists, for either kind, when its drive
// is among the logical drives. One trailing backslash is ignored. The path may hold
// wildcards: the first match of the asked kind counts. readOnly (optional)
// receives whether the entry found is read-only, and TRUE when none was.
BOOL PathExists(LPCSTR path, int kind = 0, BOOL* readOnly = nullptr);
BOOL DirectoryExists(LPCSTR path);

// Whether a path begins with a drive letter, ":" and "\" on a local drive:
// a fixed disk with fixedOnly, else a removable, fixed, CD-ROM or RAM
// drive.
BOOL IsLocalDrivePath(LPCSTR path, BOOL fixedOnly);

// The folder walks below never follow links: a directory link, junction
// or other reparse point is an entry of its own, copied or removed itself
// and never entered, so nothing outside the tree is copied, deleted or
// searched through one.
//
// Copies every file of source into target (created when missing,
// overwriting files) and every subfolder likewise, down to maxDepth levels;
// a link is made again at the target as the same link. FALSE when depth >
// maxDepth, the source folder does not exist, or any step fails (the copy
// stops there; a link the platform cannot copy is such a failure).
BOOL CopyDirectory(LPCSTR source, LPCSTR target, int depth = 0, int maxDepth = 32);
// Deletes every file and subfolder of folder (a link: the link alone) and
// then the folder itself; the result is that of removing the folder. FALSE when depth > maxDepth.
BOOL DeleteDirectory(LPCSTR folder, int depth = 0, int maxDepth = 32);
// Walks folder and its subfolders (to maxDepth levels) for files written
// later than newestTime; the latest one's path and time are stored in
// newestPath and newestTime. TRUE when one was found.
BOOL FindNewestFile(LPCSTR folder, CString& newestPath, FILETIME& newestTime, int depth = 0, int maxDepth = 32);

// The system's temporary folder (else %TMP%, %TEMP%, "C:\"), always ending
// in a backslash.
CString GetTempFolder();
// The first of TEMP folder + prefix + 0, 1, 2, ... + "." + extension that
// does not exist.
CString MakeTempFileName(LPCSTR prefix, LPCSTR extension);

// The program file's path, optionally without its extension; empty when it
// cannot be read whole.
CString GetModulePath(BOOL stripExtension = FALSE);
// The folder of the program file, without a trailing backslash.
CString GetProgramDirectory();
// The common program files folder (%CommonProgramFiles%) with the maker's
// folder "VexoLabs", without a trailing backslash.
CString GetCommonFilesMakerDir();

// The extension of the last part of a path (after its last dot), empty
// when it has none; and that part split into name and extension.
CString GetFileExtension(LPCSTR path);
void SplitFileName(LPCSTR path, CString& name, CString& extension);

// FALSE for an empty name or a variable that is not set.
BOOL GetEnvironmentText(LPCSTR name, CString& value);

// A time (seconds since 1970, UTC) as local-time text through strftime, at
// most 127 characters; empty on failure.
CString FormatTimeString(__time64_t time, LPCSTR format);
