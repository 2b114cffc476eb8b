#include "foundation/clipboard.h"

#include <cstring>
#include <vector>

#include "framework/gdi.h"

namespace {

class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : m_open(::OpenClipboard(owner) != FALSE) {}
    ~ClipboardSession()
    {
        if (m_open)
            ::CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    explicit operator bool() const { return m_open; }

private:
    bool m_open;
};

DWORD ReadDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

WORD ReadWord(const BYTE* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

} // namespace

// ---- Clipboard -----------------------------------------------------------

BOOL ClipboardAccess::GetText(CString& text) const
{
    if (!::IsClipboardFormatAvailable(CF_TEXT))
        return FALSE;
    ClipboardSession session(m_owner);
    if (!session)
        return FALSE;
    HANDLE data = ::GetClipboardData(CF_TEXT);
    if (!data)
        return FALSE;
    const SIZE_T size = ::GlobalSize(data);
    const char* bytes = static_cast<const char*>(::GlobalLock(data));
    if (!bytes)
        return FALSE;
    // The block's whole size, ended by a zero of our own.
    std::vector<char> copy(bytes, bytes + size);
    ::GlobalUnlock(data);
    copy.push_back('\0');
    text = copy.data();
    return TRUE;
}

BOOL ClipboardAccess::GetTextSize(SIZE_T& size) const
{
    size = 0;
    if (!::IsClipboardFormatAvailable(CF_TEXT))
        return FALSE;
    ClipboardSession session(m_owner);
    if (!session)
        return FALSE;
    HANDLE data = ::GetClipboardData(CF_TEXT);
    if (!data)
        return FALSE;
    size = ::GlobalSize(data);
    return TRUE;
}

BOOL ClipboardAccess::SetText(LPCSTR text) const
{
    const char* value = text ? text : "";
    const size_t size = std::strlen(value) + 1;
    ClipboardSession session(m_owner);
    if (!session)
        return FALSE;
    ::EmptyClipboard();
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    if (!block)
        return FALSE;
    void* bytes = ::GlobalLock(block);
    if (!bytes) {
        ::GlobalFree(block);
        return FALSE;
    }
    std::memcpy(bytes, value, size);
    ::GlobalUnlock(block);
    if (!::SetClipboardData(CF_TEXT, block)) {
        ::GlobalFree(block);
        return FALSE;
    }
    return TRUE;
}

BOOL ClipboardAccess::CopyBitmap(HDC source, const RECT& rect) const
{
    ClipboardSession session(m_owner);
    if (!session)
        return FALSE;
    ::EmptyClipboard();
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HBITMAP bitmap = ::CreateCompatibleBitmap(source, width, height);
    if (!bitmap)
        return FALSE;
    HDC memory = ::CreateCompatibleDC(source);
    if (!memory) {
        ::DeleteObject(bitmap);
        return FALSE;
    }
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    const BOOL copied = ::BitBlt(memory, 0, 0, width, height, source, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    if (!copied || !::SetClipboardData(CF_BITMAP, bitmap)) {
        ::DeleteObject(bitmap);
        return FALSE;
    }
    return TRUE;
}

// ---- Bitmap files --------------------------------------------------------

BOOL CheckBitmapBlock(const BYTE* block, size_t length, BitmapBlockLayout& layout)
{
    layout = {};
    if (!block || length < 4)
        return FALSE;
    const DWORD headerSize = ReadDword(block);
    // BITMAPINFOHEADER and its later, longer forms; the old 12-byte core
    // header is not taken.
    if (headerSize < 40 || headerSize > length)
        return FALSE;
    const LONG width = static_cast<LONG>(ReadDword(block + 4));
    const LONG height = static_cast<LONG>(ReadDword(block + 8));
    const WORD planes = ReadWord(block + 12);
    const WORD bitCount = ReadWord(block + 14);
    const DWORD compression = ReadDword(block + 16);
    const DWORD imageSize = ReadDword(block + 20);
    const DWORD coloursUsed = ReadDword(block + 32);
    if (width <= 0 || height == 0 || height == LONG(0x80000000) || planes != 1)
        return FALSE;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return FALSE;
    }

    // Colour table.
    ULONGLONG tableEntries;
    if (bitCount <= 8) {
        const DWORD maxColours = 1u << bitCount;
        if (coloursUsed > maxColours)
            return FALSE;
        layout.colourCount = coloursUsed ? coloursUsed : maxColours;
        tableEntries = layout.colourCount;
    } else {
        layout.colourCount = coloursUsed ? coloursUsed : 0xFFFFFFFF; // no palette from a deep bitmap
        tableEntries = coloursUsed;
        if (compression == BI_BITFIELDS && headerSize == 40)
            tableEntries += 3; // the three masks follow the short header
    }
    const ULONGLONG tableSize = tableEntries * 4;
    const ULONGLONG bitsOffset = headerSize + tableSize;
    if (bitsOffset > length)
        return FALSE;

    // Pixel bits.
    ULONGLONG bitsSize;
    const ULONGLONG rows = static_cast<ULONGLONG>(height < 0 ? -static_cast<LONGLONG>(height) : height);
    switch (compression) {
    case BI_RGB:
    case BI_BITFIELDS: {
        if (compression == BI_BITFIELDS && bitCount != 16 && bitCount != 32)
            return FALSE;
        const ULONGLONG stride = ((static_cast<ULONGLONG>(width) * bitCount + 31) / 32) * 4;
        if (stride > (length - bitsOffset) / rows)
            return FALSE; // more rows than the file holds (and no overflow below)
        bitsSize = stride * rows;
        break;
    }
    case BI_RLE8:
    case BI_RLE4:
        if ((compression == BI_RLE8 && bitCount != 8) || (compression == BI_RLE4 && bitCount != 4) || height < 0 ||
            imageSize == 0)
            return FALSE;
        bitsSize = imageSize;
        break;
    default:
        return FALSE; // JPEG, PNG and unknown forms are not read
    }
    if (bitsSize == 0 || bitsSize > length - bitsOffset)
        return FALSE;

    layout.headerSize = headerSize;
    layout.colourTableSize = static_cast<DWORD>(tableSize);
    layout.bitsOffset = static_cast<DWORD>(bitsOffset);
    layout.bitsSize = static_cast<DWORD>(bitsSize);
    return TRUE;
}

BOOL LoadBitmapFile(LPCSTR path, CBitmap& bitmap, CPalette* palette)
{
    if (!path)
        return FALSE;
    HANDLE file =
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    LARGE_INTEGER fileSize;
    BYTE fileHeader[14];
    DWORD got = 0;
    const bool headerOk = ::GetFileSizeEx(file, &fileSize) && fileSize.QuadPart >= 14 &&
                          fileSize.QuadPart < 0x40000000 && ::ReadFile(file, fileHeader, 14, &got, nullptr) &&
                          got == 14 && ReadWord(fileHeader) == 19778;
    if (!headerOk) {
        ::CloseHandle(file);
        return FALSE;
    }
    const DWORD blockSize = static_cast<DWORD>(fileSize.QuadPart - 14);
    std::vector<BYTE> block(blockSize);
    got = 0;
    const bool read = blockSize == 0 || (::ReadFile(file, block.data(), blockSize, &got, nullptr) && got == blockSize);
    ::CloseHandle(file);
    BitmapBlockLayout layout;
    if (!read || !CheckBitmapBlock(block.data(), block.size(), layout))
        return FALSE;

    CPalette newPalette;
    if (palette && layout.colourCount <= 256) {
        std::vector<BYTE> logical(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
        LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(logical.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = static_cast<WORD>(layout.colourCount);
        const BYTE* table = block.data() + layout.headerSize;
        for (DWORD i = 0; i < layout.colourCount; ++i) {
            lp->palPalEntry[i].peRed = table[i * 4 + 2];
            lp->palPalEntry[i].peGreen = table[i * 4 + 1];
            lp->palPalEntry[i].peBlue = table[i * 4];
            lp->palPalEntry[i].peFlags = 0;
        }
        if (!newPalette.CreatePalette(lp))
            return FALSE;
    }

    HDC screen = ::GetDC(nullptr);
    if (!screen)
        return FALSE;
    HPALETTE oldPalette = nullptr;
    if (newPalette.GetSafeHandle()) {
        oldPalette = ::SelectPalette(screen, static_cast<HPALETTE>(newPalette.GetSafeHandle()), FALSE);
        ::RealizePalette(screen);
    }
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(block.data());
    HBITMAP created =
        ::CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, block.data() + layout.bitsOffset, info, DIB_RGB_COLORS);
    if (oldPalette)
        ::SelectPalette(screen, oldPalette, FALSE);
    ::ReleaseDC(nullptr, screen);
    if (!created)
        return FALSE;

    bitmap.DeleteObject();
    bitmap.Attach(created);
    if (palette && newPalette.GetSafeHandle()) {
        palette->DeleteObject();
        palette->Attach(newPalette.Detach());
    }
    return TRUE;
}

void AddUniqueColour(PALETTEENTRY* entries, COLORREF colour, int& count)
{
    if (!entries || count < 0 || count >= 256)
        return;
    const BYTE red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
    for (int i = 0; i < count; ++i) {
        if (entries[i].peRed == red && entries[i].peGreen == green && entries[i].peBlue == blue)
            return;
    }
    entries[count].peRed = red;
    entries[count].peGreen = green;
    entries[count].peBlue = blue;
    entries[count].peFlags = 0;
    ++count;
}

BOOL CreateBitmapPalette(HBITMAP bitmap, CPalette& palette)
{
    BITMAP info;
    if (!bitmap || !::GetObjectA(bitmap, sizeof info, &info))
        return FALSE;
    HDC screen = ::GetDC(nullptr);
    if (!screen)
        return FALSE;
    BOOL ok = FALSE;
    if (info.bmBitsPixel <= 8) {
        // The colour table as GetDIBits reports it for the bitmap's depth.
        std::vector<BYTE> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        BITMAPINFO* bi = reinterpret_cast<BITMAPINFO*>(header.data());
        bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi->bmiHeader.biWidth = info.bmWidth;
        bi->bmiHeader.biHeight = info.bmHeight;
        bi->bmiHeader.biPlanes = 1;
        bi->bmiHeader.biBitCount = info.bmBitsPixel;
        bi->bmiHeader.biCompression = BI_RGB;
        int colours = 0;
        std::vector<BYTE> logical(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
        LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(logical.data());
        if (::GetDIBits(screen, bitmap, 0, 0, nullptr, bi, DIB_RGB_COLORS)) {
            const int tableSize = 1 << info.bmBitsPixel;
            for (int i = 0; i < tableSize; ++i) {
                const RGBQUAD& q = bi->bmiColors[i];
                AddUniqueColour(lp->palPalEntry, RGB(q.rgbRed, q.rgbGreen, q.rgbBlue), colours);
            }
        }
        lp->palVersion = 0x300;
        lp->palNumEntries = static_cast<WORD>(colours);
        palette.DeleteObject();
        ok = colours > 0 && palette.CreatePalette(lp);
    } else {
        palette.DeleteObject();
        HPALETTE halftone = ::CreateHalftonePalette(screen);
        ok = halftone && palette.Attach(halftone);
    }
    ::ReleaseDC(nullptr, screen);
    return ok;
}
