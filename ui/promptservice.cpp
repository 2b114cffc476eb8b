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

void CUserPromptService::AddButtonsForType(CUserDialog& dialog, UINT nType, const LPCTSTR* labels, int nLabels)
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
        CString text = b.nTextID ? LoadStringOr(b.nTextID, b.text) : CString(b.text);
        if (labels && i < nLabels && labels[i])
            text = labels[i];
        dialog.AddButton(text, b.result, i == defaultIndex);
    }
}

int CUserPromptService::Prompt(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    return PromptLabelled(hWndOwner, lpszText, lpszCaption, nType, nullptr, 0);
}

int CUserPromptService::PromptLabelled(HWND hWndOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType,
                                       const LPCTSTR* labels, int nLabels)
{
    CUserDialog dialog(nullptr, lpszCaption ? lpszCaption : "");
    dialog.KeepParentHandle(hWndOwner);
    dialog.SetMessageText(lpszText ? lpszText : "");
    AddButtonsForType(dialog, nType, labels, nLabels);
    const int result = static_cast<int>(dialog.DoModal());
    if (dialog.WasShown())
        return result;
    if (m_pFallback)
        return m_pFallback->PromptLabelled(hWndOwner, lpszText, lpszCaption, nType, labels, nLabels);
    const int answer = ::MessageBoxA(hWndOwner, lpszText, lpszCaption, nType);
    return answer ? answer : IDCANCEL;
}
