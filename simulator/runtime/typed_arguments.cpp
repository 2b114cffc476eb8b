#include "simulator/runtime/typed_arguments.h"

#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

int ReadTypedArguments(const uint8_t* text, int& position, int limit, int process, int expected,
                       const TypedElement* elements, ArgumentValue* values)
{
    if (position >= limit || !IsKeywordToken(text[position])) {
        SetProcessError(process, kErrEvaluation);
        return 0;
    }
    const TokenDescriptor& k = g_Keywords[text[position]];
    ++position;
    if (expected != k.maxArguments) {
        SetProcessError(process, kErrParameterOutOfRange);
        return 0;
    }
    if (position >= limit || text[position] != kTokOpenBracket) {
        if (k.minArguments > 0) {
            SetProcessError(process, kErrCommaExpected);
            return 0;
        }
        return 0;
    }
    ++position;
    int count = 0;
    for (;;) {
        if (count >= expected) {
            SetProcessError(process, kErrCloseBracketExpected);
            return 0;
        }
        const float value = EvaluateExpression(text, position, limit, process);
        if (GetProcessError(process) != 0)
            return 0;
        const TypedElement& e = elements[count];
        ArgumentValue& out = values[count];
        out.integer = TruncateToInt32(value);
        out.value = (e.flags & kTypedInteger) ? static_cast<float>(out.integer) : value;
        if (((e.flags & kTypedLow) && !(out.value >= e.low)) || ((e.flags & kTypedHigh) && !(out.value <= e.high))) {
            SetProcessError(process, kErrParameterOutOfRange);
            return 0;
        }
        ++count;
        const ListStep step = StepListSeparator(text, position, limit, process);
        if (step == ListStep::End)
            break;
        if (step == ListStep::Error)
            return 0;
    }
    if (count < k.minArguments) {
        SetProcessError(process, kErrCommaExpected);
        return 0;
    }
    return count;
}

bool OpenArgumentList(const uint8_t* text, int& position, int limit, int process)
{
    if (position >= limit || text[position] != kTokOpenBracket) {
        SetProcessError(process, kErrCommaExpected);
        return false;
    }
    ++position;
    return true;
}

ListStep StepListSeparator(const uint8_t* text, int& position, int limit, int process)
{
    const uint8_t separator = position < limit ? text[position] : 0;
    ++position;
    if (separator == kTokCloseBracket)
        return ListStep::End;
    if (separator == kTokComma)
        return ListStep::More;
    SetProcessError(process, kErrCloseBracketExpected);
    return ListStep::Error;
}

bool CountInRange(int count, int minimum, int maximum, int process)
{
    if (count < minimum) {
        SetProcessError(process, kErrCommaExpected);
        return false;
    }
    if (count > maximum) {
        SetProcessError(process, kErrCloseBracketExpected);
        return false;
    }
    return true;
}

} // namespace qcrt
