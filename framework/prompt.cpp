#include "framework/prompt.h"

#include <atomic>
#include <memory>
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

namespace {

struct DetachedPrompt {
    IPromptService* service;
    std::string text;
    std::string caption;
    UINT type;
};

DWORD WINAPI DetachedPromptThread(LPVOID param)
{
    std::unique_ptr<DetachedPrompt> job(static_cast<DetachedPrompt*>(param));
    job->service->Prompt(nullptr, job->text.c_str(), job->caption.c_str(), job->type);
    return 0;
}

} // namespace

void IPromptService::PromptDetached(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    auto* job = new DetachedPrompt{this, lpszText ? lpszText : "", lpszCaption ? lpszCaption : "", nType};
    HANDLE thread = CreateThread(nullptr, 0, DetachedPromptThread, job, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
        delete job;
}

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
