// Programs for tests: made through the program store from source lines.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "simulator/runtime/compiler.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/tests/fake_host.h"

inline std::vector<uint8_t> TokenLine(const std::string& text, int mode = 0)
{
    std::vector<uint8_t> tokens(512);
    int32_t error = 0;
    int length = qcrt::TokeniseLine(text, tokens.data(), static_cast<int>(tokens.size()), mode, error);
    EXPECT_EQ(error, 0) << text;
    tokens.resize(static_cast<size_t>(length));
    return tokens;
}

// Creates a program holding exactly these lines and selects it; its
// modified mark is cleared again, so that selecting another program does
// not compile it. A G code program's lines are tokenised as G code. Returns
// its number, or -1.
inline int MakeProgram(const std::string& name, const std::vector<std::string>& lines,
                       int type = qcrt::kProgramTypeBasic)
{
    using namespace qcrt;
    int program = CreateProgram(name, 0);
    if (program < 0 || !SelectProgramNumber(program, 0))
        return -1;
    const int mode = type == kProgramTypeGCode ? kLexerModeGCode : kLexerModeBasic;
    if (type == kProgramTypeGCode)
        SetProgramType(program, type);
    for (size_t n = 0; n < lines.size(); ++n) {
        std::vector<uint8_t> tokens = TokenLine(lines[n], mode);
        int length = static_cast<int>(tokens.size());
        bool stored = n == 0 ? ReplaceLine(FindLine(program, 0), tokens.data(), length, 0, 0)
                             : InsertLine(SourceEnd(program) - 4, tokens.data(), length, 0, 0);
        if (!stored)
            return -1;
    }
    SetModified(program, false);
    return program;
}

// The token bytes of every line of a program.
inline std::vector<std::vector<uint8_t>> ProgramLines(int program)
{
    using namespace qcrt;
    std::vector<std::vector<uint8_t>> lines;
    for (int at = FindLine(program, 0); at >= 0; at = NextLine(program, at)) {
        int length = g_MemoryBase[at + 1];
        lines.emplace_back(g_MemoryBase + at + kLineHeaderSize, g_MemoryBase + at + length);
    }
    return lines;
}

// Runs the first statement of a command line as process 0 on virtual time,
// with axis 0 and slot 0: the result its keyword left and the error it set
// (cleared again). A count outside a keyword's bounds fails already in the
// compiler, with the same error.
struct LineOutcome {
    float result;
    int32_t error;
};
inline LineOutcome RunLine(const std::string& line)
{
    using namespace qcrt;
    std::vector<uint8_t> tokens = TokenLine(line);
    std::vector<uint8_t> code(1024);
    int length = 0;
    ProcessRecord& r = g_ProcessRecords[0];
    r.errorNumber = 0;
    r.result = 0.0f;
    if (CompileCommandLine(tokens.data(), static_cast<int>(tokens.size()), code.data(), static_cast<int>(code.size()),
                           length, 0)) {
        InlineProcess inlineProcess(0);
        int position = 0;
        r.statementAxis = 0;
        r.modifierSlot = 0;
        ExecuteStatement(code.data(), position, length, 0);
    }
    const LineOutcome outcome{r.result, r.errorNumber};
    r.errorNumber = 0;
    return outcome;
}

// A runtime on a fresh fake host with an empty program store: process 0
// prints on channel 0.
class StoreEnvironment : public testing::Test {
protected:
    StoreEnvironment()
    {
        using namespace qcrt;
        InitProcessTable();
        ResetMemory();
        ClearCommandLineVariables();
        g_MemoryLost = false;
        g_ProcessRecords[0].outputChannel = 0;
    }

    // What process 0 printed since the last call.
    std::string Printed() { return DrainOutput(0); }

    RuntimeEnvironment env;
};

// A runtime ready to run programs: the interpreter installed, the power-up
// defaults, a full TABLE, every VR 0 and nothing left to send.
class InterpreterEnvironment : public StoreEnvironment {
protected:
    InterpreterEnvironment()
    {
        using namespace qcrt;
        InstallInterpreter();
        SetAxisDefaults();
        SetSystemDefaults();
        ResetParameterValues();
        SetTableEntriesInUse(kTableEntries);
        std::memset(g_MemoryBase + 780, 0, 4096);
        RunServices(); // the link's first XON
        env.host.TakeWritten(0);
    }
    ~InterpreterEnvironment() override { qcrt::SetParameterReader(nullptr); }
};
