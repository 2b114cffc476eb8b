// The prompt service: every message box and question of the system goes
// through it. The program's service shows a window; tests install a
// scripted one that records what was asked and answers for the user.
#pragma once

#include <windows.h>

class IPromptService {
public:
    virtual ~IPromptService() = default;
    // Shows text with caption and MB_ flags and waits for the answer: the
    // button chosen (IDOK, IDCANCEL, IDYES, IDNO, ...), IDCANCEL for every
    // abnormal end.
    virtual int Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) = 0;
    // The same question with the type's buttons labelled by the caller
    // ("&Backup", "&Overwrite", "&Cancel" for MB_YESNOCANCEL, in the type's
    // order); a null label keeps the button's own text. The answer is still
    // the type's button id. The system message box cannot relabel its
    // buttons, so the default shows the type's own.
    virtual int PromptLabelled(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType,
                               const LPCTSTR* labels, int nLabels)
    {
        (void)labels;
        (void)nLabels;
        return Prompt(hWndOwner, lpszText, lpszCaption, nType);
    }

    // Shows text with caption and returns at once: the box lives on a
    // thread of its own, so a worker or receive thread that reports an
    // error never blocks. The default runs Prompt on a new thread.
    virtual void PromptDetached(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType = MB_OK);
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
