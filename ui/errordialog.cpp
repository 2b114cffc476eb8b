#include "ui/errordialog.h"

#include <algorithm>

#include <commctrl.h>

#include "foundation/clipboard.h"
#include "ui/resource.h"
#include "ui/toolmessages.h"
#include "ui/userdialog.h"

IMPLEMENT_DYNAMIC(CErrorDialog, CDialog)

BEGIN_MESSAGE_MAP(CErrorDialog, CDialog)
ON_WM_CLOSE()
ON_WM_SIZE()
ON_WM_WINDOWPOSCHANGING()
ON_WM_GETMINMAXINFO()
ON_WM_SHOWWINDOW()
ON_MESSAGE(WM_ERROR_LINES_WAITING, OnLinesWaiting)
END_MESSAGE_MAP()

namespace {

CRect ChildRect(const CWnd& parent, const CWnd& child)
{
    CRect rect;
    child.GetWindowRect(&rect);
    parent.ScreenToClient(&rect);
    return rect;
}

} // namespace

CErrorDialog::CErrorDialog(CWnd* pParent) : CDialog(IDD_ERROR_DIALOG, pParent) {}

CErrorDialog::~CErrorDialog()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CErrorDialog::Create(CWnd* pParent)
{
    AfxInitCommonControls();
    m_bModalRun = FALSE;
    return CDialog::Create(IDD_ERROR_DIALOG, pParent);
}

INT_PTR CErrorDialog::DoModal()
{
    AfxInitCommonControls();
    m_bModalRun = TRUE;
    return CDialog::DoModal();
}

void CErrorDialog::AddText(LPCTSTR lpszText)
{
    if (!lpszText)
        return;
    const CString text(lpszText);
    {
        CSingleLock lock(&m_pendingLock, TRUE);
        for (int start = 0;;) {
            const int end = text.Find('\n', start);
            if (end < 0) {
                m_pending.AddTail(text.Mid(start));
                break;
            }
            CString line = text.Mid(start, end - start);
            if (!line.IsEmpty() && line[line.GetLength() - 1] == '\r')
                line.Truncate(line.GetLength() - 1);
            m_pending.AddTail(line);
            start = end + 1;
        }
    }
    // Without a window yet the lines wait; OnInitDialog asks for them.
    const HWND hWnd = m_hWnd;
    if (hWnd && ::IsWindow(hWnd))
        ::PostMessageA(hWnd, WM_ERROR_LINES_WAITING, 0, 0);
}

CString CErrorDialog::GetAllText() const
{
    CString all;
    const int count = m_list.GetItemCount();
    for (int i = 0; i < count; ++i) {
        all += m_list.GetItemText(i, 0);
        all += "\n";
    }
    return all;
}

void CErrorDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ERROR_LIST, m_list);
    DDX_Control(pDX, IDOK, m_ok);
    DDX_Control(pDX, IDCANCEL, m_copy);
}

BOOL CErrorDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetIcon(LoadApplicationIcon(), TRUE);
    m_list.InsertColumn(0, "", LVCFMT_LEFT, 25);

    CRect client;
    GetClientRect(&client);
    const CRect list = ChildRect(*this, m_list);
    m_margins =
        CRect(list.left - client.left, list.top - client.top, client.right - list.right, client.bottom - list.bottom);

    ShowWindow(SW_HIDE);
    m_bInitialised = TRUE;

    CSingleLock lock(&m_pendingLock, TRUE);
    if (!m_pending.IsEmpty())
        PostMessage(WM_ERROR_LINES_WAITING);
    return TRUE;
}

