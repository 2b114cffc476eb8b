// The program's prompt service: every message box and question of the
// program is shown as a user dialog (CUserDialog) with the buttons of its
// message-box type. The application installs it with AfxSetPromptService;
// tests install a scripted service instead.
//
// A user dialog needs the project window; before it runs (or when it
// refuses the dialog) the prompt goes to the fallback service, so no
// message is ever lost. Detached prompts run Prompt on a thread of their
// own (the caller never waits).
#pragma once

#include <windows.h>

#include "framework/prompt.h"

class CUserDialog;

class CUserPromptService : public IPromptService {
public:
    // Without a fallback the platform's message box stands in.
    explicit CUserPromptService(IPromptService* pFallback = nullptr);

    int Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) override;
    int PromptLabelled(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType, const LPCTSTR* labels,
                       int nLabels) override;

    // Adds the buttons of a message-box type (MB_OK ... MB_CANCELTRYCONTINUE,
    // the default button from MB_DEFBUTTON1..3) to a dialog; labels, where
    // given and not null, replace the buttons' texts in order.
    static void AddButtonsForType(CUserDialog& dialog, UINT nType, const LPCTSTR* labels = nullptr,
                                  int nLabels = 0);

private:
    IPromptService* m_pFallback;
};
