#include "picture_files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/visual_resource.h"

namespace {

void Put16(std::string& s, uint16_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

void Put32(std::string& s, uint32_t v)
{
    Put16(s, static_cast<uint16_t>(v & 0xFFFF));
    Put16(s, static_cast<uint16_t>(v >> 16));
}

} // namespace

std::string BitmapFileBytes(int width, int height, COLORREF colour)
{
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(stride * height);
    std::string s = "BM";
    Put32(s, 14 + 40 + imageSize);
    Put32(s, 0);
    Put32(s, 14 + 40);
    Put32(s, 40);
    Put32(s, static_cast<uint32_t>(width));
    Put32(s, static_cast<uint32_t>(height));
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, 0);
    Put32(s, imageSize);
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, 0);
    Put32(s, 0);
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            row += static_cast<char>(GetBValue(colour));
            row += static_cast<char>(GetGValue(colour));
            row += static_cast<char>(GetRValue(colour));
        }
        row.resize(static_cast<size_t>(stride), '\0');
        s += row;
    }
    return s;
}

std::string LogoPngBytes()
{
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(IDR_BACKGROUND_LOGO), "PNG");
    if (!resource)
        return std::string();
    HGLOBAL loaded = ::LoadResource(module, resource);
    const char* bytes = static_cast<const char*>(::LockResource(loaded));
    return std::string(bytes, ::SizeofResource(module, resource));
}

Canvas::Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height)
{
    HDC screen = ::GetDC(nullptr);
    m_dc = ::CreateCompatibleDC(screen);
    m_bitmap = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    m_old = ::SelectObject(m_dc, m_bitmap);
    HBRUSH brush = ::CreateSolidBrush(fill);
    RECT all = {0, 0, width, height};
    ::FillRect(m_dc, &all, brush);
    ::DeleteObject(brush);
}

Canvas::~Canvas()
{
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string ColourText(COLORREF c)
{
    char text[32];
    std::snprintf(text, sizeof text, "(%d,%d,%d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

std::string HelpPathOfThisProgram()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string help = path;
    return help.substr(0, help.size() - 3) + "hlp";
}
