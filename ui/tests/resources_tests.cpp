// The toolkit's pictures are real resources the controls accept.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "framework/controls.h"
#include "testsupport/test_window.h"
#include "ui/toolkit_resource.h"

namespace {

TEST(ToolkitResources, TheWaitClipOpensAndPlaysInAnAnimationControl)
{
    AfxInitCommonControls();
    TestWindow parent("clip host", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    CWnd* host = CWnd::FromHandle(parent);
    CAnimateCtrl animation;
    ASSERT_TRUE(animation.Create(WS_CHILD | WS_VISIBLE | ACS_TRANSPARENT, CRect(0, 0, 40, 40), host, 1));
    EXPECT_FALSE(animation.Open(12345)); // no such clip
    EXPECT_TRUE(animation.Open(IDR_WAIT_ANIMATION));
    EXPECT_TRUE(animation.Play(0, static_cast<UINT>(-1), static_cast<UINT>(-1)));
    animation.Stop();
    animation.Close();
    animation.DestroyWindow();
    CWnd::DeleteTempMap();
}

TEST(ToolkitResources, ProjectFolderIconsLoad)
{
    for (UINT id : {IDI_PROJECT_FOLDER, IDI_PROJECT_FOLDER_OPEN}) {
        HICON icon = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        EXPECT_NE(nullptr, icon) << id;
        if (icon)
            DestroyIcon(icon);
    }
}

} // namespace
