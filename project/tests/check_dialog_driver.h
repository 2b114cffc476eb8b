// Answers the project check's dialog as a user would, from a thread of its
// own: once the dialog waits with buttons shown, it records the question
// (the message area, the buttons and which are enabled) and presses the
// next button of its script by caption; with the script used up it presses
// the first shown, enabled button named in its fallback list (by default
// "&OK", which ends the check's final dialog).
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "project/project_resource.h"

class CheckDialogDriver {
public:
    struct Question {
        std::string text;
        std::vector<std::string> buttons;
        std::vector<bool> enabled;
        std::string pressed;
        std::string log; // the dialog's log so far
    };

    explicit CheckDialogDriver(std::vector<std::string> script = {}, std::vector<std::string> fallback = {"&OK"})
        : m_script(script.begin(), script.end()), m_fallback(std::move(fallback)), m_thread([this] { Run(); })
    {
    }
    ~CheckDialogDriver()
    {
        m_stop = true;
        m_thread.join();
    }
    CheckDialogDriver(const CheckDialogDriver&) = delete;
    CheckDialogDriver& operator=(const CheckDialogDriver&) = delete;

    void Press(const std::string& caption)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_script.push_back(caption);
    }
    void SetFallback(std::vector<std::string> fallback)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_fallback = std::move(fallback);
    }
    std::vector<Question> Questions() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_questions;
    }
    // The questions' texts, in order.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Question& question : Questions())
            texts.push_back(question.text);
        return texts;
    }
    bool ScriptDone() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_script.empty();
    }

private:
    static std::string Text(HWND window)
    {
        std::vector<char> text(8192);
        ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
        return text.data();
    }
    static bool Shown(HWND control)
    {
        return (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
    }

    void Run()
    {
        while (!m_stop) {
            ::Sleep(2);
            const HWND dialog = ::FindWindowA(nullptr, "Check project");
            if (!dialog || !::IsWindowVisible(dialog))
                continue;
            // Answered only while the dialog's thread serves its messages:
            // the check sets a question's buttons and then waits, so the
            // buttons seen now are the whole question.
            DWORD_PTR answer = 0;
            if (!::SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 200, &answer))
                continue;
            Question question;
            std::vector<HWND> controls;
            for (int i = 0; i < 6; ++i) {
                const HWND control = ::GetDlgItem(dialog, IDC_CHECK_BUTTON0 + i);
                if (!control || !Shown(control))
                    continue;
                controls.push_back(control);
                question.buttons.push_back(Text(control));
                question.enabled.push_back(::IsWindowEnabled(control) != FALSE);
            }
            if (controls.empty())
                continue;
            question.text = Text(::GetDlgItem(dialog, IDC_CHECK_QUESTION));
            question.log = Text(::GetDlgItem(dialog, IDC_CHECK_LOG));
            HWND press = nullptr;
            {
                std::lock_guard<std::mutex> lock(m_lock);
                std::vector<std::string> wanted;
                if (!m_script.empty())
                    wanted.push_back(m_script.front());
                else
                    wanted = m_fallback;
                for (const std::string& caption : wanted) {
                    for (std::size_t i = 0; i < controls.size() && !press; ++i)
                        if (question.buttons[i] == caption && question.enabled[i])
                            press = controls[i];
                    if (press) {
                        question.pressed = caption;
                        break;
                    }
                }
                if (!press)
                    continue;
                if (!m_script.empty())
                    m_script.pop_front();
                m_questions.push_back(question);
            }
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(press), BN_CLICKED),
                           reinterpret_cast<LPARAM>(press));
            // Taken once the check clears the buttons (or the dialog goes).
            const DWORD start = ::GetTickCount();
            while (!m_stop && ::IsWindow(press) && Shown(press) && ::GetTickCount() - start < 30000)
                ::Sleep(1);
        }
    }

    mutable std::mutex m_lock;
    std::deque<std::string> m_script;
    std::vector<std::string> m_fallback;
    std::vector<Question> m_questions;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
