// CEditorOptionsDlg: the modeless "Editor Options" dialog with its pages
// (screen and printer fonts, colours, format, keyword assist, other). It
// runs on a dialog thread of its own and registers with the project window
// as tool 1025. Apply writes the modified pages' values to the editor
// settings and tells the project window (0x817F), which has the open
// editors read them again.
#pragma once
#include <windows.h>

#include <memory>

#include "framework/propsheet.h"
#include "shell/tooldialog.h"
#include "ui/fontpage.h"
#include "ui/optionpage.h"

namespace editor {

constexpr UINT kToolIdEditorOptions = 1025;
constexpr UINT kMsgEditorSettingsChanged = 0x817F;

// Templates and controls.
constexpr UINT kIddEditorOptions = 993;
constexpr UINT kIddEditorColourPage = 229;
constexpr UINT kIddEditorFormatPage = 991;
constexpr UINT kIddEditorKeyAssistPage = 1285;
constexpr UINT kIddEditorOtherPage = 1041;
constexpr int kIdcOptionsTab = 1013;
constexpr int kIdcApply = 1014;
constexpr int kIdcResetColours = 1177;
constexpr int kIdcCodeStart = 1457;
constexpr int kIdcTabWidth = 1456;
constexpr int kIdcCodeStartRange = 1458;
constexpr int kIdcTabWidthRange = 1459;
constexpr int kIdcTabInOnEnter = 1512;
constexpr int kIdcKeyAssist = 1698;
constexpr int kIdcCommandTemplates = 1699;
constexpr int kIdcKeyAssistColour = 1737;
constexpr int kIdcTemplateColour = 1738;
constexpr int kIdcLongNameWarnings = 1627;
constexpr int kIdcInlineBreakpoints = 1698;
constexpr int kIdcPrintInColour = 1626;

// The colour buttons of the Colours page: control and colour index.
struct ColourButton {
    int control;
    int colour;
};
extern const ColourButton kColourButtons[12];

class CEditorScreenFontPage : public CFontPage {
public:
    CEditorScreenFontPage();

protected:
    void LoadFont() override;
    void SaveFont() override;
};

class CEditorPrintFontPage : public CFontPage {
public:
    CEditorPrintFontPage();

protected:
    void LoadFont() override;
    void SaveFont() override;
};

class CEditorColourPage : public COptionPropertyPage {
    DECLARE_DYNAMIC(CEditorColourPage)
public:
    CEditorColourPage();
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    // The page's colours by colour index (0..11).
    COLORREF m_colours[12] = {};

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnReset();
};

class CEditorFormatPage : public COptionPropertyPage {
    DECLARE_DYNAMIC(CEditorFormatPage)
public:
    CEditorFormatPage();
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    int m_nCodeStart = 0;
    int m_nTabIndent = 4;
    int m_nTabInOnEnter = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnChanged();
    DECLARE_MESSAGE_MAP()
    bool m_bLoading = false;
};

class CEditorKeyAssistPage : public COptionPropertyPage {
    DECLARE_DYNAMIC(CEditorKeyAssistPage)
public:
    CEditorKeyAssistPage();
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    int m_nKeyAssist = 0;
    int m_nTemplates = 0;
    COLORREF m_clrList = 0;
    COLORREF m_clrTemplate = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CEditorOtherPage : public COptionPropertyPage {
    DECLARE_DYNAMIC(CEditorOtherPage)
public:
    CEditorOtherPage();
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    int m_nLongNameWarnings = 1;
    int m_nInlineBreakpoints = 1;
    int m_nPrintInColour = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

class CEditorOptionsDlg : public CShellToolDialog {
    DECLARE_DYNAMIC(CEditorOptionsDlg)
public:
    explicit CEditorOptionsDlg(CWnd* pParent = nullptr, HWND hWndProject = nullptr);
    ~CEditorOptionsDlg() override;

    // Applies every modified page and tells the project window.
    void ApplyPages();

    CEditorScreenFontPage m_screenFont;
    CEditorPrintFontPage m_printerFont;
    CEditorColourPage m_colours;
    CEditorFormatPage m_format;
    CEditorKeyAssistPage m_keyAssist;
    CEditorOtherPage m_other;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnApply();
    LRESULT OnPageModified(WPARAM wParam, LPARAM lParam);
    void UpdateButtons();
    DECLARE_MESSAGE_MAP()

    CTabbedPages m_tabs;
    COptionPropertyPage* Page(int index);
};

// Runs the dialog on a dialog thread of its own under hWndParent; FALSE when
// it could not be started.
BOOL StartEditorOptions(HWND hWndParent, HWND hWndProject = nullptr);

} // namespace editor
