// The project window's halt of running programs, its store in EPROM with
// the power-up setting, and its export of axis parameters, against the
// scripted controller.
#include <gtest/gtest.h>

#include <string>

#include "project/tests/projectwnd_fixture.h"
#include "testsupport/scratch_folder.h"

namespace {

ScriptedReply Silent()
{
    ScriptedReply reply;
    reply.silent = true;
    return reply;
}

class EpromTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("?CONTROL[0]", ScriptedReply(m_controlCode));
        link.SetReply("PROCESS", ScriptedReply("3,1,MAIN,5"));
        link.SetReply("EPROM", ScriptedReply("Erasing Application area of FLASH\nProgramming\nverifying"));
        link.SetReply("?POWER_UP[0];", ScriptedReply("1"));
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        m_project = m_folder / "Demo.prj";
        WriteWholeFile(m_project, "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
        Window().GetProjectFile().Load(m_project.c_str());
    }
    // Opens the link to a controller of this model code.
    void Open(const char* controlCode)
    {
        m_controlCode = controlCode;
        OpenLink(true);
        AddControllerProgram("MAIN");
        Connection().FindProgram("MAIN")->m_nChanged = 1;
    }
    void StartProgram()
    {
        ASSERT_TRUE(Window().RefreshProcesses());
        ASSERT_FALSE(Window().GetProcesses().empty());
    }
    CProjectWnd& Window() { return *m_window->Object(); }
    std::string RunSetting()
    {
        CProjectFile file(m_project.c_str());
        return file.KeyExists("Controller", "Run") ? std::string(file.GetString("Controller", "Run", "")) : "(none)";
    }

    const char* m_controlCode = "206"; // keeps POWER_UP
    ScratchFolder m_folder;
    std::string m_project;
};

TEST_F(EpromTest, HaltAsksOnlyWhileProgramsRunAndPassesOnlyWhenHALTWasTaken)
{
    Open("206");
    // Nothing runs: no question, no HALT.
    EXPECT_TRUE(Window().HaltProgramsIfRunning("Load"));
    EXPECT_TRUE(m_prompts.Records().empty());
    StartProgram();

    struct Row {
        int answer;
        bool haltAnswered;
        bool result;
        std::size_t halts; // HALT commands sent so far
    };
    const Row rows[] = {
        {IDNO, true, false, 0},
        {IDYES, true, true, 1},
        // The controller never takes the HALT (times out on virtual time).
        {IDYES, false, false, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.halts);
        m_link->SetReply("HALT", row.haltAnswered ? ScriptedReply("") : Silent());
        m_prompts.Answer(row.answer);
        const int busy = Window().GetBusyCount();
        EXPECT_EQ(row.result, Window().HaltProgramsIfRunning("Load") != FALSE);
        EXPECT_EQ(busy, Window().GetBusyCount());
        EXPECT_EQ(row.halts, CommandsStarting("HALT").size());
        const auto records = m_prompts.Records();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ("Load\n\nThis operation cannot be performed with programs running.\n\n"
                  "Do you wish to halt all running programs",
                  records.back().text);
        EXPECT_EQ("Project Manager", records.back().caption);
    }
}

TEST_F(EpromTest, AStoreThatVerifiedSetsPowerUpAndTheProjectRunsFromEPROM)
{
    Open("206");
    EXPECT_TRUE(Window().StoreProgramsInEprom(FALSE));
    EXPECT_EQ((std::vector<std::string>{"POWER_UP=1"}), CommandsStarting("POWER_UP="));
    EXPECT_EQ("EPROM", RunSetting());
    EXPECT_EQ(0, Connection().FindProgram("MAIN")->m_nChanged);
    EXPECT_TRUE(m_prompts.Records().empty());

    // POWER_UP not active afterwards: the project forgets EPROM.
    m_link->SetReply("?POWER_UP[0];", ScriptedReply("0"));
    EXPECT_TRUE(Window().StoreProgramsInEprom(FALSE));
    EXPECT_EQ("(none)", RunSetting());
}

TEST_F(EpromTest, AReplyWithoutVerifyingOrWithAnErrorFailsTheStore)
{
    Open("206");
    const char* replies[] = {
        "Erasing Application area of FLASH\nProgramming\nVerifying\nError in programs at 12",
        "Total size of application programs are too long to store",
        "Erasing Application area of FLASH\nFlash did not erase",
    };
    for (const char* reply : replies) {
        SCOPED_TRACE(reply);
        m_link->SetReply("EPROM", ScriptedReply(reply));
        const std::size_t before = m_prompts.Records().size();
        EXPECT_FALSE(Window().StoreProgramsInEprom(FALSE));
        const auto records = m_prompts.Records();
        ASSERT_EQ(before + 1, records.size());
        EXPECT_EQ("Error storing programs in EPROM", records.back().text);
        EXPECT_EQ("Store programs in EPROM", records.back().caption);
        EXPECT_TRUE(records.back().detached);
    }
    EXPECT_TRUE(CommandsStarting("POWER_UP=").empty());
    EXPECT_EQ("(none)", RunSetting());
    EXPECT_EQ(1, Connection().FindProgram("MAIN")->m_nChanged);

    // A controller that never answers fails it the same way.
    m_link->SetReply("EPROM", Silent());
    EXPECT_FALSE(Window().StoreProgramsInEprom(FALSE));
}

