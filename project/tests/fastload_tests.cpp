// Fast load: the frames, and the project load against the scripted
// controller's fast-load model.
#include <gtest/gtest.h>

#include "framework/app.h"
#include "framework/thread.h"
#include "link/controllerconnection.h"
#include "link/tests/support/fake_project.h"
#include "link/tests/support/scripted_controller.h"
#include "project/fastloadframe.h"
#include "project/fastloadprogram.h"
#include "project/fastloadproject.h"
#include "project/projectmessages.h"
#include "project/tests/dialog_answer.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "project/tests/program_load_window.h"
#include "link/tests/support/scripted_connection.h"

namespace {

const std::string kAbort("\x1b" "0\x03" "VQE(0)\r\r\r\r");

} // namespace

TEST(FastLoadFrames, Numbers)
{
    EXPECT_EQ(FastLoad::EncodeNumber(0), "   ");
    EXPECT_EQ(FastLoad::EncodeNumber(0xFFFF), "/__");
    EXPECT_EQ(FastLoad::Crc16("123456789"), 0xFEE8);
    EXPECT_EQ(FastLoad::HeaderFrame(FastLoad::HeaderText("MAIN", 0)), "\x01MAIN\x1c" "0\x03#]5\x02");
    EXPECT_EQ(FastLoad::HeaderFrame(FastLoad::HeaderText("PROG", 0)), "\x01PROG\x1c" "0\x03!CT\x02");
    EXPECT_EQ(FastLoad::CheckFrame(FastLoad::Crc16("PRINT 1\r")), "\x03,;U");
    EXPECT_EQ(FastLoad::CheckFrame(FastLoad::Crc16("")), "\x03   ");
    EXPECT_EQ(FastLoad::AbortSequence(), kAbort);
    EXPECT_EQ(FastLoad::AbortSequence().size(), 13u);
}

TEST(FastLoadFrames, RunTypeLines)
{
    EXPECT_EQ(FastLoad::RunTypeLine("MAIN", 0), "");
    EXPECT_EQ(FastLoad::RunTypeLine("MAIN", -1), "RUNTYPE MAIN,1\r");
    EXPECT_EQ(FastLoad::RunTypeLine("MAIN", 3), "RUNTYPE MAIN,1,3\r");
}

TEST(FastLoadFrames, Blocks)
{
    // Cut at the last line feed; without one the whole text; the last
    // pass takes everything.
    auto block = FastLoad::CutBlock("AB\r\nCD\r\nEF", false);
    EXPECT_EQ(block.text, "AB\rCD\r");
    EXPECT_EQ(block.carry, "EF");
    block = FastLoad::CutBlock("ABCDEF", false);
    EXPECT_EQ(block.text, "ABCDEF");
    EXPECT_EQ(block.carry, "");
    block = FastLoad::CutBlock("AB\nCD", true);
    EXPECT_EQ(block.text, "ABCD");
    EXPECT_EQ(block.carry, "");
    block = FastLoad::CutBlock("AB\n", false);
    EXPECT_EQ(block.text, "AB");
    EXPECT_EQ(block.carry, "");
}

namespace {

class TestOwner : public IFastLoadOwner {
public:
    TestOwner(CComms* link, HWND window) : m_pLink(link), m_hWnd(window) {}
    HWND GetOwnerWindow() override { return m_hWnd; }
    void Disconnect() override { ++m_nDisconnects; }
    CComms* BorrowLink(int toolId) override
    {
        ++m_nBorrows;
        m_nBorrowTool = toolId;
        return m_pLink;
    }
    void ReturnLink() override { ++m_nReturns; }