LRESULT CErrorDialog::OnLinesWaiting(WPARAM, LPARAM)
{
    CSingleLock lock(&m_pendingLock, TRUE);
    int count = m_list.GetItemCount();
    int width = m_list.GetColumnWidth(0);
    for (POSITION pos = m_pending.GetHeadPosition(); pos;) {
        const CString& line = m_pending.GetNext(pos);
        if (line.IsEmpty())
            continue;
        // The column is kept wide enough for the widest line and one more
        // character.
        const CString measured = line + "W";
        const int needed = static_cast<int>(
            m_list.SendMessage(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(measured.GetString())));
        if (needed > width) {
            m_list.SetColumnWidth(0, needed);
            width = needed;
        }
        m_list.InsertItem(count, line);
        ++count;
    }
    m_pending.RemoveAll();
    lock.Unlock();

    UpdateData(FALSE);
    if (count > 0)
        m_list.EnsureVisible(count - 1, FALSE); // the end of the list
    if (!IsWindowVisible())
        ShowWindow(SW_SHOW);
    SetFocus();
    return 0;
}

void CErrorDialog::HideAndClear()
{
    ShowWindow(SW_HIDE);
    m_list.DeleteAllItems();
}

void CErrorDialog::OnOK()
{
    // The modeless window is kept, hidden, for the next lines.
    HideAndClear();
    if (m_bModalRun)
        EndDialog(IDOK);
}

void CErrorDialog::OnCancel()
{
    // Command 2 is the "Copy to Clipboard" button (Escape reaches it too).
    OnCopyToClipboard();
}

void CErrorDialog::OnCopyToClipboard()
{
    ClipboardAccess(m_hWnd).SetText(GetAllText());
}

void CErrorDialog::OnClose()
{
    // No default processing: the dialog's default close sends command 2,
    // which would put the now empty list on the clipboard.
    HideAndClear();
    if (m_bModalRun)
        EndDialog(IDCANCEL);
}

void CErrorDialog::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CDialog::OnShowWindow(bShow, nStatus);
    if (nStatus == SW_PARENTOPENING)
        UpdateData(FALSE);
}

void CErrorDialog::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    if (m_bInitialised && nType != SIZE_MINIMIZED)
        Layout();
}

void CErrorDialog::OnWindowPosChanging(WINDOWPOS* lpwndpos)
{
    CDialog::OnWindowPosChanging(lpwndpos);
    // The minimum size holds before the window changes, so the window is
    // never sized below it and then grown back unpainted.
    if (m_bInitialised && !(lpwndpos->flags & SWP_NOSIZE)) {
        lpwndpos->cx = std::max(lpwndpos->cx, kMinWidth);
        lpwndpos->cy = std::max(lpwndpos->cy, kMinHeight);
    }
}

void CErrorDialog::OnGetMinMaxInfo(MINMAXINFO* lpMMI)
{
    CDialog::OnGetMinMaxInfo(lpMMI);
    lpMMI->ptMinTrackSize.x = std::max<LONG>(lpMMI->ptMinTrackSize.x, kMinWidth);
    lpMMI->ptMinTrackSize.y = std::max<LONG>(lpMMI->ptMinTrackSize.y, kMinHeight);
}

void CErrorDialog::Layout()
{
    CRect client;
    GetClientRect(&client);
    const CRect list(client.left + m_margins.left, client.top + m_margins.top, client.right - m_margins.right,
                     client.bottom - m_margins.bottom);
    m_list.MoveWindow(&list, FALSE);

    // Both buttons keep their size and sit in the band under the list: Copy
    // at its right edge, OK in the middle, at least 4 pixels left of Copy.
    const int bandTop = list.bottom;
    const int bandHeight = client.bottom - bandTop;
    const CRect copyNow = ChildRect(*this, m_copy);
    CRect copy(list.right - copyNow.Width(), bandTop + (bandHeight - copyNow.Height()) / 2, list.right, 0);
    copy.bottom = copy.top + copyNow.Height();
    const CRect okNow = ChildRect(*this, m_ok);
    CRect ok(list.left + (list.Width() - okNow.Width()) / 2, bandTop + (bandHeight - okNow.Height()) / 2, 0, 0);
    ok.right = ok.left + okNow.Width();
    ok.bottom = ok.top + okNow.Height();
    const int gap = copy.left - ok.right;
    if (gap < 4)
        ok.OffsetRect(gap - 4, 0);
    m_copy.MoveWindow(&copy, FALSE);
    m_ok.MoveWindow(&ok, FALSE);
    Invalidate();
}
