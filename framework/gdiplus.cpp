#include "framework/gdiplus.h"

#include <mutex>

namespace {

std::mutex g_lock;
int g_sessions = 0;
ULONG_PTR g_token = 0;

} // namespace

BOOL AfxGdiplusStartup()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_sessions == 0) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&g_token, &input, nullptr) != Gdiplus::Ok)
            return FALSE;
    }
    ++g_sessions;
    return TRUE;
}

void AfxGdiplusShutdown()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_sessions == 0)
        return;
    if (--g_sessions == 0) {
        Gdiplus::GdiplusShutdown(g_token);
        g_token = 0;
    }
}

BOOL AfxIsGdiplusRunning()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_sessions > 0;
}

CGdiplusSession::CGdiplusSession() : m_bStarted(AfxGdiplusStartup()) {}

CGdiplusSession::~CGdiplusSession()
{
    if (m_bStarted)
        AfxGdiplusShutdown();
}

std::wstring AfxWidePath(LPCSTR lpszPath)
{
    if (!lpszPath || !*lpszPath)
        return std::wstring();
    const int length = ::MultiByteToWideChar(CP_ACP, 0, lpszPath, -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, lpszPath, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}