    CComms* m_pLink;
    HWND m_hWnd;
    std::atomic<int> m_nDisconnects{0}, m_nBorrows{0}, m_nReturns{0}, m_nBorrowTool{-1};
};

class FastLoadProjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_link.Open(nullptr));
        m_link.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
        m_project.SetFeature(0, true);
    }

    void WriteProject(const std::string& programs, const std::string& types, const std::string& autoRun = "")
    {
        WriteWholeFile(Path(), "[Controller]\r\nType=QC116\r\n[Programs]\r\n" + programs + "[ProgramType]\r\n" + types +
                                   "[AutoRun]\r\n" + autoRun);
    }
    std::string Path() const { return m_folder / "Proj.prj"; }

    // Runs one load to its end; whether it succeeded.
    bool Load(CComms* link, int startFlag = 0)
    {
        TestOwner owner(link, m_project.Handle());
        auto* load = new CFastLoadProject(&owner, Path().c_str(), &m_cancel);
        load->SetShowGauge(m_bGauge);
        if (!load->Start(startFlag)) {
            ADD_FAILURE() << "the load did not start";
            return false;
        }
        EXPECT_TRUE(load->WaitUntilDone(20000));
        const bool succeeded = load->Succeeded() != FALSE;
        load->Release();
        m_nDisconnects = owner.m_nDisconnects;
        m_nBorrows = owner.m_nBorrows;
        m_nReturns = owner.m_nReturns;
        return succeeded;
    }
    bool Load() { return Load(&m_link); }

    std::vector<CControllerScript::FastLoadedProgram> Loaded()
    {
        std::vector<CControllerScript::FastLoadedProgram> loaded;
        m_link.WithScript([&](CControllerScript& script) { loaded = script.FastLoaded(); });
        return loaded;
    }

    CWinApp m_app{"fastload"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    FakeProjectWindow m_project;
    CScriptedController m_link;
    std::atomic<int> m_cancel{0};
    bool m_bGauge = false;
    int m_nDisconnects = 0, m_nBorrows = 0, m_nReturns = 0;
};

} // namespace

TEST_F(FastLoadProjectTest, GoldenBytesForMain)
{
    WriteProject("Program00=MAIN\r\n", "MAIN=0\r\n", "MAIN=-1\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n");
    m_bGauge = true;
    ASSERT_TRUE(Load());
    EXPECT_EQ(m_link.Written(), "LOAD_PROJECT\r"
                                "\x01MAIN\x1c" "0\x03#]5\x02"
                                "PRINT 1\r"
                                "\x03,;U"
                                "\x04"
                                "RUNTYPE MAIN,1\r");
    EXPECT_TRUE(m_prompts.Texts().empty());
    const auto loaded = Loaded();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].name, "MAIN");
    EXPECT_EQ(loaded[0].text, "PRINT 1\r");
    EXPECT_EQ(m_nDisconnects, 1);
    EXPECT_EQ(m_nBorrows, 1);
    EXPECT_EQ(m_nReturns, 1);
    EXPECT_TRUE(m_project.WaitFor(WM_PW_CONNECT_WANTED, [](const ReceivedMessage& m) { return m.wParam == 1; }));
}

TEST_F(FastLoadProjectTest, SeveralProgramsWithRunTypesAndLineEnds)
{
    WriteProject("Program00=MAIN\r\nProgram01=EMPTY\r\nProgram02=UNIX;note\r\n",
                 "MAIN=0\r\nEMPTY=0\r\nUNIX=0\r\n", "MAIN=0\r\nUNIX=3\r\n");
    std::string big;
    for (int i = 0; i < 100; ++i)
        big += "PRINT " + std::to_string(i) + "\r\n";
    WriteWholeFile(m_folder / "MAIN.bas", big);
    WriteWholeFile(m_folder / "EMPTY.bas", "");
    WriteWholeFile(m_folder / "UNIX.bas", "A=1\nB=2\n");
    ASSERT_TRUE(Load(&m_link, 1));
    const auto loaded = Loaded();
    ASSERT_EQ(loaded.size(), 3u);
    std::string expected;
    for (char c : big)
        if (c != '\n')
            expected += c;
    EXPECT_EQ(loaded[0].text, expected);
    EXPECT_EQ(loaded[1].text, "");
    EXPECT_EQ(loaded[2].text, "A=1\rB=2\r") << "a LF without CR goes out as CR";
    const std::string written = m_link.Written();
    EXPECT_NE(written.find("\x01" "EMPTY\x1c" "0"), std::string::npos);
    EXPECT_NE(written.find("\x03   "), std::string::npos) << "the check of no text";
    EXPECT_EQ(written.find("RUNTYPE MAIN"), std::string::npos);
    EXPECT_NE(written.find("RUNTYPE UNIX,1,3\r"), std::string::npos);
    EXPECT_EQ(m_nDisconnects, 0);
    EXPECT_TRUE(m_project.WaitFor(WM_PW_CHECK_PROJECT));
}

