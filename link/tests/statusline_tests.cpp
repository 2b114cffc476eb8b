// The controller's status lines, read into what the project window hears.
#include "link/statusline.h"

#include <gtest/gtest.h>

#include "testsupport/memory_log.h"

namespace {

TEST(StatusLineTest, EveryFormAndItsResult)
{
    using K = StatusLineResult;
    struct Case {
        const char* line;
        K::Kind kind;
        int process, status, line_, error;
        const char* program;
        const char* text;
    };
    const Case cases[] = {
        {"%[Process 2:Line 17] - Paused", K::ProcessStatus, 2, 3, 17, -1, "", ""},
        {"%[Process 4:Line 3] - Released", K::ProcessStatus, 4, 1, 3, -1, "", ""},
        {"%[Process 1:Line 9] (12) - Program is stopped", K::ProcessStatus, 1, 0, 9, -1, "", ""},
        {"%[Process 3:Line 5] (31) - Axis in error", K::ProcessStatus, 3, 0, 5, 31, "", "Axis in error"},
        {"%[Process 1:Program MAIN] - Running", K::ProgramStatus, 1, -1, -1, -1, "MAIN", ""},
        {"%[process 6:program A[1]] - include", K::ProgramStatus, 6, -1, -1, -1, "A[1]", ""},
        {"%[VQE 3] Command not allowed", K::Nothing, -1, -1, -1, -1, "", ""},
        {"%[Error 80] - Directory structure invalid", K::UnknownProgram, -1, -1, -1, -1, "", "Unknown program"},
        {"%[Process 2:Line 17] - Walking", K::Nothing, 2, -1, 17, -1, "", ""},
        {"plain text", K::Nothing, -1, -1, -1, -1, "", ""},
        {"", K::Nothing, -1, -1, -1, -1, "", ""},
    };
    for (const Case& c : cases) {
        const StatusLineResult result = ParseStatusLine(c.line);
        EXPECT_EQ(c.kind, result.kind) << c.line;
        if (c.kind == K::Nothing)
            continue;
        EXPECT_EQ(c.process, result.process) << c.line;
        EXPECT_EQ(c.status, result.status) << c.line;
        EXPECT_EQ(c.line_, result.line) << c.line;
        EXPECT_EQ(c.error, result.error) << c.line;
        EXPECT_EQ(c.program, result.program) << c.line;
        EXPECT_EQ(c.text, result.text) << c.line;
    }
    EXPECT_EQ(StatusLineResult::Nothing, ParseStatusLine(nullptr).kind);
}

TEST(StatusLineTest, EachStepIsLogged)
{
    MemoryLog log(512);
    ParseStatusLine("%[Process 2:Line 17] - Paused");
    EXPECT_TRUE(log.Contains("Parse Status - \"%[Process \" - \"%[Process 2:Line 17] - Paused\" - 0"));
    EXPECT_TRUE(log.Contains("Parse Status - \":Line \" - \":Line 17] - Paused\" - 2"));
    EXPECT_TRUE(log.Contains("Parse Status End"));
}

} // namespace
