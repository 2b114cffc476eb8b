#include "shell/linkdialogs/commsdialogs.h"

#include "foundation/logline.h"
#include "framework/resources.h"
#include "link/commlinks.h"
#include "shell/linkdialogs/commsoptionpages.h"
#include "shell/linkdialogs/linkdialogs_resource.h"
#include "shell/mainframe.h"
#include "shell/res/mainframe_resource.h"
#include "settings/vqregistry.h"
#include "ui/toolmessages.h"

IMPLEMENT_DYNAMIC(CCommsLinkConfigDialog, CDialog)
IMPLEMENT_DYNAMIC(CCommsLinkDialog, CShellToolDialog)
IMPLEMENT_DYNAMIC(CChooseCommsLinkDialog, CShellToolDialog)

namespace {

const UINT WM_OPEN_TOOL = WM_APP + 0x14C; // 0x814C to the project window

// The type list's entries, in order.
const struct {
    UINT name;
    int type;
} kLinkTypes[] = {
    {IDS_LINK_TYPE_SERIAL, LINK_TYPE_SERIAL},   {IDS_LINK_TYPE_ETHERNET, LINK_TYPE_ETHERNET},
    {IDS_LINK_TYPE_USB, LINK_TYPE_USB},         {IDS_LINK_TYPE_PCI, LINK_TYPE_PCI},
    {IDS_LINK_TYPE_QCSIM, LINK_TYPE_SIMULATOR},
};

} // namespace

// --- CCommsLinkConfigDialog ------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CCommsLinkConfigDialog, CDialog)
ON_CBN_SELCHANGE(IDC_LINK_TYPE, OnTypeChange)
ON_WM_MOVE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CCommsLinkConfigDialog::CCommsLinkConfigDialog(CWnd* pParent, int nLinkNumber, CCommPortData* pRecord)
    : CDialog(IDD_COMMS_LINK_CONFIG, pParent), m_nLinkNumber(nLinkNumber), m_pRecord(pRecord)
{
}

CCommsLinkConfigDialog::~CCommsLinkConfigDialog() = default;

int CCommsLinkConfigDialog::GetSelectedType() const
{
    const int index = static_cast<int>(SendDlgItemMessage(IDC_LINK_TYPE, CB_GETCURSEL));
    return index >= 0 && index < static_cast<int>(std::size(kLinkTypes)) ? kLinkTypes[index].type : 0;
}

BOOL CCommsLinkConfigDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemInt(IDC_LINK_NUMBER, static_cast<UINT>(m_nLinkNumber), FALSE);
    for (const auto& entry : kLinkTypes) {
        CString name;
        name.LoadString(entry.name);
        SendDlgItemMessage(IDC_LINK_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.GetString()));
    }
    int selected = 0;
    if (m_pRecord) {
        // The type of a stored link stays what it is.
        ::EnableWindow(GetDlgItemHwnd(IDC_LINK_TYPE), m_pRecord->m_nType == LINK_TYPE_NONE);
        selected = -1;
        for (int i = 0; i < static_cast<int>(std::size(kLinkTypes)); ++i)
            if (kLinkTypes[i].type == m_pRecord->m_nType)
                selected = i;
        if (m_pRecord->m_nType == LINK_TYPE_NONE)
            selected = 0;
    }
    SendDlgItemMessage(IDC_LINK_TYPE, CB_SETCURSEL, static_cast<WPARAM>(selected));
    // A FINS link has no page: OK keeps it as it is.
    if (selected >= 0)
        ShowPage(kLinkTypes[selected].type);
    return TRUE;
}

void CCommsLinkConfigDialog::OnTypeChange()
{
    // The new medium's page starts from its defaults.
    if (m_pRecord)
        m_pRecord->m_nType = LINK_TYPE_NONE;
    ShowPage(GetSelectedType());
}

