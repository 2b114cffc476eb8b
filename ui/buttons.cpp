#include "ui/buttons.h"

#include <vector>

#include "foundation/winutil.h"

namespace {

int Clamp(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

// The drawing both bitmap buttons share: frame, image on its side, text
// beside it, focus rectangle.
struct BitmapButtonLook {
    HBITMAP hImage = nullptr;        // drawn as it is
    HBITMAP hDisabledDraw = nullptr; // drawn with DSS_DISABLED when no disabled image exists
    BOOL bFrame = TRUE;
    BOOL bCornerTransparent = TRUE;
    COLORREF clrTransparent = 0;
    BOOL bImageLeft = TRUE;
    int nVerticalMargin = 4;
    int nImageMargin = 4;
    int nTextMarginImageSide = 4;
    int nTextMarginOtherSide = 4;
    BOOL bDrawText = TRUE;
    CString text;
};

void DrawBitmapButton(LPDRAWITEMSTRUCT pDIS, DWORD style, const BitmapButtonLook& look)
{
    HDC hDC = pDIS->hDC;
    CRect rect(pDIS->rcItem);
    const UINT state = static_cast<UINT>(::SendMessageA(pDIS->hwndItem, BM_GETSTATE, 0, 0));
    const BOOL pushed = (state & BST_PUSHED) != 0;
    const BOOL enabled = ::IsWindowEnabled(pDIS->hwndItem);
    const int shift = pushed ? 1 : 0;

    if (look.bFrame)
        ::DrawFrameControl(hDC, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    ::SetBkMode(hDC, TRANSPARENT);

    int imageWidth = 0;
    HBITMAP hImage = look.hImage ? look.hImage : look.hDisabledDraw;
    if (hImage) {
        BITMAP bm = {};
        ::GetObjectA(hImage, sizeof(bm), &bm);
        imageWidth = bm.bmWidth;
        int x = look.bImageLeft ? rect.left + look.nImageMargin : rect.right - look.nImageMargin - bm.bmWidth;
        int y = rect.top + (rect.Height() - bm.bmHeight) / 2;
        if (style & BS_TOP && !(style & BS_BOTTOM))
            y = rect.top + look.nVerticalMargin;
        else if (style & BS_BOTTOM && !(style & BS_TOP))
            y = rect.bottom - look.nVerticalMargin - bm.bmHeight;
        x += shift;
        y += shift;
        // Drawn off-screen on a background of its own, then copied without
        // the transparent colour.
        HDC hMemDC = ::CreateCompatibleDC(hDC);
        HBITMAP hMem = ::CreateCompatibleBitmap(hDC, rect.Width(), rect.Height());
        HGDIOBJ hOld = ::SelectObject(hMemDC, hMem);
        RECT all = {0, 0, rect.Width(), rect.Height()};
        ::FillRect(hMemDC, &all, ::GetSysColorBrush(COLOR_BTNFACE));
        const UINT flags = DST_BITMAP | (look.hImage ? DSS_NORMAL : DSS_DISABLED);
        ::DrawStateA(hMemDC, nullptr, nullptr, reinterpret_cast<LPARAM>(hImage), 0, 0, 0, bm.bmWidth, bm.bmHeight,
                     flags);
        const COLORREF transparent = look.bCornerTransparent ? ::GetPixel(hMemDC, 0, 0) : look.clrTransparent;
        ::TransparentBlt(hDC, x, y, bm.bmWidth, bm.bmHeight, hMemDC, 0, 0, bm.bmWidth, bm.bmHeight, transparent);
        ::SelectObject(hMemDC, hOld);
        ::DeleteObject(hMem);
        ::DeleteDC(hMemDC);
    }

    if (look.bDrawText && !look.text.IsEmpty()) {
        ::SetTextColor(hDC, ::GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        CRect area = rect;
        if (hImage) {
            const int imageSide = look.nImageMargin + imageWidth + look.nTextMarginImageSide;
            if (look.bImageLeft) {
                area.left += imageSide;
                area.right -= look.nTextMarginOtherSide;
            } else {
                area.right -= imageSide;
                area.left += look.nTextMarginOtherSide;
            }
        } else {
            area.DeflateRect(2, 2);
        }
        area.top += look.nVerticalMargin;
        area.bottom -= look.nVerticalMargin;
        UINT align = DT_CENTER;
        if ((style & BS_CENTER) == BS_LEFT)
            align = DT_LEFT;
        else if ((style & BS_CENTER) == BS_RIGHT)
            align = DT_RIGHT;
        CRect measure = area;
        ::DrawTextA(hDC, look.text, -1, &measure, DT_CALCRECT | DT_WORDBREAK | align);
        int top = area.top + (area.Height() - measure.Height()) / 2;
        if ((style & BS_VCENTER) == BS_TOP)
            top = area.top;
        else if ((style & BS_VCENTER) == BS_BOTTOM)
            top = area.bottom - measure.Height();
        CRect textRect(area.left + shift, top + shift, area.right + shift, top + measure.Height() + shift);
        ::DrawTextA(hDC, look.text, -1, &textRect, DT_WORDBREAK | align);
    }

    if (state & BST_FOCUS) {
        CRect focus = rect;
        focus.DeflateRect(Clamp(rect.Width() / 4, 1, 3), Clamp(rect.Height() / 4, 1, 3));
        ::DrawFocusRect(hDC, &focus);
    }
}

} // namespace

HBITMAP MakeDisabledImage(HBITMAP hBitmap)
{
    if (!hBitmap)
        return nullptr;
    BITMAP bm = {};
    if (!::GetObjectA(hBitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC hScreen = ::GetDC(nullptr);
    HBITMAP hResult = nullptr;
    if (::GetDIBits(hScreen, hBitmap, 0, bm.bmHeight, pixels.data(), &info, DIB_RGB_COLORS)) {
        const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
        for (DWORD& pixel : pixels) {
            // DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
            const COLORREF colour = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
            const COLORREF mixed = BlendColours(GreyColour(InvertColour(colour)), face);
            pixel = (static_cast<DWORD>(GetRValue(mixed)) << 16) | (static_cast<DWORD>(GetGValue(mixed)) << 8) |
                    GetBValue(mixed);
        }
        hResult = ::CreateCompatibleBitmap(hScreen, bm.bmWidth, bm.bmHeight);
        if (hResult)
            ::SetDIBits(hScreen, hResult, 0, bm.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    }
    ::ReleaseDC(nullptr, hScreen);
    return hResult;
}

namespace {

// Stores a button's bitmap and remakes its generated disabled image; the
// previous bitmap.
HBITMAP StoreBitmap(HBITMAP& slot, CBitmap& disabledImage, HBITMAP hBitmap)
{
    const HBITMAP old = slot;
    disabledImage.DeleteObject();
    slot = hBitmap;
    if (hBitmap)
        disabledImage.Attach(MakeDisabledImage(hBitmap));
    return old;
}

// The image a disabled button shows: its own disabled image when it has
// one, else the generated one; with neither, look.hDisabledDraw makes the
// normal image drawn greyed.
void PickDisabledImage(BitmapButtonLook& look, HBITMAP hBitmap, BOOL bUseOwn, HBITMAP hOwn, const CBitmap& generated)
{
    if (bUseOwn) {
        look.hImage = hOwn;
    } else if (generated.m_hObject) {
        look.hImage = static_cast<HBITMAP>(generated.m_hObject);
    } else {
        look.hDisabledDraw = hBitmap;
        look.hImage = nullptr;
    }
}

} // namespace

// --- CBaTButton -------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CBaTButton, CButton)

CBaTButton::~CBaTButton() = default;

HBITMAP CBaTButton::SetBitmap(HBITMAP hBitmap)
{
    return StoreBitmap(m_hBitmap, m_disabledImage, hBitmap);
}

HBITMAP CBaTButton::SetAltBitmap(HBITMAP hBitmap)
{
    const HBITMAP old = m_hAltBitmap;
    m_hAltBitmap = hBitmap;
    m_bUseAltBitmap = hBitmap != nullptr;
    return old;
}

void CBaTButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    BitmapButtonLook look;
    look.hImage = m_hBitmap;
    if (!IsWindowEnabled())
        PickDisabledImage(look, m_hBitmap, m_bUseAltBitmap, m_hAltBitmap, m_disabledImage);
    look.bImageLeft = m_bImageLeft;
    look.nVerticalMargin = m_nVerticalMargin;
    look.nImageMargin = m_nImageMargin;
    look.nTextMarginImageSide = m_nTextMarginImageSide;
    look.nTextMarginOtherSide = m_nTextMarginOtherSide;
    look.text = GetWindowTextString();
    DrawBitmapButton(lpDrawItemStruct, GetStyle(), look);
}

// --- CGraphicButton ---------------------------------------------------------------

IMPLEMENT_DYNAMIC(CGraphicButton, CButton)

void CGraphicButton::PreSubclassWindow()
{
    CButton::PreSubclassWindow();
    m_bFlat = (GetStyle() & BS_FLAT) != 0;
}

HBITMAP CGraphicButton::SetBitmap(HBITMAP hBitmap)
{
    return StoreBitmap(m_hBitmap, m_disabledImage, hBitmap);
}

HBITMAP CGraphicButton::SetDisabledBitmap(HBITMAP hBitmap)
{
    const HBITMAP old = m_hDisabledBitmap;
    m_hDisabledBitmap = hBitmap;
    m_bUseDisabledBitmap = hBitmap != nullptr;
    return old;
}

HBITMAP CGraphicButton::SetAltBitmap(HBITMAP hBitmap)
{
    const HBITMAP old = m_hAltBitmap;
    m_hAltBitmap = hBitmap;
    return old;
}

void CGraphicButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    DrawButton(lpDrawItemStruct);
}

void CGraphicButton::DrawButton(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    const BOOL pushed = (GetState() & BST_PUSHED) != 0;
    BitmapButtonLook look;
    look.hImage = pushed && m_hAltBitmap ? m_hAltBitmap : m_hBitmap;
    if (!IsWindowEnabled())
        PickDisabledImage(look, m_hBitmap, m_bUseDisabledBitmap, m_hDisabledBitmap, m_disabledImage);
    look.bFrame = !m_bFlat;
    look.bCornerTransparent = m_bCornerTransparent;
    look.clrTransparent = m_clrTransparent;
    look.bDrawText = m_hBitmap == nullptr;
    look.text = pushed && !m_strAltText.IsEmpty() ? m_strAltText : GetWindowTextString();
    DrawBitmapButton(lpDrawItemStruct, GetStyle(), look);
}

// --- CGraphicToggleButton ---------------------------------------------------------

IMPLEMENT_DYNAMIC(CGraphicToggleButton, CGraphicButton)

BEGIN_MESSAGE_MAP(CGraphicToggleButton, CGraphicButton)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_RBUTTONUP()
END_MESSAGE_MAP()

void CGraphicToggleButton::OnLButtonDown(UINT, CPoint)
{
    SetState(!IsDown());
    Invalidate();
}

void CGraphicToggleButton::OnLButtonDblClk(UINT nFlags, CPoint point)
{
    // A quick second click toggles again like any other click.
    OnLButtonDown(nFlags, point);
}

void CGraphicToggleButton::OnLButtonUp(UINT, CPoint)
{
    const int id = GetDlgCtrlID();
    if (CWnd* pParent = GetParent()) {
        pParent->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(m_hWnd));
        pParent->PostMessage(WM_TOGGLE_BUTTON_CHANGED, IsDown() ? 1 : 0, id);
    }
    Invalidate();
}

void CGraphicToggleButton::OnRButtonUp(UINT, CPoint)
{
    if (CWnd* pParent = GetParent())
        pParent->SendMessage(WM_TOGGLE_BUTTON_RCLICK, GetDlgCtrlID(), 0);
    Default();
}

// --- CColorButton -----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CColorButton, CButton)

CColorButton::CColorButton()
    : m_clrText(::GetSysColor(COLOR_BTNTEXT)), m_clrFace(::GetSysColor(COLOR_BTNFACE)),
      m_clrFrame(::GetSysColor(COLOR_WINDOWFRAME)), m_clrHotFrame(::GetSysColor(COLOR_WINDOWFRAME)),
      m_clrInnerFill(::GetSysColor(COLOR_BTNFACE))
{
}

BOOL CColorButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!CButton::Create(lpszCaption, dwStyle, rect, pParentWnd, nID))
        return FALSE;
    Restyle();
    return TRUE;
}

void CColorButton::SetFlat(BOOL bFlat)
{
    m_bFlat = bFlat;
    Restyle();
}

void CColorButton::Restyle()
{
    if (!m_hWnd)
        return;
    DWORD style = GetStyle() & ~BS_TYPEMASK;
    style |= BS_OWNERDRAW;
    style = m_bFlat ? (style | BS_FLAT) : (style & ~BS_FLAT);
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
    Invalidate();
}

COLORREF CColorButton::ContrastColour(COLORREF face, int nKind)
{
    const int r = GetRValue(face), g = GetGValue(face), b = GetBValue(face);
    if (nKind == 0)
        return r < 160 && g < 160 && b < 160 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    return RGB(r < 160 ? 255 : 0, g < 160 ? 255 : 0, b < 160 ? 255 : 0);
}

void CColorButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC target;
    target.Attach(lpDrawItemStruct->hDC);
    CRect item(lpDrawItemStruct->rcItem);
    {
        CMemDC dc(&target, &item);
        const COLORREF hilite = ::GetSysColor(COLOR_BTNHIGHLIGHT);
        const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
        const DWORD style = GetStyle();
        const BOOL flat = (style & BS_FLAT) || m_bFlat;
        const UINT state = GetState();
        const BOOL down = (state & BST_PUSHED) != 0;
        const BOOL enabled = IsWindowEnabled();
        const BOOL asEnabled = enabled || m_bDrawAsEnabled;
        HGDIOBJ hOldFont = ::SelectObject(dc.m_hDC, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
        dc.SetBkMode(TRANSPARENT);

        const COLORREF face = asEnabled ? m_clrFace : ::GetSysColor(COLOR_BTNFACE);
        CRect rect = item;
        if (m_bSystemFrame) {
            dc.DrawFrameControl(&rect, DFC_BUTTON, DFCS_BUTTONPUSH | (m_bLatchedDown || down ? DFCS_PUSHED : 0));
            rect.DeflateRect(m_nMargin, m_nMargin);
        } else {
            COLORREF topLeft, bottomRight;
            if (m_bDrawAsEnabled) {
                topLeft = bottomRight = flat ? m_clrFrame : hilite;
                if (!flat)
                    bottomRight = shadow;
            } else if (enabled) {
                if (flat)
                    topLeft = bottomRight = down ? m_clrHotFrame : m_clrFrame;
                else if (m_bInvertedEdges || down)
                    topLeft = shadow, bottomRight = hilite;
                else
                    topLeft = hilite, bottomRight = shadow;
            } else {
                if (flat)
                    topLeft = bottomRight = m_clrFrame;
                else if (m_bInvertedEdges)
                    topLeft = shadow, bottomRight = hilite;
                else
                    topLeft = hilite, bottomRight = shadow;
            }
            for (int i = 0; i < m_nMargin; ++i) {
                dc.Draw3dRect(&rect, topLeft, bottomRight);
                rect.DeflateRect(1, 1);
            }
        }
        if (m_bInnerFill && enabled) {
            dc.FillSolidRect(&rect, m_clrInnerFill);
            rect.DeflateRect(m_nInnerInset, m_nInnerInset);
        }
        if (m_bLatchedDown && enabled && down) {
            const COLORREF contrast = ContrastColour(face, m_nContrastKind);
            dc.Draw3dRect(&rect, contrast, contrast);
            rect.DeflateRect(1, 1);
        }
        dc.FillSolidRect(&rect, face);

        COLORREF text = m_clrText;
        if (!asEnabled)
            text = ::GetSysColor(COLOR_GRAYTEXT);
        else if (m_bAutoContrast)
            text = ContrastColour(face, m_nContrastKind);
        dc.SetTextColor(text);
        UINT format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
        const DWORD h = style & BS_CENTER, v = style & BS_VCENTER;
        format |= h == BS_LEFT ? DT_LEFT : (h == BS_RIGHT ? DT_RIGHT : DT_CENTER);
        format |= v == BS_TOP ? DT_TOP : (v == BS_BOTTOM ? DT_BOTTOM : DT_VCENTER);
        CRect textRect = rect;
        dc.DrawText(GetWindowTextString(), &textRect, format);

        if (m_bFocusRect && enabled && (state & BST_FOCUS))
            dc.DrawFocusRect(&rect);
        ::SelectObject(dc.m_hDC, hOldFont);
    }
    target.Detach();
}
