#include "testsupport/scripted_prompts.h"

ScriptedPrompts::ScriptedPrompts()
{
    AfxSetPromptService(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    AfxSetPromptService(nullptr);
}

void ScriptedPrompts::Answer(int button)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_answers.push_back(button);
}

std::vector<ScriptedPrompts::Record> ScriptedPrompts::Records() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_records;
}

std::vector<std::string> ScriptedPrompts::Texts() const
{
    std::vector<std::string> texts;
    for (const Record& r : Records())
        texts.push_back(r.text);
    return texts;
}

int ScriptedPrompts::Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    return PromptLabelled(hWndOwner, lpszText, lpszCaption, nType, nullptr, 0);
}

int ScriptedPrompts::PromptLabelled(HWND, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType, const LPCTSTR* labels,
                                    int nLabels)
{
    std::vector<std::string> labelTexts;
    for (int i = 0; labels && i < nLabels; ++i)
        labelTexts.push_back(labels[i] ? labels[i] : "");
    std::lock_guard<std::mutex> guard(m_lock);
    m_records.push_back({lpszCaption ? lpszCaption : "", lpszText ? lpszText : "", nType, false, labelTexts});
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    switch (nType & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_RETRYCANCEL:
        return IDRETRY;
    default:
        return IDOK;
    }
}

void ScriptedPrompts::PromptDetached(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_records.push_back({lpszCaption ? lpszCaption : "", lpszText ? lpszText : "", nType, true, {}});
}
