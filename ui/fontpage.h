// CFontPage: the option page on which the user picks a font (face, style,
// size, strikeout, underline) with a live sample; derived pages load and
// save the font. CSystemTime: a local time as the program's time stamp.
#pragma once

#include <windows.h>

#include "framework/controls.h"
#include "framework/gdi.h"
#include "ui/optionpage.h"

class CFontPage : public COptionPropertyPage {
    DECLARE_DYNAMIC(CFontPage)
public:
    CFontPage();

    void GetFaceName(CString& text) const;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    // Pixel height of a font of points at resolution pixels per inch.
    static int PointsToPixels(int nPoints, int nResolution);
    // The size a size text stands for: 0 (empty, not a number) gives 12,
    // below 8 gives 8.
    static int SizeFromText(const char* text);
    // "Regular", "Bold", "Italic" or "Bold italic" for a weight and italic
    // flag (bold from weight 550 on).
    static CString StyleName(int nWeight, BOOL bItalic);

    // Reads the controls into the LOGFONT and remakes the sample.
    void ReadControls();

    CFont m_sampleFont;
    LOGFONTA m_logFont;
    int m_nResolution = 100;
    BYTE m_nPitchAndFamilyFilter = 0;
    CComboBox m_faceBox;
    CComboBox m_styleBox;
    CComboBox m_sizeBox;
    CButton m_strikeoutBox;
    CButton m_underlineBox;
    CStatic m_sample;
    int m_nStrikeout = 0;
    int m_nUnderline = 0;

protected:
    // The derived page fills m_logFont (height in points) and stores it.
    virtual void LoadFont() {}
    virtual void SaveFont() {}
    void MakeSampleFont();
    void OnChanged();
    void OnFocusLost();
    // One face the system listed: added to the face list when it passes
    // the pitch and family filter.
    virtual void AddFontFace(const LOGFONTA& lf);
    DECLARE_MESSAGE_MAP()

private:
    friend int CALLBACK ListFontFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM);
};

class CSystemTime {
public:
    CSystemTime() { Update(); }
    virtual ~CSystemTime() = default;
    void Update() { ::GetLocalTime(&m_time); }
    // "%02u-%s-%04u @ %02u:%02u:%02u.%03u": day, month abbreviation, year,
    // hour, minute, second, milliseconds.
    void Format(CString& text) const;
    void GetLocalTimeText(CString& text)
    {
        Update();
        Format(text);
    }

    SYSTEMTIME m_time = {};
};
