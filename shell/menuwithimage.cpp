#include "shell/menuwithimage.h"

#include <algorithm>

namespace {

CSize BitmapSize(const CBitmap* pBitmap)
{
    BITMAP info = {};
    if (!pBitmap || !pBitmap->GetBitmap(&info))
        return CSize(0, 0);
    return CSize(info.bmWidth, info.bmHeight);
}

} // namespace

CMenuWithImage::~CMenuWithImage()
{
    m_extraData.RemoveAll();
    DestroyMenu();
}

BOOL CMenuWithImage::SetOwnerDraw(UINT uID)
{
    // The type alone changes, so the item keeps its text for measuring and
    // drawing.
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    if (!GetMenuItemInfo(uID, &info))
        return FALSE;
    info.fType |= MFT_OWNERDRAW;
    return SetMenuItemInfo(uID, &info);
}

void CMenuWithImage::SetItemImage(UINT uID, CBitmap* pBitmap)
{
    for (INT_PTR i = 0; i < m_extraData.GetSize(); ++i) {
        if (m_extraData[i].uID == uID) {
            m_extraData[i].pBitmap = pBitmap;
            return;
        }
    }
    m_extraData.Add(SExtraMenuData{uID, pBitmap});
}

CBitmap* CMenuWithImage::ImageOf(UINT uID) const
{
    for (INT_PTR i = 0; i < m_extraData.GetSize(); ++i) {
        if (m_extraData[i].uID == uID)
            return m_extraData[i].pBitmap;
    }
    return nullptr;
}

CString CMenuWithImage::ItemText(UINT uID) const
{
    char text[256] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfo(uID, &info))
        return CString();
    return CString(text);
}

int CMenuWithImage::TextOffset() const
{
    int widest = 0;
    for (INT_PTR i = 0; i < m_extraData.GetSize(); ++i)
        widest = std::max(widest, static_cast<int>(BitmapSize(m_extraData[i].pBitmap).cx));
    return 6 + widest;
}

void CMenuWithImage::MeasureItem(LPMEASUREITEMSTRUCT lpMIS)
{
    if (lpMIS->CtlType != ODT_MENU)
        return;
    const CSize image = BitmapSize(ImageOf(lpMIS->itemID));
    const CString text = ItemText(lpMIS->itemID);
    int width = 0;
    int height = image.cy;
    if (!text.IsEmpty()) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        ::ReleaseDC(nullptr, screen);
        NONCLIENTMETRICSA metrics = {};
        metrics.cbSize = sizeof metrics;
        HFONT font = nullptr;
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font = ::CreateFontIndirectA(&metrics.lfMenuFont);
        HGDIOBJ oldFont = font ? ::SelectObject(dc, font) : nullptr;
        SIZE extent = {};
        ::GetTextExtentPoint32A(dc, text, text.GetLength(), &extent);
        if (font) {
            ::SelectObject(dc, oldFont);
            ::DeleteObject(font);
        }
        ::DeleteDC(dc);
        // Room for the text where DrawItem puts it: past the widest image.
        width = TextOffset() + extent.cx;
        height = std::max(height, static_cast<int>(extent.cy));
    }
    lpMIS->itemHeight = static_cast<UINT>(height + 4);
    lpMIS->itemWidth = static_cast<UINT>(width + 8);
}

void CMenuWithImage::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    if (lpDIS->CtlType != ODT_MENU)
        return;
    HDC dc = lpDIS->hDC;
    const RECT& item = lpDIS->rcItem;
    const bool selected = (lpDIS->itemState & ODS_SELECTED) != 0;
    ::FillRect(dc, &item, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));

    if (CBitmap* pBitmap = ImageOf(lpDIS->itemID)) {
        const CSize size = BitmapSize(pBitmap);
        HDC source = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(source, *pBitmap);
        ::BitBlt(dc, item.left + 2, item.top + 2, size.cx, size.cy, source, 0, 0, SRCCOPY);
        ::SelectObject(source, old);
        ::DeleteDC(source);
    }

    const CString text = ItemText(lpDIS->itemID);
    const COLORREF oldColour = ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    RECT textRect = {item.left + TextOffset(), item.top + 2, item.right, item.bottom};
    ::DrawTextA(dc, text, text.GetLength(), &textRect, DT_SINGLELINE | DT_LEFT | DT_TOP);
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldColour);
}
