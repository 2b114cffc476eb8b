#include "shell/linkdialogs/commslog.h"

#include <commctrl.h>

#include "framework/frame.h"
#include "shell/linkdialogs/linkdialogs_resource.h"

IMPLEMENT_DYNCREATE(CCommsLogDoc, CDocument)
IMPLEMENT_DYNCREATE(CCommsLog, CFormView)

namespace {

const int kMargin = 5;

} // namespace

void CCommsLogDoc::AddLine(LPCSTR text)
{
    POSITION position = GetFirstViewPosition();
    CView* pView = position ? GetNextView(position) : nullptr;
    HWND hWndList = pView && pView->m_hWnd ? pView->GetDlgItemHwnd(IDC_COMMS_LOG_LIST) : nullptr;
    if (!hWndList)
        return;
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.pszText = const_cast<LPSTR>(text ? text : "");
    ::SendMessageA(hWndList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    pView->UpdateWindow();
}

BEGIN_MESSAGE_MAP(CCommsLog, CFormView)
ON_WM_SIZE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CCommsLog::CCommsLog() : CFormView(IDD_COMMS_LOG) {}

void CCommsLog::OnInitialUpdate()
{
    CFormView::OnInitialUpdate();
    CRect client;
    GetClientRect(&client);
    CString title;
    title.LoadString(IDS_COMMS_LOG_COLUMN);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<LPSTR>(title.GetString());
    column.cx = client.Width() - 16;
    SendDlgItemMessage(IDC_COMMS_LOG_LIST, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    ResizeParentToFit();
    m_bCreated = TRUE;
}

void CCommsLog::OnSize(UINT nType, int cx, int cy)
{
    CFormView::OnSize(nType, cx, cy);
    if (!m_bCreated)
        return;
    if (HWND hWndList = GetDlgItemHwnd(IDC_COMMS_LOG_LIST))
        ::MoveWindow(hWndList, kMargin, kMargin, cx - 2 * kMargin, cy - 2 * kMargin, TRUE);
}

void CCommsLog::OnDestroy()
{
    auto* pDoc = dynamic_cast<CCommsLogDoc*>(GetDocument());
    if (pDoc && ::IsWindow(pDoc->GetOwner()))
        ::SendMessageA(pDoc->GetOwner(), WM_COMMS_LOG_CLOSED, 0, 0);
    CFormView::OnDestroy();
}

CCommsLogDoc* CreateCommsLog(HWND hWndOwner)
{
    auto* pDoc = static_cast<CCommsLogDoc*>(RUNTIME_CLASS(CCommsLogDoc)->CreateObject());
    pDoc->SetOwner(hWndOwner);
    // Kept through a failed creation, so it is deleted exactly once here.
    pDoc->m_bAutoDelete = FALSE;
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CCommsLog);
    context.m_pCurrentDoc = pDoc;
    auto* pFrame = new CFrameWnd;
    if (!pFrame->Create(nullptr, "Comms log", WS_OVERLAPPEDWINDOW, CRect(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0), nullptr,
                        nullptr, 0, &context)) {
        delete pFrame;
        delete pDoc;
        return nullptr;
    }
    pDoc->m_bAutoDelete = TRUE;
    pFrame->InitialUpdateFrame(pDoc, TRUE);
    return pDoc;
}