TEST_F(FastLoadProjectTest, ProjectWithoutPrograms)
{
    WriteProject("", "");
    ASSERT_TRUE(Load());
    EXPECT_EQ(m_link.Written(), "LOAD_PROJECT\r\x04");
}

TEST_F(FastLoadProjectTest, NakAbortsOnceWithTheAbortSequence)
{
    WriteProject("Program00=MAIN\r\nProgram01=PROG\r\n", "MAIN=0\r\nPROG=0\r\n", "MAIN=-1\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n");
    WriteWholeFile(m_folder / "PROG.bas", "PRINT 2\r\n");
    m_link.WithScript([](CControllerScript& script) { script.NakNextFastLoadFrames(1); });
    EXPECT_FALSE(Load());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Aborted by controller"});
    EXPECT_EQ(m_link.Written(), "LOAD_PROJECT\r\x01MAIN\x1c" "0\x03#]5\x02\x04" + kAbort);
}

TEST_F(FastLoadProjectTest, PromptWhileSendingAbortsOnce)
{
    WriteProject("Program00=MAIN\r\n", "MAIN=0\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", std::string(200, 'A') + "\r\n");
    m_link.WithScript([](CControllerScript& script) { script.AnswerNextFastLoadFrameWith(">>"); });
    EXPECT_FALSE(Load());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Aborted by controller"});
    const std::string written = m_link.Written();
    EXPECT_EQ(written.substr(written.size() - kAbort.size()), kAbort);
    EXPECT_EQ(written.find("AAAA"), std::string::npos);
}

TEST_F(FastLoadProjectTest, UnansweredHeaderTimesOut)
{
    WriteProject("Program00=MAIN\r\n", "MAIN=0\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n");
    m_link.WithScript([](CControllerScript& script) { script.SetFastLoadSilent(true); });
    EXPECT_FALSE(Load());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Timeout waiting for response"});
    EXPECT_EQ(m_link.Written(), "LOAD_PROJECT\r\x01MAIN\x1c" "0\x03#]5\x02\x04" + kAbort);
}

