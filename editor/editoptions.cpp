#include "editor/editoptions.h"

#include <algorithm>
#include <cstdio>

#include "editor/editdisplay.h"
#include "framework/colordialog.h"
#include "settings/vqregistry.h"
#include "ui/userdialog.h"

namespace editor {

const ColourButton kColourButtons[12] = {
    {1096, 11}, {1052, 10}, {1095, 0}, {1051, 1}, {1091, 2}, {1145, 3},
    {1173, 4},  {1074, 5},  {1081, 6}, {1328, 7}, {1175, 8}, {1176, 9},
};

namespace {

// The order in which the Colours page writes its colours.
const int kColourWriteOrder[12] = {11, 10, 1, 5, 6, 2, 0, 4, 7, 3, 8, 9};

// Asks the user for a colour, starting from colour; TRUE with the choice.
BOOL ChooseColour(HWND hWndOwner, COLORREF& colour)
{
    CColorDialog dialog(colour, CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR, hWndOwner);
    if (dialog.DoModal() != IDOK)
        return FALSE;
    colour = dialog.GetColor();
    return TRUE;
}

// An owner-drawn colour button: its caption in text on fill.
void DrawColourButton(const DRAWITEMSTRUCT& item, COLORREF text, COLORREF fill)
{
    CDC* pDC = CDC::FromHandle(item.hDC);
    CRect rect(item.rcItem);
    pDC->FillSolidRect(&rect, fill);
    pDC->Draw3dRect(&rect, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    char caption[16] = {};
    ::GetWindowTextA(item.hwndItem, caption, sizeof caption);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(text);
    pDC->DrawText(caption, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LOGFONTA ReadFontOr(BOOL (*read)(LOGFONTA&), int points)
{
    LOGFONTA font;
    if (!read(font))
        font = DefaultEditorFont(points);
    return font;
}

} // namespace

// ---- Font pages -------------------------------------------------------------------------

CEditorScreenFontPage::CEditorScreenFontPage()
{
    m_nPitchAndFamilyFilter = FIXED_PITCH;
}

void CEditorScreenFontPage::LoadFont()
{
    m_logFont = ReadFontOr([](LOGFONTA& f) -> BOOL { return CVQRegistry().GetEditorFont(f); }, 12);
}

void CEditorScreenFontPage::SaveFont()
{
    CVQRegistry().SetEditorFont(m_logFont);
}

CEditorPrintFontPage::CEditorPrintFontPage()
{
    m_nPitchAndFamilyFilter = FIXED_PITCH;
}

void CEditorPrintFontPage::LoadFont()
{
    m_logFont = ReadFontOr([](LOGFONTA& f) -> BOOL { return CVQRegistry().GetEditorPrinterFont(f); }, 10);
}

void CEditorPrintFontPage::SaveFont()
{
    CVQRegistry().SetEditorPrinterFont(m_logFont);
}

// ---- Colours ---------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CEditorColourPage, COptionPropertyPage)

CEditorColourPage::CEditorColourPage() : COptionPropertyPage(kIddEditorColourPage, 0) {}

BOOL CEditorColourPage::OnInitDialog()
{
    COptionPropertyPage::OnInitDialog();
    CVQRegistry settings;
    for (int index = 0; index < 12; ++index)
        m_colours[index] = settings.GetEditorColour(index);
    return TRUE;
}

BOOL CEditorColourPage::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        const int id = LOWORD(wParam);
        if (id == kIdcResetColours) {
            OnReset();
            return TRUE;
        }
        for (const ColourButton& button : kColourButtons) {
            if (button.control == id) {
                if (ChooseColour(m_hWnd, m_colours[button.colour])) {
                    SetModified(TRUE);
                    Invalidate();
                }
                return TRUE;
            }
        }
    }
    return COptionPropertyPage::OnCommand(wParam, lParam);
}

void CEditorColourPage::OnReset()
{
    for (int index = 0; index < 12; ++index)
        m_colours[index] = CVQRegistry::GetDefaultEditorColour(index);
    SetModified(TRUE);
    Invalidate();
}

LRESULT CEditorColourPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        for (const ColourButton& button : kColourButtons) {
            if (static_cast<UINT>(button.control) != item.CtlID)
                continue;
            const COLORREF text = m_colours[11], background = m_colours[10];
            if (button.colour <= 3)
                DrawColourButton(item, text, m_colours[button.colour]); // a line colour behind normal text
            else if (button.colour >= 10)
                DrawColourButton(item, text, background);
            else
                DrawColourButton(item, m_colours[button.colour], background);
            return TRUE;
        }
    }
    return COptionPropertyPage::WindowProc(message, wParam, lParam);
}