void CCommsLinkConfigDialog::ShowPage(int nLinkType)
{
    if (m_pPage) {
        if (m_pPage->m_hWnd)
            m_pPage->DestroyWindow();
        m_pPage.reset();
    }
    std::unique_ptr<CCommsCommonConfigDialog> page(CreateCommsOptionPage(nLinkType, this, m_pRecord, TRUE));
    if (!page || !page->CreateEmbedded(this))
        return;
    m_pPage = std::move(page);
    m_pPage->LoadExtraSettings();
    PlacePage();
    m_pPage->ShowWindow(SW_SHOW);
}

void CCommsLinkConfigDialog::PlacePage()
{
    HWND hWndFrame = GetDlgItemHwnd(IDC_LINK_PAGE_FRAME);
    if (!m_pPage || !m_pPage->m_hWnd || !hWndFrame)
        return;
    CRect frame;
    ::GetWindowRect(hWndFrame, &frame);
    ScreenToClient(&frame);
    m_pPage->SetWindowPos(nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CCommsLinkConfigDialog::OnMove(int x, int y)
{
    CDialog::OnMove(x, y);
    PlacePage();
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CCommsLinkConfigDialog::OnOK()
{
    if (m_pPage) {
        if (!m_pPage->StoreToRecord())
            return; // the page told the user; the dialog stays open
        m_pPage->SaveExtraSettings();
    }
    EndDialog(IDOK);
}

void CCommsLinkConfigDialog::OnDestroy()
{
    if (m_pPage && m_pPage->m_hWnd)
        m_pPage->DestroyWindow();
    m_pPage.reset();
    CDialog::OnDestroy();
}

// --- CCommsLinkDialog ------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CCommsLinkDialog, CShellToolDialog)
ON_BN_CLICKED(IDC_LINK_ADD, OnAdd)
ON_BN_CLICKED(IDC_LINK_EDIT, OnEdit)
ON_BN_CLICKED(IDC_LINK_DELETE, OnDelete)
ON_BN_CLICKED(IDC_LINK_UP, OnUp)
ON_BN_CLICKED(IDC_LINK_DOWN, OnDown)
ON_BN_CLICKED(IDC_LINK_SINGLE, OnSingleLink)
ON_LBN_SELCHANGE(IDC_LINK_LIST, OnSelChange)
ON_LBN_DBLCLK(IDC_LINK_LIST, OnEdit)
ON_CONTROL(CLBN_CHKCHANGE, IDC_LINK_LIST, OnCheckChange)
ON_WM_DESTROY()
END_MESSAGE_MAP()

CCommsLinkDialog::CCommsLinkDialog(CWnd* pParent, HWND hWndProject)
    : CShellToolDialog(IDD_COMMS_LINKS, pParent, TOOL_ID_COMMS_LINKS, "Configure Comms", hWndProject)
{
}

BOOL CCommsLinkDialog::OnInitDialog()
{
    CShellToolDialog::OnInitDialog();
    m_list.SubclassDlgItem(IDC_LINK_LIST, this);
    const int count = GetCommLinkCount();
    for (int n = 0; n < count; ++n) {
        CCommPortData record;
        if (!GetCommLink(n, record))
            break;
        m_links.push_back(record);
        m_list.AddString(record.FormatDescription(true));
    }
    CVQRegistry settings;
    m_bSingleLink = settings.GetSelectSingleLink();
    m_nTimeout = static_cast<int>(settings.GetMessageTimeout());
    UpdateData(FALSE);
    SetUpMoveButtons();
    m_list.SetCurSel(m_links.empty() ? -1 : 0);
    RefreshChecks();
    UpdateButtons();
    return TRUE;
}

void CCommsLinkDialog::SetUpMoveButtons()
{
    const struct {
        int button;
        UINT image;
        const char* tip;
    } buttons[] = {{IDC_LINK_UP, IDB_LINK_UP, "Move up"}, {IDC_LINK_DOWN, IDB_LINK_DOWN, "Move down"}};
    if (m_toolTips.Create(this, TTS_ALWAYSTIP))
        m_toolTips.Activate(TRUE);
    for (int i = 0; i < 2; ++i) {
        HWND hWndButton = GetDlgItemHwnd(buttons[i].button);
        if (!hWndButton)
            continue;
        // Grey in the picture becomes the button's face.
        const LPCSTR name = MAKEINTRESOURCEA(buttons[i].image);
        m_hMoveImages[i] = static_cast<HBITMAP>(::LoadImageA(AfxFindResourceHandle(name, MAKEINTRESOURCEA(2)), name,
                                                             IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
        if (m_hMoveImages[i])
            ::SendMessageA(hWndButton, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_hMoveImages[i]));
        if (m_toolTips.m_hWnd)
            m_toolTips.AddTool(CWnd::FromHandle(hWndButton), buttons[i].tip);
    }
}

BOOL CCommsLinkDialog::PreTranslateMessage(MSG* pMsg)
{
    if (m_toolTips.m_hWnd && pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST)
        m_toolTips.RelayEvent(pMsg);
    return CShellToolDialog::PreTranslateMessage(pMsg);
}

void CCommsLinkDialog::OnDestroy()
{
    if (m_toolTips.m_hWnd)
        m_toolTips.DestroyWindow();
    CShellToolDialog::OnDestroy();
    for (HBITMAP& hImage : m_hMoveImages) {
        if (hImage)
            ::DeleteObject(hImage);
        hImage = nullptr;
    }
}

void CCommsLinkDialog::DoDataExchange(CDataExchange* pDX)
{
    CShellToolDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_LINK_TIMEOUT, m_nTimeout);
    DDV_MinMaxInt(pDX, m_nTimeout, 5, 120);
}

void CCommsLinkDialog::RefreshChecks()
{
    for (size_t i = 0; i < m_links.size(); ++i)
        m_list.SetCheck(static_cast<int>(i), m_links[i].m_nActive ? 1 : 0);
    CheckDlgButton(IDC_LINK_SINGLE, m_bSingleLink ? BST_CHECKED : BST_UNCHECKED);
}

void CCommsLinkDialog::UpdateButtons()
{
    const int selected = m_list.GetCurSel();
    const int count = static_cast<int>(m_links.size());
    ::EnableWindow(GetDlgItemHwnd(IDC_LINK_EDIT), selected >= 0);
    ::EnableWindow(GetDlgItemHwnd(IDC_LINK_DELETE), selected >= 0);
    ::EnableWindow(GetDlgItemHwnd(IDC_LINK_UP), selected > 0);
    ::EnableWindow(GetDlgItemHwnd(IDC_LINK_DOWN), selected >= 0 && selected < count - 1);
    CheckDlgButton(IDC_LINK_SINGLE, m_bSingleLink ? BST_CHECKED : BST_UNCHECKED);
}

void CCommsLinkDialog::StoreList() const
{
    for (int n = GetCommLinkCount() - 1; n >= static_cast<int>(m_links.size()); --n)
        DeleteCommLink(n);
    for (size_t i = 0; i < m_links.size(); ++i)
        SetCommLink(static_cast<int>(i), m_links[i]);
}

void CCommsLinkDialog::MakeOthersInactive(size_t keep)
{
    for (size_t i = 0; i < m_links.size(); ++i)
        if (i != keep)
            m_links[i].m_nActive = 0;
}

BOOL CCommsLinkDialog::EditRecord(CCommPortData& record, int nLinkNumber)
{
    CCommsLinkConfigDialog dialog(this, nLinkNumber, &record);
    return dialog.DoModal() == IDOK;
}

void CCommsLinkDialog::OnSelChange()
{
    UpdateButtons();
}

void CCommsLinkDialog::OnAdd()
{
    CCommPortData record;
    record.SetDefault();
    if (!EditRecord(record, static_cast<int>(m_links.size())))
        return;
    m_links.push_back(record);
    m_list.AddString(record.FormatDescription(true));
    if (m_bSingleLink)
        MakeOthersInactive(m_links.size() - 1);
    StoreList();
    m_list.SetCurSel(static_cast<int>(m_links.size() - 1));
    RefreshChecks();
    UpdateButtons();
}

void CCommsLinkDialog::OnEdit()
{
    const int selected = m_list.GetCurSel();
    if (selected < 0 || selected >= static_cast<int>(m_links.size()))
        return;
    CCommPortData record = m_links[selected];
    if (!EditRecord(record, selected))
        return;
    m_links[selected] = record;
    m_list.DeleteString(static_cast<UINT>(selected));
    m_list.InsertString(selected, record.FormatDescription(true));
    StoreList();
    m_list.SetCheck(selected, record.m_nActive ? 1 : 0);
    m_list.SetCurSel(selected);
    UpdateButtons();
}

void CCommsLinkDialog::OnDelete()
{
    const int selected = m_list.GetCurSel();
    if (selected < 0 || selected >= static_cast<int>(m_links.size()))
        return;
    // Nothing is stored before OK.
    m_links.erase(m_links.begin() + selected);
    m_list.DeleteString(static_cast<UINT>(selected));
    const int count = static_cast<int>(m_links.size());
    m_list.SetCurSel(count == 0 ? -1 : (selected < count ? selected : count - 1));
    UpdateButtons();
}

void CCommsLinkDialog::Move(int nFrom, int nTo)
{
    std::swap(m_links[nFrom], m_links[nTo]);
    m_list.DeleteString(static_cast<UINT>(nFrom));
    m_list.InsertString(nTo, m_links[nTo].FormatDescription(true));
    StoreList();
    RefreshChecks();
    m_list.SetCurSel(nTo);
    UpdateButtons();
}

void CCommsLinkDialog::OnUp()
{
    const int selected = m_list.GetCurSel();
    if (selected > 0 && selected < static_cast<int>(m_links.size()))
        Move(selected, selected - 1);
}

void CCommsLinkDialog::OnDown()
{
    const int selected = m_list.GetCurSel();
    if (selected >= 0 && selected + 1 < static_cast<int>(m_links.size()))
        Move(selected, selected + 1);
}

void CCommsLinkDialog::OnCheckChange()
{
    const int index = m_list.GetCurSel();
    if (index < 0 || index >= static_cast<int>(m_links.size())) {
        RefreshChecks();
        return;
    }
    CCommPortData& record = m_links[index];
    record.m_nActive = record.m_nActive ? 0 : 1;
    if (m_bSingleLink && record.m_nActive)
        MakeOthersInactive(static_cast<size_t>(index));
    RefreshChecks();
}

void CCommsLinkDialog::OnSingleLink()
{
    m_bSingleLink = !m_bSingleLink;
    // The link to keep: the selected one when it is checked, else the
    // first checked one.
    int keep = -1;
    const int selected = m_list.GetCurSel();
    if (selected >= 0 && selected < static_cast<int>(m_links.size()) && m_links[selected].m_nActive) {
        keep = selected;
    } else {
        for (size_t i = 0; i < m_links.size() && keep < 0; ++i)
            if (m_links[i].m_nActive)
                keep = static_cast<int>(i);
    }
    if (m_bSingleLink) {
        for (CCommPortData& record : m_links)
            record.m_nActive = 0;
        if (keep >= 0)
            m_links[keep].m_nActive = 1;
    }
    RefreshChecks();
    UpdateButtons();
}

void CCommsLinkDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return; // the range message was shown; nothing is stored
    CVQRegistry settings;
    settings.SetMessageTimeout(static_cast<DWORD>(m_nTimeout));
    settings.SetSelectSingleLink(m_bSingleLink);
    StoreList();
    PostMessage(WM_DESTROY_REQUEST);
}

void CCommsLinkDialog::OnCancel()
{
    // Added, edited and moved links are stored already; deletions are
    // dropped.
    PostMessage(WM_DESTROY_REQUEST);
}

// --- CChooseCommsLinkDialog ------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CChooseCommsLinkDialog, CShellToolDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_SHOW_ENABLED, OnShowEnabled)
ON_BN_CLICKED(IDC_SHOW_ALL, OnShowAll)
ON_LBN_DBLCLK(IDC_LINK_LIST, OnDoubleClick)
END_MESSAGE_MAP()

CChooseCommsLinkDialog::CChooseCommsLinkDialog(CWnd* pParent, HWND hWndProject)
    : CShellToolDialog(IDD_CHOOSE_COMMS_LINK, pParent, TOOL_ID_CHOOSE_COMMS_LINK, "Choose communications port",
                       hWndProject)
{
}

int CChooseCommsLinkDialog::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CShellToolDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_nCode = ::SendMessageA(GetProjectWindow(), WM_GET_CHOOSER_CODE, 0, 0);
    return 0;
}

BOOL CChooseCommsLinkDialog::OnInitDialog()
{
    CShellToolDialog::OnInitDialog();
    m_bShowAll = CVQRegistry().GetShowAllLinks();
    Fill();
    CString caption;
    caption.LoadString(IDS_CHOOSE_LINK_CAPTION);
    SetWindowText(caption);
    return TRUE;
}

void CChooseCommsLinkDialog::Fill()
{
    HWND hWndList = GetDlgItemHwnd(IDC_LINK_LIST);
    const int selected = static_cast<int>(::SendMessageA(hWndList, LB_GETCURSEL, 0, 0));
    const LRESULT remembered =
        selected >= 0 ? ::SendMessageA(hWndList, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0) : -1;
    CheckRadioButton(IDC_SHOW_ENABLED, IDC_SHOW_ALL, m_bShowAll ? IDC_SHOW_ALL : IDC_SHOW_ENABLED);
    ::SendMessageA(hWndList, LB_RESETCONTENT, 0, 0);
    const int count = GetCommLinkCount();
    int select = 0;
    for (int n = 0; n < count; ++n) {
        CCommPortData record;
        if (!GetCommLink(n, record))
            break;
        if (!m_bShowAll && !record.m_nActive)
            continue;
        const CString line = record.FormatDescription(true);
        const LRESULT item = ::SendMessageA(hWndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.GetString()));
        if (item < 0)
            break;
        ::SendMessageA(hWndList, LB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(n));
        if (n == remembered)
            select = static_cast<int>(item);
    }
    ::SendMessageA(hWndList, LB_SETCURSEL, static_cast<WPARAM>(select), 0);
}

