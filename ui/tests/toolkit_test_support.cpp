#include "toolkit_test_support.h"

#include <cstring>

#include "framework/thread.h"

RecordingParent::RecordingParent()
{
    CreateEx(0, AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)),
             "Toolkit test parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400, 300, nullptr, nullptr);
}

RecordingParent::~RecordingParent()
{
    if (m_hWnd)
        DestroyWindow();
}

std::vector<RecordingParent::Message> RecordingParent::Messages(UINT message) const
{
    std::vector<Message> result;
    for (const Message& m : m_messages)
        if (m.message == message)
            result.push_back(m);
    return result;
}

LRESULT RecordingParent::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= 0x8000 && message < 0xC000) {
        m_messages.push_back({message, wParam, lParam});
        if (m_payloadSize && lParam) {
            m_lastPayload.resize(m_payloadSize);
            std::memcpy(m_lastPayload.data(), reinterpret_cast<const void*>(lParam), m_payloadSize);
        }
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void PumpFor(DWORD ms)
{
    AfxSleepWithMessages(ms);
}