BOOL CEditorColourPage::OnApply()
{
    CVQRegistry settings;
    for (int index : kColourWriteOrder)
        settings.SetEditorColour(index, m_colours[index]);
    SetModified(FALSE);
    return COptionPropertyPage::OnApply();
}

// ---- Format ------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CEditorFormatPage, COptionPropertyPage)

BEGIN_MESSAGE_MAP(CEditorFormatPage, COptionPropertyPage)
ON_EN_CHANGE(kIdcCodeStart, OnChanged)
ON_EN_CHANGE(kIdcTabWidth, OnChanged)
ON_BN_CLICKED(kIdcTabInOnEnter, OnChanged)
END_MESSAGE_MAP()

CEditorFormatPage::CEditorFormatPage() : COptionPropertyPage(kIddEditorFormatPage, 0) {}

void CEditorFormatPage::DoDataExchange(CDataExchange* pDX)
{
    COptionPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, kIdcCodeStart, m_nCodeStart);
    DDX_Text(pDX, kIdcTabWidth, m_nTabIndent);
    DDX_Check(pDX, kIdcTabInOnEnter, m_nTabInOnEnter);
}

BOOL CEditorFormatPage::OnInitDialog()
{
    // Filling the edits is no change of the user's.
    m_bLoading = true;
    COptionPropertyPage::OnInitDialog();
    CVQRegistry settings;
    m_nCodeStart = static_cast<int>(settings.GetCodeStart());
    m_nTabIndent = static_cast<int>(settings.GetTabIndent());
    m_nTabInOnEnter = settings.GetTabInOnEnter() ? 1 : 0;
    const CString range = LoadStringOr(598, "( %d to %d )");
    CString text;
    text.Format(range, 0, 16);
    ::SetWindowTextA(GetDlgItemHwnd(kIdcCodeStartRange), text);
    text.Format(range, 1, 8);
    ::SetWindowTextA(GetDlgItemHwnd(kIdcTabWidthRange), text);
    UpdateData(FALSE);
    m_bLoading = false;
    return TRUE;
}

void CEditorFormatPage::OnChanged()
{
    if (!m_bLoading)
        SetModified(TRUE);
}

BOOL CEditorFormatPage::OnApply()
{
    // Whatever number is typed: the edits take digits only, and a value
    // outside the ranges is brought into them rather than refused.
    m_nCodeStart = ::GetDlgItemInt(m_hWnd, kIdcCodeStart, nullptr, FALSE);
    m_nTabIndent = std::clamp<int>(static_cast<int>(::GetDlgItemInt(m_hWnd, kIdcTabWidth, nullptr, FALSE)), 1, 8);
    m_nTabInOnEnter = IsDlgButtonChecked(kIdcTabInOnEnter) == BST_CHECKED;
    CVQRegistry settings;
    settings.SetCodeStart(static_cast<DWORD>(std::clamp(m_nCodeStart, 0, 16)));
    settings.SetTabIndent(static_cast<DWORD>(m_nTabIndent));
    settings.SetTabInOnEnter(m_nTabInOnEnter);
    SetModified(FALSE);
    return COptionPropertyPage::OnApply();
}

// ---- Keyword Assist ------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CEditorKeyAssistPage, COptionPropertyPage)

CEditorKeyAssistPage::CEditorKeyAssistPage() : COptionPropertyPage(kIddEditorKeyAssistPage, 0) {}

