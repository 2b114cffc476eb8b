#include "simulator/runtime/evaluator.h"

#include <atomic>
#include <cmath>

#include "simulator/runtime/checksums.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

std::atomic<ParameterReader> g_ParameterReader{nullptr};
std::atomic<ValueFunction> g_ValueFunctions[kKeywordRows];

constexpr int kMaximumBracketArguments = 24;

float Truth(bool condition)
{
    return condition ? -1.0f : 0.0f;
}

float FromInt(int32_t value)
{
    return static_cast<float>(value);
}

bool Pending(const ProcessRecord& record)
{
    return record.errorNumber != 0;
}

} // namespace

void SetParameterReader(ParameterReader reader)
{
    g_ParameterReader.store(reader);
}

void SetValueFunction(int row, ValueFunction function)
{
    if (row < 0 || row >= kKeywordRows)
        return;
    const TokenDescriptor& k = g_Keywords[row];
    if (k.modifierMask != 0 || k.Has(kKwChannel) || k.Has(kKwOwnArguments))
        return;
    g_ValueFunctions[row].store(function);
}

float ApplyUnaryOperator(uint8_t op, float b, int process)
{
    switch (op) {
    case kTokNegate:
        return -b;
    case kTokNot:
        return FromInt(~TruncateToInt32(b));
    default:
        SetProcessError(process, kErrEvaluation);
        return 0.0f;
    }
}

namespace {

// The binary operators, inline in the evaluator's loop.
[[gnu::always_inline]] inline float BinaryOperator(uint8_t op, float a, float b, int process)
{
    const float d = a - b;
    switch (op) {
    case kTokMinus:
        return a - b;
    case kTokPlus:
        return a + b;
    case kTokMultiply:
        return a * b;
    case kTokDivide:
        if (b == 0.0f) {
            SetProcessError(process, kErrDivideByZero);
            return 0.0f;
        }
        return a / b;
    case kTokMod: {
        int32_t divisor = TruncateToInt32(b);
        if (divisor == 0) {
            SetProcessError(process, kErrDivideByZero);
            return 0.0f;
        }
        int32_t dividend = TruncateToInt32(a);
        if (divisor == -1)
            return 0.0f; // the remainder of every integer; INT32_MIN % -1 would trap
        return FromInt(dividend % divisor);
    }
    case kTokPower:
        return std::pow(a, b);
    case kTokEqual:
        return Truth(std::fabs(d) <= kComparisonTolerance);
    case kTokGreater:
        return Truth(d > kComparisonTolerance);
    case kTokGreaterEqual:
        return Truth(d > -kComparisonTolerance);
    case kTokLess:
        return Truth(d < -kComparisonTolerance);
    case kTokLessEqual:
        return Truth(d < kComparisonTolerance);
    case kTokNotEqual:
        // The negation of "=", so that a NaN is unequal to everything.
        return Truth(!(std::fabs(d) <= kComparisonTolerance));
    case kTokAnd:
        return FromInt(TruncateToInt32(a) & TruncateToInt32(b));
    case kTokOr:
        return FromInt(TruncateToInt32(a) | TruncateToInt32(b));
    case kTokXor:
        return FromInt(TruncateToInt32(a) ^ TruncateToInt32(b));
    default:
        SetProcessError(process, kErrEvaluation);
        return 0.0f;
    }
}

// The slot of a plain local variable that is the whole of a bracketed
// argument at pos ("name EOX )"), read as evaluating it would read it; -1 for
// any other argument, which is evaluated as an expression.
int PlainVariableArgument(const ProcessRecord& r, const uint8_t* code, int pos, int limit)
{
    if (pos + 4 >= limit || code[pos] != kTokName || code[pos + 3] != kTokEox || code[pos + 4] != kTokCloseBracket ||
        r.valueDepth >= kValueStackDepth)
        return -1;
    const int slot = code[pos + 1] | (code[pos + 2] << 8);
    return slot < kLocalVariables && (r.localFlags[slot] & 3u) != 3u ? slot : -1;
}

} // namespace

float ApplyBinaryOperator(uint8_t op, float a, float b, int process)
{
    return BinaryOperator(op, a, b, process);
}

