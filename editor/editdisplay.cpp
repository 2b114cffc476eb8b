#include "editor/editdisplay.h"

#include <cstring>

namespace editor {

LOGFONTA DefaultEditorFont(int points)
{
    LOGFONTA font{};
    font.lfHeight = points;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::strcpy(font.lfFaceName, "Courier New");
    return font;
}

void EditDisplaySettings::Read()
{
    CVQRegistry settings;
    if (!settings.GetEditorFont(screenFont))
        screenFont = DefaultEditorFont(12);
    // The stored height is in points; the screen wants pixels.
    HDC screen = ::GetDC(nullptr);
    const int pixelsPerInch = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    screenFont.lfHeight = MulDiv(screenFont.lfHeight, pixelsPerInch, 72);
    screenFont.lfWidth = MulDiv(screenFont.lfWidth, pixelsPerInch, 72);
    if (!settings.GetEditorPrinterFont(printerFont))
        printerFont = DefaultEditorFont(10);
    for (int slot = 0; slot < kColourSlotCount; ++slot)
        colours[slot] = settings.GetEditorColour(kRegistryColourOfSlot[slot]);
    codeStart = static_cast<int>(settings.GetCodeStart());
    tabIndent = static_cast<int>(settings.GetTabIndent());
    tabInOnEnter = settings.GetTabInOnEnter() != 0;
    printInColour = settings.GetPrintInColour() != 0;
    useInlineBreakpoints = settings.GetUseInlineBreakpoints() != 0;
    margins = VQPrintMargins{75, 75, 75, 75, 0};
    settings.GetPrintMargins(margins);
}

} // namespace editor