void CEditorKeyAssistPage::DoDataExchange(CDataExchange* pDX)
{
    COptionPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, kIdcKeyAssist, m_nKeyAssist);
    DDX_Check(pDX, kIdcCommandTemplates, m_nTemplates);
}

BOOL CEditorKeyAssistPage::OnInitDialog()
{
    COptionPropertyPage::OnInitDialog();
    CVQRegistry settings;
    m_nKeyAssist = settings.GetEnableEditorKeyAssist() ? 1 : 0;
    m_nTemplates = settings.GetEnableEditorCommandTemplates() ? 1 : 0;
    m_clrList = settings.GetEditorColour(12);
    m_clrTemplate = settings.GetEditorColour(13);
    UpdateData(FALSE);
    return TRUE;
}

BOOL CEditorKeyAssistPage::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case kIdcKeyAssist:
        case kIdcCommandTemplates:
            UpdateData(TRUE);
            SetModified(TRUE);
            return TRUE;
        case kIdcKeyAssistColour:
        case kIdcTemplateColour:
            if (ChooseColour(m_hWnd, LOWORD(wParam) == kIdcKeyAssistColour ? m_clrList : m_clrTemplate)) {
                SetModified(TRUE);
                Invalidate();
            }
            return TRUE;
        default:
            break;
        }
    }
    return COptionPropertyPage::OnCommand(wParam, lParam);
}

LRESULT CEditorKeyAssistPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID == static_cast<UINT>(kIdcKeyAssistColour) || item.CtlID == static_cast<UINT>(kIdcTemplateColour)) {
            DrawColourButton(item, ::GetSysColor(COLOR_WINDOWTEXT),
                             item.CtlID == static_cast<UINT>(kIdcKeyAssistColour) ? m_clrList : m_clrTemplate);
            return TRUE;
        }
    }
    return COptionPropertyPage::WindowProc(message, wParam, lParam);
}

BOOL CEditorKeyAssistPage::OnApply()
{
    UpdateData(TRUE);
    CVQRegistry settings;
    settings.SetEditorColour(12, m_clrList);
    settings.SetEditorColour(13, m_clrTemplate);
    settings.SetEnableEditorKeyAssist(m_nKeyAssist);
    settings.SetEnableEditorCommandTemplates(m_nTemplates);
    SetModified(FALSE);
    return COptionPropertyPage::OnApply();
}

// ---- Other -------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CEditorOtherPage, COptionPropertyPage)

CEditorOtherPage::CEditorOtherPage() : COptionPropertyPage(kIddEditorOtherPage, 0) {}

void CEditorOtherPage::DoDataExchange(CDataExchange* pDX)
{
    COptionPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, kIdcLongNameWarnings, m_nLongNameWarnings);
    DDX_Check(pDX, kIdcInlineBreakpoints, m_nInlineBreakpoints);
    DDX_Check(pDX, kIdcPrintInColour, m_nPrintInColour);
}

BOOL CEditorOtherPage::OnInitDialog()
{
    COptionPropertyPage::OnInitDialog();
    CVQRegistry settings;
    m_nLongNameWarnings = settings.GetShowlongVariableWarnings() ? 1 : 0;
    m_nInlineBreakpoints = settings.GetUseInlineBreakpoints() ? 1 : 0;
    m_nPrintInColour = settings.GetPrintInColour() ? 1 : 0;
    UpdateData(FALSE);
    return TRUE;
}

BOOL CEditorOtherPage::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        const int id = LOWORD(wParam);
        if (id == kIdcLongNameWarnings || id == kIdcInlineBreakpoints || id == kIdcPrintInColour) {
            UpdateData(TRUE);
            SetModified(TRUE);
            return TRUE;
        }
    }
    return COptionPropertyPage::OnCommand(wParam, lParam);
}

BOOL CEditorOtherPage::OnApply()
{
    UpdateData(TRUE);
    CVQRegistry settings;
    settings.SetShowlongVariableWarnings(m_nLongNameWarnings);
    settings.SetUseInlineBreakpoints(m_nInlineBreakpoints);
    settings.SetPrintInColour(m_nPrintInColour);
    SetModified(FALSE);
    return COptionPropertyPage::OnApply();
}