void CChooseCommsLinkDialog::OnShowEnabled()
{
    if (!m_bShowAll)
        return;
    m_bShowAll = FALSE;
    Fill();
}

void CChooseCommsLinkDialog::OnShowAll()
{
    if (m_bShowAll)
        return;
    m_bShowAll = TRUE;
    Fill();
}

void CChooseCommsLinkDialog::OnDoubleClick()
{
    OnOK();
}

void CChooseCommsLinkDialog::OnOK()
{
    HWND hWndList = GetDlgItemHwnd(IDC_LINK_LIST);
    const int selected = static_cast<int>(::SendMessageA(hWndList, LB_GETCURSEL, 0, 0));
    m_nChosen = selected >= 0
                    ? static_cast<int>(::SendMessageA(hWndList, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0))
                    : -1;
    const HWND hWndProject = GetProjectWindow();
    if (::IsWindow(hWndProject)) {
        ::SendMessageA(hWndProject, WM_SET_CHOSEN_LINK, 0, static_cast<LPARAM>(m_nChosen));
        if (m_nCode == 1031 || m_nCode == 1042)
            ::PostMessageA(hWndProject, WM_OPEN_TOOL, static_cast<WPARAM>(m_nCode), 1);
    }
    DestroyWindow();
}

void CChooseCommsLinkDialog::OnCancel()
{
    DestroyWindow();
}

void CChooseCommsLinkDialog::OnDestroy()
{
    CVQRegistry().SetShowAllLinks(m_bShowAll);
    const HWND hWndProject = GetProjectWindow();
    if (::IsWindow(hWndProject))
        ::SendMessageA(hWndProject, WM_LINK_CHOOSER_CLOSED, 0, 0);
    CShellToolDialog::OnDestroy();
}

void RegisterCommsLinkDialogs()
{
    CMainFrame::RegisterDialogCreator(
        ID_OPTIONS_COMMUNICATIONS, IDD_COMMS_LINKS,
        [](CMainFrame* pFrame, HWND hWndProject) -> CDialog* { return new CCommsLinkDialog(pFrame, hWndProject); });
}
