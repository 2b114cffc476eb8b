#include "dialog_test_support.h"

#include "testsupport/test_window.h"

std::string ItemText(HWND hDlg, int id)
{
    return WindowText(GetDlgItem(hDlg, id));
}

bool ItemEnabled(HWND hDlg, int id)
{
    return IsWindowEnabled(GetDlgItem(hDlg, id)) != FALSE;
}

bool ItemChecked(HWND hDlg, int id)
{
    return SendDlgItemMessageA(hDlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND hDlg, int id)
{
    PostMessageA(GetDlgItem(hDlg, id), BM_CLICK, 0, 0);
}

HWND WaitForDialog(const char* caption)
{
    HWND hDlg = nullptr;
    PumpUntil([&] {
        hDlg = FindWindowA("#32770", caption);
        return hDlg && IsWindowVisible(hDlg);
    });
    return hDlg && IsWindowVisible(hDlg) ? hDlg : nullptr;
}
