// The prompt service: every message box and question of the system goes
// through it. The program's service shows a window; tests install a
// scripted one that records what was asked and answers for the user.
#pragma once

#include <windows.h>

class IPromptService {
public:
    virtual ~IPromptService() = default;
    // Shows text with caption and MB_ flags; returns the button chosen
    // (IDOK, IDCANCEL, IDYES, IDNO, ...).
    virtual int Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) = 0;
};

// The service in use (the system message box until one is installed);
// installing null puts the system message box back.
IPromptService& AfxGetPromptService();
void AfxSetPromptService(IPromptService* pService);

// The caption of prompts that do not name one: the application's name.
LPCTSTR AfxGetAppName();
void AfxSetAppName(LPCTSTR lpszName);

// Asks through the service, with the application's name as the caption.
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The text is a string resource.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