TEST_F(FastLoadProjectTest, ProgramsThatCannotBeSentFailTheLoad)
{
    const struct {
        const char* what;
        std::string programs, types;
    } cases[] = {
        {"a FIFO has no file", "Program00=MAIN\r\nProgram01=QUEUE\r\n", "MAIN=0\r\nQUEUE=5\r\n"},
        {"the file is missing", "Program00=MAIN\r\nProgram01=GONE\r\n", "MAIN=0\r\nGONE=0\r\n"},
        {"not a program name", "Program00=MAIN\r\nProgram01=A-B\r\n", "MAIN=0\r\nA-B=0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteProject(c.programs, c.types, "MAIN=-1\r\n");
        WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n");
        WriteWholeFile(m_folder / "A-B.bas", "PRINT 2\r\n");
        CScriptedController link;
        ASSERT_TRUE(link.Open(nullptr));
        link.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
        const size_t before = m_prompts.Texts().size();
        EXPECT_FALSE(Load(&link));
        const auto texts = m_prompts.Texts();
        ASSERT_EQ(texts.size(), before + 1);
        EXPECT_EQ(texts.back(), "Error during project load");
        EXPECT_EQ(link.Written(), "LOAD_PROJECT\r\x01MAIN\x1c" "0\x03#]5\x02PRINT 1\r\x03,;U\x04" + kAbort)
            << "nothing of the second program, no run types";
    }
}

TEST_F(FastLoadProjectTest, IecProgramsGoFromTheirTransferFileWhenTheControllerHasTheType)
{
    WriteProject("Program00=IEC\r\n", "IEC=4\r\n");
    WriteWholeFile(m_folder / "IEC.zwa", "coded\r\n");
    WriteWholeFile(m_folder / "IEC.mwe", "project\r\n");
    m_project.SetFeature(31, true);
    ASSERT_TRUE(Load());
    ASSERT_EQ(Loaded().size(), 1u);
    EXPECT_EQ(Loaded()[0].text, "coded\r");

    m_project.SetFeature(31, false);
    CScriptedController link;
    ASSERT_TRUE(link.Open(nullptr));
    link.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
    ASSERT_TRUE(Load(&link));
    EXPECT_NE(link.Written().find("project\r"), std::string::npos);
}

TEST_F(FastLoadProjectTest, WithoutALinkNothingIsSent)
{
    WriteProject("Program00=MAIN\r\n", "MAIN=0\r\n");
    EXPECT_FALSE(Load(nullptr));
    EXPECT_EQ(m_link.Written(), "");
    EXPECT_EQ(m_nReturns, 0);
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_TRUE(m_project.WaitFor(WM_PW_CONNECT_WANTED));
}

TEST_F(FastLoadProjectTest, OwnersCancelStopsBeforeSending)
{
    WriteProject("Program00=MAIN\r\n", "MAIN=0\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n");
    m_cancel = 1;
    EXPECT_FALSE(Load());
    EXPECT_EQ(m_link.Written(), "");
}

TEST_F(FastLoadProjectTest, OwnerMayReleaseBeforeTheLoadEnds)
{
    // The object is freed once, by whichever side lets go last.
    WriteProject("Program00=MAIN\r\n", "MAIN=0\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n");
    TestOwner owner(&m_link, m_project.Handle());
    auto* load = new CFastLoadProject(&owner, Path().c_str(), &m_cancel);
    load->SetShowGauge(FALSE);
    ASSERT_TRUE(load->Start(1));
    load->Release();
    ASSERT_TRUE(m_project.WaitFor(WM_PW_CHECK_PROJECT, {}, 10000));
    EXPECT_EQ(Loaded().size(), 1u);
}

// ---------------------------------------------------------------- program load

namespace {

class FastLoadProgramTest : public ScriptedConnectionTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
    }

    // One load through the window's message; the window has gone after.
    bool Load(const char* name, const std::string& path)
    {
        return LoadThroughWindow(m_project, name, path, [] { ::Sleep(1); });
    }
    std::vector<std::string> Blocks()
    {
        std::vector<std::string> blocks;
        m_link->WithScript([&](CControllerScript& script) { blocks = script.FastLoadBlocks(); });
        return blocks;
    }
    std::vector<std::string> Announcements() { return CommandsStarting("LOAD_PROJECT"); }
    bool ToldFailed()
    {
        for (const auto& message : m_project.PrivateMessages())
            if (message.first == WM_PW_SET_LOAD_FAILED && message.second == 1)
                return true;
        return false;
    }
    std::string Loaded()
    {
        std::string text;
        m_link->WithScript([&](CControllerScript& script) {
            for (const auto& program : script.FastLoaded())
                text += program.text;
        });
        return text;
    }
};

} // namespace

