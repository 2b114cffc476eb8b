// Printable names of byte values, as the log shows link data: control
// characters by their ASCII abbreviation in angle brackets ("<STX>"), the
// space as "<Sp>", printable characters as themselves, DEL as "<DEL>" and
// bytes from 128 as "<0x" two lower-case hex digits ">".
#pragma once

#include "framework/cstring.h"

// The name of one byte value.
const char* ByteName(BYTE value);
// The names of every byte of a zero-terminated text, joined without gaps.
CString TextToByteNames(LPCSTR text);
// The names of count bytes, joined without gaps; empty for null or count < 1.
CString BufferToByteNames(const BYTE* bytes, int count);
