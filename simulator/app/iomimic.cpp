#include "simulator/app/iomimic.h"

#include <algorithm>
#include <cstdio>

#include "framework/controls.h"

namespace qcsim {

namespace {

constexpr COLORREF kPointOff = RGB(192, 192, 192);
constexpr COLORREF kHeadingBackground = RGB(64, 64, 64);
constexpr UINT kScrollBarId = 999;

LPCTSTR MimicClass()
{
    static LPCTSTR name = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW));
    return name;
}

// Heading text and colour of a bank type.
void TypeLook(int type, const char*& heading, COLORREF& colour)
{
    heading = type == 0 ? "In" : type == 1 ? "Out" : "I/O";
    colour = type == 0 ? RGB(0, 255, 0) : type == 1 ? RGB(255, 0, 0) : RGB(255, 255, 0);
}

} // namespace

// --- CLED ------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CLED, CWnd)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

BOOL CLED::CreateLed(const RECT& rect, CWnd* pParent, UINT nID)
{
    return CreateEx(0, MimicClass(), "", WS_CHILD | WS_VISIBLE, rect, pParent, nID);
}

void CLED::SetState(int state)
{
    m_state = state;
    if (m_hWnd && ::IsWindowVisible(m_hWnd))
        Invalidate(FALSE);
}

void CLED::Draw(HDC dc, const RECT& client)
{
    HBRUSH background = CreateSolidBrush(m_background);
    FillRect(dc, &client, background);
    DeleteObject(background);
    const int width = client.right - client.left, height = client.bottom - client.top;
    const int border = std::min({m_border, width / 2, height / 2});
    RECT inner = {client.left + border, client.top + border, client.right - border, client.bottom - border};
    HBRUSH face = CreateSolidBrush(m_state ? m_on : m_off);
    FillRect(dc, &inner, face);
    DeleteObject(face);
}

void CLED::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    Draw(dc, client);
    ::EndPaint(m_hWnd, &paint);
}

void CLED::OnLButtonDown(UINT nFlags, CPoint point)
{
    if (HWND parent = ::GetParent(m_hWnd))
        ::SendMessageA(parent, WM_MIMIC_CLICK, 0, reinterpret_cast<LPARAM>(m_hWnd));
    CWnd::OnLButtonDown(nFlags, point);
}

// --- CTextLED ----------------------------------------------------------------

void CTextLED::SetFont(HFONT font)
{
    LOGFONTA logFont{};
    if (font && GetObjectA(font, sizeof logFont, &logFont) == sizeof logFont) {
        SetFontHeight(std::abs(static_cast<int>(logFont.lfHeight)));
        SetFontWeight(static_cast<int>(logFont.lfWeight));
        m_fontFace = logFont.lfFaceName;
    }
    if (m_hWnd)
        Invalidate(FALSE);
}

void CTextLED::SetText(const std::string& text)
{
    m_text = text;
    if (m_hWnd) {
        ::SetWindowTextA(m_hWnd, text.c_str());
        Invalidate(FALSE);
    }
}

void CTextLED::Draw(HDC dc, const RECT& client)
{
    CLED::Draw(dc, client);
    if (m_text.empty())
        return;
    RECT inner = {client.left + m_border, client.top + m_border, client.right - m_border, client.bottom - m_border};
    HFONT font = CreateFontA(-m_fontHeight, 0, 0, 0, m_fontWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                             m_fontFace.c_str());
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, GetTextColour());
    SetBkColor(dc, m_state ? m_on : m_off);
    const UINT align = m_alignment == 0 ? DT_LEFT : m_alignment == 2 ? DT_RIGHT : DT_CENTER;
    DrawTextA(dc, m_text.c_str(), -1, &inner, align | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    DeleteObject(font);
}

// --- CIOBankMimic --------------------------------------------------------------

BEGIN_MESSAGE_MAP(CIOBankMimic, CWnd)
ON_MESSAGE(WM_MIMIC_CLICK, OnLedClick)
ON_MESSAGE(WM_MIMIC_SHOW_CHILD, OnShowChild)
END_MESSAGE_MAP()

CIOBankMimic::CIOBankMimic()
{
    std::fill(std::begin(m_enabled), std::end(m_enabled), true);
}

SIZE CIOBankMimic::BankSize() const
{
    const int width = m_rowHeight * 5 / 2;
    return SIZE{width + 1, m_rowHeight * 9 + 1};
}

BOOL CIOBankMimic::CreateBank(const RECT& rect, CWnd* pParent, UINT nID)
{
    if (!CreateEx(0, MimicClass(), "I/O Bank", WS_CHILD | WS_VISIBLE, rect, pParent, nID))
        return FALSE;
    const RECT provisional = {0, 0, 1, 1};
    m_heading.CreateLed(provisional, this, 1000);
    for (int k = 0; k < 8; ++k) {
        m_points[k].CreateLed(provisional, this, 1100 + static_cast<UINT>(k));
        m_points[k].SetColours(RGB(255, 255, 0), kPointOff);
        m_points[k].SetTextColours(RGB(0, 0, 0), RGB(0, 0, 0));
        m_points[k].SetText(std::to_string(m_first + k));
    }
    m_created = true;
    Colour();
    Layout();
    return TRUE;
}

