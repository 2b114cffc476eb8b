#include "editor/runstate.h"

#include <gtest/gtest.h>

#include "editor/editbuffer.h"

namespace editor {
namespace {

class QuietPeer : public IEditPeer {
public:
    void SendLineCommand(int, const std::string&) override {}
    void ProgramChanged() override {}
    void ShowMessage(const std::string&, const std::string&) override {}
    void ModifiedChanged(bool) override {}
    INameWarner* NameWarner() override { return nullptr; }
};

// What the frame would show, one entry per notice.
class RecordingObserver : public IRunStateObserver {
public:
    void CompileStateChanged(int state) override { notices.push_back("compile " + std::to_string(state)); }
    void CurrentLineChanged(int line) override { notices.push_back("line " + std::to_string(line)); }
    void EditStateChanged(int state) override { notices.push_back("edit " + std::to_string(state)); }
    std::vector<std::string> notices;
};

class RunState : public ::testing::Test {
protected:
    RunState() : buffer(peer), state(buffer)
    {
        buffer.Store().m_programName = "MAIN";
        for (int i = 0; i < 10; ++i)
            buffer.InsertLine(i, "PRINT " + std::to_string(i), false);
        state.SetObserver(&observer);
    }
    QuietPeer peer;
    CEditBuffer buffer;
    CEditRunState state;
    RecordingObserver observer;
};

TEST_F(RunState, EditStateFromTheFlags)
{
    const struct {
        bool readOnly, running, feature, setting;
        int mayEdit;
        int expected;
    } cases[] = {
        {false, false, false, false, 0, kEditStateEditable},
        {true, false, false, false, 0, kEditStateReadOnly},
        {false, true, false, false, 1, kEditStateReadOnly},
        {false, true, true, false, 1, kEditStateReadOnly},  // the setting is off
        {false, true, false, true, 1, kEditStateReadOnly},  // the controller cannot
        {false, true, true, true, 0, kEditStateReadOnly},   // the controller says no
        {false, true, true, true, 1, kEditStateEditable},
        {true, true, true, true, 1, kEditStateReadOnly},    // POWER_UP wins
        {false, false, true, true, 0, kEditStateEditable},  // nothing runs
    };
    for (const auto& c : cases) {
        CEditRunState s(buffer);
        EXPECT_EQ(kEditStateUnknown, s.GetEditState());
        s.SetEditWhileRunning(c.feature, c.setting);
        if (c.mayEdit) {
            ProgramStateRecord record;
            record.program = "MAIN";
            record.mayEdit = c.mayEdit;
            s.TakeProgramState(record);
        }
        s.SetRunning(c.running);
        s.SetReadOnlyRequest(c.readOnly);
        EXPECT_EQ(c.expected, s.GetEditState())
            << c.readOnly << c.running << c.feature << c.setting << c.mayEdit;
    }
}

TEST_F(RunState, TheFrameHearsOfAChangedEditStateOrWhenForced)
{
    state.UpdateEditState();
    state.UpdateEditState();
    state.SetRunning(true);
    state.SetRunning(true);
    state.UpdateEditState(true);
    EXPECT_EQ((std::vector<std::string>{"edit 1", "edit 2", "edit 2"}), observer.notices);
}

TEST_F(RunState, ProgramStateOfThisProgramOnly)
{
    ProgramStateRecord other;
    other.program = "MAIN2";
    other.compiled = true;
    EXPECT_FALSE(state.TakeProgramState(other));
    EXPECT_EQ(0, buffer.m_compileState);
    EXPECT_TRUE(observer.notices.empty());

    ProgramStateRecord mine;
    mine.program = "main";
    mine.compiled = true;
    mine.mayEdit = 1;
    EXPECT_TRUE(state.TakeProgramState(mine));
    EXPECT_EQ(1, buffer.m_compileState);
    EXPECT_EQ(0, state.GetMayEdit()); // editing while running is not allowed
    mine.compiled = false;
    EXPECT_FALSE(state.TakeProgramState(mine));
    EXPECT_EQ(2, buffer.m_compileState);
    EXPECT_EQ((std::vector<std::string>{"compile 1", "edit 1", "compile 2"}), observer.notices);

    state.SetEditWhileRunning(true, true);
    state.TakeProgramState(mine);
    EXPECT_EQ(1, state.GetMayEdit());
}

TEST_F(RunState, FollowsTheFirstProcessUntilItStops)
{
    auto record = [](const char* program, int stateValue, int process, int line) {
        ProcessStatusRecord r;
        r.program = program;
        r.state = stateValue;
        r.process = process;
        r.line = line;
        return r;
    };
    buffer.m_markedLine = 2;
    EXPECT_FALSE(state.TakeProcessStatus(record("OTHER", kProcessAtLine, 3, 4)));
    EXPECT_EQ(-1, buffer.m_currentLine);
    EXPECT_EQ(2, buffer.m_markedLine);
    EXPECT_TRUE(observer.notices.empty());

    EXPECT_TRUE(state.TakeProcessStatus(record("Main", kProcessAtLine, 3, 4)));
    EXPECT_EQ(3, state.GetFollowedProcess());
    EXPECT_EQ(4, buffer.m_currentLine);
    EXPECT_TRUE(state.IsRunning());
    EXPECT_EQ(-1, buffer.m_markedLine);
    EXPECT_EQ(kEditStateReadOnly, state.GetEditState());
    EXPECT_EQ((std::vector<std::string>{"line 4", "edit 2"}), observer.notices);

    // Another process of the same program is not followed.
    EXPECT_FALSE(state.TakeProcessStatus(record("MAIN", kProcessAtLine, 5, 7)));
    EXPECT_EQ(4, buffer.m_currentLine);

    const struct {
        int stateValue, line, current, followed;
    } steps[] = {
        {kProcessAtLine, -5, 0, 3},  // a negative line counts as 0
        {kProcessAtLine, 10, -1, 3}, // a line the document no longer holds
        {kProcessAtLine, 9, 9, 3},
        {kProcessRunning, 9, -1, 3},
        {2, 6, -1, 3},               // only stored
        {kProcessStopped, 6, -1, -1},
    };
    for (const auto& s : steps) {
        EXPECT_TRUE(state.TakeProcessStatus(record("MAIN", s.stateValue, 3, s.line))) << s.stateValue;
        EXPECT_EQ(s.current, buffer.m_currentLine) << s.stateValue << "," << s.line;
        EXPECT_EQ(s.followed, state.GetFollowedProcess());
        EXPECT_EQ(s.stateValue, state.GetProcessState());
    }
    // Stopped: the next process is followed.
    EXPECT_TRUE(state.TakeProcessStatus(record("MAIN", kProcessAtLine, 5, 1)));
    EXPECT_EQ(5, state.GetFollowedProcess());
}

TEST_F(RunState, TheCurrentLineStaysOnItsLine)
{
    ProcessStatusRecord r;
    r.program = "MAIN";
    r.state = kProcessAtLine;
    r.process = 1;
    r.line = 5;
    state.TakeProcessStatus(r);
    buffer.InsertLine(2, "a=1", false);
    EXPECT_EQ(6, buffer.m_currentLine);
    buffer.InsertLine(7, "b=1", false);
    EXPECT_EQ(6, buffer.m_currentLine);
    buffer.DeleteLine(0, false);
    EXPECT_EQ(5, buffer.m_currentLine);
    EXPECT_EQ("PRINT 5", buffer.GetLineText(buffer.m_currentLine));
    buffer.DeleteLine(5, false);
    EXPECT_EQ(-1, buffer.m_currentLine);
}

TEST_F(RunState, StartupRequest)
{
    EXPECT_EQ(0, state.GetStartupStep());
    EXPECT_EQ(-1, state.GetStartupProcess());
    state.SetStartupRequest(1, 4);
    EXPECT_EQ(1, state.GetStartupStep());
    EXPECT_EQ(4, state.GetStartupProcess());
    state.SetStartupRequest(1, -7);
    EXPECT_EQ(-1, state.GetStartupProcess());
}

} // namespace
} // namespace editor
