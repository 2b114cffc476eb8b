#include "framework/docview.h"

#include <algorithm>

#include "framework/gdi.h"
#include "framework/resources.h"

IMPLEMENT_DYNCREATE(CDocument, CCmdTarget)
IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CFormView, CView)

BEGIN_MESSAGE_MAP(CFormView, CView)
ON_WM_CREATE()
END_MESSAGE_MAP()

// --- CDocument -------------------------------------------------------------------------------

CDocument::~CDocument()
{
    // Views that outlive their document forget it.
    for (CView* pView : m_views)
        pView->m_pDocument = nullptr;
}

POSITION CDocument::GetFirstViewPosition() const
{
    return m_views.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<UINT_PTR>(1));
}

CView* CDocument::GetNextView(POSITION& rPosition) const
{
    const auto index = static_cast<size_t>(reinterpret_cast<UINT_PTR>(rPosition));
    if (index == 0 || index > m_views.size()) {
        rPosition = nullptr;
        return nullptr;
    }
    rPosition = index < m_views.size() ? reinterpret_cast<POSITION>(static_cast<UINT_PTR>(index + 1)) : nullptr;
    return m_views[index - 1];
}

void CDocument::AddView(CView* pView)
{
    if (!pView || std::find(m_views.begin(), m_views.end(), pView) != m_views.end())
        return;
    m_views.push_back(pView);
    pView->m_pDocument = this;
    OnChangedViewList();
}

void CDocument::RemoveView(CView* pView)
{
    auto it = std::find(m_views.begin(), m_views.end(), pView);
    if (it == m_views.end())
        return;
    m_views.erase(it);
    pView->m_pDocument = nullptr;
    OnChangedViewList();
}

void CDocument::OnChangedViewList()
{
    if (m_views.empty() && m_bAutoDelete)
        delete this;
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint)
{
    const std::vector<CView*> views = m_views;
    for (CView* pView : views)
        if (pView != pSender)
            pView->OnUpdate(pSender, lHint, pHint);
}

// --- CView -----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
END_MESSAGE_MAP()

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::JoinDocument(const CCreateContext* pContext)
{
    if (pContext && pContext->m_pCurrentDoc)
        pContext->m_pCurrentDoc->AddView(this);
}

int CView::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    JoinDocument(static_cast<const CCreateContext*>(lpCreateStruct->lpCreateParams));
    return 0;
}

void CView::OnInitialUpdate()
{
    OnUpdate(nullptr, 0, nullptr);
}

void CView::OnUpdate(CView*, LPARAM, CObject*)
{
    if (m_hWnd)
        Invalidate();
}

void CView::OnDraw(CDC*) {}

void CView::OnPaint()
{
    CPaintDC dc(this);
    OnDraw(&dc);
}

void CView::PostNcDestroy()
{
    // The view leaves its document before it goes.
    if (m_pDocument)
        m_pDocument->RemoveView(this);
    delete this;
}

// --- CFormView -------------------------------------------------------------------------------

namespace {

// The form's dialog procedure: everything goes to the view's map; the
// focus stays where the user puts it.
INT_PTR CALLBACK FormViewProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

} // namespace

BOOL CFormView::Create(LPCTSTR, LPCTSTR, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    const HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    HRSRC hRes = ::FindResourceA(hInst, m_lpszTemplateName, MAKEINTRESOURCEA(5));
    HGLOBAL hGlobal = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    const auto* lpTemplate = hGlobal ? static_cast<LPCDLGTEMPLATE>(::LockResource(hGlobal)) : nullptr;
    if (!lpTemplate || m_hWnd || !pParentWnd)
        return FALSE;
    CCreation creation;
    PrepareCreate(creation);
    HWND hWnd = ::CreateDialogIndirectParamA(hInst, lpTemplate, pParentWnd->m_hWnd, FormViewProc, 0);
    if (!EndCreate(creation, hWnd))
        return FALSE;
    if (!hWnd)
        return FALSE;
    CRect size;
    ::GetWindowRect(hWnd, &size);
    m_sizeTemplate = CSize(size.Width(), size.Height());
    ::SetWindowLongPtrA(hWnd, GWLP_ID, static_cast<LONG_PTR>(nID));
    ModifyStyle(0, dwStyle & (WS_BORDER | WS_VISIBLE));
    if (rect.right > rect.left && rect.bottom > rect.top)
        MoveWindow(&rect);
    JoinDocument(static_cast<const CCreateContext*>(lpParam));
    return TRUE;
}

int CFormView::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    // A dialog's creation parameters are no context: the view joins its
    // document in Create.
    return CWnd::OnCreate(lpCreateStruct);
}

void CFormView::ResizeParentToFit()
{
    CWnd* pFrame = GetParent();
    if (!pFrame || !pFrame->m_hWnd)
        return;
    CRect frame;
    pFrame->GetWindowRect(&frame);
    CRect client;
    pFrame->GetClientRect(&client);
    const int width = frame.Width() - client.Width() + m_sizeTemplate.cx;
    const int height = frame.Height() - client.Height() + m_sizeTemplate.cy;
    pFrame->SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
