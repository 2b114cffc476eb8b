#include "ui/labels.h"

#include <algorithm>

// --- CLabel -----------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CLabel, CStatic)

BEGIN_MESSAGE_MAP(CLabel, CStatic)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_CREATE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CLabel::CLabel() : m_clrText(::GetSysColor(COLOR_BTNTEXT)), m_clrBackground(::GetSysColor(COLOR_BTNFACE)) {}

int CLabel::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    return CStatic::OnCreate(lpCreateStruct) == -1 ? -1 : 0;
}

void CLabel::OnDestroy()
{
    CStatic::OnDestroy();
}

BOOL CLabel::OnEraseBkgnd(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, m_clrBackground);
    return TRUE;
}

void CLabel::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    HFONT hFont = GetFont();
    HGDIOBJ hOld = hFont ? ::SelectObject(dc.m_hDC, hFont) : nullptr;
    dc.SetTextColor(m_clrText);
    dc.SetBkColor(m_clrBackground);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(GetWindowTextString(), &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (hOld)
        ::SelectObject(dc.m_hDC, hOld);
}

// --- CMultiLineLabel -------------------------------------------------------------

IMPLEMENT_DYNAMIC(CMultiLineLabel, CStatic)

BEGIN_MESSAGE_MAP(CMultiLineLabel, CStatic)
ON_WM_PAINT()
END_MESSAGE_MAP()

namespace {

int AlignedOffset(int spare, int align)
{
    const int offset = align == 1 ? spare / 2 : (align == 2 ? spare : 0);
    return std::max(offset, 0);
}

} // namespace

void CMultiLineLabel::Draw(CDC* pDC, const CRect& client)
{
    const CString text = GetWindowTextString();
    if (text.IsEmpty())
        return;
    HFONT hFont = GetFont();
    HGDIOBJ hOld = hFont ? ::SelectObject(pDC->m_hDC, hFont) : nullptr;
    pDC->SetBkMode(TRANSPARENT);
    const CSize whole = pDC->GetTextExtent(text);
    if (whole.cx <= client.Width()) {
        const int x = client.left + AlignedOffset(client.Width() - whole.cx, m_nHorizontalAlign);
        const int y = client.top + AlignedOffset(client.Height() - whole.cy, m_nVerticalAlign);
        CRect rect(x, y, x + whole.cx, y + whole.cy);
        pDC->DrawText(text, &rect, DT_SINGLELINE | DT_NOPREFIX);
    } else {
        CStringArray lines;
        int lineHeight = 0;
        auto measure = [&](const CString& line) {
            const CSize size = pDC->GetTextExtent(line);
            lineHeight = std::max<int>(lineHeight, size.cy);
            return static_cast<int>(size.cx);
        };
        if (BreakLines(text, client.Width(), m_nMaxLineChars, measure, lines)) {
            const int block = lineHeight * static_cast<int>(lines.GetSize());
            int y = client.top + AlignedOffset(client.Height() - block, m_nVerticalAlign);
            for (INT_PTR i = 0; i < lines.GetSize(); ++i) {
                const CSize size = pDC->GetTextExtent(lines[i]);
                const int x = client.left + AlignedOffset(client.Width() - size.cx, m_nHorizontalAlign);
                CRect rect(x, y, x + size.cx, y + lineHeight);
                pDC->DrawText(lines[i], &rect, DT_SINGLELINE | DT_NOPREFIX);
                y += lineHeight;
            }
        }
    }
    if (hOld)
        ::SelectObject(pDC->m_hDC, hOld);
}

void CMultiLineLabel::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    Draw(&dc, client);
}

// --- CLED -------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CLED, CWnd)

BEGIN_MESSAGE_MAP(CLED, CWnd)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

BOOL CLED::Create(const RECT& rect, CWnd* pParent, UINT nID)
{
    WNDCLASSA wc = {};
    HINSTANCE hInstance = ::GetModuleHandleA(nullptr);
    if (!::GetClassInfoA(hInstance, "LED", &wc)) {
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = AfxWndProc;
        wc.hInstance = hInstance;
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "LED";
        if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return FALSE;
    }
    return CWnd::Create("LED", "", WS_CHILD | WS_VISIBLE, rect, pParent, nID);
}

void CLED::SetState(int nState)
{
    m_nState = nState;
    if (m_hWnd)
        Invalidate();
}

CRect CLED::GetLampRect(const CRect& client) const
{
    const int dx = std::min(m_nFrameWidth, client.Width() / 2);
    const int dy = std::min(m_nFrameWidth, client.Height() / 2);
    CRect rect = client;
    rect.DeflateRect(dx, dy);
    return rect;
}

void CLED::OnDraw(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, m_clrFrame);
    const CRect lamp = GetLampRect(client);
    pDC->FillSolidRect(&lamp, m_nState ? m_clrOn : m_clrOff);
}

void CLED::OnPaint()
{
    CPaintDC dc(this);
    OnDraw(&dc);
}

void CLED::OnLButtonDown(UINT nFlags, CPoint point)
{
    if (CWnd* pParent = GetParent())
        pParent->SendMessage(WM_LED_CLICKED, 0, reinterpret_cast<LPARAM>(this));
    CWnd::OnLButtonDown(nFlags, point);
}

// --- CTextLED -------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CTextLED, CLED)

BEGIN_MESSAGE_MAP(CTextLED, CLED)
ON_WM_CREATE()
END_MESSAGE_MAP()

int CTextLED::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CLED::OnCreate(lpCreateStruct) == -1)
        return -1;
    SetWindowText(m_strCaption);
    return 0;
}

void CTextLED::SetTextColour(COLORREF clrOn, COLORREF clrOff)
{
    m_clrTextOn = clrOn;
    m_clrTextOff = clrOff;
}

void CTextLED::SetFontName(LPCTSTR lpszName)
{
    if (lpszName)
        m_strFontName = lpszName;
}

void CTextLED::SetCaption(LPCTSTR lpszText)
{
    m_strCaption = lpszText ? lpszText : "";
    if (m_hWnd)
        SetWindowText(m_strCaption);
}

void CTextLED::SetFontFrom(CFont* pFont)
{
    LOGFONTA lf = {};
    if (!pFont || !pFont->m_hObject || !::GetObjectA(pFont->m_hObject, sizeof(lf), &lf))
        return;
    SetFontHeight(lf.lfHeight);
    SetFontWeight(lf.lfWeight);
    m_strFontName = lf.lfFaceName;
}

void CTextLED::OnDraw(CDC* pDC)
{
    CLED::OnDraw(pDC);
    const CString text = GetWindowTextString();
    if (text.IsEmpty())
        return;
    CRect client;
    GetClientRect(&client);
    CRect rect = client;
    rect.DeflateRect(m_nFrameWidth, m_nFrameWidth);
    pDC->SetBkColor(m_nState ? m_clrOn : m_clrOff);
    pDC->SetTextColor(GetTextColour());
    CFont font;
    font.CreateFont(m_nFontHeight, 0, 0, 0, m_nFontWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, m_strFontName);
    CFont* pOld = pDC->SelectObject(&font);
    static const UINT kAlign[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    const UINT align = kAlign[m_nAlignment >= 0 && m_nAlignment <= 2 ? m_nAlignment : 1];
    pDC->DrawText(text, &rect, DT_VCENTER | DT_SINGLELINE | align);
    pDC->SelectObject(pOld);
}