float EvaluateExpression(const uint8_t* code, int& position, int limit, int process)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record)
        return 0.0f;
    ProcessRecord& r = *record;
    const int32_t entry = r.valueDepth;
    // The position is kept in a local while the loop runs and written back
    // on every way out; calls that move it get a copy.
    int pos = position;
    auto fail = [&](int32_t error) {
        position = pos;
        if (!Pending(r))
            SetProcessError(process, error);
        r.valueDepth = entry;
        return 0.0f;
    };
    auto push = [&](float value) {
        if (r.valueDepth >= kValueStackDepth) {
            SetProcessError(process, kErrStackOverflow);
            return;
        }
        r.valueStack[r.valueDepth++] = value;
    };
    auto readFloat = [&](float& value) {
        if (pos + 4 > limit)
            return false;
        value = GetFloat(code, pos);
        return true;
    };

    while (!Pending(r)) {
        if (pos < 0 || pos >= limit)
            return fail(kErrEvaluation);
        const uint8_t token = code[pos++];
        if (token == kTokEox) {
            if (r.valueDepth != entry + 1)
                return fail(kErrEvaluation);
            position = pos;
            return r.valueStack[--r.valueDepth];
        }
        if (IsKeywordToken(token)) {
            const ValueFunction function = g_ValueFunctions[token].load(std::memory_order_relaxed);
            if (function && pos + 1 < limit && code[pos] == kTokOpenBracket &&
                code[pos + 1] != kTokCloseBracket) {
                ++pos;
                float argument;
                if (const int slot = PlainVariableArgument(r, code, pos, limit); slot >= 0) {
                    argument = r.localValues[slot];
                    pos += 4;
                } else {
                    int at = pos;
                    argument = EvaluateExpression(code, at, limit, process);
                    pos = at;
                }
                if (Pending(r))
                    return fail(kErrEvaluation);
                if (pos >= limit || code[pos] != kTokCloseBracket)
                    return fail(kErrCloseBracketExpected);
                ++pos;
                r.result = function(argument, process);
                push(r.result);
                continue;
            }
            int at = pos;
            float value = CallKeyword(token, code, at, limit, process);
            pos = at;
            push(value);
            continue;
        }
        switch (token) {
        case kTokNumber:
        case kTokConstant: {
            float value;
            if (!readFloat(value))
                return fail(kErrEvaluation);
            push(value);
            break;
        }
        case kTokName: {
            if (pos + 2 > limit)
                return fail(kErrEvaluation);
            int slot = Get16(code, pos);
            if (slot >= kLocalVariables)
                return fail(kErrEvaluation);
            push((r.localFlags[slot] & 3u) == 3u ? ReadLocal(slot, process) : r.localValues[slot]);
            break;
        }
        case kTokParameter: {
            if (pos >= limit)
                return fail(kErrEvaluation);
            int row = code[pos++];
            if (row >= kParameterRows)
                return fail(kErrEvaluation);
            if (pos < limit && code[pos] == kTokModifier) {
                int at = pos;
                const bool chosen = EvaluateModifier(code, at, limit, process);
                pos = at;
                if (!chosen)
                    break;
            }
            ParameterReader reader = g_ParameterReader.load();
            if (!reader)
                return fail(kErrEvaluation);
            push(reader(row, process));
            break;
        }
        case kTokNegate:
        case kTokNot:
            if (r.valueDepth <= entry)
                return fail(kErrEvaluation);
            r.valueStack[r.valueDepth - 1] = ApplyUnaryOperator(token, r.valueStack[r.valueDepth - 1], process);
            break;
        default:
            if (token < kTokMinus || token > kTokXor)
                return fail(kErrEvaluation);
            if (r.valueDepth < entry + 2)
                return fail(kErrEvaluation);
            {
                float b = r.valueStack[--r.valueDepth];
                float a = r.valueStack[r.valueDepth - 1];
                r.valueStack[r.valueDepth - 1] = BinaryOperator(token, a, b, process);
            }
            break;
        }
    }
    position = pos;
    r.valueDepth = entry;
    return 0.0f;
}

