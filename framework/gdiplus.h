// GDI+ for the program's pictures (PNG and other image files, drawing them
// on a device context). GDI+ runs once per process: the first session
// starts it, the last one to end shuts it down, so the application object
// and a test can each hold one. Every GDI+ object must be gone before the
// last session ends.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <gdiplus.h>

#include <string>

#include "framework/cstring.h"

class CGdiplusSession {
public:
    CGdiplusSession();
    ~CGdiplusSession();
    CGdiplusSession(const CGdiplusSession&) = delete;
    CGdiplusSession& operator=(const CGdiplusSession&) = delete;

    // Whether GDI+ started for this session.
    BOOL IsStarted() const { return m_bStarted; }

private:
    BOOL m_bStarted = FALSE;
};

// Starts GDI+ (counted); TRUE when it runs. Each successful call is paired
// with one AfxGdiplusShutdown.
BOOL AfxGdiplusStartup();
void AfxGdiplusShutdown();
// Whether GDI+ is running in this process.
BOOL AfxIsGdiplusRunning();

// A path in the program's code page as GDI+ takes it (UTF-16).
std::wstring AfxWidePath(LPCSTR lpszPath);
