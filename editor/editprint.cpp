#include "editor/editprint.h"

#include <algorithm>

#include "editor/editdoc.h"
#include "ui/userdialog.h"

namespace editor {

namespace {

// The program's header strings.
constexpr UINT kIdsProgramHeader = 408;
constexpr UINT kIdsPageHeader = 409;

} // namespace

// ---- The document's display ------------------------------------------------------

const EditDisplaySettings& CEditRDoc::Display()
{
    if (!m_displayRead)
        ReadDisplaySettings();
    return m_display;
}

void CEditRDoc::ReadDisplaySettings()
{
    m_display.Read();
    m_displayRead = true;
    m_useInlineBreakpoints = m_display.useInlineBreakpoints;
    m_screenFont.DeleteObject();
    m_screenFont.CreateFontIndirect(&m_display.screenFont);
}

EditLineMarks CEditRDoc::LineMarks(int highlightLine)
{
    EditLineMarks marks;
    marks.markedLine = m_buffer.m_markedLine;
    marks.currentLine = m_buffer.m_currentLine;
    marks.inlineBreakpoints = m_featureBreakpoints && m_useInlineBreakpoints;
    marks.highlightLine = highlightLine;
    return marks;
}

void CEditRDoc::DrawLines(CDC* pDC, const CRect& rect, int firstColumn, int firstLine, const CEditRange& selection,
                          int highlightLine)
{
    if (!pDC)
        return;
    const EditDisplaySettings& display = Display();
    DrawEditLines(*pDC, m_buffer.Store().m_lines, rect, firstColumn, firstLine, selection, LineMarks(highlightLine),
                  display.colours, &m_screenFont);
}

int CEditRDoc::GetMaxLineLength() const
{
    int longest = 0;
    for (int index = 0; index < m_buffer.GetLineCount(); ++index)
        longest = std::max(longest, m_buffer.GetLineLength(index));
    return longest;
}

// ---- Printing -----------------------------------------------------------------------

namespace {

// A margin as stored (hundredths of an inch, or fortieths of a centimetre
// with the metric flag) in device pixels at pixelsPerInch.
int MarginPixels(LONG margin, bool metric, int pixelsPerInch)
{
    // 1/40 cm is 1/101.6 inch.
    return metric ? static_cast<int>(static_cast<long long>(margin) * pixelsPerInch * 10 / 1016)
                  : MulDiv(margin, pixelsPerInch, 100);
}

// The printer font at the printer's resolution, selected into the context
// while the object lives.
class CPrinterFont {
public:
    CPrinterFont(CDC& dc, const LOGFONTA& points) : m_dc(dc)
    {
        LOGFONTA font = points;
        const int pixelsPerInch = dc.GetDeviceCaps(LOGPIXELSY);
        font.lfHeight = MulDiv(points.lfHeight, pixelsPerInch, 72);
        font.lfWidth = MulDiv(points.lfWidth, pixelsPerInch, 72);
        m_font.CreateFontIndirect(&font);
        m_pOld = m_font.m_hObject ? dc.SelectObject(&m_font) : nullptr;
        TEXTMETRICA metrics{};
        dc.GetTextMetrics(&metrics);
        m_lineHeight = std::max<int>(1, metrics.tmHeight + metrics.tmExternalLeading);
        m_charWidth = std::max<int>(1, metrics.tmAveCharWidth);
    }
    ~CPrinterFont()
    {
        if (m_pOld)
            m_dc.SelectObject(m_pOld);
    }
    CPrinterFont(const CPrinterFont&) = delete;
    CPrinterFont& operator=(const CPrinterFont&) = delete;

