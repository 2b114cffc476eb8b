// CProgCheckFailDialog: the small question of the project check for one
// program that failed its check: "&Save" (the controller's copy to the
// PC), "&Load" (the PC's copy into the controller) or "&Cancel". It tells
// its parent window (the project window) by a posted message: 0x811B for
// Save and 0x811A for Load, each with the program name and the second text
// as heap copies that the receiver frees with FreeCheckFailText, or 0x810E
// (wParam 3) for any other end.
#pragma once

#include "ui/userdialog.h"

class CProgCheckFailDialog : public CUserDialog {
public:
    CProgCheckFailDialog(CWnd* pParent, LPCSTR caption, LPCSTR message, LPCSTR program, LPCSTR second);

    void EndWithButton(int nIndex) override;

private:
    HWND m_hWndNotify;
    CString m_strProgram;
    CString m_strSecond;
};

// A heap copy of a text for a posted message, and its release.
char* DuplicateCheckFailText(LPCSTR text);
void FreeCheckFailText(LPARAM text);
