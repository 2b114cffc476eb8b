// Picture files, off-screen canvases and the version source for the
// shell's window tests.
#pragma once

#include <windows.h>

#include <string>

// A 24-bit bottom-up bitmap file of one colour.
std::string BitmapFileBytes(int width, int height, COLORREF colour);
// The program's built-in logo PNG, as a file's bytes.
std::string LogoPngBytes();

// A memory DC over a screen-compatible bitmap, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(m_dc, x, y); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

// Whether each channel of a is within tolerance of b's.
bool Near(COLORREF a, COLORREF b, int tolerance = 4);
// A printable form of a colour, for failure messages.
std::string ColourText(COLORREF c);

// This test program's path with the extension "hlp": as the application's
// help path it makes the version texts come from this program.
std::string HelpPathOfThisProgram();
