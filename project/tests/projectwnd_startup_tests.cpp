// The project window's start-up (the project it opens) and its destroy
// request.
#include <gtest/gtest.h>

#include "project/tests/projectwnd_fixture.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

class StartupTest : public ProjectWndTest {
protected:
    void BeforeStart() override
    {
        CVQRegistry().SetAutoConnectAtStart(1);
        const std::string line = m_commandLine;
        CProjectWnd::SetCommandLineSource([line] { return CString(line.c_str()); });
    }

    std::string m_commandLine;
    ScratchFolder m_folder;
};

class QuotedFolderStartup : public StartupTest {
protected:
    void SetUp() override
    {
        const std::string folder = m_folder.Path() + "\\Demo";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        {
            CProjectFile file((folder + "\\Demo.prj").c_str());
            file.WriteString("Project", "Name", "Demo");
        }
        m_commandLine = "\"" + folder + "\"";
        StartupTest::SetUp();
    }
};

TEST_F(QuotedFolderStartup, OpensTheProjectNamedAfterTheFolder)
{
    CString path;
    ASSERT_EQ(1, m_window->Send(PWM_PROJECT_FILE_PATH, 0, reinterpret_cast<LPARAM>(&path)));
    EXPECT_EQ(m_folder.Path() + "\\Demo\\Demo.prj", path.str());
    EXPECT_FALSE(m_window->Object()->m_bStartupSkip.load());
    for (const std::string& text : m_prompts.Texts())
        EXPECT_EQ(std::string::npos, text.find("does not exist")) << text;
}

class MissingProjectStartup : public StartupTest {
protected:
    void SetUp() override
    {
        m_commandLine = m_folder.Path() + "\\Gone\\Gone.prj";
        StartupTest::SetUp();
    }
};

TEST_F(MissingProjectStartup, SaysSoAndSkipsTheSearch)
{
    m_window->Settle();
    const auto records = m_prompts.Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ("Open project", records[0].caption);
    EXPECT_EQ("Project file\n" + m_folder.Path() + "\\Gone\\Gone.prj\ndoes not exist.", records[0].text);
    CString path;
    m_window->Send(PWM_PROJECT_FILE_PATH, 0, reinterpret_cast<LPARAM>(&path));
    EXPECT_TRUE(path.IsEmpty());
}

class DestroyTest : public ProjectWndTest {};

TEST_F(DestroyTest, DestroyRequestWaitsForTheRunningOperationAndCancelsIt)
{
    const HWND window = m_window->Handle();
    {
        CProjectWnd::CBusy busy(*m_window->Object());
        ::PostMessageA(window, PWM_DESTROY, 0, 0);
        m_window->Settle();
        // Still there, re-posting the request by a timer; the transfer under
        // way is told to stop.
        EXPECT_TRUE(::IsWindow(window));
        EXPECT_EQ(1, m_window->Object()->m_nCancel.load());
        EXPECT_TRUE(m_window->Object()->IsClosing());
        // Closing: the runner sends nothing.
        EXPECT_FALSE(m_window->Object()->RunControllerCommands(std::vector<CProjectWnd::Command>()));
    }
    EXPECT_TRUE(PumpUntil([window] { return !::IsWindow(window); }, 10000));
    EXPECT_FALSE(m_frame->Received(PWM_GOING).empty());
}

} // namespace

namespace {

TEST_F(DestroyTest, ACommandTheWindowDoesNotCarryOutReportsReadyAtOnce)
{
    m_frame->ClearReceived();
    ::PostMessageA(m_window->Handle(), WM_APP + 0x109, 0, 0); // no command of the window
    m_window->Settle();
    EXPECT_TRUE(m_frame->WaitFor(PWM_READY).has_value());
    // A question is answered, and is no command.
    m_frame->ClearReceived();
    m_window->Send(WM_APP + 0x1B9);
    m_window->Settle();
    EXPECT_TRUE(m_frame->Received(PWM_READY).empty());
}

} // namespace
