#include "project/programdialogs.h"

#include "project/programtypes.h"
#include "project/project_resource.h"

IMPLEMENT_DYNAMIC(CAskUnfixProgramsDialog, CDialog)

CAskUnfixProgramsDialog::CAskUnfixProgramsDialog(CWnd* pParent) : CDialog(IDD_ASK_UNFIX_PROGRAMS, pParent) {}

void CAskUnfixProgramsDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    // The two radio buttons in template order: continue fixed, make editable.
    DDX_Radio(pDX, IDC_UNFIX_CONTINUE_FIXED, m_nChoice);
}

IMPLEMENT_DYNAMIC(CProgramProperties, CDialog)

CProgramProperties::CProgramProperties(CWnd* pParent, const CProgramData& program)
    : CDialog(IDD_PROGRAM_PROPERTIES, pParent), m_program(program)
{
}

CString CProgramProperties::AutoRunText(int autoRun)
{
    CString text;
    if (autoRun == -1)
        text = "Default";
    else if (autoRun > 0)
        text.Format("%d", autoRun);
    return text;
}

CString CProgramProperties::EditableText(int editable)
{
    return editable ? "&Yes" : "&No";
}

BOOL CProgramProperties::OnInitDialog()
{
    CDialog::OnInitDialog();
    CString source, code;
    source.Format("%ld", static_cast<long>(m_program.m_nSourceSize));
    code.Format("%ld", static_cast<long>(m_program.m_nCodeSize));
    SetDlgItemText(IDC_PROPERTIES_NAME, m_program.m_strName);
    SetDlgItemText(IDC_PROPERTIES_TYPE, GetProgramTypeName(m_program.m_nType));
    SetDlgItemText(IDC_PROPERTIES_SOURCE, source);
    SetDlgItemText(IDC_PROPERTIES_CODE, code);
    SetDlgItemText(IDC_PROPERTIES_AUTORUN, AutoRunText(m_program.m_nAutoRun));
    SetDlgItemText(IDC_PROPERTIES_EDITABLE, EditableText(m_program.m_nEditable));
    return TRUE;
}