void CIOBankMimic::Layout()
{
    if (!m_created)
        return;
    const int h = m_rowHeight, w = h * 5 / 2;
    ::MoveWindow(m_heading.m_hWnd, 0, 0, w + 1, h + 1, TRUE);
    for (int k = 0; k < 8; ++k)
        ::MoveWindow(m_points[k].m_hWnd, 0, h * (k + 1), w + 1, h + 1, TRUE);
    const SIZE size = BankSize();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CIOBankMimic::Colour()
{
    if (!m_created)
        return;
    const char* heading = nullptr;
    COLORREF colour = 0;
    TypeLook(m_type, heading, colour);
    m_heading.SetBackground(kHeadingBackground);
    m_heading.SetColours(kHeadingBackground, kHeadingBackground);
    m_heading.SetTextColours(colour, colour);
    m_heading.SetText(heading);
    for (CTextLED& point : m_points)
        point.SetColours(colour, kPointOff);
}

void CIOBankMimic::SetFirstPoint(int first)
{
    m_first = first;
    if (m_created) {
        for (int k = 0; k < 8; ++k)
            m_points[k].SetText(std::to_string(first + k));
    }
}

void CIOBankMimic::SetType(int type)
{
    m_type = type;
    Colour();
}

void CIOBankMimic::SetRowHeight(int height)
{
    m_rowHeight = height;
    Layout();
}

bool CIOBankMimic::HasInputs() const
{
    return m_type == 0 || m_type == 2 || m_type == 3 || m_type == 4 || m_type == 6;
}

int CIOBankMimic::GetPoint(int index) const
{
    return index >= 0 && index < 8 ? m_points[index].GetState() : 0;
}

void CIOBankMimic::SetPoint(int index, int state)
{
    if (index >= 0 && index < 8)
        m_points[index].SetState(state);
}

void CIOBankMimic::SetPointFont(HFONT font)
{
    for (CTextLED& point : m_points)
        point.SetFont(font);
}

void CIOBankMimic::SetHeadingFont(HFONT font)
{
    m_heading.SetFont(font);
}

LRESULT CIOBankMimic::OnLedClick(WPARAM, LPARAM lParam)
{
    if (!HasInputs())
        return 0;
    const HWND led = reinterpret_cast<HWND>(lParam);
    for (int k = 0; k < 8; ++k) {
        if (m_points[k].m_hWnd == led && m_enabled[k]) {
            if (HWND parent = ::GetParent(m_hWnd))
                ::SendMessageA(parent, WM_MIMIC_CLICK, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(m_hWnd));
            break;
        }
    }
    return 0;
}

LRESULT CIOBankMimic::OnShowChild(WPARAM wParam, LPARAM lParam)
{
    if (HWND parent = ::GetParent(m_hWnd))
        return ::SendMessageA(parent, WM_MIMIC_SHOW_CHILD, wParam, lParam);
    return 0;
}

// --- CIOMimic --------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CIOMimic, CWnd)
ON_MESSAGE(WM_MIMIC_CLICK, OnBankClick)
ON_MESSAGE(WM_MIMIC_SHOW_CHILD, OnShowChild)
ON_MESSAGE(WM_MIMIC_SCROLL_TO, OnScrollTo)
ON_WM_SIZE()
ON_WM_VSCROLL()
ON_WM_PAINT()
END_MESSAGE_MAP()

CIOMimic::~CIOMimic()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CIOMimic::CreateMimic(const RECT& rect, CWnd* pParent, UINT nID, int layoutStyle, int pointCount)
{
    m_pointCount = std::max(pointCount, 0);
    m_layoutStyle = layoutStyle;
    if (!CreateEx(0, MimicClass(), "Dig_IO_Mimic", WS_CHILD | WS_VISIBLE | WS_BORDER, rect, pParent, nID))
        return FALSE;
    const int banks = (m_pointCount + 7) / 8;
    const RECT provisional = {1, 1, 10, 10};
    for (int i = 0; i < banks; ++i) {
        auto bank = std::make_unique<CIOBankMimic>();
        bank->SetFirstPoint(8 * i);
        bank->SetType(i == 0 ? 0 : 2);
        bank->CreateBank(provisional, this, static_cast<UINT>(i + 1));
        m_banks.push_back(std::move(bank));
    }
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int width = GetSystemMetrics(SM_CXVSCROLL);
    m_scroll = CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | SBS_VERT, client.right - width, 1, width,
                               std::max(0, static_cast<int>(client.bottom) - 2), m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kScrollBarId)), AfxGetInstanceHandle(),
                               nullptr);
    Layout(true);
    m_created = true;
    return TRUE;
}

void CIOMimic::SetPointFont(HFONT font)
{
    for (auto& bank : m_banks)
        bank->SetPointFont(font);
}

