// CErrorDialog: a resizable window listing error lines, fed from any
// thread. It is created once, hidden, and shows itself whenever lines
// arrive; OK (or closing it) hides it and clears the list, "Copy to
// Clipboard" copies every line.
#pragma once

#include <windows.h>

#include "framework/collections.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/sync.h"

class CErrorDialog : public CDialog {
    DECLARE_DYNAMIC(CErrorDialog)
public:
    explicit CErrorDialog(CWnd* pParent = nullptr);
    ~CErrorDialog() override;

    // Modeless and hidden until lines arrive.
    virtual BOOL Create(CWnd* pParent);
    INT_PTR DoModal() override;

    // Callable from any thread: the text is split into lines at each "\n"
    // (a "\r" before it is dropped) and shown by the dialog's own thread;
    // empty lines are not shown. A null text does nothing.
    void AddText(LPCTSTR lpszText);

    // The texts of all shown lines, each followed by "\n" (what "Copy to
    // Clipboard" copies).
    CString GetAllText() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnCopyToClipboard();
    void OnClose();
    void OnSize(UINT nType, int cx, int cy);
    void OnWindowPosChanging(WINDOWPOS* lpwndpos);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    LRESULT OnLinesWaiting(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

    // Hides the window and clears the list.
    void HideAndClear();
    void Layout();

    BOOL m_bModalRun = FALSE;
    BOOL m_bInitialised = FALSE;
    CRect m_margins; // list view to client edges: left, top, right, bottom
    CStringList m_pending;
    CMutex m_pendingLock;
    CListCtrl m_list;
    CButton m_ok;
    CButton m_copy;

    static const int kMinWidth = 300;
    static const int kMinHeight = 150;
};