TEST_F(EpromTest, AModelWithoutPowerUpStoresAndLeavesPowerUpAlone)
{
    Open("202");
    ASSERT_EQ(0, Connection().GetModel().m_nPowerUpCapable);
    EXPECT_EQ(1, m_window->Send(PWM_STORE_EPROM));
    EXPECT_EQ(1u, CommandsStarting("EPROM").size());
    EXPECT_TRUE(CommandsStarting("POWER_UP=").empty());
    EXPECT_EQ("(none)", RunSetting());
    EXPECT_EQ(0, Connection().FindProgram("MAIN")->m_nChanged);
}

TEST_F(EpromTest, ADeclinedHaltStoresNothingAndSaysNothing)
{
    Open("206");
    StartProgram();
    m_prompts.Answer(IDNO);
    EXPECT_FALSE(Window().StoreProgramsInEprom(FALSE));
    EXPECT_TRUE(CommandsStarting("EPROM").empty());
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ(0u, m_prompts.Records()[0].text.rfind("Store programs in EPROM\n\n", 0));
}

TEST_F(EpromTest, BeforeADisconnectChangedProgramsOfAModelWithoutBatteryAreStored)
{
    // No battery-backed program store; AutoEPROM is on by default.
    Open("202");
    Connection().FindProgram("MAIN")->m_nChanged = 0;
    Window().OfferEPROMStore(DISCONNECT_OFFER);
    EXPECT_TRUE(CommandsStarting("EPROM").empty());

    Connection().FindProgram("MAIN")->m_nChanged = 1;
    Window().OfferEPROMStore(DISCONNECT_OFFER);
    EXPECT_EQ(1u, CommandsStarting("EPROM").size());
    EXPECT_EQ(0, Connection().FindProgram("MAIN")->m_nChanged);
    EXPECT_TRUE(m_prompts.Records().empty());
}

// ---------------------------------------------------------------- axis parameters

class AxisParametersTest : public EpromTest {
protected:
    void Script(CScriptedController& link) override
    {
        EpromTest::Script(link);
        link.SetReply("AXISVALUES(0,0)", ScriptedReply("AXISi=0\nSPEEDf=1000\nACCELf=1000.5\nDACi=-5\n"
                                                       "FELIMITf=12.25\nBOGUS=1"));
        link.SetReply("AXISVALUES(2,0)", ScriptedReply("AXISi=2\nSPEEDf=20"));
        link.SetReply("AXISVALUES(3,0)", Silent());
    }
    std::vector<std::string> Lines(const CStringList& list)
    {
        std::vector<std::string> lines;
        for (POSITION position = list.GetHeadPosition(); position;)
            lines.push_back(std::string(list.GetNext(position)));
        return lines;
    }
};

TEST_F(AxisParametersTest, RepliesBecomeStartupLinesAndUnknownOnesComments)
{
    Open("206");
    CStringList output;
    const int busy = Window().GetBusyCount();
    EXPECT_TRUE(Window().ExportAxisParameters(output, {0, 2, 3}));
    EXPECT_EQ(
        (std::vector<std::string>{"' Axis Parameters", " BASE(0)", " SPEED=1000.0", " ACCEL=1000.5000", " DAC=-5",
                                  " FE_LIMIT=12.2500", "' Import error for: BOGUS=1", "", " BASE(2)", " SPEED=20.0", "",
                                  // A failed read gives the axis's empty line alone.
                                  ""}),
        Lines(output));
    EXPECT_EQ(busy, Window().GetBusyCount());
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Error getting parameters, see STARTUP program", records[0].text);
    EXPECT_EQ("STARTUP", records[0].caption);
}

TEST_F(AxisParametersTest, ACancelDuringTheSecondAxisEndsTheExport)
{
    Open("206");
    m_link->SetReplyCallback([this](const std::string& command, ScriptedReply& reply) {
        if (command != "AXISVALUES(1,0)")
            return false;
        Window().m_nCancel = 1;
        reply = ScriptedReply("AXISi=1\nSPEEDf=5");
        return true;
    });
    CStringList output;
    EXPECT_FALSE(Window().ExportAxisParameters(output, {0, 1, 2}));
    const std::vector<std::string> lines = Lines(output);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("", lines.back());
    EXPECT_TRUE(CommandsStarting("AXISVALUES(2").empty());
    EXPECT_EQ(1u, CommandsStarting("AXISVALUES(1").size());
}

} // namespace
