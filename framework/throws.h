// The framework's throw helpers that take no Win32 type, for plain C++ code
// that raises the framework's exceptions without including <windows.h>
// (framework/exceptions.h holds the exception classes themselves).
#pragma once

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowResourceException();
