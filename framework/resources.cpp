#include "framework/resources.h"

#include <atomic>

#include "framework/cstring.h"

namespace {
std::atomic<HINSTANCE> g_resources{nullptr};
std::atomic<HINSTANCE> g_instance{nullptr};
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

HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    if (hInst != AfxGetInstanceHandle() && ::FindResourceA(hInst, lpszName, lpszType))
        return hInst;
    return AfxGetInstanceHandle();
}

BOOL CString::LoadStringA(UINT id)
{
    // The language library first, then the program's own strings. Strings
    // are stored sixteen to a block and a library may hold a block without
    // every string of it, so the string itself is looked for.
    HINSTANCE hInst = AfxGetResourceHandle();
    char probe[2];
    if (hInst != AfxGetInstanceHandle() && ::LoadStringA(hInst, id, probe, sizeof probe) <= 0)
        hInst = AfxGetInstanceHandle();
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
