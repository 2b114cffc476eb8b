#include "ui_test_support.h"

#include "testsupport/test_window.h"
#include "ui/toolmessages.h"

CRect ControlRect(HWND hDlg, int id)
{
    CRect rect;
    GetWindowRect(GetDlgItem(hDlg, id), &rect);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<LPPOINT>(&rect), 2);
    return rect;
}

std::string ControlText(HWND hDlg, int id)
{
    return WindowText(GetDlgItem(hDlg, id));
}

bool ControlVisible(HWND hDlg, int id)
{
    return IsWindowVisible(GetDlgItem(hDlg, id)) != FALSE;
}

HWND WaitForShownDialog(const FakeProjectWindow& project)
{
    const HWND hDlg = project.WaitForRegistration(TOOL_ID_DIALOG);
    if (!hDlg || !PumpUntil([hDlg] { return IsWindowVisible(hDlg) != FALSE; }))
        return nullptr;
    return hDlg;
}

User::User(FakeProjectWindow& project, std::function<void(HWND)> action)
    : m_thread([this, &project, action = std::move(action)] {
          m_hDlg = WaitForShownDialog(project);
          if (m_hDlg)
              action(m_hDlg);
      })
{
}

User::~User()
{
    if (m_thread.joinable())
        m_thread.join();
}

HWND User::Finish()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_hDlg;
}

void ClickButton(HWND hDlg, int id)
{
    PostMessageA(GetDlgItem(hDlg, id), BM_CLICK, 0, 0);
}

void PressEscape(HWND hDlg)
{
    PostMessageA(hDlg, WM_KEYDOWN, VK_ESCAPE, 0);
}

void RequestDestroy(HWND hDlg)
{
    PostMessageA(hDlg, WM_DESTROY_REQUEST, 0, 0);
}
