// CExplorer1: the window in which a tool shows a page (the drive tools'
// information pages). Where the system's web browser control (class id
// 8856F961-340A-11D0-A96B-00C04FD705A2) is hosted, the page is drawn by it;
// no such control can be made here (the test prefix switches Wine's browser
// engine off, and the program carries no control container), so the window
// stands in for it: a read-only text window showing the text of the page it
// is asked for, so that what the page says reaches the user all the same.
#pragma once

#include <windows.h>

#include <string>

#include "framework/wnd.h"

class CExplorer1 : public CWnd {
public:
    // The window, with the caller's name, style, rectangle, parent and id.
    BOOL Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Shows a page: a file on this computer, by its path or a "file:" URL;
    // an HTML page shows as its text. FALSE when the page cannot be read
    // (the window then says which page and why).
    BOOL Navigate(LPCTSTR lpszURL);
    // The address last asked for.
    const CString& GetLocationURL() const { return m_strLocation; }

private:
    CString m_strLocation;
};

// The readable text of an HTML page: tags dropped (with the contents of
// script and style elements), character references decoded, white space
// collapsed as a browser does, and the ends of blocks (paragraphs, line
// breaks, headings, list items, table rows, divisions) as line ends "\r\n".
std::string HtmlToText(const std::string& html);
