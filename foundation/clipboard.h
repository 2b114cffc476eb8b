// Clipboard access bound to an owner window, and the .bmp file loader.
#pragma once

#include <windows.h>

#include "framework/cstring.h"

class CBitmap;
class CDC;
class CPalette;

class ClipboardAccess {
public:
    explicit ClipboardAccess(HWND owner = nullptr) : m_owner(owner) {}
    void SetOwner(HWND owner) { m_owner = owner; }
    HWND GetOwner() const { return m_owner; }

    // The clipboard's CF_TEXT block (its whole global size) with a
    // terminating zero; FALSE when there is no text or the clipboard
    // cannot be opened.
    BOOL GetText(CString& text) const;
    // The byte size of the CF_TEXT block; FALSE when there is none.
    BOOL GetTextSize(SIZE_T& size) const;
    // Empties the clipboard and puts the text with its terminating zero as
    // CF_TEXT.
    BOOL SetText(LPCSTR text) const;
    // Empties the clipboard and puts a copy of the rectangle of the source
    // device context as CF_BITMAP.
    BOOL CopyBitmap(HDC source, const RECT& rect) const;

private:
    HWND m_owner;
};

// Loads a .bmp file into a device-dependent bitmap made on the screen,
// with a palette of its colour table when one is asked for and the file
// has at most 256 colours. Every size and offset in the file is checked
// against its length (header size from biSize, colour table, pixel bits);
// a short or malformed file is refused (FALSE) without touching the
// outputs.
BOOL LoadBitmapFile(LPCSTR path, CBitmap& bitmap, CPalette* palette);

// A palette of the distinct colours of the bitmap's colour table (in table
// order, at most 256) for 8 bits per pixel or fewer; the halftone palette
// for deeper bitmaps.
BOOL CreateBitmapPalette(HBITMAP bitmap, CPalette& palette);
// Appends colour (red, green, blue, flags 0) unless an equal entry is
// among the first count entries; count grows by the one added. The caller
// gives room for 256 entries.
void AddUniqueColour(PALETTEENTRY* entries, COLORREF colour, int& count);

// The checks of LoadBitmapFile over the file's bytes after the 14-byte
// file header (header, colour table, bits): the offset of the pixel bits
// and the colour count, or FALSE for a malformed block.
struct BitmapBlockLayout {
    DWORD headerSize;
    DWORD colourCount;     // table entries the palette is built from
    DWORD colourTableSize; // bytes
    DWORD bitsOffset;      // from the start of the block
    DWORD bitsSize;
};
BOOL CheckBitmapBlock(const BYTE* block, size_t length, BitmapBlockLayout& layout);
