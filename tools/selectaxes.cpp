#include "tools/selectaxes.h"

#include <cstdio>
#include <cstdlib>

#include "framework/resources.h"
#include "tools/watchdialogs_resource.h"
#include "ui/userdialog.h"

IMPLEMENT_DYNAMIC(CSelectAxes, CDialog)

BEGIN_MESSAGE_MAP(CSelectAxes, CDialog)
ON_NOTIFY(NM_CLICK, IDC_AXES_LIST, OnListClick)
END_MESSAGE_MAP()

CSelectAxes::CSelectAxes(CWnd* pParent, int axisCount, int mostSelectable, BOOL showInterval)
    : CDialog(IDD_SELECT_AXES, pParent), m_selection(axisCount, mostSelectable), m_bShowInterval(showInterval)
{
}

CSelectAxes::~CSelectAxes()
{
    if (m_hStateImages)
        ImageList_Destroy(m_hStateImages);
}

BOOL CSelectAxes::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND list = ::GetDlgItem(m_hWnd, IDC_AXES_LIST);
    // State image 1: not selected, 2: selected.
    m_hStateImages = ImageList_LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_AXIS_STATES), 16, 8,
                                          RGB(0, 128, 128), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (m_hStateImages)
        ListView_SetImageList(list, m_hStateImages, LVSIL_STATE);
    RECT client = {};
    ::GetClientRect(list, &client);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = (client.right - client.left) * 3 / 4;
    ListView_InsertColumn(list, 0, &column);
    m_selection.ApplyLimit();
    for (int axis = 0; axis < m_selection.GetAxisCount(); ++axis) {
        char text[16];
        std::snprintf(text, sizeof text, "%01d", axis);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = axis;
        item.pszText = text;
        ListView_InsertItem(list, &item);
        ShowState(axis);
    }
    const int show = m_bShowInterval ? SW_SHOW : SW_HIDE;
    for (int id : {IDC_AXES_INTERVAL_GROUP, IDC_AXES_INTERVAL, IDC_AXES_INTERVAL_UNIT})
        ::ShowWindow(::GetDlgItem(m_hWnd, id), show);
    if (m_bShowInterval)
        ::SetDlgItemInt(m_hWnd, IDC_AXES_INTERVAL, static_cast<UINT>(m_nInterval), TRUE);
    return TRUE;
}

void CSelectAxes::ShowState(int axis)
{
    ListView_SetItemState(::GetDlgItem(m_hWnd, IDC_AXES_LIST), axis,
                          INDEXTOSTATEIMAGEMASK(m_selection.IsSelected(axis) ? 2 : 1), LVIS_STATEIMAGEMASK);
}

void CSelectAxes::OnListClick(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    HWND list = ::GetDlgItem(m_hWnd, IDC_AXES_LIST);
    LVHITTESTINFO hit = {};
    hit.pt = reinterpret_cast<NMITEMACTIVATE*>(pNMHDR)->ptAction;
    const int axis = ListView_HitTest(list, &hit);
    switch (m_selection.Click(axis)) {
    case CAxisSelection::kSelected:
    case CAxisSelection::kCleared:
        ShowState(axis);
        break;
    case CAxisSelection::kLimitReached: {
        char text[96];
        std::snprintf(text, sizeof text, "It is not possible to select more than %d axes",
                      m_selection.GetMostSelectable());
        ShowUserMessage(this, text, "Select Axes");
        break;
    }
    case CAxisSelection::kOutside:
        break;
    }
    // Only the state images show the choice.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
}

void CSelectAxes::OnOK()
{
    char text[32] = {};
    ::GetDlgItemTextA(m_hWnd, IDC_AXES_INTERVAL, text, sizeof text);
    m_nInterval = std::atoi(text);
    EndDialog(IDOK);
}
