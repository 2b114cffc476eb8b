#include "ui/errordialog.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "foundation/clipboard.h"
#include "testsupport/test_window.h"
#include "ui/resource.h"
#include "ui_test_support.h"

namespace {

std::string ClipboardText()
{
    CString text;
    if (!ClipboardAccess().GetText(text))
        return "<no text>";
    return text.GetString();
}

class ErrorDialogTest : public testing::Test {
protected:
    ErrorDialogTest() { EXPECT_TRUE(m_dialog.Create(nullptr)); }

    HWND List() const { return GetDlgItem(m_dialog.m_hWnd, IDC_ERROR_LIST); }
    int Count() const { return static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Item(int index) const
    {
        char buffer[256] = {};
        LVITEMA item = {};
        item.iItem = index;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessageA(List(), LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    // Lines arrive from a thread of their own.
    void AddFromAnotherThread(const char* text)
    {
        std::thread([this, text] { m_dialog.AddText(text); }).join();
    }

    CErrorDialog m_dialog;
};

TEST_F(ErrorDialogTest, LinesFromAnotherThreadAreShownAndCopied)
{
    EXPECT_FALSE(IsWindowVisible(m_dialog.m_hWnd));
    AddFromAnotherThread("Link lost\r\nRetrying\n\nGiving up");
    ASSERT_TRUE(PumpUntil([&] { return Count() == 3; }));
    EXPECT_EQ("Link lost", Item(0));
    EXPECT_EQ("Retrying", Item(1));
    EXPECT_EQ("Giving up", Item(2));
    EXPECT_TRUE(IsWindowVisible(m_dialog.m_hWnd));

    AddFromAnotherThread("One more\n");
    ASSERT_TRUE(PumpUntil([&] { return Count() == 4; }));
    m_dialog.AddText(nullptr);

    SendMessageA(m_dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(m_dialog.m_hWnd, IDCANCEL)));
    EXPECT_EQ("Link lost\nRetrying\nGiving up\nOne more\n", ClipboardText());
}

TEST_F(ErrorDialogTest, ColumnWidensForALineWiderThanIt)
{
    AddFromAnotherThread("short");
    ASSERT_TRUE(PumpUntil([&] { return Count() == 1; }));
    const int measuredShort = static_cast<int>(SendMessageA(List(), LVM_GETSTRINGWIDTHA, 0, LPARAM("shortW")));
    EXPECT_EQ(std::max(25, measuredShort), SendMessageA(List(), LVM_GETCOLUMNWIDTH, 0, 0));

    const char* wide = "A much longer line about the controller that needs a wider column";
    m_dialog.AddText(wide);
    ASSERT_TRUE(PumpUntil([&] { return Count() == 2; }));
    const std::string measured = std::string(wide) + "W";
    const int needed = static_cast<int>(SendMessageA(List(), LVM_GETSTRINGWIDTHA, 0, LPARAM(measured.c_str())));
    EXPECT_EQ(needed, SendMessageA(List(), LVM_GETCOLUMNWIDTH, 0, 0));

    // A narrower line leaves the column as it is.
    m_dialog.AddText("x");
    ASSERT_TRUE(PumpUntil([&] { return Count() == 3; }));
    EXPECT_EQ(needed, SendMessageA(List(), LVM_GETCOLUMNWIDTH, 0, 0));
}

TEST_F(ErrorDialogTest, OkAndCloseHideAndClearWithoutTouchingTheClipboard)
{
    TestWindow owner("clipboard owner");
    for (UINT message : {static_cast<UINT>(WM_COMMAND), static_cast<UINT>(WM_CLOSE)}) {
        ASSERT_TRUE(ClipboardAccess(owner).SetText("kept"));
        m_dialog.AddText("An error");
        ASSERT_TRUE(PumpUntil([&] { return Count() == 1 && IsWindowVisible(m_dialog.m_hWnd); }));
        SendMessageA(m_dialog.m_hWnd, message, message == WM_COMMAND ? IDOK : 0, 0);
        PumpUntil([] { return false; }, 50);
        EXPECT_FALSE(IsWindowVisible(m_dialog.m_hWnd)) << message;
        EXPECT_EQ(0, Count()) << message;
        EXPECT_TRUE(IsWindow(m_dialog.m_hWnd)) << message;
        // Other test programs on the shared display may use the clipboard
        // meanwhile: what matters is that the errors were not copied to it.
        EXPECT_EQ(std::string::npos, ClipboardText().find("An error")) << message;
    }
}

TEST_F(ErrorDialogTest, ResizingKeepsAMinimumSizeAndLaysTheButtonsOutUnderTheList)
{
    const HWND hDlg = m_dialog.m_hWnd;
    CRect client;
    GetClientRect(hDlg, &client);
    const CRect list0 = ControlRect(hDlg, IDC_ERROR_LIST);
    const CRect ok0 = ControlRect(hDlg, IDOK);
    const CRect copy0 = ControlRect(hDlg, IDCANCEL);

    for (const SIZE size : {SIZE{100, 60}, SIZE{640, 420}}) {
        SCOPED_TRACE(size.cx);
        SetWindowPos(hDlg, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        CRect window;
        GetWindowRect(hDlg, &window);
        EXPECT_EQ(std::max<int>(size.cx, 300), window.Width());
        EXPECT_EQ(std::max<int>(size.cy, 150), window.Height());

        CRect now;
        GetClientRect(hDlg, &now);
        const CRect list = ControlRect(hDlg, IDC_ERROR_LIST);
        EXPECT_EQ(list0.left, list.left);
        EXPECT_EQ(list0.top, list.top);
        EXPECT_EQ(client.right - list0.right, now.right - list.right);
        EXPECT_EQ(client.bottom - list0.bottom, now.bottom - list.bottom);

        const CRect ok = ControlRect(hDlg, IDOK);
        const CRect copy = ControlRect(hDlg, IDCANCEL);
        EXPECT_EQ(copy0.Size(), copy.Size());
        EXPECT_EQ(ok0.Size(), ok.Size());
        EXPECT_EQ(list.right, copy.right);
        EXPECT_LE(std::abs((copy.top - list.bottom) - (now.bottom - copy.bottom)), 1);
        EXPECT_LE(std::abs((ok.top - list.bottom) - (now.bottom - ok.bottom)), 1);
        EXPECT_GE(copy.left - ok.right, 4);
        if (copy.left - ok.right > 4) {
            EXPECT_LE(std::abs((ok.left - list.left) - (list.right - ok.right)), 1);
        }
    }
}

// The colour of a point of the screen, window-relative.
COLORREF ScreenPixel(HWND hWnd, int x, int y)
{
    CRect window;
    GetWindowRect(hWnd, &window);
    HDC hScreen = GetDC(nullptr);
    const COLORREF colour = GetPixel(hScreen, window.left + x, window.top + y);
    ReleaseDC(nullptr, hScreen);
    return colour;
}

TEST_F(ErrorDialogTest, SizedBelowItsMinimumItsWholeFrameIsPainted)
{
    const HWND hDlg = m_dialog.m_hWnd;
    m_dialog.AddText("A line");
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hDlg) != FALSE; }));
    // Above other windows on the display, at a large size first: the
    // frame's colours at the middle of its right and bottom edges.
    // A loaded display paints late, so each reading waits for the screen
    // to settle rather than for a fixed time.
    SetWindowPos(hDlg, HWND_TOPMOST, 20, 20, 400, 300, SWP_NOACTIVATE);
    COLORREF right = CLR_INVALID;
    COLORREF bottom = CLR_INVALID;
    int unchanged = 0;
    PumpUntil([&] {
        const COLORREF r = ScreenPixel(hDlg, 400 - 2, 150);
        const COLORREF b = ScreenPixel(hDlg, 200, 300 - 2);
        unchanged = (r == right && b == bottom) ? unchanged + 1 : 0;
        right = r;
        bottom = b;
        return unchanged == 10;
    });

    SetWindowPos(hDlg, nullptr, 0, 0, 100, 60, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CRect window;
    GetWindowRect(hDlg, &window);
    ASSERT_EQ(300, window.Width());
    ASSERT_EQ(150, window.Height());
    const auto rightNow = [&] { return ScreenPixel(hDlg, window.Width() - 2, window.Height() / 2); };
    const auto bottomNow = [&] { return ScreenPixel(hDlg, window.Width() / 2, window.Height() - 2); };
    PumpUntil([&] { return rightNow() == right && bottomNow() == bottom; }, 3000);
    EXPECT_EQ(right, rightNow());
    EXPECT_EQ(bottom, bottomNow());
    SetWindowPos(hDlg, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace
