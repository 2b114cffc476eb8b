#include "framework/toolbar.h"

#include <vector>

#include "framework/cmdui.h"
#include "framework/controls.h"
#include "framework/resources.h"

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

namespace {

const LPCSTR kToolBarType = MAKEINTRESOURCEA(241); // RT_TOOLBAR

} // namespace

CToolBar::~CToolBar()
{
    // The control still names the bitmap's images until it is gone.
    if (m_hWnd)
        DestroyWindow();
}

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    return CreateEx(pParentWnd, 0, dwStyle, nID);
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, UINT nID)
{
    AfxInitCommonControls();
    DWORD dwWindowStyle = dwStyle;
    if (dwStyle & (CBRS_ALIGN_ANY | CBRS_GRIPPER)) {
        // A docked bar: the frame places it, the control does not.
        dwWindowStyle = SplitBarStyle(dwStyle) | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
        if (dwStyle & CBRS_TOOLTIPS)
            dwCtrlStyle |= TBSTYLE_TOOLTIPS;
    }
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, nullptr, dwWindowStyle | dwCtrlStyle | WS_CHILD, CRect(0, 0, 0, 0),
                        pParentWnd, nID))
        return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(LPCTSTR lpszResourceName)
{
    HINSTANCE hInst = AfxFindResourceHandle(lpszResourceName, kToolBarType);
    HRSRC hRsrc = ::FindResourceA(hInst, lpszResourceName, kToolBarType);
    if (!hRsrc)
        return FALSE;
    const DWORD size = ::SizeofResource(hInst, hRsrc);
    HGLOBAL hGlobal = ::LoadResource(hInst, hRsrc);
    const auto* data = static_cast<const CToolBarData*>(hGlobal ? ::LockResource(hGlobal) : nullptr);
    // The header and every item it announces must be there.
    if (!data || size < sizeof(CToolBarData) || data->wVersion != 1 || data->wWidth == 0 || data->wHeight == 0 ||
        size < sizeof(CToolBarData) + data->wItemCount * sizeof(WORD))
        return FALSE;
    const WORD* items = reinterpret_cast<const WORD*>(data + 1);
    std::vector<UINT> ids(items, items + data->wItemCount);
    if (!SetButtons(ids.data(), static_cast<int>(ids.size())))
        return FALSE;
    const CSize image(data->wWidth, data->wHeight);
    SetSizes(CSize(image.cx + 7, image.cy + 7), image);
    return LoadBitmap(lpszResourceName);
}

BOOL CToolBar::LoadBitmap(LPCTSTR lpszResourceName)
{
    CBitmap bitmap;
    BITMAP info = {};
    if (!bitmap.LoadBitmap(lpszResourceName) || !bitmap.GetBitmap(&info) || m_sizeImage.cx <= 0)
        return FALSE;
    TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(static_cast<HBITMAP>(bitmap))};
    if (SendMessage(TB_ADDBITMAP, static_cast<WPARAM>(info.bmWidth / m_sizeImage.cx), reinterpret_cast<LPARAM>(&add)) ==
        -1)
        return FALSE;
    m_bitmap.DeleteObject();
    m_bitmap.Attach(bitmap.Detach());
    return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount)
{
    while (SendMessage(TB_DELETEBUTTON, 0, 0)) {
    }
    if (nIDCount <= 0)
        return TRUE;
    if (!lpIDArray)
        return FALSE;
    std::vector<TBBUTTON> buttons(static_cast<size_t>(nIDCount));
    int image = 0;
    for (int i = 0; i < nIDCount; ++i) {
        TBBUTTON& button = buttons[static_cast<size_t>(i)];
        if (lpIDArray[i] == ID_SEPARATOR) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = image++;
            button.idCommand = static_cast<int>(lpIDArray[i]);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
        }
    }
    if (!SendMessage(TB_ADDBUTTONSA, static_cast<WPARAM>(nIDCount), reinterpret_cast<LPARAM>(buttons.data())))
        return FALSE;
    if (!IsHorizontal())
        OnOrientationChanged();
    return TRUE;
}

void CToolBar::OnOrientationChanged()
{
    if (!m_hWnd)
        return;
    const bool vertical = !IsHorizontal();
    // CCS_VERT: separators between the rows are drawn across the bar.
    ModifyStyle(vertical ? 0 : CCS_VERT, vertical ? CCS_VERT : 0);
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTONINFOA info = {};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_STATE | TBIF_BYINDEX;
        if (SendMessage(TB_GETBUTTONINFOA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info)) < 0)
            continue;
        const BYTE state = vertical ? static_cast<BYTE>(info.fsState | TBSTATE_WRAP)
                                    : static_cast<BYTE>(info.fsState & ~TBSTATE_WRAP);
        if (state == info.fsState)
            continue;
        info.fsState = state;
        SendMessage(TB_SETBUTTONINFOA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
    }
    SendMessage(TB_AUTOSIZE);
}

