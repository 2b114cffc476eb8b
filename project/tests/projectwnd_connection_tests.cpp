// The project window's connect, link failure and lock, end to end: the
// real window against the scripted controller, its tools on threads of
// their own.
#include <algorithm>

#include "link/commlinks.h"
#include "project/tests/check_dialog_driver.h"
#include "project/tests/connect_sequence.h"
#include "project/projectsearch.h"
#include "project/tests/projectwnd_fixture.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

class ProjectWndConnectionTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        ScriptConnectReplies(link);
    }
    void BeforeStart() override
    {
        CCommPortData inactive;
        inactive.SetLinkDefaults("COM5", LINK_TYPE_SERIAL);
        inactive.m_nActive = 0;
        CCommPortData active;
        active.SetLinkDefaults("COM6", LINK_TYPE_SERIAL);
        active.SetSerial("COM6", 38400, 8, LINK_STOP_BITS_1, LINK_PARITY_NONE);
        ASSERT_EQ(1, SetCommLink(0, inactive));
        ASSERT_EQ(1, SetCommLink(1, active));
        CProjectWnd::SetTimeSource([] { return CTime(2026, 12, 9, 14, 5, 0); });
        CControllerSearch::SetScreenOverride([](HWND) { return std::make_unique<QuietScreen>(); });
    }
    void TearDown() override
    {
        ProjectWndTest::TearDown();
        CProjectWnd::SetTimeSource({});
        CControllerSearch::SetScreenOverride(nullptr);
    }
    void ConnectAndWatchTheFrame()
    {
        // The connect checks the project: an empty one where none is open.
        if (!m_window->Object()->IsProjectOpen()) {
            const std::string project = m_projectFolder / "Empty.prj";
            ASSERT_TRUE(WriteWholeFile(project, "[Programs]\r\n"));
            m_window->Object()->GetProjectFile().Load(project.c_str());
        }
        m_frame->SetHandler(PWM_MODEL_TEXT, [this](WPARAM, LPARAM lParam) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_typeLock);
            m_types.push_back(lParam ? reinterpret_cast<const char*>(lParam) : "(null)");
            return 0;
        });
        m_window->Send(PWM_CONNECT, 0);
        m_window->Settle();
    }
    std::vector<std::string> Types()
    {
        std::lock_guard<std::mutex> guard(m_typeLock);
        return m_types;
    }

    std::mutex m_typeLock;
    std::vector<std::string> m_types;
    ScratchFolder m_projectFolder;
    // Ends the check's final dialog with OK.
    CheckDialogDriver m_checkDialog;
};

} // namespace

TEST_F(ProjectWndConnectionTest, ConnectSendsTheWholeSequenceOnTheSecondLink)
{
    ConnectAndWatchTheFrame();
    ASSERT_TRUE(m_link);
    // The project check after the power-up query: the directory and the
    // processes.
    std::vector<std::string> expected = ExpectedConnectCommands();
    expected.insert(expected.begin() + 6, {"DIR X", "PROCESS"});
    EXPECT_EQ(expected, m_link->Commands());
    EXPECT_EQ(0u, m_link->Written().find("\x1b" "0VQE(0)\r\r"));

    EXPECT_EQ(1, m_window->Send(PWM_IS_CONNECTED));
    EXPECT_EQ(1u, CVQRegistry().GetDefaultDirectLink());
    // The search names the model; the check clears the text and names it again.
    EXPECT_EQ((std::vector<std::string>{"QC116", "", "QC116"}), Types());
    EXPECT_EQ(1u, m_frame->Received(PWM_CONNECTED).size());
    ASSERT_TRUE(m_frame->WaitFor(PWM_OPERATION_ENDED).has_value());
    EXPECT_EQ(1u, m_frame->Received(PWM_OPERATION_STARTED).size());
    EXPECT_EQ(1u, m_frame->Received(PWM_OPERATION_ENDED).size());
    EXPECT_EQ(0, m_window->Object()->GetBusyCount());
}

