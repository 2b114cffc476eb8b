#include "shell/linkdialogs/commslog.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/frame.h"
#include "shell/linkdialogs/linkdialogs_resource.h"
#include "testsupport/fake_windows.h"
#include "testsupport/test_window.h"

namespace {

std::string ItemText(HWND hWndList, int index)
{
    char text[128] = {};
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(hWndList, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return text;
}

TEST(CommsLogTest, LinesAppearNewestFirstAndClosingTellsTheOwner)
{
    FakeProjectWindow owner;
    CCommsLogDoc* pDoc = CreateCommsLog(owner.Handle());
    ASSERT_TRUE(pDoc);
    POSITION position = pDoc->GetFirstViewPosition();
    CView* pView = pDoc->GetNextView(position);
    ASSERT_TRUE(pView);
    const HWND hWndFrame = ::GetParent(pView->m_hWnd);
    EXPECT_EQ("Comms log", WindowText(hWndFrame));
    EXPECT_TRUE(::IsWindowVisible(hWndFrame));
    const HWND hWndList = pView->GetDlgItemHwnd(IDC_COMMS_LOG_LIST);
    ASSERT_TRUE(hWndList);
    char title[32] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    ASSERT_TRUE(::SendMessageA(hWndList, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ("Message", title);

    for (int i = 0; i < 40; ++i)
        pDoc->AddLine(("Line " + std::to_string(i)).c_str());
    EXPECT_EQ(40, ::SendMessageA(hWndList, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ("Line 39", ItemText(hWndList, 0));
    EXPECT_EQ("Line 0", ItemText(hWndList, 39));

    // The list keeps a 5-pixel margin in the view.
    CRect view, list;
    pView->GetClientRect(&view);
    ::GetWindowRect(hWndList, &list);
    pView->ScreenToClient(&list);
    EXPECT_EQ(CRect(5, 5, view.right - 5, view.bottom - 5), list);

    // The user closes the log: the owner is told, and the document goes
    // with its view.
    ::SendMessageA(hWndFrame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(hWndFrame));
    EXPECT_EQ(1u, owner.Received(WM_COMMS_LOG_CLOSED).size());
}

} // namespace
