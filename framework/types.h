// The Win32 scalar types and constants the framework's portable classes use.
// The definitions are identical to the platform's own, so this header and
// <windows.h> can meet in one translation unit; it includes no Win32 header
// itself, so the portable code also builds natively.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned long ULONG;
#else
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
#endif
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
typedef char CHAR;
typedef char TCHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef const char* LPCTSTR;
typedef char* LPTSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
#if defined(_WIN64)
typedef long long INT_PTR;
typedef unsigned long long UINT_PTR;
typedef long long LONG_PTR;
typedef unsigned long long DWORD_PTR;
#elif defined(_WIN32)
typedef int INT_PTR;
typedef unsigned int UINT_PTR;
typedef long LONG_PTR;
typedef unsigned long DWORD_PTR;
#else
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t DWORD_PTR;
#endif
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

#ifndef _T
#define _T(x) x
#endif

// A place in a list or map; opaque to callers.
struct __POSITION {};
typedef __POSITION* POSITION;
