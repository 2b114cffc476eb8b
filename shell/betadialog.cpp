#include "shell/betadialog.h"

#include "foundation/logline.h"
#include "shell/betafeatures.h"
#include "shell/res/shell_resource.h"
#include "shell/shellmessages.h"
#include "settings/vqregistry.h"
#include "ui/toolmessages.h"
#include "ui/userdialog.h"
#include "ui/windowlookup.h"

IMPLEMENT_DYNCREATE(CBetaFeatureControlDialog, CDialog)

BEGIN_MESSAGE_MAP(CBetaFeatureControlDialog, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_NOTIFY(NM_CLICK, IDC_BETA_LIST, OnClickList)
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
END_MESSAGE_MAP()

CBetaFeatureControlDialog::CBetaFeatureControlDialog()
{
    Create(IDD_BETA_FEATURES, nullptr);
}

int CBetaFeatureControlDialog::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_hWndProject = RegisterToolWindowAtItsPlace(TOOL_ID_BETA_FEATURES, m_hWnd);
    return m_hWndProject ? 0 : -1;
}

BOOL CBetaFeatureControlDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    m_list.SubclassDlgItem(IDC_BETA_LIST, this);
    if (m_images.Create(IDB_BETA_FEATURES, 16, 8, RGB(0, 128, 128)))
        m_list.SetImageList(&m_images, LVSIL_SMALL);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    if (!m_list.GetColumn(0, &column)) {
        CRect client;
        m_list.GetClientRect(&client);
        m_list.InsertColumn(0, LoadStringOr(IDS_BETA_COLUMN, "Feature"), LVCFMT_LEFT, client.Width());
    }
    for (int n = 0; n < GetBetaFeatureCount(); ++n) {
        const BetaFeatureRow* row = GetBetaFeature(n);
        const CString name = LoadStringOr(row->nameId);
        switch (row->kind) {
        case BETA_NOT_AVAILABLE:
            m_list.InsertItem(n, name, BETA_IMAGE_NOT_AVAILABLE);
            break;
        case BETA_USER_SWITCHED:
            m_list.InsertItem(n, name, IsBetaFeatureEnabled(n) ? BETA_IMAGE_ON : BETA_IMAGE_OFF);
            break;
        case BETA_ALWAYS_ON:
            m_list.InsertItem(n, name, BETA_IMAGE_ALWAYS_ON);
            break;
        case BETA_ALWAYS_ON_UNLISTED:
            m_list.InsertItem(n, "", I_IMAGECALLBACK);
            break;
        default:
            m_list.InsertItem(n, name, BETA_IMAGE_UNKNOWN_KIND);
            break;
        }
    }
    return TRUE;
}

int CBetaFeatureControlDialog::GetRowImage(int nRow) const
{
    // Rows listed without a name have no image of their own (the list
    // would ask this dialog for one).
    const BetaFeatureRow* feature = GetBetaFeature(nRow);
    if (feature && feature->kind == BETA_ALWAYS_ON_UNLISTED)
        return I_IMAGECALLBACK;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nRow;
    return m_list.GetItem(&item) ? item.iImage : -1;
}

void CBetaFeatureControlDialog::OnClickList(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0)
        return;
    const int image = GetRowImage(row);
    if (image != BETA_IMAGE_OFF && image != BETA_IMAGE_ON)
        return;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image == BETA_IMAGE_OFF ? BETA_IMAGE_ON : BETA_IMAGE_OFF;
    m_list.SetItem(&item);
    m_list.Invalidate();
}

void CBetaFeatureControlDialog::OnOK()
{
    // One mask word per four rows, in list order; a row's bit is set while
    // it shows the "on" image.
    CVQRegistry settings;
    DWORD word = 0;
    int wordNumber = 0;
    int bit = 0;
    const int rows = m_list.GetItemCount();
    for (int row = 0; row < rows; ++row) {
        if (row > 0 && row % BETA_FEATURES_PER_MASK == 0) {
            settings.SetBetaMask(wordNumber++, word);
            word = 0;
            bit = 0;
        }
        if (GetRowImage(row) == BETA_IMAGE_ON)
            word |= 1u << bit;
        ++bit;
    }
    settings.SetBetaMask(wordNumber, word);
    PostMessage(WM_DESTROY_REQUEST);
}

void CBetaFeatureControlDialog::OnCancel()
{
    PostMessage(WM_DESTROY_REQUEST);
}

LRESULT CBetaFeatureControlDialog::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"Beta Features\"", LOG_DESTROY_REQUESTS);
    DestroyWindow();
    return 0;
}

LRESULT CBetaFeatureControlDialog::OnQueryReplyClass(WPARAM, LPARAM)
{
    // No reply receiver is stored: the dialog takes no replies.
    return REPLY_CLASS_NONE;
}

void CBetaFeatureControlDialog::OnDestroy()
{
    UnregisterToolWindow(m_hWndProject, TOOL_ID_BETA_FEATURES, m_hWnd, FALSE);
    m_hWndProject = nullptr;
    CDialog::OnDestroy();
}

void CBetaFeatureControlDialog::PostNcDestroy()
{
    // A window that failed its creation leaves the object to its creator.
    if (m_bWasCreated)
        delete this;
}
