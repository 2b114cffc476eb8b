// The project window's fast project load driver and the link its
// reconnect starts from, against the scripted controller's fast-load
// model.
#include <gtest/gtest.h>

#include <string>

#include "link/commlinks.h"
#include "project/fastloadprogram.h"
#include "project/tests/dialog_answer.h"
#include "settings/vqregistry.h"
#include "project/projectmessages.h"
#include "project/tests/projectwnd_fixture.h"
#include "testsupport/scratch_folder.h"

namespace {

TEST(LinkIndex, TheSimulatorIs9999AndOtherwiseTheFirstEqualConfiguredLink)
{
    RegistrySandbox sandbox;
    CCommPortData serial1, serial3, ethernet;
    serial1.SetLinkDefaults("Mine", LINK_TYPE_SERIAL);
    serial1.SetSerial("COM1", 9600, 7, 2, 2);
    serial3 = serial1;
    serial3.SetSerial("COM3", 9600, 7, 2, 2);
    ethernet.SetLinkDefaults("Mine", LINK_TYPE_ETHERNET);
    ethernet.SetEthernet("127.0.0.1", 23);
    // Links 1 and 3 both equal the link in use.
    const CCommPortData* stored[] = {&serial3, &serial1, &ethernet, &serial1};
    for (int n = 0; n < 4; ++n)
        ASSERT_TRUE(SetCommLink(n, *stored[n]));

    CCommPortData simulator;
    simulator.SetLinkDefaults("Mine", LINK_TYPE_SIMULATOR);
    CCommPortData other = serial1;
    other.SetSerial("COM9", 9600, 7, 2, 2);
    struct Row {
        const CCommPortData* inUse;
        int index;
    };
    const Row rows[] = {{&serial1, 1}, {&ethernet, 2}, {&serial3, 0}, {&simulator, 9999}, {&other, -1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(row.index, CProjectWnd::FindConfiguredLinkIndex(*row.inUse));
    }
}

class FastLoadDriverTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("?CONTROL[0]", ScriptedReply(m_controlCode));
        link.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        m_project = m_folder / "Demo.prj";
        WriteWholeFile(m_project, "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
        WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\nPRINT 2\r\n");
    }
    CProjectWnd& Window() { return *m_window->Object(); }
    std::vector<CControllerScript::FastLoadedProgram> Loaded()
    {
        std::vector<CControllerScript::FastLoadedProgram> loaded;
        m_link->WithScript([&](CControllerScript& script) { loaded = script.FastLoaded(); });
        return loaded;
    }

    const char* m_controlCode = "206"; // fast project load
    ScratchFolder m_folder;
    std::string m_project;
};

TEST_F(FastLoadDriverTest, TheProjectGoesOutWholeAndTheReconnectPrefersTheLinkInUse)
{
    OpenLink(true);
    // The link in use is the second configured one.
    CCommPortData inUse, other;
    ASSERT_TRUE(Connection().CopyLinkData(&inUse));
    other.SetLinkDefaults("Other", LINK_TYPE_ETHERNET);
    ASSERT_TRUE(SetCommLink(0, other));
    ASSERT_TRUE(SetCommLink(1, inUse));
    Window().m_nPreferredLink = 5;
    // A connect in progress holds the reconnect request back, so the
    // preferred link can be seen before a search takes it.
    Window().m_bConnecting = TRUE;

    EXPECT_EQ(2, Window().FastLoadProject(m_project.c_str()));
    EXPECT_STREQ(m_project.c_str(), Window().GetProjectFile().GetFilePath());
    EXPECT_EQ(1u, CommandsStarting("NEW ALL").size());
    const auto loaded = Loaded();
    ASSERT_EQ(1u, loaded.size());
    EXPECT_EQ("MAIN", loaded[0].name);
    EXPECT_EQ("PRINT 1\rPRINT 2\r", loaded[0].text);
    EXPECT_EQ(1, Window().m_nLinkIndex.load());
    // The engine asks for a reconnect when it has done; the search will
    // take the link in use first.
    for (int i = 0; i < 500 && !Window().m_bConnectAgain.load(); ++i)
        ::Sleep(10);
    EXPECT_TRUE(Window().m_bConnectAgain.load());
    EXPECT_EQ(1, Window().m_nPreferredLink.load());
    Window().m_bConnectAgain = FALSE;
    Window().m_bConnecting = FALSE;
    EXPECT_TRUE(Window().m_bLoadFinished.load());
    EXPECT_FALSE(Window().IsReplyDispatchBlocked());
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(FastLoadDriverTest, AControllerWithoutFastLoadIsToldSoAndLoadsNothing)
{
    m_controlCode = "202";
    OpenLink(true);
    AddControllerProgram("OLD");
    EXPECT_EQ(0, Window().FastLoadProject(m_project.c_str()));
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("This system software version does not support fast project load", records[0].text);
    EXPECT_EQ("Load Project", records[0].caption);
    EXPECT_TRUE(CommandsStarting("NEW").empty());
    EXPECT_TRUE(Loaded().empty());
    EXPECT_TRUE(Connection().GetPrograms().empty());
    EXPECT_TRUE(Window().m_bLoadFinished.load());
}

TEST_F(FastLoadDriverTest, ADeclinedHaltLoadsNothing)
{
    OpenLink(true);
    m_link->SetReply("PROCESS", ScriptedReply("3,1,MAIN,5"));
    ASSERT_TRUE(Window().RefreshProcesses());
    m_prompts.Answer(IDNO);
    EXPECT_EQ(0, Window().FastLoadProject(m_project.c_str()));
    EXPECT_TRUE(CommandsStarting("NEW").empty());
    EXPECT_TRUE(Loaded().empty());
}

TEST_F(FastLoadDriverTest, CancellingTheChooserAnswersOneAndLoadsNothing)
{
    OpenLink(true);
    const std::size_t ready = m_frame->Received(PWM_READY).size();
    DialogAnswer answer("Load Project", 0, nullptr, IDCANCEL);
    EXPECT_EQ(1, m_window->Send(PWM_FAST_LOAD_CHOSEN));
    EXPECT_TRUE(answer.Seen());
    m_window->Settle();
    EXPECT_TRUE(CommandsStarting("NEW").empty());
    EXPECT_TRUE(Window().m_bLoadFinished.load());
    EXPECT_TRUE(WaitUntil([&] { return m_frame->Received(PWM_READY).size() > ready; }));
}

TEST_F(FastLoadDriverTest, WhileProgramsRunAnOperationNeedsTheSettingTheFeatureAndTheProgramsLeave)
{
    // A model whose system software allows operations while running.
    m_controlCode = "405";
    OpenLink(true);
    AddControllerProgram("MAIN");
    AddControllerProgram("FREE");
    Connection().FindProgram("MAIN")->m_nState = 0;
    Connection().FindProgram("FREE")->m_nState = 1;
    // Nothing runs: anything may go.
    EXPECT_TRUE(Window().CanOperateOnProgram("MAIN"));

    m_link->SetReply("PROCESS", ScriptedReply("3,1,MAIN,5"));
    ASSERT_TRUE(Window().RefreshProcesses());
    struct Row {
        int setting;
        const char* program;
        bool allowed;
    };
    const Row rows[] = {{0, "FREE", false}, {1, "FREE", true}, {1, "MAIN", false}, {1, "NONE", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.program) + " " + std::to_string(row.setting));
        CVQRegistry().SetAllowProgramOperationsWhenRuning(row.setting);
        EXPECT_EQ(row.allowed, Window().CanOperateOnProgram(row.program) != FALSE);
    }
}

TEST_F(FastLoadDriverTest, AProgramLoadWithNothingToLoadFailsAtOnce)
{
    OpenLink(true);
    WriteWholeFile(m_folder / "EMPTY.bas", "");
    struct Row {
        const char* name;
        std::string path;
        int type;
    };
    const Row rows[] = {{"", m_folder / "MAIN.bas", 0},      {"MAIN", "", 0},
                        {"MAIN", m_folder / "MAIN.bas", 10}, {"MAIN", m_folder / "MAIN.bas", -1},
                        {"GONE", m_folder / "GONE.bas", 0},  {"EMPTY", m_folder / "EMPTY.bas", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + row.path + " " + std::to_string(row.type));
        EXPECT_FALSE(Window().FastLoadProgram(row.name, row.path.c_str(), row.type));
    }
    EXPECT_TRUE(Window().GetToolRecords().empty());
    EXPECT_TRUE(m_link->Commands().empty() || CommandsStarting("LOAD_PROJECT").empty());
}

TEST_F(FastLoadDriverTest, AProgramLoadGoesThroughItsWindowAndAFailureIsSeenOnceTheWindowHasGone)
{
    OpenLink(true);
    CProjectWnd::RegisterToolCreator(TOOL_ID_FAST_LOAD_PROGRAM, [](CProjectWnd&, int) {
        auto* window = new CFastLoadProgram;
        return window->Create();
    });
    const std::string path = m_folder / "MAIN.bas";
    EXPECT_TRUE(Window().FastLoadProgram("MAIN", path.c_str(), 0));
    ASSERT_EQ(1u, Loaded().size());
    EXPECT_EQ("PRINT 1\rPRINT 2\r", Loaded()[0].text);

    // Refused frames: the window reports the failure and closes.
    m_link->WithScript([](CControllerScript& script) { script.NakNextFastLoadFrames(1); });
    EXPECT_FALSE(Window().FastLoadProgram("MAIN", path.c_str(), 0));
    EXPECT_EQ(1u, Loaded().size());
    EXPECT_TRUE(Window().GetToolRecords().empty());
    CProjectWnd::ClearToolCreators();
}

TEST_F(FastLoadDriverTest, AProgramLoadWhoseWindowNeverRegistersGivesUpAfterTwentySeconds)
{
    OpenLink(true);
    // A window that says it was made and never registers.
    CProjectWnd::RegisterToolCreator(TOOL_ID_FAST_LOAD_PROGRAM, [](CProjectWnd&, int) { return TRUE; });
    const std::uint64_t start = m_clock.NowMs();
    EXPECT_FALSE(Window().FastLoadProgram("MAIN", (m_folder / "MAIN.bas").c_str(), 0));
    EXPECT_GE(m_clock.NowMs() - start, 20000u);
    CProjectWnd::ClearToolCreators();
    // Without any way to make the window the load fails at once.
    const std::uint64_t again = m_clock.NowMs();
    EXPECT_FALSE(Window().FastLoadProgram("MAIN", (m_folder / "MAIN.bas").c_str(), 0));
    EXPECT_LT(m_clock.NowMs() - again, 1000u);
}

} // namespace