TEST_F(FastLoadProgramTest, BlocksEndAtLineEnds)
{
    std::string file(2048, 'A');
    file[1023] = '\n';
    file[2047] = '\n';
    const std::string path = m_folder / "PROG.bas";
    WriteWholeFile(path, file);
    EXPECT_TRUE(Load("PROG", path));
    EXPECT_EQ(Announcements(), (std::vector<std::string>{"LOAD_PROJECT(1)", "LOAD_PROJECT(2)"}));
    EXPECT_EQ(Blocks(), (std::vector<std::string>{"PROG:0:1023", "PROG:0:1023"}));
    EXPECT_EQ(Loaded(), std::string(2046, 'A'));
    EXPECT_NE(m_link->Written().find("\x1b/\x01PROG\x1c" "0"), std::string::npos) << "frames go on channel -1";
    EXPECT_FALSE(ToldFailed());
    EXPECT_TRUE(m_prompts.Texts().empty());
}

TEST_F(FastLoadProgramTest, EveryByteGoesOnce)
{
    const struct {
        const char* what;
        std::string file;
        std::vector<std::string> blocks;
    } cases[] = {
        {"a line longer than a block", std::string(1500, 'B'), {"P:0:1024", "P:0:476"}},
        {"lines of 50", [] {
             std::string text;
             for (int i = 0; i < 50; ++i)
                 text += std::string(48, 'C') + "\r\n";
             return text;
         }(),
         {"P:0:980", "P:0:980", "P:0:490"}}, // 2500 bytes less 50 line feeds
        {"an empty file", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = Blocks().size();
        const std::string loadedBefore = Loaded();
        const std::string path = m_folder / "P.bas";
        WriteWholeFile(path, c.file);
        EXPECT_TRUE(Load("P", path));
        const auto blocks = Blocks();
        EXPECT_EQ(std::vector<std::string>(blocks.begin() + static_cast<long>(before), blocks.end()), c.blocks);
        std::string expected;
        for (char ch : c.file)
            if (ch != '\n')
                expected += ch;
        EXPECT_EQ(Loaded().substr(loadedBefore.size()), expected);
    }
}

TEST_F(FastLoadProgramTest, NakFailsTheLoadWithoutATimeoutMessage)
{
    const std::string path = m_folder / "PROG.bas";
    WriteWholeFile(path, "PRINT 1\r\n");
    m_link->WithScript([](CControllerScript& script) { script.NakNextFastLoadFrames(1); });
    EXPECT_FALSE(Load("PROG", path));
    const std::string written = m_link->Written();
    EXPECT_EQ(written.back(), '\x04') << "the block ends with EOT";
    EXPECT_EQ(written.find("PRINT"), std::string::npos);
    EXPECT_TRUE(ToldFailed());
    EXPECT_TRUE(m_prompts.Texts().empty());
}

TEST_F(FastLoadProgramTest, UnansweredFrameTimesOut)
{
    const std::string path = m_folder / "PROG.bas";
    WriteWholeFile(path, "PRINT 1\r\n");
    m_link->WithScript([](CControllerScript& script) { script.SetFastLoadSilent(true); });
    EXPECT_FALSE(Load("PROG", path));
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Timeout waiting for response"});
    EXPECT_TRUE(ToldFailed());
}

TEST_F(FastLoadProgramTest, FilesThatCannotGoSendNothing)
{
    WriteWholeFile(m_folder / "NOEXT", "PRINT 1\r\n");
    WriteWholeFile(m_folder / "PROG.xyz", "PRINT 1\r\n");
    WriteWholeFile(m_folder / "PROG.bas", "PRINT 1\r\n");
    const struct {
        const char* name;
        std::string path;
    } cases[] = {{"PROG", m_folder / "NOEXT"},
                 {"PROG", m_folder / "PROG.xyz"},
                 {"PROG", m_folder / "MISSING.bas"},
                 {"A-B", m_folder / "PROG.bas"},
                 {"", m_folder / "PROG.bas"}};
    const std::string before = m_link->Written();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(Load(c.name, c.path));
    }
    EXPECT_EQ(m_link->Written(), before);
    EXPECT_TRUE(ToldFailed());
}
