// The global helper functions in one include: text and numbers, files and
// folders, windows and colours, the pattern matcher and byte names.
#pragma once

#include "foundation/bytenames.h"
#include "foundation/fileutil.h"
#include "foundation/matcher.h"
#include "foundation/textutil.h"
#include "foundation/winutil.h"

// Other names parts of the program use for the same helpers.
inline CString FormatDouble(double value, BOOL allowExponent, int decimals)
{
    return FormatNumber(value, allowExponent, decimals);
}
inline double StringToDouble(LPCSTR text)
{
    return ParseDouble(text);
}
inline DWORD StringToUnsigned(LPCSTR text)
{
    return ParseUnsigned(text);
}
inline CString MakeUniqueFileName(LPCSTR prefix, LPCSTR extension)
{
    return MakeTempFileName(prefix, extension);
}
inline CString GetModuleDirectory()
{
    return GetProgramDirectory();
}
inline HWND GetAppMainWndHandle()
{
    return GetMainWindowHandle();
}
inline COLORREF AverageColours(COLORREF a, COLORREF b)
{
    return BlendColours(a, b);
}
template <class... Outputs> BOOL ScanFormatted(LPCSTR input, LPCSTR pattern, Outputs... outputs)
{
    return MatchText(input, pattern, outputs...);
}
