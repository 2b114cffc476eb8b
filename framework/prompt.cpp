#include "framework/prompt.h"

#include <atomic>
#include <mutex>
#include <string>

#include "framework/cstring.h"

namespace {

class CSystemPrompts : public IPromptService {
public:
    int Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) override
    {
        return MessageBoxA(hWndOwner, lpszText, lpszCaption, nType);
    }
};

CSystemPrompts g_systemPrompts;
std::atomic<IPromptService*> g_prompts{&g_systemPrompts};

std::mutex g_nameLock;
std::string g_appName;

} // namespace

IPromptService& AfxGetPromptService()
{
    return *g_prompts.load();
}

void AfxSetPromptService(IPromptService* pService)
{
    g_prompts = pService ? pService : &g_systemPrompts;
}

LPCTSTR AfxGetAppName()
{
    std::lock_guard<std::mutex> guard(g_nameLock);
    return g_appName.c_str();
}

void AfxSetAppName(LPCTSTR lpszName)
{
    std::lock_guard<std::mutex> guard(g_nameLock);
    g_appName = lpszName ? lpszName : "";
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT)
{
    HWND hWndOwner = GetActiveWindow();
    return AfxGetPromptService().Prompt(hWndOwner, lpszText, AfxGetAppName(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text, nType, nIDHelp);
}
