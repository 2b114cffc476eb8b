// The help viewer: every opening of a compiled HTML help file goes through
// one service, like the prompt service. The program's service calls the
// system's HTML help; tests install one that records the calls.
#pragma once

#include <windows.h>

// The HTML help commands the program uses.
const UINT HELP_DISPLAY_TOPIC = 0x0000; // HH_DISPLAY_TOPIC
const UINT HELP_CONTEXT_ID = 0x000F;    // HH_HELP_CONTEXT

class IHelpViewer {
public:
    virtual ~IHelpViewer() = default;
    // HtmlHelp(owner, file, command, data): the viewer's window, or null.
    virtual HWND Show(HWND hWndOwner, LPCSTR lpszFile, UINT nCommand, DWORD_PTR dwData) = 0;
};

// The viewer in use (the system's until one is installed); installing null
// puts the system's back.
IHelpViewer& GetHelpViewer();
void SetHelpViewer(IHelpViewer* pViewer);
