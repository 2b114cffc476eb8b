// The project window's registry of tool windows: registration and reply
// classes, positions, closing, packet delivery and the rewrite of run
// requests. One table of registration, class-query and feature cases runs
// against the fake project window the tool tests use and the real one.
#include <gtest/gtest.h>

#include "framework/clock.h"
#include "project/tests/projectwnd_fixture.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

#include <thread>

namespace {

LRESULT Position(int x, int y)
{
    return static_cast<LRESULT>(static_cast<DWORD>(static_cast<WORD>(x)) | (static_cast<DWORD>(static_cast<WORD>(y)) << 16));
}

// ---------------------------------------------------------------- fake and real

struct SharedCase {
    const char* name;
    UINT toolId;
    int replyClass;
};

// What both project windows do alike with no controller: windows that
// carry no controller traffic register at the free area's corner, are
// asked their class once, are counted and found by tool id until they
// unregister; the only feature is 0.
const SharedCase kSharedCases[] = {
    {"plain dialog", TOOL_PLAIN_DIALOG, REPLY_CLASS_PLAIN},
    {"options dialog", 1010, REPLY_CLASS_PLAIN},
    {"system-software loader", 1032, REPLY_CLASS_LOADER},
};

class SharedRegistryTest : public ProjectWndTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        m_fake.SetFeature(0, true);
    }
    HWND Project() const { return GetParam() ? m_fake.Handle() : m_window->Handle(); }

    FakeProjectWindow m_fake;
};

TEST_P(SharedRegistryTest, RegistrationClassQueryAndFeatures)
{
    for (const SharedCase& row : kSharedCases) {
        SCOPED_TRACE(row.name);
        TestTool::Options options;
        options.replyClass = row.replyClass;
        TestTool tool(options);
        EXPECT_EQ(Position(40, 30), tool.Register(Project(), row.toolId));
        const auto queries = tool.Received(PWM_QUERY_CLASS);
        ASSERT_EQ(1u, queries.size());
        EXPECT_NE(0u, queries[0].wParam);
        EXPECT_NE(0, queries[0].lParam);
        EXPECT_EQ(1, ::SendMessageA(Project(), PWM_TOOL_OPEN, row.toolId, 0));
        EXPECT_EQ(0, ::SendMessageA(Project(), PWM_TOOL_OPEN, 1045, 0));
        EXPECT_EQ(1, ::SendMessageA(Project(), PWM_REGISTERED_COUNT, 0, 0));
        tool.Unregister();
        EXPECT_EQ(0, ::SendMessageA(Project(), PWM_TOOL_OPEN, row.toolId, 0));
        EXPECT_EQ(0, ::SendMessageA(Project(), PWM_REGISTERED_COUNT, 0, 0));
    }
    EXPECT_EQ(1, ::SendMessageA(Project(), PWM_FEATURE, 0, 0));
    EXPECT_EQ(0, ::SendMessageA(Project(), PWM_FEATURE, 0, 7));
    EXPECT_EQ(0, ::SendMessageA(Project(), PWM_FEATURE, 0, 30));
}

