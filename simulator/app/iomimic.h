// The simulator's digital I/O mimic: 32 points in banks of eight, drawn as
// LEDs. A click on one of the first eight points (the controller's inputs)
// asks the main dialog to switch it; the other points follow the
// controller's outputs.
#pragma once

#include "framework/afx.h"
#include "framework/wnd.h"

#include <memory>
#include <string>
#include <vector>

// The simulator's own classes; the development environment's libraries
// have classes of the same names.
namespace qcsim {

// Sent by a LED to its bank when clicked, and by a bank to the mimic.
constexpr UINT WM_MIMIC_CLICK = WM_APP + 0x10B;
// Sent by the mimic to its parent: wParam = point, lParam = wanted state.
constexpr UINT WM_MIMIC_SET_POINT = WM_APP + 0x10C;
constexpr UINT WM_MIMIC_SCROLL_TO = WM_APP + 0x115;
constexpr UINT WM_MIMIC_SHOW_CHILD = WM_APP + 0x116;

class CLED : public CWnd {
public:
    CLED() = default;
    BOOL CreateLed(const RECT& rect, CWnd* pParent, UINT nID);
    void SetState(int state);
    int GetState() const { return m_state; }
    void SetColours(COLORREF on, COLORREF off) { m_on = on; m_off = off; }
    void SetBackground(COLORREF colour) { m_background = colour; }
    COLORREF GetOnColour() const { return m_on; }

protected:
    virtual void Draw(HDC dc, const RECT& client);
    void OnPaint();
    void OnLButtonDown(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

    COLORREF m_background = RGB(0, 0, 0);
    COLORREF m_on = RGB(255, 0, 0);
    COLORREF m_off = RGB(0, 0, 0);
    int m_border = 1;
    int m_state = 0;
};

class CTextLED : public CLED {
public:
    void SetTextColours(COLORREF on, COLORREF off) { m_textOn = on; m_textOff = off; }
    COLORREF GetTextColour() const { return m_state ? m_textOn : m_textOff; }
    // Height below 8 counts as 8; weight is kept within 100 to 1000.
    void SetFontHeight(int height) { m_fontHeight = height < 8 ? 8 : height; }
    void SetFontWeight(int weight) { m_fontWeight = weight < 100 ? 100 : weight > 1000 ? 1000 : weight; }
    void SetFontFace(const std::string& face) { m_fontFace = face; }
    void SetFont(HFONT font);
    int GetFontHeight() const { return m_fontHeight; }
    int GetFontWeight() const { return m_fontWeight; }
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_text; }
    void SetAlignment(int alignment) { m_alignment = alignment; }

protected:
    void Draw(HDC dc, const RECT& client) override;

private:
    COLORREF m_textOn = RGB(0, 0, 0);
    COLORREF m_textOff = RGB(255, 255, 255);
    int m_fontHeight = 10;
    int m_fontWeight = 300;
    std::string m_fontFace = "Courier";
    int m_alignment = 1;
    std::string m_text;
};

class CIOBankMimic : public CWnd {
public:
    CIOBankMimic();
    BOOL CreateBank(const RECT& rect, CWnd* pParent, UINT nID);
    void SetFirstPoint(int first);
    int GetFirstPoint() const { return m_first; }
    void SetType(int type);
    int GetType() const { return m_type; }
    void SetRowHeight(int height);
    bool HasInputs() const;
    int GetPoint(int index) const;
    void SetPoint(int index, int state);
    void SetPointFont(HFONT font);
    void SetHeadingFont(HFONT font);
    CTextLED& Point(int index) { return m_points[index]; }
    CTextLED& Heading() { return m_heading; }
    SIZE BankSize() const;

protected:
    LRESULT OnLedClick(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowChild(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void Layout();
    void Colour();

    int m_type = 2;
    int m_first = 0;
    int m_rowHeight = 16;
    CTextLED m_heading;
    CTextLED m_points[8];
    bool m_enabled[8];
    bool m_created = false;
};

class CIOMimic : public CWnd {
public:
    CIOMimic() = default;
    ~CIOMimic() override;
    BOOL CreateMimic(const RECT& rect, CWnd* pParent, UINT nID, int layoutStyle, int pointCount);
    void SetPointFont(HFONT font);
    void SetHeadingFont(HFONT font);
    int GetPoint(int point) const;
    void SetPoint(int point, int state);
    int GetPointCount() const { return m_pointCount; }
    int GetBankCount() const { return static_cast<int>(m_banks.size()); }
    CIOBankMimic* GetBank(int n) const { return m_banks[static_cast<size_t>(n)].get(); }
    int GetRows() const { return m_rows; }
    bool ScrollBarShown() const;

protected:
    LRESULT OnBankClick(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowChild(WPARAM wParam, LPARAM lParam);
    LRESULT OnScrollTo(WPARAM wParam, LPARAM lParam);
    void OnSize(UINT nType, int cx, int cy);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    CIOBankMimic* BankWithInput(int point) const;
    void Layout(bool countRows);
    void SetScroll(int position);

    std::vector<std::unique_ptr<CIOBankMimic>> m_banks;
    HWND m_scroll = nullptr;
    int m_pointCount = 0;
    int m_layoutStyle = 0;
    int m_rows = 0;
    int m_scrollPos = 0;
    int m_scrollMax = 0;
    bool m_created = false;
};

// The LED states the link window keeps.
class CLEDDriver {
public:
    CLEDDriver() : m_states(2, 0) {}
    virtual ~CLEDDriver() = default;
    void SetCount(int count);
    int GetCount() const { return static_cast<int>(m_states.size()); }
    uint8_t GetState(int n) const { return n >= 0 && n < GetCount() ? m_states[static_cast<size_t>(n)] : 0; }

private:
    std::vector<uint8_t> m_states;
    int m_counters[3] = {0, 0, 0};
};

} // namespace qcsim
