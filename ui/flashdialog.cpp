#include "ui/flashdialog.h"

#include <algorithm>

#include "framework/clock.h"
#include "ui/toolkit_resource.h"
#include "ui/userdialog.h"

IMPLEMENT_DYNAMIC(CFlashDialog, CDialog)

CFlashDialog::CFlashDialog(CWnd* pParent, UINT nIDText, LPCTSTR lpszFallback)
    : CDialog(IDD_FLASH_DIALOG, pParent), m_strText(LoadStringOr(nIDText, lpszFallback))
{
    Create(IDD_FLASH_DIALOG, pParent);
}

CFlashDialog::~CFlashDialog()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CFlashDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_label.SubclassDlgItem(IDC_FLASH_TEXT, this);
    FitToText();
    return TRUE;
}

void CFlashDialog::FitToText()
{
    if (!m_label.m_hWnd)
        return;
    m_label.SetWindowText(m_strText);
    CClientDC dc(&m_label);
    HFONT hFont = m_label.GetFont();
    HGDIOBJ hOld = hFont ? ::SelectObject(dc.m_hDC, hFont) : nullptr;
    const CSize extent = dc.GetTextExtent(m_strText);
    if (hOld)
        ::SelectObject(dc.m_hDC, hOld);
    const int labelWidth = extent.cx + 8;
    const int labelHeight = extent.cy + 8;

    // The window grows or shrinks with the label, keeping its frame.
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    const int frameX = window.Width() - client.Width();
    const int frameY = window.Height() - client.Height();
    const int clientWidth = std::max<int>(labelWidth, 1);
    const int clientHeight = std::max<int>(labelHeight, 1);
    SetWindowPos(nullptr, 0, 0, clientWidth + frameX, clientHeight + frameY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_label.SetWindowPos(nullptr, (clientWidth - labelWidth) / 2, (clientHeight - labelHeight) / 2, labelWidth,
                         labelHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFlashDialog::MoveTo(POINT point)
{
    if (m_hWnd)
        SetWindowPos(nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFlashDialog::Flash(DWORD nMilliseconds, LPCTSTR lpszText)
{
    if (!m_hWnd)
        return;
    if (lpszText) {
        m_strText = lpszText;
        FitToText();
    }
    ShowWindow(SW_SHOWNOACTIVATE);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::MessageBeep(MB_ICONEXCLAMATION);
    // The thread keeps answering messages sent to its windows while the
    // notice stands; posted ones wait.
    IClock& clock = AfxGetClock();
    const auto start = clock.NowMs();
    while (!AfxClockElapsed(start, nMilliseconds)) {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const auto passed = clock.NowMs() - start;
        clock.SleepMs(static_cast<DWORD>(std::min<std::uint64_t>(nMilliseconds - passed, 20)));
    }
    ShowWindow(SW_HIDE);
}