void CIOMimic::SetHeadingFont(HFONT font)
{
    for (auto& bank : m_banks)
        bank->SetHeadingFont(font);
}

CIOBankMimic* CIOMimic::BankWithInput(int point) const
{
    for (const auto& bank : m_banks) {
        if (bank->HasInputs() && bank->GetFirstPoint() <= point && point < bank->GetFirstPoint() + 8)
            return bank.get();
    }
    return nullptr;
}

int CIOMimic::GetPoint(int point) const
{
    const CIOBankMimic* bank = BankWithInput(point);
    return bank ? bank->GetPoint(point % 8) : 0;
}

void CIOMimic::SetPoint(int point, int state)
{
    if (CIOBankMimic* bank = BankWithInput(point))
        bank->SetPoint(point % 8, state);
}

bool CIOMimic::ScrollBarShown() const
{
    return m_scroll && (::GetWindowLongA(m_scroll, GWL_STYLE) & WS_VISIBLE) != 0;
}

LRESULT CIOMimic::OnBankClick(WPARAM wParam, LPARAM lParam)
{
    const HWND bankWindow = reinterpret_cast<HWND>(lParam);
    for (const auto& bank : m_banks) {
        if (bank->m_hWnd == bankWindow) {
            const int index = static_cast<int>(wParam);
            const int point = bank->GetFirstPoint() + index;
            if (HWND parent = ::GetParent(m_hWnd))
                ::SendMessageA(parent, WM_MIMIC_SET_POINT, static_cast<WPARAM>(point), bank->GetPoint(index) ? 0 : 1);
            break;
        }
    }
    return 0;
}

LRESULT CIOMimic::OnShowChild(WPARAM, LPARAM lParam)
{
    const HWND child = reinterpret_cast<HWND>(lParam);
    RECT client, box;
    ::GetClientRect(m_hWnd, &client);
    if (!child || !::GetWindowRect(child, &box))
        return 0;
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&box), 2);
    if (box.top >= client.top && box.bottom <= client.bottom)
        return 0;
    const int centre = (box.top + box.bottom) / 2 + m_scrollPos;
    const int position = std::clamp(centre - static_cast<int>(client.bottom) / 2, 0, m_scrollMax);
    ::PostMessageA(m_hWnd, WM_MIMIC_SCROLL_TO, 0, position);
    return 0;
}

LRESULT CIOMimic::OnScrollTo(WPARAM, LPARAM lParam)
{
    if (m_created)
        SetScroll(static_cast<int>(lParam));
    return 0;
}

void CIOMimic::SetScroll(int position)
{
    m_scrollPos = std::clamp(position, 0, m_scrollMax);
    if (m_scroll)
        ::SetScrollPos(m_scroll, SB_CTL, m_scrollPos, TRUE);
    Layout(false);
}

void CIOMimic::Layout(bool countRows)
{
    if (m_banks.empty())
        return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
    const SIZE size = m_banks[0]->BankSize();
    int x = 4, y = 4 - m_scrollPos, rows = 1;
    for (size_t i = 0; i < m_banks.size(); ++i) {
        if (i > 0 && x + size.cx > client.right - barWidth - 4) {
            x = 4;
            y += size.cy + 8;
            ++rows;
        }
        ::SetWindowPos(m_banks[i]->m_hWnd, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        x += size.cx + 8;
    }
    if (!countRows)
        return;
    m_rows = rows;
    const int needed = rows * (size.cy + 9);
    const bool show = m_banks.size() > 1 && needed > client.bottom;
    m_scrollMax = show ? needed - static_cast<int>(client.bottom) : 0;
    if (m_scroll) {
        ::SetScrollRange(m_scroll, SB_CTL, 0, m_scrollMax, FALSE);
        ::SetScrollPos(m_scroll, SB_CTL, 0, TRUE);
        ::ShowWindow(m_scroll, show ? SW_SHOW : SW_HIDE);
    }
    if (!show && m_scrollPos != 0) {
        m_scrollPos = 0;
        Layout(false);
    }
}

void CIOMimic::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    if (m_scroll) {
        const int width = GetSystemMetrics(SM_CXVSCROLL);
        ::MoveWindow(m_scroll, cx - width, 1, width, std::max(0, cy - 2), TRUE);
    }
    Layout(true);
}

void CIOMimic::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar*)
{
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int position = m_scrollPos;
    switch (nSBCode) {
    case SB_LINEUP: position -= 1; break;
    case SB_LINEDOWN: position += 1; break;
    case SB_PAGEUP: position -= client.bottom - 2; break;
    case SB_PAGEDOWN: position += client.bottom - 2; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: position = static_cast<int>(nPos); break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = m_scrollMax; break;
    default: return;
    }
    SetScroll(position);
}

void CIOMimic::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    ::EndPaint(m_hWnd, &paint);
}

// --- CLEDDriver --------------------------------------------------------------------

void CLEDDriver::SetCount(int count)
{
    if (count <= 0 || count == GetCount())
        return;
    m_states.resize(static_cast<size_t>(count), 0);
    (void)m_counters;
}

} // namespace qcsim