bool EvaluateCallArguments(uint8_t token, const uint8_t* code, int& position, int limit, int process)
{
    if (!IsKeywordToken(token) || g_Keywords[token].maxArguments > kMaximumBracketArguments) {
        SetProcessError(process, kErrTokenDefinition);
        return false;
    }
    return EvaluateArgumentList(code, position, limit, process);
}

bool EvaluateArgumentList(const uint8_t* code, int& position, int limit, int process)
{
    if (position >= limit || code[position] != kTokOpenBracket)
        return true;
    ++position;
    if (position < limit && code[position] == kTokCloseBracket) {
        ++position;
        return true;
    }
    for (;;) {
        float value = EvaluateExpression(code, position, limit, process);
        if (GetProcessError(process) != 0 || !AddArgument(process, value))
            return false;
        if (position >= limit) {
            SetProcessError(process, kErrEvaluation);
            return false;
        }
        uint8_t separator = code[position++];
        if (separator == kTokCloseBracket)
            return true;
        if (separator != kTokComma) {
            SetProcessError(process, kErrCloseBracketExpected);
            return false;
        }
    }
}

float CallKeyword(uint8_t token, const uint8_t* code, int& position, int limit, int process)
{
    ProcessRecord* record = GetProcessRecord(process);
    const TokenDescriptor& k = g_Keywords[token];
    if (!record || !k.handler) {
        SetProcessError(process, kErrEvaluation);
        return 0.0f;
    }
    ProcessRecord& r = *record;
    r.result = 0.0f;
    if (k.Has(kKwOwnArguments)) {
        --position; // the handler starts on its token
        k.handler(code, position, limit, process);
        return r.result;
    }
    if (!PushArgumentFrame(process))
        return 0.0f;
    if (k.Has(kKwChannel) && position < limit && code[position] == kTokHash) {
        ++position;
        r.hashChannel = TruncateToInt32(EvaluateExpression(code, position, limit, process));
    }
    // Quoted names stay in the code for the handler; step over them.
    while (GetProcessError(process) == 0 && position < limit && code[position] == kTokQuotes) {
        ++position;
        while (position < limit && code[position] != kTokQuotes)
            ++position;
        ++position;
        if (position + 1 < limit && code[position] == kTokComma && code[position + 1] == kTokQuotes)
            ++position;
    }
    if (GetProcessError(process) == 0 && EvaluateCallArguments(token, code, position, limit, process) &&
        position < limit && code[position] == kTokModifier)
        EvaluateModifier(code, position, limit, process);
    if (GetProcessError(process) == 0)
        k.handler(code, position, limit, process);
    PopArgumentFrame(process);
    return r.result;
}

bool EvaluateModifier(const uint8_t* code, int& position, int limit, int process)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record || position + 2 >= limit || code[position] != kTokModifier) {
        SetProcessError(process, kErrEvaluation);
        return false;
    }
    ++position;
    int row = code[position++];
    if (row >= kModifierRows || code[position] != kTokOpenBracket) {
        SetProcessError(process, kErrEvaluation);
        return false;
    }
    ++position;
    int32_t n = TruncateToInt32(EvaluateExpression(code, position, limit, process));
    if (GetProcessError(process) != 0)
        return false;
    if (position >= limit || code[position] != kTokCloseBracket) {
        SetProcessError(process, kErrCloseBracketExpected);
        return false;
    }
    ++position;
    ProcessRecord& r = *record;
    switch (row) {
    case kModifierAxis: {
        if (n < 0 || n >= kBaseListSize)
            break;
        if (n > g_HighestAxisInUse)
            g_HighestAxisInUse = n;
        int index = 0;
        while (index < kBaseListSize && r.baseList[index] != n)
            ++index;
        r.statementAxis = index;
        return true;
    }
    case kModifierProc:
        if (n < 0 || n >= kProcessCount)
            break;
        r.modifierProcess = n;
        return true;
    case kModifierSlot:
        if (n < 0 || n > 3)
            break;
        r.modifierSlot = n;
        return true;
    default: // PORT
        if (n != 0)
            break;
        r.modifierPort = n;
        return true;
    }
    SetProcessError(process, kErrParameterOutOfRange);
    return false;
}

} // namespace qcrt
