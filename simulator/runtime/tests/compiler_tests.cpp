// The compiler: command lines and stored programs to code, the link pass and
// the reports.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/tests/store_helpers.h"
#include "simulator/runtime/tests/token_bytes.h"
#include "simulator/runtime/tokens.h"

using namespace qcrt;

namespace {

constexpr int Z = kTokZero;
constexpr int EOX = kTokEox;
constexpr int SEP = kTokColon;

// A number constant, a variable slot and a constant value in code.
TokenBytes& N(TokenBytes& b, float value)
{
    return b.Add(kTokNumber).Add(value);
}

class Compiler : public StoreEnvironment {
protected:
    // The code of a command line; error receives the process's error.
    std::vector<uint8_t> CompileText(const std::string& text, int32_t* error = nullptr)
    {
        std::vector<uint8_t> tokens = TokenLine(text);
        std::vector<uint8_t> code(512);
        int length = 0;
        bool compiled = CompileCommandLine(tokens.data(), static_cast<int>(tokens.size()), code.data(),
                                           static_cast<int>(code.size()), length, 0);
        if (error) {
            *error = GetProcessError(0);
        } else {
            EXPECT_TRUE(compiled) << text << ": error " << GetProcessError(0);
        }
        code.resize(static_cast<size_t>(length));
        return code;
    }

    // Makes and compiles a program; returns its number.
    int CompileLines(const std::vector<std::string>& lines, const std::string& name = "MAIN")
    {
        int program = MakeProgram(name, lines);
        EXPECT_GE(program, 0);
        CompileProgram(program, 0);
        return program;
    }

    std::vector<uint8_t> Code(int program)
    {
        return std::vector<uint8_t>(g_MemoryBase + CodeStart(program), g_MemoryBase + CodeEnd(program));
    }

