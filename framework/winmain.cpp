// The entry point of the framework's GUI programs. It lives in its own
// object file of the library, so only programs that need a WinMain (built
// for the GUI subsystem) take it in.
#include <windows.h>

#include "framework/app.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