// ---- The dialog -------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CEditorOptionsDlg, CShellToolDialog)

BEGIN_MESSAGE_MAP(CEditorOptionsDlg, CShellToolDialog)
ON_BN_CLICKED(kIdcApply, OnApply)
ON_MESSAGE(WM_OPTION_PAGE_MODIFIED, OnPageModified)
END_MESSAGE_MAP()

CEditorOptionsDlg::CEditorOptionsDlg(CWnd* pParent, HWND hWndProject)
    : CShellToolDialog(kIddEditorOptions, pParent, kToolIdEditorOptions, "Editor Options", hWndProject)
{
}

CEditorOptionsDlg::~CEditorOptionsDlg() = default;

COptionPropertyPage* CEditorOptionsDlg::Page(int index)
{
    COptionPropertyPage* pages[] = {&m_screenFont, &m_printerFont, &m_colours, &m_format, &m_keyAssist, &m_other};
    return index >= 0 && index < 6 ? pages[index] : nullptr;
}

BOOL CEditorOptionsDlg::OnInitDialog()
{
    CShellToolDialog::OnInitDialog();
    m_tabs.Attach(GetDlgItemHwnd(kIdcOptionsTab));
    const struct {
        UINT id;
        const char* text;
    } titles[] = {{621, "Screen font"}, {622, "Printer font"}, {623, "Colours"},
                  {956, "Format"},      {1373, "Keyword Assist"}, {262, "Other"}};
    for (int index = 0; index < 6; ++index) {
        COptionPropertyPage* page = Page(index);
        page->SetNotifyWindow(m_hWnd);
        m_tabs.AddPage(page, LoadStringOr(titles[index].id, titles[index].text));
    }
    m_tabs.SetActivePage(0);
    UpdateButtons();
    return TRUE;
}

BOOL CEditorOptionsDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->idFrom == static_cast<UINT_PTR>(kIdcOptionsTab)) {
        if (header->code == TCN_SELCHANGING) {
            *pResult = m_tabs.OnSelChanging() ? FALSE : TRUE;
            return TRUE;
        }
        if (header->code == TCN_SELCHANGE) {
            m_tabs.OnSelChange();
            return TRUE;
        }
    }
    return CShellToolDialog::OnNotify(wParam, lParam, pResult);
}

void CEditorOptionsDlg::UpdateButtons()
{
    bool modified = false;
    for (int index = 0; index < 6; ++index)
        modified = modified || Page(index)->m_bModified;
    ::EnableWindow(GetDlgItemHwnd(IDOK), modified);
    ::EnableWindow(GetDlgItemHwnd(kIdcApply), modified);
}

LRESULT CEditorOptionsDlg::OnPageModified(WPARAM, LPARAM)
{
    UpdateButtons();
    return 0;
}

void CEditorOptionsDlg::ApplyPages()
{
    bool any = false;
    for (int index = 0; index < 6; ++index) {
        COptionPropertyPage* page = Page(index);
        if (page->m_bModified && page->m_hWnd) {
            page->Apply();
            any = true;
        }
    }
    if (any && GetProjectWindow() && ::IsWindow(GetProjectWindow()))
        ::PostMessageA(GetProjectWindow(), kMsgEditorSettingsChanged, 0, 0);
    UpdateButtons();
}

void CEditorOptionsDlg::OnApply()
{
    ApplyPages();
}

void CEditorOptionsDlg::OnOK()
{
    ApplyPages();
    DestroyWindow();
}

void CEditorOptionsDlg::OnCancel()
{
    DestroyWindow();
}

BOOL StartEditorOptions(HWND hWndParent, HWND hWndProject)
{
    auto* dialog = new CEditorOptionsDlg(nullptr, hWndProject);
    if (!dialog->Start(hWndParent)) {
        delete dialog;
        return FALSE;
    }
    return TRUE;
}

} // namespace editor
