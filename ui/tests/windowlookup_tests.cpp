#include "ui/windowlookup.h"

#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "ui/toolmessages.h"
#include "ui_test_support.h"

namespace {

TEST(WindowLookupTest, NothingIsFoundBeforeTheMainFrameExists)
{
    EXPECT_EQ(nullptr, GetProjectWndHandle());
    EXPECT_EQ(nullptr, GetProjectWndAs(RUNTIME_CLASS(CWnd)));
    CWinApp app("No frame yet");
    EXPECT_EQ(nullptr, GetProjectWndHandle());
    FakeProjectWindow project;
    EXPECT_EQ(nullptr, GetProjectWndHandle());
}

TEST_F(DialogTest, ProjectWindowIsFoundThroughTheMainFrame)
{
    EXPECT_EQ(m_project.Handle(), GetProjectWndHandle());
    EXPECT_EQ(m_project.Object(), GetProjectWndAs(RUNTIME_CLASS(CWnd)));
    EXPECT_EQ(nullptr, GetProjectWndAs(RUNTIME_CLASS(CDialog)));
    const auto asked = m_frame.Received(WM_GET_WINDOW_HANDLE);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(COMPONENT_PROJECT_WINDOW, asked.back().wParam);
    EXPECT_TRUE(asked.back().sent);

    // An answer that is not the window's own object is never believed.
    m_project.SetAnswer(WM_GET_WINDOW_OBJECT, 0x1234);
    EXPECT_EQ(nullptr, GetProjectWndAs(RUNTIME_CLASS(CWnd)));

    // Other components; a frame without a project window answers 0.
    m_frame.SetComponent(COMPONENT_CONTROL_PANEL, &m_project);
    EXPECT_EQ(m_project.Handle(), GetMainFrameComponent(COMPONENT_CONTROL_PANEL));
    EXPECT_EQ(nullptr, GetMainFrameComponent(4242));
    m_frame.ClearComponent(COMPONENT_PROJECT_WINDOW);
    EXPECT_EQ(nullptr, GetProjectWndHandle());
}

TEST_F(DialogTest, FakeWindowsAnswerFromTheirTableAndRecordWhatTheyReceive)
{
    const UINT WM_AXES = WM_APP + 0x1ED;
    const UINT WM_FEATURE = WM_APP + 0x1CC;
    const UINT WM_UNKNOWN = WM_APP + 0x1F0;
    m_project.SetAnswer(WM_AXES, 4);
    m_project.SetAnswer(WM_AXES, 7, 8); // a specific wParam wins
    m_project.SetFeature(36, true);
    int handled = 0;
    m_project.SetHandler(WM_APP + 0x157, [&](WPARAM w, LPARAM l) { return handled += static_cast<int>(w + l); });

    EXPECT_EQ(4, SendMessageA(m_project, WM_AXES, 0, 0));
    EXPECT_EQ(8, SendMessageA(m_project, WM_AXES, 7, 0));
    EXPECT_EQ(1, SendMessageA(m_project, WM_FEATURE, 0, 36));
    EXPECT_EQ(0, SendMessageA(m_project, WM_FEATURE, 0, 5));
    EXPECT_EQ(0, SendMessageA(m_project, WM_UNKNOWN, 1, 2));
    EXPECT_EQ(5, SendMessageA(m_project, WM_APP + 0x157, 2, 3));
    PostMessageA(m_project, WM_UNKNOWN, 9, 10);
    const auto posted = m_project.WaitFor(WM_UNKNOWN, [](const ReceivedMessage& m) { return m.wParam == 9; });
    ASSERT_TRUE(posted);
    EXPECT_FALSE(posted->sent);
    EXPECT_EQ(10, posted->lParam);

    const auto axes = m_project.Received(WM_AXES);
    ASSERT_EQ(2u, axes.size());
    EXPECT_EQ(8, axes[1].answer);
    EXPECT_TRUE(axes[1].sent);

    m_project.RemoveAnswers(WM_AXES);
    EXPECT_EQ(0, SendMessageA(m_project, WM_AXES, 7, 0));
    m_project.ClearReceived();
    EXPECT_TRUE(m_project.Received().empty());
}

} // namespace
