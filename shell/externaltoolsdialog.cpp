#include "shell/externaltoolsdialog.h"

#include <cstring>

#include "framework/filedialog.h"
#include "framework/prompt.h"
#include "shell/externaltools.h"
#include "shell/res/shell_resource.h"
#include "shell/shellmessages.h"
#include "settings/vqregistry.h"
#include "ui/toolmessages.h"
#include "ui/userdialog.h"

IMPLEMENT_DYNAMIC(CAddExternalTool, CDialog)
IMPLEMENT_DYNAMIC(CExternalTools, CShellToolDialog)

// --- CAddExternalTool ------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CAddExternalTool, CDialog)
ON_BN_CLICKED(IDC_TOOL_BROWSE, OnBrowse)
END_MESSAGE_MAP()

CAddExternalTool::CAddExternalTool(CWnd* pParent) : CDialog(IDD_ADD_EXTERNAL_TOOL, pParent) {}

void CAddExternalTool::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_TOOL_FILE, m_strFile);
    DDX_Text(pDX, IDC_TOOL_NAME, m_strName);
}

void CAddExternalTool::OnBrowse()
{
    UpdateData(TRUE);
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "Application(*.exe)|*.exe||", this);
    if (dialog.DoModal() == IDOK) {
        m_strFile = dialog.GetPathName();
        m_strName = dialog.GetFileTitle();
    }
    UpdateData(FALSE);
}

void CAddExternalTool::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

// --- CExternalTools ----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CExternalTools, CShellToolDialog)
ON_BN_CLICKED(IDC_TOOL_ADD, OnAdd)
ON_BN_CLICKED(IDC_TOOL_DELETE, OnDelete)
ON_BN_CLICKED(IDC_TOOL_CLOSE, OnClose)
ON_LBN_SELCHANGE(IDC_TOOL_LIST, OnSelectionChange)
END_MESSAGE_MAP()

CExternalTools::CExternalTools(CWnd* pParent, HWND hWndProject, HWND hWndMainFrame)
    : CShellToolDialog(IDD_EXTERNAL_TOOLS, pParent, TOOL_ID_DIALOG, "External Tools", hWndProject),
      m_hWndMainFrame(hWndMainFrame)
{
}

BOOL CExternalTools::OnInitDialog()
{
    CShellToolDialog::OnInitDialog();
    m_list.SubclassDlgItem(IDC_TOOL_LIST, this);
    CVQRegistry settings;
    const int count = settings.GetExternalToolCount();
    for (int i = 0; i < count; ++i) {
        VQExternalTool tool = {};
        if (settings.GetExternalTool(i, &tool))
            m_list.AddString(tool.name);
    }
    UpdateButtons();
    return TRUE;
}

void CExternalTools::UpdateButtons()
{
    const int count = m_list.GetCount();
    ::EnableWindow(GetDlgItemHwnd(IDC_TOOL_DELETE), count > 0 && m_list.GetCurSel() != LB_ERR);
    ::EnableWindow(GetDlgItemHwnd(IDC_TOOL_ADD), count < MAX_EXTERNAL_TOOLS);
}

void CExternalTools::OnSelectionChange()
{
    UpdateButtons();
}

BOOL CExternalTools::IsListed(const CString& name) const
{
    for (int i = 0; i < m_list.GetCount(); ++i) {
        CString listed;
        m_list.GetText(i, listed);
        if (listed.CompareNoCase(name) == 0)
            return TRUE;
    }
    return FALSE;
}

void CExternalTools::ToolsChanged()
{
    if (::IsWindow(m_hWndMainFrame))
        ::SendMessageA(m_hWndMainFrame, WM_EXTERNAL_TOOLS_CHANGED, 0, 0);
    UpdateButtons();
}

void CExternalTools::OnAdd()
{
    if (m_list.GetCount() >= MAX_EXTERNAL_TOOLS)
        return;
    CAddExternalTool add(this);
    if (add.DoModal() != IDOK)
        return;
    VQExternalTool tool = {};
    std::strncpy(tool.file, add.m_strFile.Left(sizeof tool.file - 1), sizeof tool.file - 1);
    std::strncpy(tool.name, add.m_strName.Left(sizeof tool.name - 1), sizeof tool.name - 1);
    if (!tool.file[0] || !tool.name[0])
        return;
    // Tools are deleted by name, so a second tool of the same name would
    // take the first one's place when either is deleted.
    if (IsListed(tool.name)) {
        CString text;
        text.Format(LoadStringOr(IDS_TOOL_ALREADY_LISTED), tool.name);
        AfxGetPromptService().Prompt(m_hWnd, text, GetWindowTextString(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CVQRegistry().AddExternalTool(&tool);
    m_list.AddString(tool.name);
    ToolsChanged();
}

void CExternalTools::OnDelete()
{
    const int selected = m_list.GetCurSel();
    if (selected == LB_ERR)
        return;
    CString name;
    m_list.GetText(selected, name);
    if (name.IsEmpty())
        return;
    CVQRegistry().DeleteExternalTool(name);
    m_list.DeleteString(static_cast<UINT>(selected));
    ToolsChanged();
}

void CExternalTools::OnClose()
{
    DestroyWindow();
}

void CExternalTools::OnOK()
{
    // Enter in the list does not close the dialog; "&Close" does.
}

void CExternalTools::OnCancel()
{
    DestroyWindow();
}
