// Expression evaluation: operators, truth values, modifiers and errors.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/tests/store_helpers.h"
#include "simulator/runtime/tokens.h"

using namespace qcrt;

namespace {

class Evaluation : public StoreEnvironment {
protected:
    ~Evaluation() override { SetParameterReader(nullptr); }

    // Compiles "?expression" and evaluates the expression behind PRINT.
    float Evaluate(const std::string& expression, int32_t* error = nullptr)
    {
        std::vector<uint8_t> tokens = TokenLine("?" + expression);
        std::vector<uint8_t> code(512);
        int length = 0;
        EXPECT_TRUE(CompileCommandLine(tokens.data(), static_cast<int>(tokens.size()), code.data(),
                                       static_cast<int>(code.size()), length, 0))
            << expression << ": compile error " << GetProcessError(0);
        int position = 1;
        float value = EvaluateExpression(code.data(), position, length, 0);
        int32_t e = GetProcessError(0);
        if (error) {
            *error = e;
        } else {
            EXPECT_EQ(e, 0) << expression;
        }
        if (e == 0) {
            EXPECT_EQ(code[static_cast<size_t>(position)], kTokColon) << expression << ": stops behind its end";
        }
        EXPECT_EQ(g_ProcessRecords[0].valueDepth, 0) << expression;
        return value;
    }
};

TEST_F(Evaluation, OperatorsAndTruthValues)
{
    struct Case {
        const char* expression;
        float value;
    };
    const Case cases[] = {
        // Comparisons within the tolerance 1.1920929e-6; true is -1.
        {"1 = 1.000001", -1.0f},
        {"1 = 1.00001", 0.0f},
        {"1 <> 1.000001", 0.0f},
        {"1 <> 1.00001", -1.0f},
        {"1 < 1.000001", 0.0f},
        {"1 < 1.00001", -1.0f},
        {"1 <= 1.000001", -1.0f},
        {"1.000001 <= 1", -1.0f},
        {"1.00001 <= 1", 0.0f},
        {"1.000001 > 1", 0.0f},
        {"1.00001 > 1", -1.0f},
        {"1 >= 1.000001", -1.0f},
        {"1 >= 1.00001", 0.0f},
        // MOD truncates both values toward zero; the remainder has the sign of a.
        {"7 MOD 3", 1.0f},
        {"-7 MOD 3", -1.0f},
        {"7 MOD -3", 1.0f},
        {"7.9 MOD 2.5", 1.0f},
        // Bitwise on 32-bit integers.
        {"NOT 0", -1.0f},
        {"NOT 5", -6.0f},
        {"5 AND 3", 1.0f},
        {"5 OR 2", 7.0f},
        {"-1 XOR 1", -2.0f},
        {"2.9 AND 3", 2.0f},
        {"-2.5 AND -1", -2.0f},
        {"NOT -1 = 0", -1.0f}, // NOT binds its operand alone: (NOT -1) = 0
        // Precedence: comparisons bind tighter than AND.
        {"2 > 1 AND 3 > 2", -1.0f},
        {"1 + 2 * 3", 7.0f},
        {"2 - 3 - 4", -5.0f},
        {"2 ^ 10", 1024.0f},
        {"-2 ^ 2", 4.0f},
        {"(1 + 2) * 3", 9.0f},
        {"10 / 4", 2.5f},
        {"TRUE", -1.0f},
        {"PI", 3.1415925f},
        {"$FF", 255.0f},
        {"ON", 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Evaluate(c.expression), c.value) << c.expression;
}

TEST_F(Evaluation, ANaNIsUnequalToEverything)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        uint8_t op;
        float expected; // for NaN against NaN, 0 and 1 alike
    };
    const Case cases[] = {
        {kTokEqual, 0.0f},     {kTokNotEqual, -1.0f}, {kTokLess, 0.0f},
        {kTokLessEqual, 0.0f}, {kTokGreater, 0.0f},   {kTokGreaterEqual, 0.0f},
    };
    for (const Case& c : cases) {
        for (float other : {nan, 0.0f, 1.0f}) {
            EXPECT_EQ(ApplyBinaryOperator(c.op, nan, other, 0), c.expected) << int(c.op) << " against " << other;
            EXPECT_EQ(ApplyBinaryOperator(c.op, other, nan, 0), c.expected) << int(c.op) << " swapped, " << other;
        }
    }
    // Infinity less infinity is a NaN a program can make.
    EXPECT_EQ(Evaluate("(2^200 - 2^200) <> (2^200 - 2^200)"), -1.0f);
    EXPECT_EQ(Evaluate("(2^200 - 2^200) = 0"), 0.0f);
    EXPECT_EQ(GetProcessError(0), 0);
}