CSize CToolBar::CalcFixedLayout(BOOL bHorz)
{
    // The buttons' extent: the union of their rectangles, or one button's
    // size when there are none.
    CRect extent(0, 0, 0, 0);
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        CRect item;
        GetItemRect(i, &item);
        extent.UnionRect(&extent, &item);
    }
    CSize content(extent.right, extent.bottom);
    if (count == 0) {
        const DWORD size = static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE));
        content = CSize(LOWORD(size), HIWORD(size));
    }
    const CSize frame = CControlBar::CalcFixedLayout(bHorz);
    return CSize(content.cx + frame.cx, content.cy + frame.cy);
}

void CToolBar::SetSizes(SIZE sizeButton, SIZE sizeImage)
{
    m_sizeImage = sizeImage;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(sizeImage.cx, sizeImage.cy));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(sizeButton.cx, sizeButton.cy));
}

int CToolBar::GetCount() const
{
    return static_cast<int>(SendMessage(TB_BUTTONCOUNT));
}

int CToolBar::CommandToIndex(UINT nIDFind) const
{
    return static_cast<int>(SendMessage(TB_COMMANDTOINDEX, nIDFind, 0));
}

UINT CToolBar::GetItemID(int nIndex) const
{
    TBBUTTON button = {};
    if (!SendMessage(TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&button)))
        return ID_SEPARATOR;
    return (button.fsStyle & BTNS_SEP) ? ID_SEPARATOR : static_cast<UINT>(button.idCommand);
}

void CToolBar::GetItemRect(int nIndex, LPRECT lpRect) const
{
    if (!SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect)))
        ::SetRectEmpty(lpRect);
}

UINT CToolBar::GetButtonStyle(int nIndex) const
{
    TBBUTTON button = {};
    if (!SendMessage(TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&button)))
        return 0;
    return button.fsStyle;
}

void CToolBar::SetButtonStyle(int nIndex, UINT nStyle)
{
    TBBUTTONINFOA info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_STYLE | TBIF_BYINDEX;
    info.fsStyle = static_cast<BYTE>(nStyle);
    SendMessage(TB_SETBUTTONINFOA, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&info));
}

DWORD CToolBar::SetExtendedStyle(DWORD dwExStyle)
{
    return static_cast<DWORD>(SendMessage(TB_SETEXTENDEDSTYLE, 0, static_cast<LPARAM>(dwExStyle)));
}

namespace {

// A toolbar button's state.
class CToolCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_bEnableChanged = TRUE;
        auto* pBar = static_cast<CToolBar*>(m_pOther);
        const UINT nID = pBar->GetItemID(static_cast<int>(m_nIndex));
        if (static_cast<BOOL>(pBar->SendMessage(TB_ISBUTTONENABLED, nID, 0) != 0) != (bOn != FALSE))
            pBar->SendMessage(TB_ENABLEBUTTON, nID, MAKELPARAM(bOn ? TRUE : FALSE, 0));
    }
    void SetCheck(int nCheck) override
    {
        auto* pBar = static_cast<CToolBar*>(m_pOther);
        const UINT nID = pBar->GetItemID(static_cast<int>(m_nIndex));
        if (static_cast<BOOL>(pBar->SendMessage(TB_ISBUTTONCHECKED, nID, 0) != 0) != (nCheck != 0))
            pBar->SendMessage(TB_CHECKBUTTON, nID, MAKELPARAM(nCheck ? TRUE : FALSE, 0));
    }
    void SetRadio(BOOL bOn) override { SetCheck(bOn ? 1 : 0); }
    void SetText(LPCTSTR) override {}
};

} // namespace

void CToolBar::OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    if (!pTarget || !m_hWnd)
        return;
    CToolCmdUI state;
    state.m_pOther = this;
    const int count = GetCount();
    state.m_nIndexMax = static_cast<UINT>(count);
    for (int i = 0; i < count; ++i) {
        const UINT nID = GetItemID(i);
        if (nID == ID_SEPARATOR)
            continue;
        state.m_nIndex = static_cast<UINT>(i);
        state.m_nID = nID;
        state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
}
