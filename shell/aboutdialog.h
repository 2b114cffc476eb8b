// CAboutDialog: Help > About: the program's version with its special
// build, when it was built, and the legal notice of its version resource.
#pragma once

#include <windows.h>

#include "framework/controls.h"
#include "framework/dialog.h"

class CAboutDialog : public CDialog {
public:
    explicit CAboutDialog(CWnd* pParent = nullptr);

    CString m_strBuild;   // "Built on <date> at <time>"
    CString m_strVersion; // "Version: <version text>"

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    CStatic m_legalText;
    CStatic m_creditText;
    CButton m_okButton;
};

// The build text of this program: "Built on %s at %s" with the compiler's
// date and time of the build.
CString BuildText();
