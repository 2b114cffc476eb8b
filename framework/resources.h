// Where the framework loads its resources from. The application object
// later places a language library in front of the program itself; until
// then resources come from the program's own module.
#pragma once

#include <windows.h>

HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE resources);
HINSTANCE AfxGetInstanceHandle();
void AfxSetInstanceHandle(HINSTANCE instance);
// The module that holds a resource: the language library when it has it,
// otherwise the program.
HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType);
