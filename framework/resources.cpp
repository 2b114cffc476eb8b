#include "framework/resources.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "framework/clock.h"
#include "framework/cstring.h"
#include "framework/filedialog.h"
#include "framework/hostframework.h"
#include "framework/prompt.h"

namespace {
std::atomic<HINSTANCE> g_resources{nullptr};
std::atomic<HINSTANCE> g_instance{nullptr};

std::mutex g_modulesLock;
std::vector<HINSTANCE> g_modules;

std::vector<HINSTANCE> ResourceModules()
{
    std::lock_guard<std::mutex> guard(g_modulesLock);
    return g_modules;
}
} // namespace

HINSTANCE AfxGetInstanceHandle()
{
    HINSTANCE h = g_instance.load();
    return h ? h : GetModuleHandleA(nullptr);
}

void AfxSetInstanceHandle(HINSTANCE instance)
{
    g_instance = instance;
}

HINSTANCE AfxGetResourceHandle()
{
    HINSTANCE h = g_resources.load();
    return h ? h : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE resources)
{
    g_resources = resources;
}

void AfxAddResourceModule(HINSTANCE module)
{
    std::lock_guard<std::mutex> guard(g_modulesLock);
    if (module && std::find(g_modules.begin(), g_modules.end(), module) == g_modules.end())
        g_modules.push_back(module);
}

void AfxRemoveResourceModule(HINSTANCE module)
{
    std::lock_guard<std::mutex> guard(g_modulesLock);
    g_modules.erase(std::remove(g_modules.begin(), g_modules.end(), module), g_modules.end());
}

HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    if (hInst != AfxGetInstanceHandle() && ::FindResourceA(hInst, lpszName, lpszType))
        return hInst;
    if (::FindResourceA(AfxGetInstanceHandle(), lpszName, lpszType))
        return AfxGetInstanceHandle();
    for (HINSTANCE module : ResourceModules()) {
        if (::FindResourceA(module, lpszName, lpszType))
            return module;
    }
    return AfxGetInstanceHandle();
}

BOOL CString::LoadStringA(UINT id)
{
    // The language library first, then the program's own strings, then the
    // libraries'. Strings are stored sixteen to a block and a module may
    // hold a block without every string of it, so the string itself is
    // looked for.
    char probe[2];
    HINSTANCE hInst = nullptr;
    std::vector<HINSTANCE> chain{AfxGetResourceHandle()};
    if (chain.front() != AfxGetInstanceHandle())
        chain.push_back(AfxGetInstanceHandle());
    for (HINSTANCE module : ResourceModules())
        chain.push_back(module);
    for (HINSTANCE module : chain) {
        if (::LoadStringA(module, id, probe, sizeof probe) > 0) {
            hInst = module;
            break;
        }
    }
    if (!hInst) {
        Empty();
        return FALSE;
    }
    // LoadStringA truncates silently, so grow the buffer until the text fits
    // with room to spare.
    for (int size = 256; size <= 65536; size *= 4) {
        std::string buffer(static_cast<std::size_t>(size), '\0');
        const int got = ::LoadStringA(hInst, id, buffer.data(), size);
        if (got <= 0) {
            Empty();
            return FALSE;
        }
        if (got < size - 1) {
            buffer.resize(static_cast<std::size_t>(got));
            *this = CString(std::move(buffer));
            return TRUE;
        }
    }
    Empty();
    return FALSE;
}

namespace {

const AfxHostServices g_hostServices{&AfxGetPromptService, &AfxGetClock, &AfxGetFileDialogService,
                                     &AfxAddResourceModule, &AfxRemoveResourceModule};

// The services of the program in use, looked up at each call, so a service
// the program installs later (a test's scripted prompts) is used too.
std::atomic<const AfxHostServices*> g_host{nullptr};

class CHostPrompts : public IPromptService {
public:
    int Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) override
    {
        return g_host.load()->prompts().Prompt(hWndOwner, lpszText, lpszCaption, nType);
    }
    int PromptLabelled(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType, const LPCTSTR* labels,
                       int nLabels) override
    {
        return g_host.load()->prompts().PromptLabelled(hWndOwner, lpszText, lpszCaption, nType, labels, nLabels);
    }
    void PromptDetached(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) override
    {
        g_host.load()->prompts().PromptDetached(lpszText, lpszCaption, nType);
    }
};

class CHostClock : public IClock {
public:
    std::uint64_t NowMs() override { return g_host.load()->clock().NowMs(); }
    void SleepMs(DWORD ms) override { g_host.load()->clock().SleepMs(ms); }
    bool WaitMs(void* wake, DWORD ms) override { return g_host.load()->clock().WaitMs(wake, ms); }
};

class CHostFileDialogs : public IFileDialogService {
public:
    INT_PTR Run(const CFileDialogRequest& request, CString& rPathName) override
    {
        return g_host.load()->fileDialogs().Run(request, rPathName);
    }
};

CHostPrompts g_hostPrompts;
CHostClock g_hostClock;
CHostFileDialogs g_hostFileDialogs;

} // namespace

const AfxHostServices* AfxGetHostServices()
{
    return &g_hostServices;
}

BOOL AfxJoinHostFramework(HINSTANCE library)
{
    AfxAddResourceModule(library);
    using GetServices = const AfxHostServices* (*)();
    auto get = reinterpret_cast<GetServices>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA(nullptr), "AfxGetHostServices")));
    const AfxHostServices* host = get ? get() : nullptr;
    if (!host || host == &g_hostServices)
        return FALSE;
    g_host = host;
    host->addResourceModule(library);
    AfxSetPromptService(&g_hostPrompts);
    AfxSetClock(&g_hostClock);
    AfxSetFileDialogService(&g_hostFileDialogs);
    return TRUE;
}

void AfxLeaveHostFramework(HINSTANCE library)
{
    AfxRemoveResourceModule(library);
    const AfxHostServices* host = g_host.load();
    if (!host)
        return;
    AfxSetPromptService(nullptr);
    AfxSetClock(nullptr);
    AfxSetFileDialogService(nullptr);
    host->removeResourceModule(library);
}
