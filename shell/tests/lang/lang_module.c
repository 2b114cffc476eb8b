/* The code of the language tests' probe program and libraries: nothing
 * runs, only their resources are read. */
#include <windows.h>

#ifdef LANG_LIBRARY
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
#else
int main(void)
{
    return 0;
}
#endif
