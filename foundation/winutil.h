// Window and message helpers: keeping a thread's windows alive during long
// operations, the application's main window, small control helpers, and
// colour and image helpers over COLORREF values.
#pragma once

#include <windows.h>

#include "framework/cstring.h"

// When a message is waiting in this thread's queue, dispatches one (through
// the current thread object's pre-translation) and returns TRUE; FALSE when
// the queue is empty. A WM_QUIT is left for the thread's own message loop:
// it is posted again and the result is FALSE.
BOOL PumpOneMessage();
// PumpOneMessage until it returns FALSE; TRUE when any message was pumped.
BOOL PumpWaitingMessages();

// The application's main window; null without an application or main
// window, or once it is no longer a window.
HWND GetMainWindowHandle();

// The window's text read as atoi does; 0 for a null window.
int GetWindowInt(HWND window);
// Index of the first combo box item equal to text (case-sensitive); -1
// when absent.
int FindComboString(HWND comboBox, LPCSTR text);

// Halves each byte of both colours and adds them, so no byte carries into
// the next.
COLORREF BlendColours(COLORREF a, COLORREF b);
// Red, green and blue each become the integer mean of the three.
COLORREF GreyColour(COLORREF colour);
// Red, green and blue each inverted.
COLORREF InvertColour(COLORREF colour);
// Every pixel of the bitmap equal to oldColour becomes newColour; FALSE
// when the bitmap's pixels cannot be read or written.
BOOL ReplaceImageColour(HBITMAP image, COLORREF oldColour, COLORREF newColour);

// CompactPathToWidth measured with the font selected into dc (pixels).
CString CompactPathToWidth(HDC dc, LPCSTR path, int width);
