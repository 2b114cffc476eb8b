// Two small modal dialogs of the project window:
// CAskUnfixProgramsDialog asks, when the controller's programs are fixed
// into EPROM, whether the project check goes on with them fixed or makes
// them editable first; CProgramProperties shows one program's properties.
#pragma once

#include "framework/dialog.h"
#include "link/programdata.h"

class CAskUnfixProgramsDialog : public CDialog {
    DECLARE_DYNAMIC(CAskUnfixProgramsDialog)
public:
    enum { CONTINUE_FIXED = 0, MAKE_EDITABLE = 1 };

    explicit CAskUnfixProgramsDialog(CWnd* pParent = nullptr);
    // After IDOK: whether the programs are to be made editable.
    BOOL IsMakeEditable() const { return m_nChoice == MAKE_EDITABLE; }

    int m_nChoice = CONTINUE_FIXED;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

class CProgramProperties : public CDialog {
    DECLARE_DYNAMIC(CProgramProperties)
public:
    CProgramProperties(CWnd* pParent, const CProgramData& program);

    // The texts the fields show.
    static CString AutoRunText(int autoRun);
    static CString EditableText(int editable);

protected:
    BOOL OnInitDialog() override;

private:
    CProgramData m_program;
};
