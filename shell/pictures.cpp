#include "shell/pictures.h"

namespace {

// A copy of the picture's pixels that depends on nothing the source holds
// (GDI+ may read a file or stream lazily for as long as an image lives).
std::unique_ptr<Gdiplus::Bitmap> OwnCopy(Gdiplus::Image& source)
{
    if (source.GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    const UINT width = source.GetWidth();
    const UINT height = source.GetHeight();
    if (width == 0 || height == 0)
        return nullptr;
    auto copy = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(width), static_cast<INT>(height),
                                                  PixelFormat32bppARGB);
    if (copy->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    Gdiplus::Graphics graphics(copy.get());
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    if (graphics.DrawImage(&source, 0, 0, static_cast<INT>(width), static_cast<INT>(height)) != Gdiplus::Ok)
        return nullptr;
    return copy;
}

} // namespace

std::unique_ptr<Gdiplus::Bitmap> LoadPictureFile(LPCSTR path)
{
    if (!path || ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    const std::wstring wide = AfxWidePath(path);
    Gdiplus::Bitmap source(wide.c_str());
    return OwnCopy(source);
}

std::unique_ptr<Gdiplus::Bitmap> LoadPictureStream(IStream* stream)
{
    if (!stream)
        return nullptr;
    Gdiplus::Bitmap source(stream);
    return OwnCopy(source);
}

std::unique_ptr<Gdiplus::Bitmap> PictureFromBitmap(HBITMAP hBitmap, HPALETTE hPalette)
{
    if (!hBitmap)
        return nullptr;
    Gdiplus::Bitmap source(hBitmap, hPalette);
    return OwnCopy(source);
}

void DrawPicture(HDC hDC, Gdiplus::Image& picture, int x, int y)
{
    Gdiplus::Graphics graphics(hDC);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.DrawImage(&picture, x, y, static_cast<INT>(picture.GetWidth()), static_cast<INT>(picture.GetHeight()));
}
