#include "shell/aboutdialog.h"

#include "foundation/versioninfo.h"
#include "shell/visual_resource.h"

CString BuildText()
{
    CString text;
    text.Format("Built on %s at %s", __DATE__, __TIME__);
    return text;
}

CAboutDialog::CAboutDialog(CWnd* pParent) : CDialog(IDD_ABOUT, pParent) {}

void CAboutDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ABOUT_LEGAL, m_legalText);
    DDX_Control(pDX, IDC_ABOUT_CREDIT, m_creditText);
    DDX_Control(pDX, IDOK, m_okButton);
    DDX_Text(pDX, IDC_ABOUT_VERSION, m_strVersion);
    DDX_Text(pDX, IDC_ABOUT_BUILD, m_strBuild);
}

BOOL CAboutDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    const CVersionInfo version;
    CString label;
    label.LoadString(IDS_VERSION);
    m_strVersion = label + ": " + version.GetVersionText(TRUE);
    m_strBuild = BuildText();
    UpdateData(FALSE); // attaches the controls
    m_legalText.SetWindowText(version.GetCopyright());
    m_creditText.ShowWindow(SW_HIDE);

    // Without the second credit line the box ends below the legal notice:
    // it is made shorter by the gap, and OK moves up by as much.
    CRect legal;
    CRect ok;
    m_legalText.GetWindowRect(&legal);
    m_okButton.GetWindowRect(&ok);
    const int gap = ok.bottom - legal.bottom;
    if (gap > 0) {
        CRect box;
        GetWindowRect(&box);
        SetWindowPos(nullptr, 0, 0, box.Width(), box.Height() - gap, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ScreenToClient(&ok);
        m_okButton.SetWindowPos(nullptr, ok.left, ok.top - gap, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}