TEST_F(Evaluation, ErrorsStopTheEvaluation)
{
    struct Case {
        const char* expression;
        int32_t error;
    };
    const Case cases[] = {
        {"1/0", kErrDivideByZero},       {"1 + 2/(3-3)", kErrDivideByZero},
        {"5 MOD 0.5", kErrDivideByZero}, // 0.5 truncates to 0
        {"1 + INVERTER_READ(1,2,3)", kErrCommaExpected}, // the error a function's handler sets
        {"MPOS", kErrEvaluation},        // no parameter reader
    };
    for (const Case& c : cases) {
        SetProcessError(0, 0);
        int32_t error = 0;
        EXPECT_EQ(Evaluate(c.expression, &error), 0.0f) << c.expression;
        EXPECT_EQ(error, c.error) << c.expression;
    }
}

TEST_F(Evaluation, VariablesAreTheProcessLocals)
{
    Evaluate("a"); // gives a its slot
    int slot = FindVariableSlot(kCommandLineText, "a");
    ASSERT_EQ(slot, 0);
    g_ProcessRecords[0].localValues[slot] = 4.0f;
    EXPECT_EQ(Evaluate("a * 2 + a"), 12.0f);
}

TEST_F(Evaluation, ModifiersChooseTheAxisProcessSlotAndPort)
{
    SetParameterReader([](int row, int process) {
        const ProcessRecord& r = g_ProcessRecords[process];
        return static_cast<float>(row * 1000 + r.statementAxis * 100 + r.modifierProcess * 10 + r.modifierSlot);
    });
    ProcessRecord& r = g_ProcessRecords[0];
    for (int n = 0; n < kBaseListSize; ++n)
        r.baseList[n] = 0;
    r.baseList[0] = 5;
    r.baseList[1] = 3;
    g_HighestAxisInUse = 0;

    auto evaluateFresh = [&](const char* expression) {
        r.statementAxis = 0;
        r.modifierProcess = 0;
        r.modifierSlot = 0;
        return Evaluate(expression);
    };
    EXPECT_EQ(evaluateFresh("MPOS AXIS(3)"), 1100.0f) << "the position of axis 3 in the BASE list";
    EXPECT_EQ(evaluateFresh("MPOS AXIS(7)"), 1000.0f + 2400.0f) << "an axis outside the list stands at 24";
    EXPECT_EQ(g_HighestAxisInUse, 7);
    EXPECT_EQ(evaluateFresh("TICKS PROC(14)"), 37000.0f + 140.0f);
    EXPECT_EQ(evaluateFresh("COMMSTYPE SLOT(3)"), 103000.0f + 3.0f);
    EXPECT_EQ(evaluateFresh("HLM_STATUS PORT(0)"), 116000.0f);

    struct Case {
        const char* expression;
        int32_t error;
    };
    const Case cases[] = {
        {"MPOS AXIS(24)", kErrParameterOutOfRange},      {"MPOS AXIS(-1)", kErrParameterOutOfRange},
        {"TICKS PROC(15)", kErrParameterOutOfRange},     {"COMMSTYPE SLOT(4)", kErrParameterOutOfRange},
        {"HLM_STATUS PORT(1)", kErrParameterOutOfRange},
    };
    for (const Case& c : cases) {
        SetProcessError(0, 0);
        int32_t error = 0;
        Evaluate(c.expression, &error);
        EXPECT_EQ(error, c.error) << c.expression;
    }
}

TEST_F(Evaluation, AMalformedExpressionIsAnErrorNotARead)
{
    const uint8_t code[] = {kTokNumber, 0, 0, 0x80, 0x3F, kTokPlus, kTokEox};
    int position = 0;
    SetProcessError(0, 0);
    EXPECT_EQ(EvaluateExpression(code, position, sizeof code, 0), 0.0f);
    EXPECT_EQ(GetProcessError(0), kErrEvaluation) << "an operator without two operands";

    const uint8_t cut[] = {kTokNumber, 0, 0};
    position = 0;
    SetProcessError(0, 0);
    EvaluateExpression(cut, position, sizeof cut, 0);
    EXPECT_EQ(GetProcessError(0), kErrEvaluation) << "a constant cut short";
    EXPECT_EQ(g_ProcessRecords[0].valueDepth, 0);
}

} // namespace
