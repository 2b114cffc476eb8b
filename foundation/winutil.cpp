#include "foundation/winutil.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/app.h"
#include "framework/thread.h"
#include "framework/wnd.h"
#include "foundation/textutil.h"

BOOL PumpOneMessage()
{
    MSG msg;
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return FALSE;
    if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return FALSE;
    }
    if (!AfxPreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return TRUE;
}

BOOL PumpWaitingMessages()
{
    BOOL any = FALSE;
    while (PumpOneMessage())
        any = TRUE;
    return any;
}

HWND GetMainWindowHandle()
{
    const HWND window = AfxGetMainWndHandle();
    return (window && ::IsWindow(window)) ? window : nullptr;
}

int GetWindowInt(HWND window)
{
    if (!window)
        return 0;
    const int length = ::GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    ::GetWindowTextA(window, text.data(), length + 1);
    return std::atoi(text.data());
}

int FindComboString(HWND comboBox, LPCSTR text)
{
    if (!comboBox || !text)
        return -1;
    const int count = static_cast<int>(::SendMessageA(comboBox, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = ::SendMessageA(comboBox, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length == CB_ERR)
            continue;
        std::vector<char> item(static_cast<std::size_t>(length) + 1, '\0');
        ::SendMessageA(comboBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
        if (std::strcmp(item.data(), text) == 0)
            return i;
    }
    return -1;
}

COLORREF BlendColours(COLORREF a, COLORREF b)
{
    return ((a >> 1) & 0x7F7F7F7F) + ((b >> 1) & 0x7F7F7F7F);
}

COLORREF GreyColour(COLORREF colour)
{
    const unsigned mean = (GetRValue(colour) + GetGValue(colour) + GetBValue(colour)) / 3;
    return (colour & 0xFF000000) | RGB(mean, mean, mean);
}

COLORREF InvertColour(COLORREF colour)
{
    return colour ^ 0x00FFFFFF;
}

BOOL ReplaceImageColour(HBITMAP image, COLORREF oldColour, COLORREF newColour)
{
    if (!image)
        return FALSE;
    if ((oldColour & 0xFFFFFF) == (newColour & 0xFFFFFF))
        return TRUE;
    BITMAP info;
    if (!::GetObjectA(image, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return FALSE;

    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight; // top-down rows
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<std::size_t>(info.bmWidth) * static_cast<std::size_t>(info.bmHeight));

    HDC dc = ::GetDC(nullptr);
    BOOL ok = ::GetDIBits(dc, image, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &header, DIB_RGB_COLORS) ==
              info.bmHeight;
    if (ok) {
        // DIB pixels hold blue in the low byte; COLORREF holds red there.
        auto toPixel = [](COLORREF c) -> DWORD {
            return (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
        };
        const DWORD from = toPixel(oldColour);
        const DWORD to = toPixel(newColour);
        for (DWORD& pixel : pixels) {
            if ((pixel & 0xFFFFFF) == from)
                pixel = (pixel & 0xFF000000) | to;
        }
        ok = ::SetDIBits(dc, image, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &header, DIB_RGB_COLORS) ==
             info.bmHeight;
    }
    ::ReleaseDC(nullptr, dc);
    return ok;
}

CString CompactPathToWidth(HDC dc, LPCSTR path, int width)
{
    return CompactPathToWidth(path, width, [dc](const CString& text) {
        SIZE size = {};
        ::GetTextExtentPoint32A(dc, text, text.GetLength(), &size);
        return static_cast<int>(size.cx);
    });
}
