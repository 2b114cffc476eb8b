#include "ui/promptservice.h"

#include "ui/resource.h"
#include "ui/userdialog.h"

namespace {

struct ButtonSpec {
    UINT nTextID; // 0: the text below only
    const char* text;
    int result;
};

const ButtonSpec kOK = {IDS_BUTTON_OK, "&OK", IDOK};
const ButtonSpec kCancel = {0, "&Cancel", IDCANCEL};
const ButtonSpec kYes = {IDS_BUTTON_YES, "&Yes", IDYES};
const ButtonSpec kNo = {IDS_BUTTON_NO, "&No", IDNO};
const ButtonSpec kAbort = {0, "&Abort", IDABORT};
const ButtonSpec kRetry = {0, "&Retry", IDRETRY};
const ButtonSpec kIgnore = {0, "&Ignore", IDIGNORE};
const ButtonSpec kTryAgain = {0, "&Try Again", IDTRYAGAIN};
const ButtonSpec kContinue = {0, "&Continue", IDCONTINUE};

struct TypeButtons {
    UINT type;
    ButtonSpec buttons[3];
    int count;
};

const TypeButtons kTypes[] = {
    {MB_OK, {kOK}, 1},
    {MB_OKCANCEL, {kOK, kCancel}, 2},
    {MB_ABORTRETRYIGNORE, {kAbort, kRetry, kIgnore}, 3},
    {MB_YESNOCANCEL, {kYes, kNo, kCancel}, 3},
    {MB_YESNO, {kYes, kNo}, 2},
    {MB_RETRYCANCEL, {kRetry, kCancel}, 2},
    {MB_CANCELTRYCONTINUE, {kCancel, kTryAgain, kContinue}, 3},
};

} // namespace

CUserPromptService::CUserPromptService(IPromptService* pFallback) : m_pFallback(pFallback) {}

void CUserPromptService::AddButtonsForType(CUserDialog& dialog, UINT nType)
{
    const TypeButtons* pType = &kTypes[0]; // unknown types get OK
    for (const TypeButtons& t : kTypes) {
        if (t.type == (nType & MB_TYPEMASK))
            pType = &t;
    }
    int defaultIndex = static_cast<int>((nType & MB_DEFMASK) >> 8);
    if (defaultIndex >= pType->count)
        defaultIndex = 0;
    for (int i = 0; i < pType->count; ++i) {
        const ButtonSpec& b = pType->buttons[i];
        const CString text = b.nTextID ? LoadStringOr(b.nTextID, b.text) : CString(b.text);
        dialog.AddButton(text, b.result, i == defaultIndex);
    }
}

int CUserPromptService::Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    CUserDialog dialog(nullptr, lpszCaption ? lpszCaption : "");
    dialog.KeepParentHandle(hWndOwner);
    dialog.SetMessageText(lpszText ? lpszText : "");
    AddButtonsForType(dialog, nType);
    const int result = static_cast<int>(dialog.DoModal());
    if (dialog.WasShown())
        return result;
    if (m_pFallback)
        return m_pFallback->Prompt(hWndOwner, lpszText, lpszCaption, nType);
    const int answer = ::MessageBoxA(hWndOwner, lpszText, lpszCaption, nType);
    return answer ? answer : IDCANCEL;
}
