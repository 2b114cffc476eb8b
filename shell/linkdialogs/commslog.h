// The comms log: a frame of its own titled "Comms log" with a list of
// message lines, newest first. Tools that talk to drives through the
// controller create it (when "EnableDriveCommsLogging" is on) and add one
// line per message; the view tells the owner (0x8137) when it closes, and
// the owner then forgets the document, which goes with its view.
#pragma once

#include <windows.h>

#include "framework/docview.h"

// To the log's owner: the log window closed.
const UINT WM_COMMS_LOG_CLOSED = WM_APP + 0x137; // 0x8137

class CCommsLogDoc : public CDocument {
    DECLARE_DYNCREATE(CCommsLogDoc)
public:
    CCommsLogDoc() = default;

    void SetOwner(HWND hWndOwner) { m_hWndOwner = hWndOwner; }
    HWND GetOwner() const { return m_hWndOwner; }
    // The text as the first line of the first view's list; nothing without
    // a view or a list.
    void AddLine(LPCSTR text);

private:
    HWND m_hWndOwner = nullptr;
};

class CCommsLog : public CFormView {
    DECLARE_DYNCREATE(CCommsLog)
public:
    CCommsLog();

    void OnInitialUpdate() override;

protected:
    void OnSize(UINT nType, int cx, int cy);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bCreated = FALSE;
};

// Creates the document, its frame and view, shows it and returns the
// document (null when the window could not be made). hWndOwner is told
// when the log closes.
CCommsLogDoc* CreateCommsLog(HWND hWndOwner);
