// The native build's program log (logsink.cpp): lines are kept only while
// a capture is on (captures nest); TakeNativeLogText gives the lines kept
// since its last call. A listener (below) sees them as they come.
#pragma once

#include <string>

#include "framework/types.h"

void CaptureNativeLog(bool on);
std::string TakeNativeLogText();

// A listener takes each line with its category while it is the newest one
// installed, as the Windows build's global log object does.
class NativeLogListener {
public:
    virtual void OnLogLine(const char* text, DWORD category) = 0;

protected:
    ~NativeLogListener() = default;
};
void PushNativeLogListener(NativeLogListener* listener);
void RemoveNativeLogListener(NativeLogListener* listener);
