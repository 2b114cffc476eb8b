// The library joins the framework of the program that loads it: its
// prompts and waits use the program's services, and its messages are found
// by the program's string lookups.
#include <windows.h>

#include "framework/hostframework.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        ::DisableThreadLibraryCalls(instance);
        AfxJoinHostFramework(instance);
        break;
    case DLL_PROCESS_DETACH:
        AfxLeaveHostFramework(instance);
        break;
    default:
        break;
    }
    return TRUE;
}