INSTANTIATE_TEST_SUITE_P(FakeAndReal, SharedRegistryTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Fake" : "Real"; });

// ---------------------------------------------------------------- real only

using RegistryTest = ProjectWndTest;

struct ClassCase {
    const char* name;
    bool channelMode; // link open in channel mode (a model identified)
    UINT toolId;
    int replyClass;
    int wantedChannel;
    bool accepted;
    int firstChannel; // of the accepted window
};

const ClassCase kClassCases[] = {
    // No controller: classes 3, 4 and 5 only.
    {"no model, tool with replies", false, 1000, REPLY_CLASS_TOOL, CHANNEL_NOT_SET, false, 0},
    {"no model, control-panel class", false, 1036, REPLY_CLASS_PANEL, CHANNEL_NOT_SET, false, 0},
    {"no model, plain dialog", false, 1019, REPLY_CLASS_PLAIN, CHANNEL_NOT_SET, true, CHANNEL_COMMAND},
    {"no model, loader", false, 1032, REPLY_CLASS_LOADER, CHANNEL_NOT_SET, true, CHANNEL_DIRECT},
    {"command line, terminal forced to the line", false, 1042, REPLY_CLASS_TERMINAL, CHANNEL_NOT_SET, true,
     CHANNEL_DIRECT},
    // Channel mode, no terminal channel chosen: the terminal is refused.
    {"channel mode, terminal at -99", true, 1042, REPLY_CLASS_TERMINAL, CHANNEL_NOT_SET, false, 0},
    {"channel mode, tool with replies", true, 1000, REPLY_CLASS_TOOL, CHANNEL_NOT_SET, true, CHANNEL_COMMAND},
    {"channel mode, unknown class", true, 1000, 6, CHANNEL_NOT_SET, false, 0},
    {"channel mode, editor without an open request", true, 1024, REPLY_CLASS_EDITOR, CHANNEL_NOT_SET, false, 0},
};

TEST_F(RegistryTest, ReplyClassesDecideAcceptanceAndChannels)
{
    bool linkOpen = false;
    for (const ClassCase& row : kClassCases) {
        SCOPED_TRACE(row.name);
        if (row.channelMode && !linkOpen) {
            OpenLink(true);
            linkOpen = true;
        }
        TestTool::Options options;
        options.replyClass = row.replyClass;
        options.wantedChannel = row.wantedChannel;
        TestTool tool(options);
        const LRESULT answer = tool.Register(m_window->Handle(), row.toolId);
        EXPECT_EQ(row.accepted, answer != 0);
        if (row.accepted)
            EXPECT_EQ(row.firstChannel, m_window->Send(PWM_GET_CHANNEL, 0, reinterpret_cast<LPARAM>(tool.Handle())));
        else
            EXPECT_EQ(CHANNEL_NOT_SET, m_window->Send(PWM_GET_CHANNEL, 0, reinterpret_cast<LPARAM>(tool.Handle())));
        tool.Unregister();
    }
}

TEST_F(RegistryTest, TerminalTakesTheChosenChannelAndIsToldIt)
{
    OpenLink(true);
    m_window->Object()->m_nTerminalChannel = 5;
    TestTool::Options options;
    options.replyClass = REPLY_CLASS_TERMINAL;
    TestTool terminal(options);
    ASSERT_NE(0, terminal.Register(m_window->Handle(), TOOL_TERMINAL));
    const auto told = terminal.Received(PWM_CHANNEL);
    ASSERT_EQ(1u, told.size());
    EXPECT_EQ(5u, told[0].wParam);
    // Free channels: 0 and 5 to 7 that no window uses.
    CStringList list;
    EXPECT_EQ(3, m_window->Send(PWM_FREE_CHANNELS, 0, reinterpret_cast<LPARAM>(&list)));
    std::vector<std::string> free;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        free.push_back(list.GetNext(pos).str());
    EXPECT_EQ((std::vector<std::string>{"0", "6", "7"}), free);
    // Setting the channel gives the old one.
    EXPECT_EQ(5, m_window->Send(PWM_SET_CHANNEL, 7, reinterpret_cast<LPARAM>(terminal.Handle())));
    EXPECT_EQ(7, m_window->Send(PWM_GET_CHANNEL, 0, reinterpret_cast<LPARAM>(terminal.Handle())));
}

TEST_F(RegistryTest, WindowsCascadeWhileAProjectIsOpenAndTheEighthStartsOver)
{
    ScratchFolder folder;
    const std::string path = folder.Path() + "\\Demo.prj";
    {
        CProjectFile file(path.c_str());
        file.WriteString("Project", "Name", "Demo");
    }
    m_window->Object()->GetProjectFile().Load(path.c_str());
    std::vector<std::unique_ptr<TestTool>> tools;
    const int offsets[] = {0, 24, 48, 72, 96, 120, 144, 0};
    for (int offset : offsets) {
        tools.push_back(std::make_unique<TestTool>());
        EXPECT_EQ(Position(40 + offset, 30 + offset), tools.back()->Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
    }
}

TEST_F(RegistryTest, ToolIgnoringTheDestroyRequestIsDroppedAfterTwelveSeconds)
{
    TestTool::Options stubborn;
    stubborn.closesOnRequest = false;
    TestTool tool(stubborn);
    TestTool polite;
    ASSERT_NE(0, tool.Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
    ASSERT_NE(0, polite.Register(m_window->Handle(), 1010));
    const std::uint64_t start = m_clock.NowMs();
    m_window->Send(PWM_CLOSE_ALL);
    EXPECT_EQ(0, m_window->Send(PWM_REGISTERED_COUNT));
    EXPECT_GE(m_clock.NowMs() - start, 12000u);
    EXPECT_TRUE(polite.WaitGone());
    EXPECT_TRUE(tool.IsAlive());
    EXPECT_EQ(1u, tool.Received(PWM_DESTROY).size());
}

TEST_F(RegistryTest, SecondThreadRegistersWhileAWindowIsBeingClosed)
{
    TestTool::Options stubborn;
    stubborn.closesOnRequest = false;
    TestTool slow(stubborn);
    TestTool late;
    ASSERT_NE(0, slow.Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
    bool asked = false;
    m_clock.SetSleepHook([&](std::uint64_t) {
        if (asked)
            return;
        asked = true;
        // The wait for the first window is under way: another tool's
        // thread registers now and must be answered meanwhile.
        late.RegisterLater(m_window->Handle(), 1010);
        ::Sleep(100);
    });
    m_window->Send(PWM_CLOSE_ALL);
    m_clock.SetSleepHook({});
    EXPECT_TRUE(asked);
    EXPECT_NE(0, late.LastAnswer());
    EXPECT_NE(-1, late.LastAnswer());
    // Close All started over from the head and closed the newcomer too.
    EXPECT_TRUE(late.WaitGone());
    EXPECT_EQ(0, m_window->Send(PWM_REGISTERED_COUNT));
}

TEST_F(RegistryTest, CloseAllButLeavesTheKeptToolOpen)
{
    TestTool kept;
    TestTool other;
    ASSERT_NE(0, kept.Register(m_window->Handle(), TOOL_LOCK_DIALOG));
    ASSERT_NE(0, other.Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
    m_window->Send(PWM_CLOSE_ALL_BUT, TOOL_LOCK_DIALOG);
    EXPECT_TRUE(other.WaitGone());
    EXPECT_TRUE(kept.IsAlive());
    EXPECT_EQ(1, m_window->Send(PWM_TOOL_OPEN, TOOL_LOCK_DIALOG));
    EXPECT_FALSE(m_frame->Received(PWM_READY).empty());
}

TEST_F(RegistryTest, PacketsReachTheWindowOfTheirChannelAndNoOneAfterItWent)
{
    OpenLink(true);
    m_window->Object()->m_nTerminalChannel = 5;
    TestTool::Options options;
    options.replyClass = REPLY_CLASS_TERMINAL;
    auto terminal = std::make_unique<TestTool>(options);
    ASSERT_NE(0, terminal->Register(m_window->Handle(), TOOL_TERMINAL));
    m_link->SendOnChannel(5, "hello");
    m_link->SendOnChannel(6, "nobody");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    ASSERT_TRUE(PumpUntil([&] { return !terminal->Replies().empty(); }));
    std::string received;
    for (const ControllerMessage& reply : terminal->Replies()) {
        EXPECT_EQ(5, reply.m_nChannel);
        received += reply.GetText();
    }
    EXPECT_EQ("hello", received);
    // The terminal goes; bytes for its channel that arrive late reach no
    // one (and nothing reaches the deleted window).
    terminal->Unregister();
    terminal.reset();
    m_link->SendOnChannel(5, "late");
    EXPECT_TRUE(m_link->WaitUntilQuiet());
}

// ---------------------------------------------------------------- requests

class RequestTest : public ProjectWndTest {
protected:
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        OpenLink(true);
        AddControllerProgram("MAIN");
        // MAIN's editor.
        m_window->Object()->QueueEditorOpen("MAIN", 0, 0);
        TestTool::Options options;
        options.replyClass = REPLY_CLASS_EDITOR;
        m_editor = std::make_unique<TestTool>(options);
        ASSERT_NE(0, m_editor->Register(m_window->Handle(), TOOL_EDITOR));
    }
    void TearDown() override
    {
        m_editor.reset();
        ProjectWndTest::TearDown();
    }

    // MAIN runs on process 3 (status 1), then has the given status.
    void MainOnProcess3(const char* statusLine)
    {
        m_link->SendStatusLine("%[Process 3:Program MAIN] - Running");
        if (statusLine)
            m_link->SendStatusLine(statusLine);
        ASSERT_TRUE(m_link->WaitUntilQuiet());
        m_window->Settle();
    }

    BOOL Request(int commandId, const char* argument)
    {
        ControllerMessage request;
        request.m_hReplyWnd = m_editor->Handle();
        request.m_pReplyReceiver = m_editor.get();
        request.m_nCommandId = commandId;
        request.m_nChannel = CHANNEL_COMMAND;
        request.SetArgumentText(argument);
        return m_window->Object()->ProcessMessage(&request);
    }

    std::unique_ptr<TestTool> m_editor;
};

TEST_F(RequestTest, RunOfAPausedProgramFromItsEditorGoesAsTraceOff)
{
    MainOnProcess3("%[Process 3:Line 17] - Paused");
    ASSERT_EQ(3, m_window->Send(PWM_PROGRAM_PROCESS, 0, reinterpret_cast<LPARAM>("MAIN")));
    EXPECT_TRUE(Request(2, "MAIN,3"));
    EXPECT_EQ((std::vector<std::string>{"TROFF \"MAIN\",3"}), CommandsStarting("TROFF"));
    EXPECT_TRUE(CommandsStarting("RUN").empty());
}

TEST_F(RequestTest, RunOfARunningProgramSendsNothing)
{
    MainOnProcess3(nullptr);
    const std::size_t before = m_link->Commands().size();
    EXPECT_FALSE(Request(2, "MAIN"));
    EXPECT_EQ(before, m_link->Commands().size());
}

TEST_F(RequestTest, RunOfAStoppedProgramGoesOutAsItCame)
{
    EXPECT_TRUE(Request(2, "MAIN,2"));
    EXPECT_EQ((std::vector<std::string>{"RUN \"MAIN\",2"}), CommandsStarting("RUN"));
}

TEST_F(RequestTest, RequestOfAnUnregisteredWindowIsRefused)
{
    m_editor->Unregister();
    const std::size_t before = m_link->Commands().size();
    EXPECT_FALSE(Request(3, "MAIN"));
    EXPECT_EQ(before, m_link->Commands().size());
}

TEST_F(RequestTest, SubscribersHearOfAnotherWindowsAcceptedRequest)
{
    TestTool::Options options;
    options.replyClass = REPLY_CLASS_TOOL;
    TestTool listener(options);
    ASSERT_NE(0, listener.Register(m_window->Handle(), 1000));
    ASSERT_EQ(1, m_window->Send(PWM_SUBSCRIBE, 3, reinterpret_cast<LPARAM>(listener.Handle())));
    EXPECT_TRUE(Request(3, "MAIN"));
    EXPECT_EQ(1u, listener.Received(PWM_SUBSCRIBED_REQUEST).size());
}

} // namespace

namespace {

// ---------------------------------------------------------------- launcher

class LauncherTest : public ProjectWndTest {
protected:
    void TearDown() override
    {
        CProjectWnd::ClearToolCreators();
        ProjectWndTest::TearDown();
    }
    // A creator that counts its calls and opens nothing.
    void CountCreations(UINT toolId, const CRuntimeClass* windowClass = nullptr)
    {
        CProjectWnd::RegisterToolCreator(
            toolId,
            [this](CProjectWnd&, int channel) {
                ++m_created;
                m_lastChannel = channel;
                return TRUE;
            },
            windowClass);
    }
    std::atomic<int> m_created{0};
    std::atomic<int> m_lastChannel{-1};
};

TEST_F(LauncherTest, OpensThroughTheToolsCreatorOrBringsAnOpenWindowForward)
{
    // No creator: nothing opens.
    EXPECT_EQ(0, m_window->Send(PWM_OPEN_TOOL, 1025, 0));
    CountCreations(1025);
    EXPECT_EQ(1, m_window->Send(PWM_OPEN_TOOL, 1025, 0));
    EXPECT_EQ(1, m_created.load());
    // Open already: brought forward, not made again.
    TestTool options;
    ASSERT_NE(0, options.Register(m_window->Handle(), 1025));
    EXPECT_EQ(0, m_window->Send(PWM_OPEN_TOOL, 1025, 0));
    EXPECT_EQ(1, m_created.load());
}

TEST_F(LauncherTest, AnOpenWindowOfTheIdButAnotherClassIsNotTheToolAsked)
{
    OpenLink(true);
    // Two tools share id 1028: a window of the id that is not of the
    // directory's class does not count as the directory.
    CountCreations(1028, RUNTIME_CLASS(CProjectWnd));
    TestTool other;
    ASSERT_NE(0, other.Register(m_window->Handle(), 1028));
    EXPECT_EQ(1, m_window->Send(PWM_OPEN_TOOL, 1028, 0));
    EXPECT_EQ(1, m_created.load());
}

TEST_F(LauncherTest, ChannelToolsOpenOnlyInChannelModeAndNothingInExclusiveMode)
{
    CountCreations(1045);
    EXPECT_EQ(0, m_window->Send(PWM_OPEN_TOOL, 1045, 0)); // command line
    OpenLink(true);
    EXPECT_EQ(1, m_window->Send(PWM_OPEN_TOOL, 1045, 0));
    ASSERT_EQ(1, m_window->Send(PWM_TAKE_EXCLUSIVE));
    EXPECT_EQ(0, m_window->Send(PWM_OPEN_TOOL, 1045, 0));
    EXPECT_EQ(1, m_window->Send(PWM_LEAVE_EXCLUSIVE));
    EXPECT_EQ(1, m_created.load());
}

TEST_F(LauncherTest, ATerminalOpensOnTheChosenChannel)
{
    OpenLink(true);
    CountCreations(TOOL_TERMINAL);
    CountCreations(TOOL_CHANNEL_CHOOSER);
    // The first terminal asks for a channel: the chooser opens, and no
    // second one while it is open.
    EXPECT_EQ(1, m_window->Send(PWM_OPEN_TOOL, TOOL_TERMINAL, 0));
    EXPECT_EQ(1, m_created.load());
    EXPECT_EQ(static_cast<int>(TOOL_TERMINAL), m_window->Send(PWM_CHOOSER_TOOL_ID));
    EXPECT_EQ(0, m_window->Send(PWM_OPEN_TOOL, TOOL_KEYPAD, 0));
    EXPECT_EQ(1, m_created.load());
    // The choice: 0x8170 sets the channel, lParam 1 only says "chosen".
    m_window->Send(PWM_SET_REPLY_CHANNEL, 0, 6);
    EXPECT_EQ(1, m_window->Send(PWM_OPEN_TOOL, TOOL_TERMINAL, 1));
    EXPECT_EQ(2, m_created.load());
    EXPECT_EQ(6, m_lastChannel.load());
    EXPECT_EQ(6, m_window->Object()->m_nTerminalChannel.load());
    // What is no channel is not taken.
    m_window->Send(PWM_SET_REPLY_CHANNEL, 0, 1234);
    EXPECT_EQ(6, m_window->Object()->m_nTerminalChannel.load());
    // Once the chooser closed, the next terminal asks again.
    m_window->Send(PWM_CHOOSE_CHANNEL_NEXT);
    EXPECT_EQ(1, m_window->Send(PWM_OPEN_TOOL, TOOL_TERMINAL, 0));
    EXPECT_EQ(3, m_created.load());
    // After a lock change: a terminal on the command channel while
    // connected, else on the raw link, without a chooser.
    const int expected = m_window->Send(PWM_IS_CONNECTED) ? CHANNEL_COMMAND : CHANNEL_DIRECT;
    m_window->Send(PWM_TERMINAL_DIRECT);
    m_window->Settle();
    EXPECT_EQ(4, m_created.load());
    EXPECT_EQ(expected, m_lastChannel.load());
}

// ---------------------------------------------------------------- channel mode

TEST_F(RegistryTest, LeavingChannelModeClosesTheOthersAndKeepsTheModeWhenOneWillNotClose)
{
    OpenLink(true);
    TestTool::Options toolClass;
    toolClass.replyClass = REPLY_CLASS_TOOL;
    TestTool caller(toolClass);
    toolClass.closesOnRequest = false;
    TestTool stubborn(toolClass);
    ASSERT_NE(0, caller.Register(m_window->Handle(), 1032));
    ASSERT_NE(0, stubborn.Register(m_window->Handle(), 1000));
    EXPECT_EQ(0, m_window->Send(PWM_LEAVE_CHANNEL_MODE, 0, reinterpret_cast<LPARAM>(caller.Handle())));
    EXPECT_EQ(CONNECTION_CHANNEL_MODE, Connection().GetLinkMode());
    // Now only the caller is left: the mode is left.
    EXPECT_EQ(1, m_window->Send(PWM_LEAVE_CHANNEL_MODE, 0, reinterpret_cast<LPARAM>(caller.Handle())));
    EXPECT_EQ(CONNECTION_COMMAND_LINE, Connection().GetLinkMode());
    EXPECT_TRUE(caller.IsAlive());
    EXPECT_FALSE(m_link->IsControllerInChannelMode());
}

} // namespace

namespace {

TEST_F(RegistryTest, DuringARestoreOnlyTheAwaitedToolAndPlainDialogsRegister)
{
    SWindowParameters record;
    record.m_nHead[5] = 1000; // tool id
    record.m_nHead[6] = 2;    // reply mode
    record.m_channels.Set(1, CHANNEL_COMMAND);
    m_window->Object()->SetPendingRestore(&record);
    TestTool::Options toolClass;
    toolClass.replyClass = REPLY_CLASS_TOOL;
    TestTool other(toolClass);
    TestTool awaited(toolClass);
    TestTool dialog;
    EXPECT_EQ(0, other.Register(m_window->Handle(), 1001));
    EXPECT_TRUE(other.Received(PWM_RESTORE_RECORD).empty());
    // A message box that comes up meanwhile is not lost.
    EXPECT_NE(0, dialog.Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
    EXPECT_NE(0, awaited.Register(m_window->Handle(), 1000));
    ASSERT_EQ(1u, awaited.Received(PWM_RESTORE_RECORD).size());
    const auto queries = awaited.Received(PWM_QUERY_CLASS);
    ASSERT_EQ(1u, queries.size());
    EXPECT_EQ(0, queries[0].lParam);
    EXPECT_EQ(CHANNEL_COMMAND, m_window->Send(PWM_GET_CHANNEL, 0, reinterpret_cast<LPARAM>(awaited.Handle())));
    m_window->Object()->SetPendingRestore(nullptr);
}

} // namespace

namespace {

TEST_F(RegistryTest, NoPacketReachesAToolOnceItsUnregistrationReturned)
{
    OpenLink(true);
    m_window->Object()->m_nTerminalChannel = 5;
    TestTool::Options options;
    options.replyClass = REPLY_CLASS_TERMINAL;
    TestTool terminal(options);
    ASSERT_NE(0, terminal.Register(m_window->Handle(), TOOL_TERMINAL));
    // The controller keeps sending on the terminal's channel while the
    // terminal goes.
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        for (int n = 0; n < 400 && !stop; ++n) {
            m_link->SendOnChannel(5, "x");
            ::Sleep(0);
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return !terminal.Replies().empty(); }));
    terminal.Unregister();
    stop = true;
    sender.join();
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    EXPECT_EQ(0, terminal.RepliesAfterUnregistration());
}

} // namespace
