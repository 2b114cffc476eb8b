// The editor's display settings: fonts, the twelve syntax and line colours,
// indentation and printing switches, and the print margins, read from the
// editor settings. The document reads them when it is made and again when
// the options dialog applies new ones.
#pragma once
#include <windows.h>

#include "settings/vqregistry.h"

namespace editor {

// The colour slots the drawing uses (the order of the document's colour
// table, not of the registry indices).
enum ColourSlot {
    kColourBreak = 0,
    kColourComment,
    kColourConstant,
    kColourCurrentBreak,
    kColourCurrentLine,
    kColourKeyWord,
    kColourString,
    kColourErrorLine,
    kColourLabelDef,
    kColourLabelRef,
    kColourBackground,
    kColourForeground,
    kColourSlotCount
};

// The registry colour index each slot is read from.
constexpr int kRegistryColourOfSlot[kColourSlotCount] = {1, 5, 6, 2, 0, 4, 7, 3, 8, 9, 10, 11};

struct EditDisplaySettings {
    LOGFONTA screenFont{};  // height and width in screen pixels
    LOGFONTA printerFont{}; // height and width in points
    COLORREF colours[kColourSlotCount]{};
    int codeStart = 0;
    int tabIndent = 4;
    bool tabInOnEnter = false;
    bool printInColour = false;
    bool useInlineBreakpoints = true;
    VQPrintMargins margins{75, 75, 75, 75, 0};

    // Reads every value from the settings; a font that is not stored is
    // Courier New (12 points on the screen, 10 for printing).
    void Read();
};

// The default editor font: Courier New, points high, weight 400, fixed
// pitch (height in points).
LOGFONTA DefaultEditorFont(int points);

} // namespace editor
