// A parent window for the control tests: a real top-level window that
// records the program's private messages (0x8000 and up) its children send
// or post it, and whatever the pointer parameters point at.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/wnd.h"

class RecordingParent : public CWnd {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    RecordingParent();
    ~RecordingParent() override;

    std::vector<Message> Messages(UINT message) const;
    void Clear() { m_messages.clear(); }
    // A copy of what a message's lParam pointed at, taken when it arrived.
    std::vector<BYTE> m_lastPayload;
    size_t m_payloadSize = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::vector<Message> m_messages;
};

// Dispatches this thread's waiting messages for a short while.
void PumpFor(DWORD ms);
