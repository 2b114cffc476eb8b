#include "project/projectdialogs.h"

#include <algorithm>

#include "foundation/registry.h"
#include "foundation/textutil.h"
#include "project/project_resource.h"
#include "settings/vqregistry.h"

// ---------------------------------------------------------------- CEnterTextDialog

IMPLEMENT_DYNAMIC(CEnterTextDialog, CDialog)

BEGIN_MESSAGE_MAP(CEnterTextDialog, CDialog)
ON_EN_CHANGE(IDC_ENTER_TEXT, OnTextChange)
END_MESSAGE_MAP()

CEnterTextDialog::CEnterTextDialog(CWnd* pParent, LPCSTR caption, LPCSTR prompt, CString* result)
    : CDialog(IDD_ENTER_TEXT, pParent), m_strCaption(caption ? caption : ""), m_strPrompt(prompt ? prompt : ""),
      m_pResult(result)
{
}

BOOL CEnterTextDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_strCaption);
    SetDlgItemText(IDC_ENTER_PROMPT, m_strPrompt);
    if (m_pResult)
        SetDlgItemText(IDC_ENTER_TEXT, *m_pResult);
    OnTextChange();
    if (CWnd* edit = GetDlgItem(IDC_ENTER_TEXT))
        edit->SetFocus();
    return FALSE;
}

void CEnterTextDialog::OnTextChange()
{
    CString text;
    GetDlgItemText(IDC_ENTER_TEXT, text);
    SetDefID(text.IsEmpty() ? IDCANCEL : IDOK);
}

void CEnterTextDialog::OnOK()
{
    if (m_pResult)
        GetDlgItemText(IDC_ENTER_TEXT, *m_pResult);
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- CRecentProjectsDialog

IMPLEMENT_DYNAMIC(CRecentProjectsDialog, CDialog)

BEGIN_MESSAGE_MAP(CRecentProjectsDialog, CDialog)
ON_WM_SIZE()
ON_LBN_SELCHANGE(IDC_RECENT_LIST, OnSelectionChange)
ON_LBN_DBLCLK(IDC_RECENT_LIST, OnDoubleClick)
END_MESSAGE_MAP()

CRecentProjectsDialog::CRecentProjectsDialog(CWnd* pParent) : CDialog(IDD_RECENT_PROJECTS, pParent) {}

void CRecentProjectsDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_RECENT_LIST, m_list);
}

BOOL CRecentProjectsDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    Fill();
    m_bInitialised = TRUE;
    FitEntries();
    Layout();
    UpdateButtons();
    return TRUE;
}

void CRecentProjectsDialog::FitEntries()
{
    // The widest entry in the list's font, with room for the margins.
    int widest = 0;
    HDC hDC = ::GetDC(m_list.m_hWnd);
    HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HGDIOBJ>(m_list.SendMessage(WM_GETFONT)));
    for (int i = 0; i < m_list.GetCount(); ++i) {
        CString entry;
        m_list.GetText(i, entry);
        SIZE size = {};
        ::GetTextExtentPoint32A(hDC, entry, entry.GetLength(), &size);
        widest = std::max(widest, static_cast<int>(size.cx) + 2 * ::GetSystemMetrics(SM_CXEDGE) + 4);
    }
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(m_list.m_hWnd, hDC);
    // Whole paths tell projects apart (two in one folder differ at the end
    // only): the dialog grows to show them, up to the screen's width, and
    // the list scrolls sideways beyond that.
    m_list.SetHorizontalExtent(widest);
    CRect list, window, screen;
    m_list.GetClientRect(&list);
    GetWindowRect(&window);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    const int grow = std::min(widest - list.Width(), screen.Width() - window.Width());
    if (grow > 0) {
        const int left = std::max(screen.left, window.left - grow / 2);
        SetWindowPos(nullptr, left, window.top, window.Width() + grow, window.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CRecentProjectsDialog::Fill()
{
    m_list.ResetContent();
    CRegistry key;
    if (!key.Open(HKEY_CURRENT_USER, CVQRegistry::KeyPath("\\Projects")))
        return;
    for (int i = 0; i < 100; ++i) {
        CString path;
        if (!key.GetString(FormatString("Project%02d", i), path) || path.IsEmpty())
            break;
        m_list.AddString(path);
    }
}

void CRecentProjectsDialog::UpdateButtons()
{
    const bool selected = m_list.GetCurSel() != LB_ERR;
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(selected);
    SetDefID(selected ? IDOK : IDCANCEL);
}

void CRecentProjectsDialog::OnSelectionChange()
{
    m_strResult.Empty();
    const int selected = m_list.GetCurSel();
    if (selected != LB_ERR)
        m_list.GetText(selected, m_strResult);
    UpdateButtons();
}

void CRecentProjectsDialog::OnDoubleClick()
{
    OnSelectionChange();
    if (!m_strResult.IsEmpty())
        EndDialog(IDOK);
}

void CRecentProjectsDialog::OnSize(UINT, int, int)
{
    if (m_bInitialised)
        Layout();
}

void CRecentProjectsDialog::Layout()
{
    CWnd* ok = GetDlgItem(IDOK);
    CWnd* cancel = GetDlgItem(IDCANCEL);
    if (!ok || !cancel)
        return;
    CRect button, client;
    ok->GetWindowRect(&button);
    GetClientRect(&client);
    const int h = button.Height(), w = button.Width(), m = h / 3;
    const int minWidth = 2 * w + 3 * m, minHeight = 3 * (h + m);
    if (client.Width() < minWidth || client.Height() < minHeight) {
        CRect window;
        GetWindowRect(&window);
        const int growX = std::max(0, minWidth - client.Width());
        const int growY = std::max(0, minHeight - client.Height());
        SetWindowPos(nullptr, 0, 0, window.Width() + growX, window.Height() + growY,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    const int top = client.bottom - h - m;
    const int gap = (client.Width() - 2 * w) / 3;
    ok->SetWindowPos(nullptr, gap, top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    cancel->SetWindowPos(nullptr, 2 * gap + w, top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    m_list.SetWindowPos(nullptr, m, m, client.Width() - 2 * m, top - 2 * m, SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate();
}
