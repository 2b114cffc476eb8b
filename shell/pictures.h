// Pictures loaded through GDI+ into bitmaps of their own: a picture read
// from a file or a stream keeps neither open, so the file can be deleted
// and the memory freed as soon as the load returns.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/gdiplus.h"

// Null when the file is missing or holds no picture GDI+ can read.
std::unique_ptr<Gdiplus::Bitmap> LoadPictureFile(LPCSTR path);
std::unique_ptr<Gdiplus::Bitmap> LoadPictureStream(IStream* stream);
// A bitmap handle (and its palette, or null) as a picture.
std::unique_ptr<Gdiplus::Bitmap> PictureFromBitmap(HBITMAP hBitmap, HPALETTE hPalette);
// Draws the picture at its own size with its top-left corner at (x, y),
// pixel for pixel.
void DrawPicture(HDC hDC, Gdiplus::Image& picture, int x, int y);
