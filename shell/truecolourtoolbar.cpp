#include "shell/truecolourtoolbar.h"

#include "framework/menu.h"

BEGIN_MESSAGE_MAP(CTrueColourToolBar, CToolBar)
    ON_NOTIFY_REFLECT(TBN_DROPDOWN, OnDropDown)
END_MESSAGE_MAP()

CTrueColourToolBar::~CTrueColourToolBar()
{
    // The control uses the image lists until it is gone.
    if (m_hWnd)
        DestroyWindow();
}

BOOL CTrueColourToolBar::LoadTrueColourImages(int nImageWidth, UINT uToolBar, UINT uToolBarHot, UINT uToolBarDisabled)
{
    if (!SetTrueColourImages(Normal, nImageWidth, uToolBar))
        return FALSE;
    if (uToolBarHot && !SetTrueColourImages(Hot, nImageWidth, uToolBarHot))
        return FALSE;
    if (uToolBarDisabled && !SetTrueColourImages(Disabled, nImageWidth, uToolBarDisabled))
        return FALSE;
    return TRUE;
}

BOOL CTrueColourToolBar::SetTrueColourImages(ImageKind kind, int nImageWidth, UINT uBitmapID)
{
    static const UINT kSetMessages[3] = {TB_SETIMAGELIST, TB_SETHOTIMAGELIST, TB_SETDISABLEDIMAGELIST};
    // The control lets go of the old list before it is destroyed.
    if (m_hWnd && m_pImageLists[kind])
        SendMessage(kSetMessages[kind], 0, 0);
    m_pImageLists[kind].reset();
    m_pBitmaps[kind].reset();
    if (nImageWidth <= 0)
        return FALSE;

    auto bitmap = std::make_unique<CBitmap>();
    BITMAP info = {};
    if (!bitmap->LoadBitmap(uBitmapID) || !bitmap->GetBitmap(&info))
        return FALSE;
    const int count = info.bmWidth / nImageWidth;
    if (count <= 0)
        return FALSE;
    if (kind == Normal)
        m_nImageCount = count;

    // The top-left pixel is the transparent colour.
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, *bitmap);
    const COLORREF mask = ::GetPixel(dc, 0, 0);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);

    auto list = std::make_unique<CImageList>();
    if (!list->Create(nImageWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, count, 4) || list->Add(bitmap.get(), mask) < 0)
        return FALSE;
    SendMessage(kSetMessages[kind], 0, reinterpret_cast<LPARAM>(list->GetSafeHandle()));
    m_pBitmaps[kind] = std::move(bitmap);
    m_pImageLists[kind] = std::move(list);
    return TRUE;
}

void CTrueColourToolBar::AddDropDownButton(CWnd* pParent, UINT uButtonID, UINT uMenuID)
{
    SetExtendedStyle(static_cast<DWORD>(SendMessage(TB_GETEXTENDEDSTYLE)) | TBSTYLE_EX_DRAWDDARROWS);
    const int index = CommandToIndex(uButtonID);
    if (index >= 0)
        SetButtonStyle(index, GetButtonStyle(index) | BTNS_DROPDOWN);
    m_dropDownMenus.Add(SDropDownMenuInfo{uButtonID, uMenuID, pParent});
}

void CTrueColourToolBar::OnDropDown(NMHDR* pNotifyStruct, LRESULT* pResult)
{
    const NMTOOLBARA* pToolBar = reinterpret_cast<const NMTOOLBARA*>(pNotifyStruct);
    *pResult = TBDDRET_DEFAULT;
    for (INT_PTR i = 0; i < m_dropDownMenus.GetSize(); ++i) {
        const SDropDownMenuInfo info = m_dropDownMenus[i];
        if (info.uButtonID != static_cast<UINT>(pToolBar->iItem))
            continue;
        CMenu menu;
        if (!menu.LoadMenu(info.uMenuID))
            return;
        CMenu* pPopup = menu.GetSubMenu(0);
        if (!pPopup)
            return;
        CRect rect;
        SendMessage(TB_GETRECT, static_cast<WPARAM>(pToolBar->iItem), reinterpret_cast<LPARAM>(&rect));
        ClientToScreen(&rect);
        // The button stays uncovered: the menu opens below it.
        TPMPARAMS params = {sizeof(TPMPARAMS), rect};
        pPopup->TrackPopupMenuEx(TPM_VERTICAL, rect.left, rect.bottom, info.pParent, &params);
        return;
    }
}