    int m_lineHeight = 1;
    int m_charWidth = 1;

private:
    CDC& m_dc;
    CFont m_font;
    CFont* m_pOld = nullptr;
};

} // namespace

CRect CEditRDoc::GetPageRect(CDC* pPrinterDC)
{
    if (!pPrinterDC)
        return CRect();
    const VQPrintMargins& margins = Display().margins;
    const bool metric = margins.metric != 0;
    const int across = pPrinterDC->GetDeviceCaps(LOGPIXELSX);
    const int down = pPrinterDC->GetDeviceCaps(LOGPIXELSY);
    return CRect(MarginPixels(margins.left, metric, across), MarginPixels(margins.top, metric, down),
                 pPrinterDC->GetDeviceCaps(HORZRES) - MarginPixels(margins.right, metric, across),
                 pPrinterDC->GetDeviceCaps(VERTRES) - MarginPixels(margins.bottom, metric, down));
}

int CEditRDoc::GetLinesPerPage(CDC* pPrinterDC)
{
    if (!pPrinterDC)
        return 1;
    const CRect page = GetPageRect(pPrinterDC);
    CPrinterFont font(*pPrinterDC, Display().printerFont);
    // The header, the rules under it and a spare row take three lines; a
    // page too small even for that still prints one line.
    return std::max(1, page.Height() / font.m_lineHeight - 3);
}

void CEditRDoc::PrintPage(CDC* pPrinterDC, int page)
{
    if (!pPrinterDC || page < 1)
        return;
    const EditDisplaySettings& display = Display();
    const CRect area = GetPageRect(pPrinterDC);
    const int perPage = GetLinesPerPage(pPrinterDC);
    CPrinterFont font(*pPrinterDC, display.printerFont);
    const int oldMode = pPrinterDC->SetBkMode(TRANSPARENT);
    const COLORREF oldColour = pPrinterDC->SetTextColor(RGB(0, 0, 0));

    CString header;
    header.Format(LoadStringOr(kIdsProgramHeader, "Program : %s"), GetProgramName().c_str());
    pPrinterDC->TextOut(area.left, area.top, header);
    CString number;
    number.Format(LoadStringOr(kIdsPageHeader, "Page %d"), page);
    const CSize numberSize = pPrinterDC->GetTextExtent(number);
    pPrinterDC->TextOut(area.right - numberSize.cx, area.top, number);
    const int ruleY = area.top + font.m_lineHeight + font.m_lineHeight / 4;
    for (int y : {ruleY, ruleY + 2}) {
        pPrinterDC->MoveTo(area.left, y);
        pPrinterDC->LineTo(area.right, y);
    }

    const std::vector<CEditRLine>& lines = m_buffer.Store().m_lines;
    const long long first = static_cast<long long>(page - 1) * perPage;
    const long long last = std::min<long long>(first + perPage, static_cast<long long>(lines.size()));
    const int mode = display.printInColour ? kLineNormal : kDrawMonochrome;
    int y = area.top + 2 * font.m_lineHeight;
    for (long long index = first; index < last; ++index, y += font.m_lineHeight)
        DrawEditLine(*pPrinterDC, lines[static_cast<size_t>(index)], area.left, y, font.m_charWidth, 0, 0, 0, mode,
                     display.colours);
    pPrinterDC->SetTextColor(oldColour);
    pPrinterDC->SetBkMode(oldMode);
}

// ---- The print job -----------------------------------------------------------------

void CEditPrintJob::OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo)
{
    const int perPage = m_document.GetLinesPerPage(pDC);
    const int lines = m_document.Buffer().GetLineCount();
    m_nPages = lines / perPage + (lines % perPage ? 1 : 0);
    pInfo->SetMaxPage(static_cast<UINT>(m_nPages));
}

void CEditPrintJob::OnPrint(CDC* pDC, CPrintInfo* pInfo)
{
    m_document.PrintPage(pDC, static_cast<int>(pInfo->m_nCurPage));
}

BOOL PrintEditDocument(CEditRDoc& document, HWND hWndOwner)
{
    CEditPrintJob job(document);
    CString title = document.GetTitle();
    if (title.IsEmpty())
        title = document.GetProgramName().c_str();
    return AfxPrintJob(job, hWndOwner, title);
}

} // namespace editor
