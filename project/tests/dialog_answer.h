// Answers a modal dialog that the code under test is about to open on the
// test's own thread: a helper thread waits for a visible window with the
// caption, types a text into one of its edits (when given) and presses a
// button, as a user would.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// How long a helper waits (real time) for a window the code under test is
// about to show or take down. It runs out only when the window never comes,
// so it is generous: on a loaded machine a thread can be held back for
// seconds.
const DWORD kWindowWaitMs = 30000;

// Polls done() until it holds; false once timeoutMs of real time have passed
// without it.
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kWindowWaitMs)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(1);
    }
    return true;
}

class DialogAnswer {
public:
    DialogAnswer(const char* caption, int editId, const char* text, int button)
        : m_thread([this, caption = std::string(caption), editId, text = std::string(text ? text : ""),
                    typed = text != nullptr, button] {
              HWND dialog = nullptr;
              if (!WaitUntil([&] {
                      dialog = ::FindWindowA(nullptr, caption.c_str());
                      return dialog && ::IsWindowVisible(dialog);
                  }))
                  return;
              if (typed)
                  ::SetDlgItemTextA(dialog, editId, text.c_str());
              m_seen = true;
              ::PostMessageA(dialog, WM_COMMAND, button, 0);
          })
    {
    }
    ~DialogAnswer() { Join(); }
    DialogAnswer(const DialogAnswer&) = delete;
    DialogAnswer& operator=(const DialogAnswer&) = delete;

    // Waits for the helper; whether it found the dialog and answered.
    bool Seen()
    {
        Join();
        return m_seen.load();
    }

private:
    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    std::atomic<bool> m_seen{false};
    std::thread m_thread;
};
