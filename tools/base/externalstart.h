// Starts a program of the user's (an editor, a log viewer) on a file as a
// process of its own.
#pragma once

#include <windows.h>

#include "framework/cstring.h"

namespace tools {

// The command line: the program and the file, each in double quotation
// marks, one blank between them.
CString ExternalCommandLine(LPCSTR program, LPCSTR file);

// Starts "<program>" "<file>" (normal priority, window shown) and lets the
// process go (its handles are closed). On failure the user is told what
// failed and why, with caption, owned by owner; FALSE then.
BOOL StartProgramWithFile(LPCSTR program, LPCSTR file, HWND owner, LPCSTR caption);

} // namespace tools
