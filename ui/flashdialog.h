// CFlashDialog: a small notice that shows for a moment over another window,
// beeps and hides again (the editor's "End of file found, continuing from
// start" when a search passes the end of the program). The wait runs on
// the clock in use and serves messages sent to the thread's windows.
#pragma once

#include <windows.h>

#include "framework/dialog.h"
#include "ui/labels.h"

class CFlashDialog : public CDialog {
    DECLARE_DYNAMIC(CFlashDialog)
public:
    // Loads the notice text (string nIDText) and creates the notice hidden.
    CFlashDialog(CWnd* pParent, UINT nIDText, LPCTSTR lpszFallback = "");
    ~CFlashDialog() override;

    // Moves the notice's top-left corner to point (screen), keeping its size.
    void MoveTo(POINT point);
    // Shows the notice (with a new text, when one is given), drawn at once,
    // beeps, waits nMilliseconds and hides it again.
    void Flash(DWORD nMilliseconds, LPCTSTR lpszText = nullptr);

    const CString& GetText() const { return m_strText; }

protected:
    BOOL OnInitDialog() override;
    // Sizes the label to the text plus 4 pixels on each side and the
    // window around it.
    void FitToText();

    CString m_strText;
    CLabel m_label;
};
