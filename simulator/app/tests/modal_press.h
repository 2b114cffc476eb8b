// Presses a button of a modal dialog that this thread is about to run: a
// timer on the thread finds the dialog by its caption once it shows, lets
// the test look at it, and sends it the button's command. Should the dialog
// never come, every window of the thread is closed after a few seconds, so
// a test cannot hang in the modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class ModalPress {
public:
    ModalPress(const std::string& caption, int button, std::function<void(HWND)> look = {})
        : m_caption(caption), m_button(button), m_look(std::move(look))
    {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 20, Tick);
    }
    ~ModalPress()
    {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    ModalPress(const ModalPress&) = delete;
    ModalPress& operator=(const ModalPress&) = delete;

    bool Pressed() const { return m_pressed; }

private:
    static BOOL CALLBACK CloseAll(HWND window, LPARAM)
    {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalPress* self = s_current;
        if (!self || self->m_pressed)
            return;
        HWND dialog = FindWindowA("#32770", self->m_caption.c_str());
        if (dialog && IsWindowVisible(dialog) && GetWindowThreadProcessId(dialog, nullptr) == GetCurrentThreadId()) {
            self->m_pressed = true;
            if (self->m_look)
                self->m_look(dialog);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(self->m_button, BN_CLICKED), 0);
        } else if (++self->m_ticks > 250) {
            EnumThreadWindows(GetCurrentThreadId(), CloseAll, 0);
        }
    }

    static inline ModalPress* s_current = nullptr;
    std::string m_caption;
    int m_button;
    std::function<void(HWND)> m_look;
    UINT_PTR m_timer = 0;
    int m_ticks = 0;
    bool m_pressed = false;
};
