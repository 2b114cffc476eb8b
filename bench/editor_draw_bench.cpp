// Time to paint one screen of the editor: a 20,000-line program drawn by
// the document into an off-screen bitmap of 120 columns by 50 rows, the
// screen scrolled one line further each time (as caret moves do) and every
// tenth line pending (as typing leaves it). Median and 99th percentile of
// 2,000 paints; a key's paint should take well under 16 ms.
//
// Prints "editor_paint_median: <ms> ms" and "editor_paint_p99: <ms> ms".
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/editdoc.h"
#include "framework/app.h"

int main()
{
    CWinApp app("editor draw bench");
    editor::CEditRDoc doc(nullptr);
    doc.Buffer().Store().m_fileType = editor::kFileTypeBasic;
    const int lineCount = 20000;
    for (int i = 0; i < lineCount; ++i) {
        std::string text;
        switch (i % 4) {
        case 0: text = "lbl" + std::to_string(i) + ": ' step " + std::to_string(i); break;
        case 1: text = "  IF speed > limit THEN MOVE(dist_" + std::to_string(i % 97) + " * 2.5) AXIS(1)"; break;
        case 2: text = "    PRINT #5, \"pos \"; MPOS AXIS(0), value" + std::to_string(i % 31); break;
        default: text = "  GOTO lbl" + std::to_string(i - 3); break;
        }
        doc.Buffer().InsertLine(i, text, false);
        if (i % 10 == 0)
            doc.Buffer().InsertChar(0, i, ' ', false);
    }

    HDC screen = ::GetDC(nullptr);
    CDC dc;
    dc.Attach(::CreateCompatibleDC(screen));
    CFont font;
    font.CreateFontIndirect(&doc.Display().screenFont);
    CFont* old = dc.SelectObject(&font);
    const editor::EditCharCell cell = editor::MeasureEditCell(dc);
    dc.SelectObject(old);
    const CRect rect(0, 0, 120 * cell.width, 50 * cell.height);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rect.Width(), rect.Height());
    HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);

    std::vector<double> times;
    const int paints = 2000;
    for (int paint = 0; paint < paints; ++paint) {
        const int first = (paint * 7) % (lineCount - 50);
        const auto start = std::chrono::steady_clock::now();
        doc.DrawLines(&dc, rect, 0, first, editor::CEditRange{3, first + 2, 10, first + 4}, first + 10);
        ::GdiFlush();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    ::SelectObject(dc, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc.Detach());
    ::ReleaseDC(nullptr, screen);

    std::sort(times.begin(), times.end());
    std::printf("editor_paint_median: %.2f ms\n", times[times.size() / 2]);
    std::printf("editor_paint_p99: %.2f ms\n", times[times.size() * 99 / 100]);
    return 0;
}
