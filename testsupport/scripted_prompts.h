// A prompt service for tests: records every prompt and answers from a
// script (first in, first out); with the script empty it answers the first
// button of the box (IDOK, IDYES, IDABORT or IDRETRY). Installed for the
// lifetime of the object; safe to use from any thread.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "framework/prompt.h"

class ScriptedPrompts : public IPromptService {
public:
    struct Record {
        std::string caption;
        std::string text;
        UINT type;
        bool detached;
        std::vector<std::string> labels; // the caller's button labels, if any
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    void Answer(int button);
    std::vector<Record> Records() const;
    // The text of every prompt so far, in order.
    std::vector<std::string> Texts() const;

    int Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) override;
    int PromptLabelled(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType, const LPCTSTR* labels,
                       int nLabels) override;
    // Recorded at once, like a shown box, so tests need not wait.
    void PromptDetached(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType = MB_OK) override;

private:
    mutable std::mutex m_lock;
    std::deque<int> m_answers;
    std::vector<Record> m_records;
};
