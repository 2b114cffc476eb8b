// The captured log of the test programs, for the native build: the lines
// logged while the object lives, as the Windows build's file would hold
// them (no time stamps, CR LF after each).
#pragma once

#include <string>

#include "native_log.h"

class CapturedGlobalLog {
public:
    CapturedGlobalLog() { CaptureNativeLog(true); }
    ~CapturedGlobalLog() { CaptureNativeLog(false); }
    CapturedGlobalLog(const CapturedGlobalLog&) = delete;
    CapturedGlobalLog& operator=(const CapturedGlobalLog&) = delete;

    std::string Text() const
    {
        m_text += TakeNativeLogText();
        return m_text;
    }

private:
    mutable std::string m_text;
};