TEST_F(ProjectWndConnectionTest, TheConnectBacksTheProjectUpAndFailsWhenTheBackupFails)
{
    ScratchFolder folder;
    const std::string project = folder / "Demo.prj";
    ASSERT_TRUE(WriteWholeFile(project, "[Programs]\r\n"));
    m_window->Object()->GetProjectFile().Load(project.c_str());
    ConnectAndWatchTheFrame();
    EXPECT_EQ(1, m_window->Send(PWM_IS_CONNECTED));
    // The backup is the project as the check left it (the controller model
    // recorded).
    EXPECT_EQ("[Programs]\r\n[Controller]\r\nType=QC116\r\n", ReadWholeFile(project));
    EXPECT_EQ(ReadWholeFile(project), ReadWholeFile(folder / "backup\\Demo.prj"));
    m_window->Send(PWM_DISCONNECT, DISCONNECT_PLAIN, 0);

    // A backup copy that cannot be replaced: the connect does not come about.
    const std::string copy = folder / "backup\\Demo.prj";
    ASSERT_TRUE(::SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_READONLY));
    ConnectAndWatchTheFrame();
    EXPECT_EQ(0, m_window->Send(PWM_IS_CONNECTED));
    std::vector<std::string> texts = m_prompts.Texts();
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Error writing to file:\n" + copy));
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Backup Project Failed"));
    ::SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ProjectWndConnectionTest, LinkDropKeepsTheLayoutClosesTheToolsAndReportsTheTime)
{
    ScratchFolder folder;
    const std::string project = folder / "Demo.prj";
    ASSERT_TRUE(WriteWholeFile(project, "[Programs]\r\n"));
    m_window->Object()->GetProjectFile().Load(project.c_str());
    ConnectAndWatchTheFrame();
    ASSERT_EQ(1, m_window->Send(PWM_IS_CONNECTED));
    TestTool::Options options;
    options.replyClass = REPLY_CLASS_TOOL;
    options.saveAnswer = 1;
    TestTool watch(options);
    ASSERT_NE(0, watch.Register(m_window->Handle(), 1045));

    m_link->DropLink();
    ::PostMessageA(m_window->Handle(), PWM_LINK_FAILED, 0, 0);
    m_window->Settle();

    EXPECT_TRUE(watch.WaitGone());
    CProjectFile file(project.c_str());
    const CString record = file.GetString("AutoDesktop", "TOOL00");
    ASSERT_EQ(616, record.GetLength());
    EXPECT_EQ("15040000", std::string(record.Mid(40, 8).GetString())); // tool id 1045
    // The report comes at the end of the handler, after waits that serve
    // the window's messages.
    std::vector<ScriptedPrompts::Record> records;
    for (int i = 0; i < 500 && records.empty(); ++i) {
        ::Sleep(10);
        records = m_prompts.Records();
    }
    ASSERT_FALSE(records.empty());
    EXPECT_EQ("Communications with the controller have failed\r\n@ 14:05  09-Dec-2026\r\n\r\nDisconnecting!",
              records.back().text);
    EXPECT_EQ("Communications", records.back().caption);
    EXPECT_EQ(0, m_window->Send(PWM_IS_CONNECTED));
}

TEST_F(ProjectWndConnectionTest, LockWhileConnectedKeepsTheLockDialogAndSendsTheCode)
{
    ConnectAndWatchTheFrame();
    ASSERT_EQ(1, m_window->Send(PWM_IS_CONNECTED));
    TestTool::Options options;
    options.replyClass = REPLY_CLASS_TOOL;
    TestTool lock(options);
    TestTool watch(options);
    ASSERT_NE(0, lock.Register(m_window->Handle(), TOOL_LOCK_DIALOG));
    ASSERT_NE(0, watch.Register(m_window->Handle(), 1045));

    m_window->Send(PWM_LOCK, 1, 1234);
    m_window->Settle();

    EXPECT_TRUE(watch.WaitGone());
    EXPECT_TRUE(lock.IsAlive());
    EXPECT_EQ(std::vector<std::string>{"LOCK(1234)"}, CommandsStarting("LOCK"));
    EXPECT_EQ(0, m_window->Send(PWM_IS_CONNECTED));
}

// Shift held at start-up, or the start-up project missing: the first
// search is a direct connection on the default serial link (one link is
// stored, so no chooser), without identification, and a terminal opens on
// it.
class DirectStartupTest : public ProjectWndTest {
protected:
    void BeforeStart() override
    {
        CVQRegistry().SetAutoConnectAtStart(1);
        CCommPortData link;
        link.SetLinkDefaults("COM5", LINK_TYPE_SERIAL);
        ASSERT_EQ(1, SetCommLink(0, link));
        const bool shift = m_bShift;
        CProjectWnd::SetKeyStateSource([shift](int key) { return shift && key == VK_SHIFT; });
        const std::string line = m_folder / "Gone.prj";
        CProjectWnd::SetCommandLineSource([line] { return CString(line.c_str()); });
        CControllerSearch::SetScreenOverride([](HWND) { return std::make_unique<QuietScreen>(); });
        CProjectWnd::RegisterToolCreator(TOOL_TERMINAL, [this](CProjectWnd&, int) {
            ++m_terminals;
            return TRUE;
        });
    }
    void TearDown() override
    {
        ProjectWndTest::TearDown();
        CProjectWnd::ClearToolCreators();
        CControllerSearch::SetScreenOverride(nullptr);
    }
    void ExpectDirectConnection()
    {
        ASSERT_TRUE(PumpUntil([this] { return m_terminals.load() > 0; }, 10000));
        m_window->Settle();
        ASSERT_TRUE(m_link);
        const CCommPortData* link = Connection().GetLinkData();
        ASSERT_NE(nullptr, link);
        EXPECT_EQ("COM1", std::string(link->m_data.serial.m_szPort));
        EXPECT_EQ(9600u, link->m_data.serial.m_nBaudRate);
        EXPECT_EQ(7, link->m_data.serial.m_nDataBits);
        EXPECT_TRUE(CommandsStarting("?CONTROL").empty());
        EXPECT_EQ(1, m_terminals.load());
        EXPECT_EQ(0, m_window->Send(PWM_IS_CONNECTED));
    }

    bool m_bShift = false;
    ScratchFolder m_folder;
    std::atomic<int> m_terminals{0};
};

class ShiftHeldStartup : public DirectStartupTest {
protected:
    void SetUp() override
    {
        m_bShift = true;
        DirectStartupTest::SetUp();
    }
};

TEST_F(ShiftHeldStartup, OpensTheDefaultSerialLinkDirectlyAndATerminal)
{
    ExpectDirectConnection();
    EXPECT_TRUE(m_prompts.Records().empty()); // no project is looked for
}

TEST_F(DirectStartupTest, AMissingProjectIsToldThenTheLinkOpensDirectly)
{
    ExpectDirectConnection();
    const auto records = m_prompts.Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ("Open project", records[0].caption);
}
