// The program log's entry points for the native build: while a test
// captures the log, lines are kept in memory for it; otherwise they go
// nowhere (a fuzz run logs without end).
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/logline.h"
#include "native_log.h"

namespace {

std::mutex g_lock;
std::string g_text;
int g_captures = 0;
std::vector<NativeLogListener*> g_listeners;

} // namespace

int GlobalLogLine(LPCSTR text, DWORD category)
{
    if (!text)
        return 0;
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_listeners.empty())
        g_listeners.back()->OnLogLine(text, category);
    if (g_captures == 0)
        return 1;
    g_text += text;
    g_text += "\r\n";
    return 1;
}

int GlobalLogFormat(DWORD category, LPCSTR format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return GlobalLogLine(buffer, category);
}

std::string TakeNativeLogText()
{
    std::lock_guard<std::mutex> guard(g_lock);
    std::string text;
    text.swap(g_text);
    return text;
}

void CaptureNativeLog(bool on)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_captures += on ? 1 : -1;
    g_text.clear();
}

void PushNativeLogListener(NativeLogListener* listener)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_listeners.push_back(listener);
}

void RemoveNativeLogListener(NativeLogListener* listener)
{
    std::lock_guard<std::mutex> guard(g_lock);
    std::erase(g_listeners, listener);
}
