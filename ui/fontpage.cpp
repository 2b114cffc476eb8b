#include "ui/fontpage.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "foundation/logfile.h"
#include "framework/exceptions.h"
#include "ui/toolkit_resource.h"
#include "ui/userdialog.h"

IMPLEMENT_DYNAMIC(CFontPage, COptionPropertyPage)

BEGIN_MESSAGE_MAP(CFontPage, COptionPropertyPage)
ON_CBN_SELCHANGE(IDC_FONT_FACE, OnChanged)
ON_CBN_SELCHANGE(IDC_FONT_STYLE, OnChanged)
ON_CBN_SELCHANGE(IDC_FONT_SIZE, OnChanged)
ON_BN_CLICKED(IDC_FONT_STRIKEOUT, OnChanged)
ON_BN_CLICKED(IDC_FONT_UNDERLINE, OnChanged)
ON_CBN_KILLFOCUS(IDC_FONT_FACE, OnFocusLost)
ON_CBN_KILLFOCUS(IDC_FONT_STYLE, OnFocusLost)
ON_CBN_KILLFOCUS(IDC_FONT_SIZE, OnFocusLost)
END_MESSAGE_MAP()

namespace {

const char* const kSizes[] = {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48"};

} // namespace

int CALLBACK ListFontFace(const LOGFONTA* lf, const TEXTMETRICA*, DWORD, LPARAM lParam)
{
    auto* page = reinterpret_cast<CFontPage*>(lParam);
    // The system calls this: a failure ends the enumeration instead of
    // unwinding through it.
    return AfxCallWalled("font page: exception while listing fonts", [&] { page->AddFontFace(*lf); }) ? 1 : 0;
}

void CFontPage::AddFontFace(const LOGFONTA& lf)
{
    const BYTE pitch = m_nPitchAndFamilyFilter & 0x0F;
    const BYTE family = m_nPitchAndFamilyFilter & 0xF0;
    if (pitch && (lf.lfPitchAndFamily & 0x0F) != pitch)
        return;
    if (family && (lf.lfPitchAndFamily & 0xF0) != family)
        return;
    if (m_faceBox.FindStringExact(-1, lf.lfFaceName) == CB_ERR)
        m_faceBox.AddString(lf.lfFaceName);
}

CFontPage::CFontPage() : COptionPropertyPage(IDD_FONT_PAGE, 0)
{
    std::memset(&m_logFont, 0, sizeof(m_logFont));
    m_logFont.lfHeight = 12;
    m_logFont.lfWeight = 500;
    std::strcpy(m_logFont.lfFaceName, "Arial");
}

int CFontPage::PointsToPixels(int nPoints, int nResolution)
{
    // The product of two ints may not fit an int; the result is held at
    // the ends of int.
    const long long pixels = static_cast<long long>(nResolution) * nPoints / 72;
    return static_cast<int>(std::clamp<long long>(pixels, INT_MIN, INT_MAX));
}

int CFontPage::SizeFromText(const char* text)
{
    const long size = std::atol(text ? text : "");
    if (size == 0)
        return 12;
    return size < 8 ? 8 : static_cast<int>(size);
}

CString CFontPage::StyleName(int nWeight, BOOL bItalic)
{
    const BOOL bold = nWeight >= 550;
    if (bItalic)
        return bold ? LoadStringOr(IDS_FONT_BOLD_ITALIC, "Bold italic") : LoadStringOr(IDS_FONT_ITALIC, "Italic");
    return bold ? LoadStringOr(IDS_FONT_BOLD, "Bold") : LoadStringOr(IDS_FONT_REGULAR, "Regular");
}

void CFontPage::GetFaceName(CString& text) const
{
    text = m_faceBox.m_hWnd ? m_faceBox.GetWindowTextString() : CString();
}

BOOL CFontPage::OnInitDialog()
{
    COptionPropertyPage::OnInitDialog();
    m_faceBox.SubclassDlgItem(IDC_FONT_FACE, this);
    m_styleBox.SubclassDlgItem(IDC_FONT_STYLE, this);
    m_sizeBox.SubclassDlgItem(IDC_FONT_SIZE, this);
    m_strikeoutBox.SubclassDlgItem(IDC_FONT_STRIKEOUT, this);
    m_underlineBox.SubclassDlgItem(IDC_FONT_UNDERLINE, this);
    m_sample.SubclassDlgItem(IDC_FONT_SAMPLE, this);

    HWND hDesktop = ::GetDesktopWindow();
    HDC hDC = ::GetDC(hDesktop);
    m_nResolution = ::GetDeviceCaps(hDC, LOGPIXELSY);

    LoadFont();

    LOGFONTA search = {};
    search.lfCharSet = m_logFont.lfCharSet;
    ::EnumFontFamiliesExA(hDC, &search, reinterpret_cast<FONTENUMPROCA>(ListFontFace), reinterpret_cast<LPARAM>(this),
                          0);
    ::ReleaseDC(hDesktop, hDC);

    for (const char* size : kSizes)
        m_sizeBox.AddString(size);
    const UINT styles[4] = {IDS_FONT_REGULAR, IDS_FONT_BOLD, IDS_FONT_ITALIC, IDS_FONT_BOLD_ITALIC};
    const char* fallbacks[4] = {"Regular", "Bold", "Italic", "Bold italic"};
    for (int i = 0; i < 4; ++i)
        m_styleBox.AddString(LoadStringOr(styles[i], fallbacks[i]));

    m_faceBox.SetCurSel(m_faceBox.FindStringExact(-1, m_logFont.lfFaceName));
    m_styleBox.SetCurSel(m_styleBox.FindStringExact(-1, StyleName(m_logFont.lfWeight, m_logFont.lfItalic)));
    CString size;
    size.Format("%d", std::abs(m_logFont.lfHeight));
    m_sizeBox.SetCurSel(m_sizeBox.FindStringExact(-1, size));
    m_nStrikeout = m_logFont.lfStrikeOut ? 1 : 0;
    m_nUnderline = m_logFont.lfUnderline ? 1 : 0;
    m_strikeoutBox.SetCheck(m_nStrikeout);
    m_underlineBox.SetCheck(m_nUnderline);
    MakeSampleFont();
    return TRUE;
}

void CFontPage::ReadControls()
{
    // A combo box being typed in or scrolled shows its list selection in
    // its edit field only later: take it now.
    HWND hFocus = ::GetFocus();
    CComboBox* boxes[3] = {&m_faceBox, &m_styleBox, &m_sizeBox};
    for (CComboBox* box : boxes) {
        if (hFocus && (hFocus == box->m_hWnd || ::IsChild(box->m_hWnd, hFocus))) {
            const int selected = box->GetCurSel();
            if (selected != CB_ERR) {
                CString text;
                box->GetLBText(selected, text);
                box->SetWindowText(text);
            }
        }
    }
    m_nStrikeout = m_strikeoutBox.GetCheck() == BST_CHECKED;
    m_nUnderline = m_underlineBox.GetCheck() == BST_CHECKED;
    m_logFont.lfStrikeOut = static_cast<BYTE>(m_nStrikeout);
    m_logFont.lfUnderline = static_cast<BYTE>(m_nUnderline);
    lstrcpynA(m_logFont.lfFaceName, m_faceBox.GetWindowTextString(), 32);
    m_logFont.lfHeight = SizeFromText(m_sizeBox.GetWindowTextString());
    m_logFont.lfWeight = FW_NORMAL;
    m_logFont.lfItalic = FALSE;
    const CString style = m_styleBox.GetWindowTextString();
    if (style == LoadStringOr(IDS_FONT_BOLD, "Bold")) {
        m_logFont.lfWeight = FW_BOLD;
    } else if (style == LoadStringOr(IDS_FONT_ITALIC, "Italic")) {
        m_logFont.lfItalic = TRUE;
    } else if (style == LoadStringOr(IDS_FONT_BOLD_ITALIC, "Bold italic")) {
        m_logFont.lfWeight = FW_BOLD;
        m_logFont.lfItalic = TRUE;
    }
    MakeSampleFont();
}

void CFontPage::MakeSampleFont()
{
    LOGFONTA lf = m_logFont;
    lf.lfHeight = PointsToPixels(m_logFont.lfHeight, m_nResolution);
    m_sampleFont.DeleteObject();
    m_sampleFont.CreateFontIndirect(&lf);
    if (m_sample.m_hWnd)
        m_sample.SetFont(static_cast<HFONT>(m_sampleFont.m_hObject), TRUE);
}

void CFontPage::OnChanged()
{
    ReadControls();
    SetModified(TRUE);
}

void CFontPage::OnFocusLost()
{
    ReadControls();
}

BOOL CFontPage::OnApply()
{
    SaveFont();
    SetModified(FALSE);
    return COptionPropertyPage::OnApply();
}

void CSystemTime::Format(CString& text) const
{
    text = FormatLogTimeStamp(m_time);
}
