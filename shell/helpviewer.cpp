#include "shell/helpviewer.h"

#include <atomic>

namespace {

// The system's HTML help, from its control library, loaded on first use and
// kept for the program's lifetime.
class CSystemHelpViewer : public IHelpViewer {
public:
    HWND Show(HWND hWndOwner, LPCSTR lpszFile, UINT nCommand, DWORD_PTR dwData) override
    {
        using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
        static const HtmlHelpFn htmlHelp = [] {
            HMODULE module = LoadLibraryA("hhctrl.ocx");
            return module ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA")))
                          : nullptr;
        }();
        return htmlHelp ? htmlHelp(hWndOwner, lpszFile, nCommand, dwData) : nullptr;
    }
};

CSystemHelpViewer g_systemViewer;
std::atomic<IHelpViewer*> g_viewer{&g_systemViewer};

} // namespace

IHelpViewer& GetHelpViewer()
{
    return *g_viewer.load();
}

void SetHelpViewer(IHelpViewer* pViewer)
{
    g_viewer = pViewer ? pViewer : &g_systemViewer;
}