    // A jump field for a code position (relative to the start of the code).
    Field To(int program, int codePosition) { return Field{CodeStart(program) - SourceStart(program) + codePosition}; }
};

std::vector<uint8_t> Num(float value)
{
    TokenBytes b;
    N(b, value);
    return b.bytes;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(Compiler, CommandLineCode)
{
    using namespace kw;
    const std::vector<uint8_t> a = Bytes(kTokName, 0, 0), b = Bytes(kTokName, 1, 0);
    struct Case {
        std::string text;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        // Multiply binds tighter; equal precedence associates to the left.
        {"?1+2*3", Join({Bytes(PRINT), Num(1), Num(2), Num(3), Bytes(kTokMultiply, kTokPlus, EOX, SEP, Z)})},
        {"?2-3-4", Join({Bytes(PRINT), Num(2), Num(3), Bytes(kTokMinus), Num(4), Bytes(kTokMinus, EOX, SEP, Z)})},
        // NOT's operand first, then AND.
        {"?NOT 1 AND 0", Join({Bytes(PRINT), Num(1), Bytes(kTokNot), Num(0), Bytes(kTokAnd, EOX, SEP, Z)})},
        {"?$1F", Join({Bytes(PRINT), Num(31), Bytes(EOX, SEP, Z)})},
        {"?2>1 AND 3>2", Join({Bytes(PRINT), Num(2), Num(1), Bytes(kTokGreater), Num(3), Num(2),
                               Bytes(kTokGreater, kTokAnd, EOX, SEP, Z)})},
        {"?-2^2", Join({Bytes(PRINT), Num(2), Bytes(kTokNegate), Num(2), Bytes(kTokPower, EOX, SEP, Z)})},
        {"?(1+2)*3", Join({Bytes(PRINT), Num(1), Num(2), Bytes(kTokPlus), Num(3), Bytes(kTokMultiply, EOX, SEP, Z)})},
        {"?7 MOD 2", Join({Bytes(PRINT), Num(7), Num(2), Bytes(kTokMod, EOX, SEP, Z)})},
        {"?ON", Join({Bytes(PRINT, kTokConstant, 1.0f, EOX, SEP, Z)})},
        {"?PI", Join({Bytes(PRINT, kTokConstant, 3.1415925f, EOX, SEP, Z)})},
        // PRINT and its item list, always ended by the separator.
        {"PRINT", Bytes(PRINT, SEP, Z)},
        {"?a;", Join({Bytes(PRINT), a, Bytes(EOX, kTokSemicolon, SEP, Z)})},
        {"?\"x\";a", Join({Bytes(PRINT, kTokQuotes, "x", kTokQuotes, kTokSemicolon), a, Bytes(EOX, SEP, Z)})},
        {"?a[5,2]", Join({Bytes(PRINT), a, Bytes(EOX, kTokOpenSquare), Num(5), Bytes(EOX, kTokComma), Num(2),
                          Bytes(EOX, kTokCloseSquare, SEP, Z)})},
        {"?#1,a", Join({Bytes(PRINT, kTokHash), Num(1), Bytes(EOX, kTokComma), a, Bytes(EOX, SEP, Z)})},
        {"?1 ' note", Join({Bytes(PRINT), Num(1), Bytes(EOX, SEP, Z)})},
        {"PRINT 1:PRINT 2", Join({Bytes(PRINT), Num(1), Bytes(EOX, SEP, PRINT), Num(2), Bytes(EOX, SEP, Z)})},
        // Assignments.
        {"a=1:b=2", Join({a, Bytes(kTokAssign), Num(1), Bytes(EOX, SEP), b, Bytes(kTokAssign), Num(2), Bytes(EOX, Z)})},
        {"a=TRUE", Join({a, Bytes(kTokAssign, kTokConstant, -1.0f, EOX, Z)})},
        {"VR(3)=a",
         Join({Bytes(VR, kTokOpenBracket), Num(3), Bytes(EOX, kTokCloseBracket, kTokAssign), a, Bytes(EOX, Z)})},
        {"SPEED AXIS(1)=5", Join({Bytes(kTokParameter, 10, kTokModifier, 0, kTokOpenBracket), Num(1),
                                  Bytes(EOX, kTokCloseBracket, kTokAssign), Num(5), Bytes(EOX, Z)})},
        {"DATE = 1:2:3",
         Join({Bytes(DATE, kTokAssign), Num(1), Bytes(EOX, SEP), Num(2), Bytes(EOX, SEP), Num(3), Bytes(EOX, Z)})},
        // A one-line IF: the field leads to the end of the line.
        {"IF a THEN b=1", Join({Bytes(IF, Field{19}), a, Bytes(EOX), b, Bytes(kTokAssign), Num(1), Bytes(EOX, Z)})},
        {"FOR a=1 TO 5 STEP 2", Join({Bytes(FOR), a, Bytes(kTokAssign), Num(1), Bytes(EOX, TO), Num(5),
                                      Bytes(EOX, STEP), Num(2), Bytes(EOX, Z)})},
        {"WAIT UNTIL a", Join({Bytes(WAIT, UNTIL, Field{1}), a, Bytes(EOX, Z)})},
        {"RUN \"prog\", 3", Join({Bytes(RUN, kTokQuotes, "prog", kTokQuotes, kTokComma), Num(3), Bytes(EOX, Z)})},
        {"INPUT #2, a, b",
         Join({Bytes(128, kTokHash), Num(2), Bytes(EOX, kTokComma), a, Bytes(kTokComma), b, Bytes(Z)})},
        // A line number alone executes nothing.
        {"100", Bytes(Z)},
        {"100 a=1", Join({Bytes(kTokLabel), a, Bytes(kTokAssign), Num(1), Bytes(EOX, Z)})},
    };
    for (const Case& c : cases) {
        ClearCommandLineVariables();
        EXPECT_EQ(Show(CompileText(c.text)), Show(c.expected)) << c.text;
    }
}

TEST_F(Compiler, NumberTexts)
{
    struct Case {
        const char* text;
        float value;
    };
    const Case cases[] = {
        {"1.5", 1.5f},    {"2.5E1", 25.0f}, {"3E2", 300.0f},
        {"7.", 7.0f},     {"0.1", 0.1f},    {"-4", -4.0f},
        {"1e-3", 0.001f}, {".5", 0.5f},     {"123456789", 123456792.0f},
        {"", 0.0f},       {"E5", 0.0f}, // no digit before the exponent
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseNumber(c.text), c.value) << c.text;
    EXPECT_TRUE(std::isinf(ParseNumber("1E60")));
}

TEST_F(Compiler, CommandLineErrors)
{
    const std::string nested21 = "?" + std::string(21, '(') + "1" + std::string(21, ')');
    // Three operators wait at each of seven bracket levels: 21 in all.
    std::string chain21 = "?";
    for (int n = 0; n < 7; ++n)
        chain21 += "1 AND 1=1+(";
    chain21 += "1" + std::string(7, ')');
    struct Case {
        std::string text;
        int32_t error;
    };
    const Case cases[] = {
        {"WEND", kErrWendWithoutWhile},
        {"UNTIL a", kErrUntilWithoutRepeat},
        {"WAIT 5", kErrWaitForm},
        {"ELSE", kErrElseWithoutIf},
        {"ENDIF", kErrRuntimeOnly},
        {"FOR i 1 TO 5", kErrAssignmentExpected},
        {"FOR i=1,5", kErrToExpected},
        {"NEXT", kErrIdentifierExpected},
        {"FOR MPOS=1 TO 2", kErrReadOnly},
        {"a", kErrCommandNotRecognized},
        {"~", kErrCommandNotRecognized},
        {"1.5", kErrLineNumberPoint},
        {"TIME=12:30", kErrParameterOutOfRange},
        {"TIME", kErrReadOnly},
        {"DAY 3", kErrReadOnly},
        {"PRINT #1 a", kErrCommaExpected},
        {"IF a", kErrThenExpected},
        {"IF a THEN", kErrStructureNesting}, // a block left open on the command line
        {"IF a THEN IF b THEN c=1", kErrNestedOneLineIf},
        {"IF a THEN b=1 ELSE b=2", kErrCommandOutOfContext},
        {"IF a THEN x: b=1", kErrLabelNotAtStart},
        {"a=1: lbl: b=2", kErrLabelNotAtStart},
        {"THEN", kErrCommandOutOfContext},
        {"x=1 2", kErrExtraCharacters},
        {"?(1", kErrCloseBracketExpected},
        {"?1+", kErrOperandExpected},
        {"?COPY", kErrOperandExpected},
        {"a$=1", kErrInvalidDollar},
        {"COPY \"abcdefghijklmnop\",\"b\"", kErrStringTooLong},
        {"COPY \"a\" 5", kErrCommaExpected}, // texts may stand apart by a blank, not by a number
        {"COPY", kErrQuotesExpected},
        {"MPOS=1", kErrReadOnly},
        {"?AOUT0", kErrReservedKeyword},
        {"?VERSION AXIS(0)", kErrModifierNotAllowed},
        {"?ABS", kErrStartOfExpression},
        {"?ABS(1,2)", kErrCloseBracketExpected},
        {"?ATAN2(1)", kErrCommaExpected},
        {"VR(1) 5", kErrAssignmentExpected},
        {"LINPUT a", kErrVrExpected},
        {"GOTO x", kErrRuntimeOnly},
        {nested21, kErrTooManyOperands},
        {chain21, kErrStackOverflow},
    };
    for (const Case& c : cases) {
        ClearCommandLineVariables();
        int32_t error = 0;
        CompileText(c.text, &error);
        EXPECT_EQ(error, c.error) << c.text;
    }
    // A word before ":" that is not the first item of its statement is no
    // label: these lines compile.
    for (const char* text : {"?a:?b", "FOR ii=1 TO 3:?ii[0];:NEXT ii:?", "aa=5:GET aa:?aa", "WAIT UNTIL a:?1"}) {
        ClearCommandLineVariables();
        int32_t error = -1;
        CompileText(text, &error);
        EXPECT_EQ(error, 0) << text;
    }
    int32_t error = -1;
    CompileText("?" + std::string(20, '(') + "1" + std::string(20, ')'), &error);
    EXPECT_EQ(error, 0) << "20 nested operands are allowed";
}

TEST_F(Compiler, VariablesKeepTheirSlotsAcrossCommandLines)
{
    CompileText("alpha=1");
    CompileText("beta=2");
    EXPECT_EQ(Show(CompileText("?alpha+beta")),
              Show(Bytes(kw::PRINT, kTokName, 0, 0, kTokName, 1, 0, kTokPlus, EOX, SEP, Z)));
    EXPECT_EQ(FindVariableSlot(kCommandLineText, "beta"), 1);
    EXPECT_EQ(Show(CompileText("a_name_longer_than_15=1")), Show(CompileText("a_name_longer_than_15_too=1")))
        << "names count by their first 15 characters";
}

TEST_F(Compiler, IfElseEndIf)
{
    using namespace kw;
    int p = CompileLines({"IF a THEN", "b=1", "ELSE", "b=2", "ENDIF"});
    ASSERT_TRUE(HasCode(p)) << Printed();
    const std::vector<uint8_t> a = Bytes(kTokName, 0, 0), b = Bytes(kTokName, 1, 0);
    EXPECT_EQ(Show(Code(p)), Show(Join({Bytes(LineNumber{1}, IF, To(p, 35)), a, Bytes(EOX, Z),             // 0..12
                                        Bytes(LineNumber{2}), b, Bytes(kTokAssign), Num(1), Bytes(EOX, Z), // 13..26
                                        Bytes(LineNumber{3}, ELSE, To(p, 54), Z),                          // 27..35
                                        Bytes(LineNumber{4}), b, Bytes(kTokAssign), Num(2), Bytes(EOX, Z), // 36..49
                                        Bytes(LineNumber{5}, ENDIF, Z)})));                                // 50..54
}

TEST_F(Compiler, ElseIfChains)
{
    using namespace kw;
    int p = CompileLines({"IF a THEN", "b=1", "ELSEIF c THEN", "b=2", "ENDIF"});
    ASSERT_TRUE(HasCode(p)) << Printed();
    const std::vector<uint8_t> a = Bytes(kTokName, 0, 0), b = Bytes(kTokName, 1, 0), c = Bytes(kTokName, 2, 0);
    EXPECT_EQ(Show(Code(p)), Show(Join({Bytes(LineNumber{1}, IF, To(p, 35)), a, Bytes(EOX, Z), Bytes(LineNumber{2}), b,
                                        Bytes(kTokAssign), Num(1), Bytes(EOX, Z),
                                        // ELSEIF becomes ELSE and its field, ELSEIF and its field.
                                        Bytes(LineNumber{3}, ELSE, To(p, 63), ELSEIF, To(p, 63)), c, Bytes(EOX, Z),
                                        Bytes(LineNumber{4}), b, Bytes(kTokAssign), Num(2), Bytes(EOX, Z),
                                        Bytes(LineNumber{5}, ENDIF, Z)})));
}

TEST_F(Compiler, WhileWendAndRepeatUntil)
{
    using namespace kw;
    int p = CompileLines({"WHILE a", "a=a-1", "WEND"});
    const std::vector<uint8_t> a = Bytes(kTokName, 0, 0);
    EXPECT_EQ(Show(Code(p)), Show(Join({Bytes(LineNumber{1}, WHILE, To(p, 39)), a, Bytes(EOX, Z), Bytes(LineNumber{2}),
                                        a, Bytes(kTokAssign), a, Num(1), Bytes(kTokMinus, EOX, Z),
                                        // WEND leads back to the WHILE token.
                                        Bytes(LineNumber{3}, WEND, To(p, 3), Z)})));

    int q = CompileLines({"REPEAT", "a=a+1", "UNTIL a>3"}, "LOOP");
    EXPECT_EQ(Show(Code(q)),
              Show(Join({Bytes(LineNumber{1}, Z), // REPEAT leaves no code
                         Bytes(LineNumber{2}), a, Bytes(kTokAssign), a, Num(1), Bytes(kTokPlus, EOX, Z),
                         Bytes(LineNumber{3}, UNTIL, To(q, 3)), a, Num(3), Bytes(kTokGreater, EOX, Z)})));
}

TEST_F(Compiler, OnGotoAndLabelsAreLinkedToTheirPositions)
{
    using namespace kw;
    int p = CompileLines({"ON x GOTO a, b", "a: x=1", "b: x=2"});
    const std::vector<uint8_t> x = Bytes(kTokName, 0, 0);
    EXPECT_EQ(Show(Code(p)),
              Show(Join({Bytes(LineNumber{1}, ON, To(p, 23)), x,
                         Bytes(EOX, GOTO, kTokLabel, To(p, 27), kTokLabel, To(p, 42), Z),
                         Bytes(LineNumber{2}, kTokLabel), x, Bytes(kTokAssign), Num(1), Bytes(EOX, Z),
                         Bytes(LineNumber{3}, kTokLabel), x, Bytes(kTokAssign), Num(2), Bytes(EOX, Z)})));

    // A line of labels alone leaves no code: its label leads to the next
    // line's first statement. Line numbers are labels too.
    int q = CompileLines({"top:", "a=1", "GOTO top", "10 GOSUB 10"}, "JUMPS");
    const std::vector<uint8_t> a = Bytes(kTokName, 0, 0);
    EXPECT_EQ(Show(Code(q)), Show(Join({Bytes(LineNumber{2}), a, Bytes(kTokAssign), Num(1), Bytes(EOX, Z), // 0..13
                                        Bytes(LineNumber{3}, GOTO, kTokLabel, To(q, 3), Z),                // 14..23
                                        Bytes(LineNumber{4}, kTokLabel, GOSUB, kTokLabel, To(q, 27), Z)})));
}

TEST_F(Compiler, ReportsOfTheCompileAndTheLinkPass)
{
    int p = CompileLines({"a=1", "GOTO finish", "finish:"});
    EXPECT_TRUE(HasCode(p));
    EXPECT_EQ(Printed(), "Compiling MAIN\r\nLinking MAIN\r\nPass=1\rPass=2\r");

    struct Case {
        std::vector<std::string> lines;
        int32_t error;
        std::string report;
    };
    const Case cases[] = {
        {{"a=1", "b=2", "c=3", "d=4", "IF a THEN"},
         kErrStructureNesting,
         "Compiling MAIN\r\n%[COMPILE Line 5 Program MAIN] (39) - Structure nesting error\r\n"},
        {{"start:", "a=1", "start: b=2"},
         kErrDuplicateIdentifier,
         "Compiling MAIN\r\nLinking MAIN\r\nPass=1\r%[LINK Line 3] (28) - Duplicate identifier\r\n"},
        {{"a=1", "GOTO nowhere"},
         kErrLabelNotFound,
         "Compiling MAIN\r\nLinking MAIN\r\nPass=1\rPass=2\r%[LINK Line 2] (53) - LABEL not found\r\n"},
        {{"a=1", "COMPILE"},
         kErrCommandLineOnly,
         "Compiling MAIN\r\n%[COMPILE Line 2 Program MAIN] (24) - Command is command line only\r\n"},
        {{"GOTO"}, kErrLabelExpected, ""},
        {{"GOTO a$"}, kErrInvalidDollar, ""},
        {{"ON x PRINT"}, kErrGotoGosubExpected, ""},
        {{"ON x GOSUB"}, kErrLabelExpected, ""},
        {{"IF a THEN", "ELSE", "ELSE", "ENDIF"}, kErrElseWithoutIf, ""},
        {{"a=1", "ENDIF"}, kErrElseWithoutIf, ""},
        {{"WHILE a", "ELSE", "WEND"}, kErrElseWithoutIf, ""}, // an ELSE never closes a WHILE
    };
    for (const Case& c : cases) {
        ResetMemory();
        int q = CompileLines(c.lines);
        EXPECT_EQ(GetProcessError(0), c.error) << c.lines.back();
        EXPECT_FALSE(HasCode(q)) << "a failed compile leaves no code";
        std::string printed = Printed();
        if (!c.report.empty()) {
            EXPECT_EQ(printed, c.report);
        }
    }

    g_ProcessRecords[0].outputChannel = 8;
    ResetMemory();
    CompileLines({"a=1"});
    EXPECT_EQ(DrainOutput(8), "") << "no progress lines for the development environment's channel";
}

TEST_F(Compiler, TheOpenStructureThat1024NestedBlocksWouldNeedIsRefused)
{
    std::vector<std::string> lines(1023, "REPEAT");
    int p = CompileLines(lines);
    EXPECT_EQ(GetProcessError(0), kErrStructureNesting) << "1023 open blocks compile, then stay open";
    Printed();
    ResetMemory();
    lines.push_back("WHILE 1");
    p = CompileLines(lines);
    EXPECT_EQ(GetProcessError(0), kErrTooManyStructures);
    EXPECT_FALSE(HasCode(p));
    EXPECT_NE(Printed().find("%[COMPILE Line 1024 Program MAIN] (38)"), std::string::npos);
}

TEST_F(Compiler, IncludedProgramsAreCompiledInPlace)
{
    using namespace kw;
    int lib = MakeProgram("LIB", {"x=5"});
    int main = CompileLines({"INCLUDE \"lib\"", "y=1"});
    ASSERT_TRUE(HasCode(main)) << Printed();
    EXPECT_EQ(Show(Code(main)), Show(Join({Bytes(LineNumber{1}, INCLUDE, Field{0}, kTokQuotes, "lib", kTokQuotes),
                                           Bytes(LineNumber{1}, kTokName, 0, 0, kTokAssign), Num(5), Bytes(EOX, Z, Z),
                                           Bytes(LineNumber{2}, kTokName, 1, 0, kTokAssign), Num(1), Bytes(EOX, Z)})));
    EXPECT_TRUE(IncludeBit(main, lib));
    int found = 0;
    EXPECT_EQ(FindCodeLine(0, main, 2, found) - CodeStart(main), 28) << "included lines are no lines of MAIN";
    EXPECT_EQ(found, 2);
    Printed();

    struct Case {
        std::vector<std::string> lines;
        int32_t error;
    };
    const Case cases[] = {
        {{"INCLUDE \"lib\"", "?x"}, kErrOutsideInclude},  // the included text's name
        {{"x=1", "INCLUDE \"lib\""}, kErrOutsideInclude}, // a name defined before the INCLUDE
        {{"IF a THEN", "INCLUDE \"lib\"", "ENDIF"}, kErrStructureNesting},
        {{"INCLUDE \"none\""}, kErrProgramNotFound},
        {{"INCLUDE \"inner\""}, kErrTooManyStructures}, // INNER includes LIB
        {{"INCLUDE \"gcode\""}, kErrInvalidProgramType},
    };
    for (const Case& c : cases) {
        ResetMemory();
        MakeProgram("LIB", {"x=5"});
        MakeProgram("INNER", {"INCLUDE \"lib\""});
        SetProgramType(MakeProgram("GCODE", {""}), kProgramTypeGCode);
        int q = CompileLines(c.lines);
        EXPECT_EQ(GetProcessError(0), c.error) << c.lines.back();
        EXPECT_FALSE(HasCode(q));
        Printed();
    }
}

TEST_F(Compiler, BreakpointsAndCodeLines)
{
    int p = MakeProgram("MAIN", {"a=1", "", "b=2", "lbl:"});
    for (int line = 0; line < 4; ++line)
        g_MemoryBase[FindLine(p, line) + 2] |= 0x80;
    ASSERT_TRUE(CompileProgram(p, 0)) << Printed();
    EXPECT_EQ(g_MemoryBase[FindLine(p, 0) + 2], 0x80);
    EXPECT_EQ(g_MemoryBase[FindLine(p, 1) + 2], 0) << "a line without statements loses its mark";
    EXPECT_EQ(g_MemoryBase[FindLine(p, 2) + 2], 0x80);
    EXPECT_EQ(g_MemoryBase[FindLine(p, 3) + 2], 0) << "so does a line of labels";

    int position = 0;
    EXPECT_EQ(NextBreakpointLine(0, p, position, false), 0x800001u);
    EXPECT_EQ(position, CodeStart(p));
    EXPECT_EQ(NextBreakpointLine(0, p, position, true), 0x800001u);
    EXPECT_EQ(position, CodeStart(p) + 3);
    EXPECT_EQ(NextBreakpointLine(0, p, position, true), 0x800003u);
    EXPECT_EQ(NextBreakpointLine(0, p, position, true), 0u);

    int found = 0;
    EXPECT_EQ(FindCodeLine(0, p, 2, found), CodeStart(p) + 14);
    EXPECT_EQ(found, 3) << "line 2 has no code";
    EXPECT_EQ(FindCodeLine(0, p, 9, found), -1);

    DiscardCode(p);
    SetProcessError(0, 0);
    EXPECT_EQ(FindCodeLine(0, p, 1, found), -1);
    EXPECT_EQ(GetProcessError(0), kErrNoCode);
}

TEST_F(Compiler, PowerUpCompileAndTheProgramsThatNeedCompiling)
{
    int good = MakeProgram("GOOD", {"a=1"});
    int bad = MakeProgram("BAD", {"IF a THEN"});
    int gcode = MakeProgram("GCODE", {"G01 X1"});
    SetProgramType(good, kProgramTypeBasic);
    SetProgramType(bad, kProgramTypeBasic);
    SetProgramType(gcode, kProgramTypeGCode);
    g_ProcessRecords[0].outputChannel = 8;

    EXPECT_FALSE(CompileAllPrograms(0));
    EXPECT_EQ(GetProcessError(0), 0) << "each error is cleared once noted";
    EXPECT_TRUE(HasCode(good));
    EXPECT_FALSE(HasCode(bad));
    EXPECT_FALSE(HasCode(gcode)) << "only BASIC programs are compiled";
    EXPECT_EQ(DrainOutput(8), "%[COMPILE Line 1 Program BAD] (39) - Structure nesting error\r\n");

    // An edited program loses its code and is compiled when another program
    // is selected.
    ASSERT_TRUE(SelectProgram("GOOD", 0));
    std::vector<uint8_t> tokens = TokenLine("a=2");
    ASSERT_TRUE(ReplaceLine(FindLine(good, 0), tokens.data(), static_cast<int>(tokens.size()), 0, 0));
    EXPECT_FALSE(HasCode(good));
    EXPECT_TRUE(IsModified(good));
    ASSERT_TRUE(SelectProgram("BAD", 0));
    EXPECT_TRUE(HasCode(good));

    // A program that includes an edited program is compiled again before
    // it runs.
    int lib = MakeProgram("LIB", {"x=5"});
    int main = MakeProgram("MAIN", {"INCLUDE \"lib\""});
    SetProgramType(lib, kProgramTypeBasic);
    SetProgramType(main, kProgramTypeBasic);
    ASSERT_TRUE(CompileProgram(main, 0));
    SetModified(lib, true);
    EXPECT_TRUE(PrepareProgramToRun(main, 0));
    EXPECT_FALSE(HasCode(main));
    EXPECT_FALSE(IncludeBit(main, lib));
    EXPECT_FALSE(IsModified(lib));
    EXPECT_EQ(CheckMemory(), 1);
}

} // namespace
