#include "simulator/runtime/compiler.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "simulator/runtime/checksums.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

struct StructureEntry {
    int32_t kind;  // the class of the keyword that opened it: 3, 6, 19 or 21
    int32_t field; // its pending jump field (REPEAT: the loop start)
    int32_t elseSeen;
};

struct VariableEntry {
    std::string name; // at most kNameLength characters
    int32_t slot;
    int32_t owner; // the program whose text defined it (kCommandLineText)
    int32_t line;  // the line it first appears on
};

struct LabelEntry {
    std::string name;
    int32_t position; // code position
    int32_t line;
};

// What a compiled program keeps for later: its variables (the binding at
// program start needs them) and the positions of its compiled lines,
// relative to its source start.
struct CompiledProgram {
    std::vector<VariableEntry> variables;
    std::vector<int32_t> lines;
};

CompiledProgram g_Compiled[kProgramCount];
std::vector<VariableEntry> g_CommandLineVariables;
DeclarationLookup g_DeclarationLookup = nullptr;

// The compile state of one process. The structure stack is shared by the
// compile of a whole text, INCLUDEd programs included.
struct CompileState {
    uint8_t operators[kOperatorStackDepth];
    int operatorDepth = 0;
    int operandNesting = 0;
    StructureEntry structures[kStructureDepth];
    int structureDepth = 0;
    int includeDepth = 0;
    int compiledProgram = kCommandLineText; // the program whose code is written
    int currentProgram = kCommandLineText;  // the program whose text is read
    int lineCounter = 0;
    std::vector<VariableEntry>* variables = nullptr;
    std::vector<LabelEntry> definitions;
    std::vector<LabelEntry> references; // position: the jump field
    std::vector<int32_t>* lines = nullptr;

    void Reset()
    {
        operatorDepth = 0;
        operandNesting = 0;
        structureDepth = 0;
        includeDepth = 0;
        definitions.clear();
        references.clear();
    }
};

CompileState g_States[kProcessCount + 1];

CompileState& StateOf(int process)
{
    return (process >= 0 && process < kProcessCount) ? g_States[process] : g_States[kProcessCount];
}

uint8_t Precedence(uint8_t op)
{
    switch (op) {
    case kTokPower:
        return 0;
    case kTokMultiply:
    case kTokDivide:
        return 1;
    case kTokMod:
        return 2;
    case kTokMinus:
    case kTokPlus:
        return 3;
    case kTokAnd:
    case kTokOr:
    case kTokXor:
        return 5;
    default:
        return 4; // the comparisons
    }
}

// The operator a token stands for in an expression, or 0.
uint8_t OperatorOf(uint8_t token)
{
    if (token >= kTokMinus && token <= kTokXor && token != kTokMod)
        return token;
    if (IsKeywordToken(token) && g_Keywords[token].Has(kKwOperator)) {
        switch (g_Keywords[token].classCode) {
        case kClassAnd:
            return kTokAnd;
        case kClassOr:
            return kTokOr;
        case kClassXor:
            return kTokXor;
        case kClassNot:
            return kTokNot;
        case kClassMod:
            return kTokMod;
        default:
            break;
        }
    }
    return 0;
}

int32_t ClassOf(uint8_t token)
{
    return IsKeywordToken(token) ? g_Keywords[token].classCode : -1;
}

std::string NameKey(std::string_view name)
{
    return std::string(name.substr(0, kNameLength));
}

// Compiles the statements of one token line.
class LineCompiler {
public:
    LineCompiler(CompileState& state, int process, const uint8_t* tokens, int position, int end, uint8_t* code,
                 int codePosition, int codeLimit, int base, int programMode)
        : m_state(state), m_process(process), m_tokens(tokens), m_pos(position), m_end(end), m_code(code),
          m_codePos(codePosition), m_codeLimit(codeLimit), m_base(base), m_programMode(programMode)
    {
    }

    // Returns true when the line holds at least one statement. A line of
    // labels alone leaves no code; its definitions then stand for the
    // position at which the line began.
    bool CompileLine();

    int CodePosition() const { return m_codePos; }
    int32_t Error() const { return m_error; }

private:
    CompileState& m_state;
    int m_process;
    const uint8_t* m_tokens;
    int m_pos;
    int m_end;
    uint8_t* m_code;
    int m_codePos;
    int m_codeLimit;
    int m_base;
    int m_programMode;
    int32_t m_error = 0;
    bool m_endsWithSeparator = false; // the statement's code ends with kTokColon (PRINT)

    bool Failed() const { return m_error != 0; }

    void Fail(int32_t error)
    {
        if (m_error == 0) {
            m_error = error;
            SetProcessError(m_process, error);
        }
    }

    uint8_t Peek(int ahead = 0) const
    {
        int p = m_pos + ahead;
        return p < m_end ? m_tokens[p] : kTokZero;
    }

    void SkipSpaces()
    {
        while (Peek() == kTokSpace)
            ++m_pos;
    }

    // The text behind a token, up to and past its NUL.
    std::string ReadText()
    {
        std::string text;
        while (m_pos < m_end && m_tokens[m_pos] != 0)
            text += static_cast<char>(m_tokens[m_pos++]);
        ++m_pos;
        return text;
    }

    void Emit(uint8_t byte)
    {
        if (m_codePos >= m_codeLimit) {
            Fail(kErrOutOfMemory);
            return;
        }
        m_code[m_codePos++] = byte;
    }

    void Emit32(int32_t value)
    {
        for (int n = 0; n < 4; ++n)
            Emit(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * n)));
    }

    void EmitFloat(float value) { Emit32(std::bit_cast<int32_t>(value)); }

    // A jump field still to be filled; returns its position.
    int EmitField()
    {
        int field = m_codePos;
        Emit32(0);
        return field;
    }

    // Writes a jump field that leads to target.
    void FillField(int field, int target)
    {
        if (field < 0 || field + 4 > m_codeLimit)
            return;
        int at = field;
        Put32(m_code, at, target - m_base);
    }

    void Nest()
    {
        if (++m_state.operandNesting > kOperandNesting)
            Fail(kErrTooManyOperands);
    }

    void Unnest() { --m_state.operandNesting; }

    bool PushStructure(int32_t kind, int32_t field)
    {
        if (m_state.structureDepth >= kStructureDepth) {
            Fail(kErrTooManyStructures);
            return false;
        }
        m_state.structures[m_state.structureDepth++] = {kind, field, 0};
        return true;
    }

    StructureEntry* Innermost()
    {
        return m_state.structureDepth > 0 ? &m_state.structures[m_state.structureDepth - 1] : nullptr;
    }

    // The innermost structure when it is an IF or ELSEIF branch that has
    // not seen its ELSE; otherwise error 40 and null.
    StructureEntry* OpenIfBranch()
    {
        StructureEntry* entry = Innermost();
        if (!entry || (entry->kind != kClassIf && entry->kind != kClassElseIf) || entry->elseSeen) {
            Fail(kErrElseWithoutIf);
            return nullptr;
        }
        return entry;
    }

    void CompileExpression();
    bool CompileAssignment(int32_t missingEqualError);
    bool CopyString(int& length);
    void CompileExpressionBody();
    void CompileOperand();
    void CompileReference();
    void CompileOptionalModifier(uint32_t allowed);
    void CompileBracketArguments(int minimum, int maximum);
    void CompileCommandArguments(int minimum, int maximum, bool afterQuoted);
    int CompileQuotedArguments(const TokenDescriptor& keyword);
    void CompileVariable();
    void CompileStatement();
    void CompileLabelDefinition();
    void CompileKeywordForm(uint8_t token, int tokenCode);
    void CompileLoopVariable();
    void CompileChannelComma(int tokenCode);
    void CompileThen();
    void CompilePrint(int tokenCode);
    void CompileOn();
    bool CompileLabelReference(bool required);
    void CompileInclude(int tokenCode);
    void CloseOneLineIf();
};

void LineCompiler::CompileExpression()
{
    CompileExpressionBody();
    if (Failed())
        return;
    Emit(kTokEox);
    if (Peek() == kTokComment) {
        ++m_pos;
        ReadText();
    }
}

// "=" becomes the assignment code, then the value.
bool LineCompiler::CompileAssignment(int32_t missingEqualError)
{
    SkipSpaces();
    if (Peek() != kTokEqual) {
        Fail(missingEqualError);
        return false;
    }
    ++m_pos;
    Emit(kTokAssign);
    CompileExpression();
    return !Failed();
}

// A string with its quote codes; a line that ends first is error 6.
bool LineCompiler::CopyString(int& length)
{
    Emit(kTokQuotes);
    ++m_pos;
    length = 0;
    while (Peek() != kTokQuotes) {
        if (Peek() == kTokZero) {
            Fail(kErrQuotesExpected);
            return false;
        }
        Emit(Peek());
        ++m_pos;
        ++length;
    }
    Emit(kTokQuotes);
    ++m_pos;
    return !Failed();
}

// Shunting-yard over the token line; no end token (a bracketed operand is a
// part of the expression around it).
void LineCompiler::CompileExpressionBody()
{
    const int entry = m_state.operatorDepth;
    for (;;) {
        CompileOperand();
        if (Failed())
            break;
        if (Peek() == kTokSpace)
            ++m_pos;
        uint8_t token = Peek();
        uint8_t op = token == kTokComment ? 0 : OperatorOf(token);
        if (op == 0)
            break;
        ++m_pos;
        while (m_state.operatorDepth > entry &&
               Precedence(m_state.operators[m_state.operatorDepth - 1]) <= Precedence(op))
            Emit(m_state.operators[--m_state.operatorDepth]);
        if (m_state.operatorDepth >= kOperatorStackDepth) {
            Fail(kErrStackOverflow);
            break;
        }
        m_state.operators[m_state.operatorDepth++] = op;
    }
    while (m_state.operatorDepth > entry) {
        uint8_t op = m_state.operators[--m_state.operatorDepth];
        if (!Failed())
            Emit(op);
    }
}

void LineCompiler::CompileOperand()
{
    SkipSpaces();
    uint8_t token = Peek();
    if (IsKeywordToken(token)) {
        const TokenDescriptor& k = g_Keywords[token];
        if (!k.Has(kKwFunction)) {
            Fail(kErrOperandExpected);
            return;
        }
        if (k.classCode == kClassNot) {
            ++m_pos;
            Nest();
            if (!Failed())
                CompileOperand();
            Unnest();
            Emit(kTokNot);
        } else if (k.classCode == kClassOn) {
            ++m_pos;
            Emit(kTokConstant);
            EmitFloat(1.0f);
        } else {
            Nest();
            if (!Failed())
                CompileReference();
            Unnest();
        }
        return;
    }
    switch (token) {
    case kTokOn:
        ++m_pos;
        Emit(kTokConstant);
        EmitFloat(1.0f);
        return;
    case kTokMinus:
        ++m_pos;
        Nest();
        if (!Failed())
            CompileOperand();
        Unnest();
        Emit(kTokNegate);
        return;
    case kTokOpenBracket:
        ++m_pos;
        Nest();
        if (!Failed())
            CompileExpressionBody();
        Unnest();
        if (Failed())
            return;
        SkipSpaces();
        if (Peek() != kTokCloseBracket) {
            Fail(kErrCloseBracketExpected);
            return;
        }
        ++m_pos;
        return;
    case kTokNumber: {
        ++m_pos;
        std::string text = ReadText();
        Emit(kTokNumber);
        EmitFloat(ParseNumber(text));
        return;
    }
    case kTokHex: {
        ++m_pos;
        uint32_t value = 0;
        for (char c : ReadText()) {
            int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        Emit(kTokNumber);
        EmitFloat(static_cast<float>(value));
        return;
    }
    case kTokName:
    case kTokParameter:
    case kTokConstant:
        CompileReference();
        return;
    default:
        Fail(kErrOperandExpected);
        return;
    }
}

// Copies the token and its reference form: a keyword with its channel,
// quoted names, arguments and modifier; a variable's slot; a parameter with
// its modifier; a modifier with its arguments; a constant's value; a label
// (stepped over).
void LineCompiler::CompileReference()
{
    uint8_t token = Peek();
    Emit(token);
    ++m_pos;
    if (IsKeywordToken(token)) {
        const TokenDescriptor& k = g_Keywords[token];
        if (k.Has(kKwChannel)) {
            SkipSpaces();
            if (Peek() == kTokHash) {
                Emit(kTokHash);
                ++m_pos;
                CompileExpression();
            }
        }
        int quoted = 0;
        if (!Failed() && (k.minQuoted > 0 || k.maxQuoted > 0))
            quoted = CompileQuotedArguments(k);
        if (Failed())
            return;
        if (k.Has(kKwBracketed))
            CompileBracketArguments(k.minArguments, k.maxArguments);
        else
            CompileCommandArguments(k.minArguments, k.maxArguments, quoted > 0);
        if (!Failed())
            CompileOptionalModifier(k.modifierMask);
        return;
    }
    switch (token) {
    case kTokName:
        CompileVariable();
        return;
    case kTokParameter: {
        uint8_t row = Peek();
        ++m_pos;
        Emit(row);
        if (row >= kParameterRows) {
            Fail(kErrCommandNotRecognized);
            return;
        }
        if (g_Parameters[row].Reserved()) {
            Fail(kErrReservedKeyword);
            return;
        }
        CompileOptionalModifier(g_Parameters[row].modifiers);
        return;
    }
    case kTokModifier: {
        uint8_t row = Peek();
        ++m_pos;
        Emit(row);
        if (row >= kModifierRows) {
            Fail(kErrCommandNotRecognized);
            return;
        }
        CompileBracketArguments(g_Modifiers[row].minArguments, g_Modifiers[row].maxArguments);
        return;
    }
    case kTokConstant: {
        uint8_t row = Peek();
        ++m_pos;
        if (row >= kConstantRows) {
            Fail(kErrCommandNotRecognized);
            return;
        }
        EmitFloat(g_Constants[row].value);
        return;
    }
    case kTokLabel:
        if (ReadText().find('$') != std::string::npos)
            Fail(kErrInvalidDollar);
        return;
    default:
        return;
    }
}

void LineCompiler::CompileOptionalModifier(uint32_t allowed)
{
    SkipSpaces();
    if (Peek() != kTokModifier)
        return;
    uint8_t row = Peek(1);
    if (row >= kModifierRows || (allowed & g_Modifiers[row].bit) == 0) {
        Fail(kErrModifierNotAllowed);
        return;
    }
    CompileReference();
}

void LineCompiler::CompileVariable()
{
    std::string name = ReadText();
    if (name.find('$') != std::string::npos) {
        Fail(kErrInvalidDollar);
        return;
    }
    std::string key = NameKey(name);
    std::vector<VariableEntry>& table = *m_state.variables;
    int slot = -1;
    for (const VariableEntry& entry : table) {
        if (entry.name == key) {
            // A name of an included text is not the including text's, and
            // the other way round.
            if (entry.owner != m_state.currentProgram) {
                Fail(kErrOutsideInclude);
                return;
            }
            slot = entry.slot;
            break;
        }
    }
    if (slot < 0) {
        if (static_cast<int>(table.size()) >= kVariableSlotCount) {
            Fail(kErrTooManyVariables);
            return;
        }
        slot = static_cast<int>(table.size());
        table.push_back({key, slot, m_state.currentProgram, m_state.lineCounter});
    }
    Emit(static_cast<uint8_t>(slot));
    Emit(static_cast<uint8_t>(slot >> 8));
}

// "(" arguments ")": the required ones each followed by "," or, after the
// last, ")"; further ones up to the maximum.
void LineCompiler::CompileBracketArguments(int minimum, int maximum)
{
    SkipSpaces();
    if (Peek() != kTokOpenBracket) {
        if (minimum > 0)
            Fail(kErrStartOfExpression);
        return;
    }
    Emit(kTokOpenBracket);
    ++m_pos;
    int count = 0;
    SkipSpaces();
    if (minimum == 0 && Peek() == kTokCloseBracket) {
        Emit(kTokCloseBracket);
        ++m_pos;
        return;
    }
    for (;;) {
        CompileExpression();
        if (Failed())
            return;
        ++count;
        SkipSpaces();
        uint8_t token = Peek();
        if (token == kTokCloseBracket) {
            if (count < minimum) {
                Fail(kErrCommaExpected);
                return;
            }
            Emit(kTokCloseBracket);
            ++m_pos;
            return;
        }
        if (token == kTokComma && count < maximum) {
            Emit(kTokComma);
            ++m_pos;
            continue;
        }
        Fail(count < minimum ? kErrCommaExpected : kErrCloseBracketExpected);
        return;
    }
}

// A token that can begin an expression.
static bool StartsExpression(uint8_t token)
{
    switch (token) {
    case kTokNumber:
    case kTokName:
    case kTokParameter:
    case kTokConstant:
    case kTokOpenBracket:
    case kTokMinus:
    case kTokNegate:
    case kTokPlus:
    case kTokNot:
    case kTokHex:
        return true;
    default:
        return IsKeywordToken(token) && g_Keywords[token].Has(kKwFunction);
    }
}

// Arguments separated by ","; the optional ones end at the end of the line,
// a statement separator, a comment or a modifier.
void LineCompiler::CompileCommandArguments(int minimum, int maximum, bool afterQuoted)
{
    bool needComma = afterQuoted;
    for (int count = 0; count < maximum && !Failed(); ++count) {
        SkipSpaces();
        uint8_t token = Peek();
        bool required = count < minimum;
        if (!required && (token == kTokZero || token == kTokColon || token == kTokComment || token == kTokModifier))
            return;
        if (needComma) {
            if (token == kTokComma) {
                Emit(kTokComma);
                ++m_pos;
            } else if (afterQuoted && count == 0 && StartsExpression(token)) {
                // The first argument may follow the texts after a blank
                // alone: SELECT "MAIN" 1 is SELECT "MAIN",1.
            } else if (required) {
                Fail(kErrCommaExpected);
                return;
            } else {
                return;
            }
        }
        CompileExpression();
        needComma = true;
    }
}

// Texts in quotes, separated by ","; returns how many were copied.
int LineCompiler::CompileQuotedArguments(const TokenDescriptor& keyword)
{
    const int maximum = std::max(keyword.minQuoted, keyword.maxQuoted);
    int count = 0;
    while (count < maximum) {
        SkipSpaces();
        if (Peek() != kTokQuotes) {
            if (count < keyword.minQuoted)
                Fail(kErrQuotesExpected);
            break;
        }
        int length = 0;
        if (!CopyString(length))
            return count;
        if (length > kNameLength && !keyword.Has(kKwLongText)) {
            Fail(kErrStringTooLong);
            return count;
        }
        ++count;
        if (count >= maximum || Failed())
            break;
        SkipSpaces();
        int ahead = 1;
        while (Peek(ahead) == kTokSpace)
            ++ahead;
        if (Peek() == kTokComma && Peek(ahead) == kTokQuotes) {
            Emit(kTokComma);
            ++m_pos;
            continue;
        }
        // The development environment also separates texts by a blank alone.
        if (Peek() == kTokQuotes)
            continue;
        if (count < keyword.minQuoted)
            Fail(kErrCommaExpected);
        break;
    }
    return count;
}

void LineCompiler::CompileLabelDefinition()
{
    int position = m_codePos;
    if (Peek() == kTokNumber) {
        Emit(kTokLabel);
        ++m_pos;
        std::string text = ReadText();
        if (text.find('.') != std::string::npos) {
            Fail(kErrLineNumberPoint);
            return;
        }
        m_state.definitions.push_back({NameKey(text), position, m_state.lineCounter});
        return;
    }
    Emit(kTokLabel);
    ++m_pos;
    std::string name = ReadText();
    if (name.find('$') != std::string::npos) {
        Fail(kErrInvalidDollar);
        return;
    }
    m_state.definitions.push_back({NameKey(name), position, m_state.lineCounter});
}

bool LineCompiler::CompileLabelReference(bool required)
{
    SkipSpaces();
    uint8_t token = Peek();
    if (token != kTokNumber && token != kTokName) {
        if (required)
            Fail(kErrLabelExpected);
        return false;
    }
    ++m_pos;
    std::string name = ReadText();
    if (name.find('$') != std::string::npos) {
        Fail(kErrInvalidDollar);
        return false;
    }
    Emit(kTokLabel);
    int field = EmitField();
    m_state.references.push_back({NameKey(name), field, m_state.lineCounter});
    return true;
}

void LineCompiler::CompileStatement()
{
    m_state.operandNesting = 0;
    m_endsWithSeparator = false;
    SkipSpaces();
    uint8_t token = Peek();
    if (token == kTokZero || token == kTokColon || token == kTokComment)
        return;
    if (!(IsKeywordToken(token) || token == kTokName || token == kTokParameter)) {
        Fail(kErrCommandNotRecognized);
        return;
    }
    const int tokenCode = m_codePos;
    const int tokenPos = m_pos;
    CompileReference();
    if (Failed())
        return;
    if (IsKeywordToken(token)) {
        const TokenDescriptor& k = g_Keywords[token];
        if (m_programMode == 1 && !k.Has(kKwInProgram)) {
            Fail(kErrCommandLineOnly);
            return;
        }
        if (m_programMode == 0 && !k.Has(kKwOnCommandLine)) {
            Fail(kErrRuntimeOnly);
            return;
        }
        CompileKeywordForm(token, tokenCode);
        return;
    }
    if (token == kTokParameter && !g_Parameters[m_tokens[tokenPos + 1]].Writable()) {
        Fail(kErrReadOnly);
        return;
    }
    // An assignment to a variable or a parameter.
    CompileAssignment(kErrCommandNotRecognized);
}

void LineCompiler::CompileThen()
{
    SkipSpaces();
    if (ClassOf(Peek()) != kClassThen) {
        Fail(kErrThenExpected);
        return;
    }
    ++m_pos; // THEN leaves no code
}

void LineCompiler::CompileLoopVariable()
{
    SkipSpaces();
    uint8_t token = Peek();
    if (token == kTokParameter) {
        uint8_t row = Peek(1);
        if (row >= kParameterRows || !g_Parameters[row].Writable()) {
            Fail(kErrReadOnly);
            return;
        }
    } else if (token != kTokName && ClassOf(token) != kClassAssignable) {
        Fail(kErrIdentifierExpected);
        return;
    }
    CompileReference();
}

// Behind a "#" channel a "," must follow.
void LineCompiler::CompileChannelComma(int tokenCode)
{
    if (tokenCode + 1 >= m_codePos || m_code[tokenCode + 1] != kTokHash)
        return;
    SkipSpaces();
    if (Peek() != kTokComma) {
        Fail(kErrCommaExpected);
        return;
    }
    Emit(kTokComma);
    ++m_pos;
}

void LineCompiler::CompilePrint(int tokenCode)
{
    CompileChannelComma(tokenCode);
    while (!Failed()) {
        SkipSpaces();
        uint8_t token = Peek();
        if (token == kTokZero || token == kTokColon)
            break; // an empty item
        if (token == kTokComment) {
            Fail(kErrExtraCharacters);
            return;
        }
        if (token == kTokQuotes) {
            int length = 0;
            if (!CopyString(length))
                return;
        } else if (ClassOf(token) == kClassStringFunction) {
            CompileReference();
        } else {
            CompileExpression();
            if (Failed())
                return;
            SkipSpaces();
            if (Peek() == kTokOpenSquare) {
                Emit(kTokOpenSquare);
                ++m_pos;
                CompileExpression();
                SkipSpaces();
                if (!Failed() && Peek() == kTokComma) {
                    Emit(kTokComma);
                    ++m_pos;
                    CompileExpression();
                    SkipSpaces();
                }
                if (Failed())
                    return;
                if (Peek() != kTokCloseSquare) {
                    Fail(kErrSquareBracketExpected);
                    return;
                }
                Emit(kTokCloseSquare);
                ++m_pos;
            }
        }
        if (Failed())
            return;
        SkipSpaces();
        token = Peek();
        if (token != kTokComma && token != kTokSemicolon)
            break;
        Emit(token);
        ++m_pos;
    }
    Emit(kTokColon);
    m_endsWithSeparator = true;
}

void LineCompiler::CompileOn()
{
    int continueField = EmitField();
    SkipSpaces();
    bool errorTrap = ClassOf(Peek()) == kClassBasicError;
    if (errorTrap)
        CompileReference();
    else
        CompileExpression();
    if (Failed())
        return;
    SkipSpaces();
    int32_t kind = ClassOf(Peek());
    if (kind != kClassGoto && kind != kClassGosub) {
        Fail(kErrGotoGosubExpected);
        return;
    }
    Emit(Peek());
    ++m_pos;
    if (!CompileLabelReference(true))
        return;
    while (!errorTrap && !Failed()) {
        SkipSpaces();
        if (Peek() != kTokComma)
            break;
        ++m_pos; // the comma is not copied
        CompileLabelReference(false);
    }
    FillField(continueField, m_codePos);
}

void LineCompiler::CompileKeywordForm(uint8_t token, int tokenCode)
{
    const TokenDescriptor& k = g_Keywords[token];
    switch (k.classCode) {
    case kClassIf: {
        int field = EmitField();
        if (!PushStructure(kClassIf, field))
            return;
        CompileExpression();
        if (!Failed())
            CompileThen();
        return;
    }
    case kClassElse: {
        StructureEntry* entry = OpenIfBranch();
        if (!entry)
            return;
        int field = EmitField();
        FillField(entry->field, m_codePos);
        entry->field = field;
        entry->elseSeen = 1;
        return;
    }
    case kClassElseIf: {
        StructureEntry* entry = OpenIfBranch();
        if (!entry)
            return;
        // ELSE field ELSEIF field condition: the branch before jumps to the
        // end of the IF, a false condition to the next branch.
        m_code[tokenCode] = static_cast<uint8_t>(GetSpecialKeywords().elseRow);
        int endField = EmitField();
        FillField(entry->field, m_codePos);
        entry->field = endField;
        Emit(token);
        int falseField = EmitField();
        if (!PushStructure(kClassElseIf, falseField))
            return;
        CompileExpression();
        if (!Failed())
            CompileThen();
        return;
    }
    case kClassEndIf: {
        if (!Innermost()) {
            Fail(kErrElseWithoutIf);
            return;
        }
        for (;;) {
            StructureEntry* entry = Innermost();
            if (!entry || (entry->kind != kClassIf && entry->kind != kClassElseIf)) {
                Fail(kErrElseWithoutIf);
                return;
            }
            --m_state.structureDepth;
            FillField(entry->field, m_codePos);
            if (entry->kind == kClassIf)
                return;
        }
    }
    case kClassWhile: {
        int field = EmitField();
        if (PushStructure(kClassWhile, field))
            CompileExpression();
        return;
    }
    case kClassWend: {
        StructureEntry* entry = Innermost();
        if (!entry || entry->kind != kClassWhile) {
            Fail(kErrWendWithoutWhile);
            return;
        }
        int whileToken = entry->field - 1;
        Emit32(whileToken - m_base);
        --m_state.structureDepth;
        FillField(entry->field, m_codePos);
        return;
    }
    case kClassRepeat:
        m_codePos = tokenCode; // REPEAT leaves no code
        PushStructure(kClassRepeat, tokenCode);
        return;
    case kClassUntil: {
        StructureEntry* entry = Innermost();
        if (!entry || entry->kind != kClassRepeat) {
            Fail(kErrUntilWithoutRepeat);
            return;
        }
        Emit32(entry->field - m_base);
        --m_state.structureDepth;
        CompileExpression();
        return;
    }
    case kClassWait: {
        SkipSpaces();
        int32_t kind = ClassOf(Peek());
        if (kind != kClassUntil && kind != kClassIdle && kind != kClassLoaded) {
            Fail(kErrWaitForm);
            return;
        }
        int untilToken = m_codePos;
        CompileReference();
        if (Failed() || kind != kClassUntil)
            return;
        Emit32(untilToken - m_base);
        CompileExpression();
        return;
    }
    case kClassFor:
        CompileLoopVariable();
        if (Failed() || !CompileAssignment(kErrAssignmentExpected))
            return;
        SkipSpaces();
        if (ClassOf(Peek()) != kClassTo) {
            Fail(kErrToExpected);
            return;
        }
        Emit(Peek());
        ++m_pos;
        CompileExpression();
        if (Failed())
            return;
        SkipSpaces();
        if (ClassOf(Peek()) == kClassStep) {
            Emit(Peek());
            ++m_pos;
            CompileExpression();
        }
        return;
    case kClassNext:
        CompileLoopVariable();
        return;
    case kClassGet:
        CompileChannelComma(tokenCode);
        if (!Failed())
            CompileLoopVariable();
        return;
    case kClassInput:
        CompileChannelComma(tokenCode);
        if (!Failed())
            CompileLoopVariable();
        while (!Failed()) {
            SkipSpaces();
            if (Peek() != kTokComma)
                break;
            Emit(kTokComma);
            ++m_pos;
            CompileLoopVariable();
        }
        return;
    case kClassLineInput:
        CompileChannelComma(tokenCode);
        if (Failed())
            return;
        SkipSpaces();
        if (ClassOf(Peek()) != kClassAssignable) {
            Fail(kErrVrExpected);
            return;
        }
        CompileReference();
        return;
    case kClassAssignable:
        CompileAssignment(kErrAssignmentExpected);
        return;
    case kClassTime:
    case kClassDate:
    case kClassDay:
        CompileAssignment(kErrReadOnly);
        for (int n = 0; n < 2 && k.classCode != kClassDay && !Failed(); ++n) {
            SkipSpaces();
            if (Peek() != kTokColon) {
                Fail(kErrParameterOutOfRange);
                return;
            }
            Emit(kTokColon);
            ++m_pos;
            CompileExpression();
        }
        return;
    case kClassPrint:
        CompilePrint(tokenCode);
        return;
    case kClassOn:
        CompileOn();
        return;
    case kClassGoto:
    case kClassGosub:
        CompileLabelReference(true);
        return;
    case kClassInclude:
        CompileInclude(tokenCode);
        return;
    case kClassThen:
    case kClassStringFunction:
    case kClassTo:
    case kClassStep:
    case kClassIdle:
    case kClassLoaded:
    case kClassBasicError:
        Fail(kErrCommandOutOfContext);
        return;
    default:
        return; // ordinary keywords, KEY and the operators: the reference is all
    }
}

void CompileProgramLines(CompileState& state, int program, int process, uint8_t* code, int& codePos, int codeLimit,
                         int base, int32_t& error);

void LineCompiler::CompileInclude(int tokenCode)
{
    // The reference copied INCLUDE "name": take the name.
    int quote = tokenCode + 1;
    if (quote >= m_codePos || m_code[quote] != kTokQuotes) {
        Fail(kErrQuotesExpected);
        return;
    }
    std::string name;
    for (int at = quote + 1; at < m_codePos && m_code[at] != kTokQuotes && name.size() < 16; ++at) {
        char c = static_cast<char>(m_code[at]);
        name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    int other = FindProgram(name);
    if (other < 0) {
        Fail(kErrProgramNotFound);
        return;
    }
    if (ProgramType(other) != ProgramType(m_state.currentProgram)) {
        Fail(kErrInvalidProgramType);
        return;
    }
    if (++m_state.includeDepth >= 2) {
        Fail(kErrTooManyStructures);
        return;
    }
    // INCLUDE, the variable count, "name": the quoted name moves up by the
    // field.
    int quotedLength = m_codePos - quote;
    if (m_codePos + 4 > m_codeLimit) {
        Fail(kErrOutOfMemory);
        return;
    }
    std::memmove(m_code + quote + 4, m_code + quote, static_cast<size_t>(quotedLength));
    int at = quote;
    Put32(m_code, at, static_cast<int32_t>(m_state.variables->size()));
    m_codePos += 4;

    int savedProgram = m_state.currentProgram;
    int savedLine = m_state.lineCounter;
    m_state.currentProgram = other;
    SetIncludeBit(m_state.compiledProgram, other, true);

    int32_t error = 0;
    CompileProgramLines(m_state, other, m_process, m_code, m_codePos, m_codeLimit, m_base, error);
    if (error != 0) {
        m_error = error; // already on the process
        return;
    }
    --m_state.includeDepth;
    m_state.currentProgram = savedProgram;
    m_state.lineCounter = savedLine;
}

void LineCompiler::CloseOneLineIf()
{
    StructureEntry* entry = Innermost();
    if (!entry) {
        Fail(kErrElseWithoutIf);
        return;
    }
    if (entry->kind != kClassIf) {
        Fail(kErrStructureNesting);
        return;
    }
    --m_state.structureDepth;
    FillField(entry->field, m_codePos);
}

bool LineCompiler::CompileLine()
{
    enum class State { LineStart, AfterSeparator, AfterStatement };
    State state = State::LineStart;
    const int lineCode = m_codePos;
    bool statements = false;
    bool oneLineIf = false;

    while (!Failed()) {
        SkipSpaces();
        uint8_t token = Peek();
        if (token == kTokZero || token == kTokComment)
            break;
        if (state == State::AfterStatement) {
            if (oneLineIf && ClassOf(token) == kClassElse) {
                Fail(kErrCommandOutOfContext); // a one-line IF has no ELSE
                break;
            }
            if (token != kTokColon) {
                Fail(kErrExtraCharacters);
                break;
            }
            ++m_pos;
            if (!m_endsWithSeparator)
                Emit(kTokColon);
            state = State::AfterSeparator;
            continue;
        }
        if (token == kTokColon) { // an empty statement
            ++m_pos;
            continue;
        }
        if (token == kTokLabel || token == kTokNumber) {
            if (state != State::LineStart || oneLineIf) {
                Fail(kErrLabelNotAtStart);
                break;
            }
            CompileLabelDefinition();
            continue;
        }
        if (oneLineIf && ClassOf(token) == kClassIf) {
            Fail(kErrNestedOneLineIf);
            break;
        }
        if (oneLineIf && ClassOf(token) == kClassElse) {
            Fail(kErrCommandOutOfContext);
            break;
        }
        CompileStatement();
        statements = true;
        state = State::AfterStatement;
        if (!Failed() && !oneLineIf && ClassOf(token) == kClassIf) {
            SkipSpaces();
            if (Peek() != kTokZero && Peek() != kTokComment) {
                // IF ... THEN and statements on the same line.
                oneLineIf = true;
                state = State::AfterSeparator;
            }
        }
    }
    if (!Failed() && oneLineIf)
        CloseOneLineIf();
    if (!Failed() && !statements)
        m_codePos = lineCode; // labels alone leave no code
    return statements;
}

// The compile pass over a program's source lines, writing at codePos.
void CompileProgramLines(CompileState& state, int program, int process, uint8_t* code, int& codePos, int codeLimit,
                         int base, int32_t& error)
{
    const int32_t start = SourceStart(program);
    const int32_t end = SourceEnd(program);
    state.lineCounter = 0;
    for (int32_t at = start;;) {
        if (at + 1 >= end) {
            error = kErrProgramCorrupt;
            break;
        }
        int length = g_MemoryBase[at + 1];
        if (length == 0)
            break;
        if (length < kLineHeaderSize + 1 || at + length > end) {
            error = kErrProgramCorrupt;
            break;
        }
        ++state.lineCounter;
        uint8_t& indent = g_MemoryBase[at + 2];
        const int lineStart = codePos;
        if (codePos + 3 > codeLimit) {
            error = kErrOutOfMemory;
            break;
        }
        uint32_t field = static_cast<uint32_t>(state.lineCounter) | ((indent & 0x80) ? kBreakpointBit : 0);
        Put24(code, codePos, field);

        const size_t labelsBefore = state.definitions.size();
        LineCompiler line(state, process, g_MemoryBase, at + kLineHeaderSize, at + length, code, codePos, codeLimit,
                          base, 1);
        bool statements = line.CompileLine();
        if (line.Error() != 0) {
            error = line.Error();
            break;
        }
        codePos = line.CodePosition();
        if (!statements) {
            // No code for this line: its labels lead to the next line's first
            // statement, and it cannot hold a breakpoint.
            codePos = lineStart;
            for (size_t n = labelsBefore; n < state.definitions.size(); ++n)
                state.definitions[n].position = lineStart + 3;
            indent &= 0x7F;
        } else {
            if (codePos >= codeLimit) {
                error = kErrOutOfMemory;
                break;
            }
            code[codePos++] = kTokZero;
            if (state.includeDepth == 0 && state.lines)
                state.lines->push_back(lineStart - base);
        }
        at += length;
    }
    if (error == 0 && state.structureDepth != 0)
        error = kErrStructureNesting;
    if (error != 0)
        SetProcessError(process, error);
}

bool ShowsProgress(int process)
{
    ProcessRecord* record = GetProcessRecord(process);
    return !record || record->outputChannel != 8;
}

// The link pass: collects the label definitions (pass 1), then fills the
// jump field of every reference (pass 2). Returns the error and its line.
int32_t Link(CompileState& state, int process, uint8_t* code, int base, int32_t& line)
{
    std::vector<LabelEntry> table;
    if (ShowsProgress(process))
        PrintFormatted(process, "Pass=%i\r", 1);
    for (const LabelEntry& definition : state.definitions) {
        for (const LabelEntry& known : table) {
            if (known.name == definition.name) {
                line = definition.line;
                return kErrDuplicateIdentifier;
            }
        }
        table.push_back(definition);
    }
    if (ShowsProgress(process))
        PrintFormatted(process, "Pass=%i\r", 2);
    for (const LabelEntry& reference : state.references) {
        auto found = std::find_if(table.begin(), table.end(),
                                  [&](const LabelEntry& entry) { return entry.name == reference.name; });
        if (found == table.end()) {
            line = reference.line;
            return kErrLabelNotFound;
        }
        int at = reference.position;
        Put32(code, at, found->position - base);
    }
    return 0;
}

} // namespace

float ParseNumber(std::string_view text)
{
    static constexpr double kPowers[] = {10.0, 100.0, 1e4, 1e8, 1e16, 1e32};
    auto scale = [](double value, int power) {
        bool down = power < 0;
        unsigned magnitude = static_cast<unsigned>(down ? -power : power);
        if (magnitude >= 64)
            return down ? 0.0 : value * 1e64;
        for (int bit = 0; bit < 6; ++bit) {
            if (magnitude & (1u << bit))
                value = down ? value / kPowers[bit] : value * kPowers[bit];
        }
        return value;
    };
    size_t at = 0;
    auto peek = [&] { return at < text.size() ? text[at] : '\0'; };
    bool negative = false;
    if (peek() == '-' || peek() == '+')
        negative = text[at++] == '-';
    double integer = 0.0;
    double fraction = 0.0;
    int fractionScale = 0;
    bool digits = false;
    while (peek() >= '0' && peek() <= '9') {
        integer = integer * 10.0 + (text[at++] - '0');
        digits = true;
    }
    if (peek() == '.') {
        ++at;
        while (peek() >= '0' && peek() <= '9') {
            fraction = fraction * 10.0 + (text[at++] - '0');
            --fractionScale;
            digits = true;
        }
    }
    int exponent = 0;
    if (digits && (peek() == 'E' || peek() == 'e')) {
        ++at;
        bool down = false;
        if (peek() == '-' || peek() == '+')
            down = text[at++] == '-';
        while (peek() >= '0' && peek() <= '9' && exponent < 1000)
            exponent = exponent * 10 + (text[at++] - '0');
        if (down)
            exponent = -exponent;
    }
    double value = scale(integer + scale(fraction, fractionScale), exponent);
    return static_cast<float>(negative ? -value : value);
}

bool CompileCommandLine(const uint8_t* tokens, int tokenLength, uint8_t* code, int capacity, int& codeLength,
                        int process)
{
    CompileState& state = StateOf(process);
    SetProcessError(process, 0);
    state.Reset();
    state.variables = &g_CommandLineVariables;
    state.currentProgram = kCommandLineText;
    state.compiledProgram = kCommandLineText;
    state.lineCounter = 0;
    state.lines = nullptr;
    codeLength = 0;
    if (capacity < 1) {
        SetProcessError(process, kErrOutOfMemory);
        return false;
    }

    LineCompiler line(state, process, tokens, 0, tokenLength, code, 0, capacity - 1, 0, 0);
    line.CompileLine();
    int32_t error = line.Error();
    if (error == 0 && state.structureDepth != 0)
        error = kErrStructureNesting;
    if (error != 0) {
        SetProcessError(process, error);
        return false;
    }
    codeLength = line.CodePosition();
    code[codeLength++] = kTokZero; // the byte kept free above
    return true;
}

int32_t OperatorPrecedence(uint8_t op)
{
    return Precedence(op);
}

bool CompileProgram(int program, int process)
{
    if (!ProgramExists(program)) {
        SetProcessError(process, kErrProgramNotFound);
        return false;
    }
    if (IsGcodeProgram(program))
        return true; // its lines are parsed as they run
    ResourceClaim claim(process, kResourceProgramStore, -1);
    CompileState& state = StateOf(process);
    SetProcessError(process, 0);
    state.Reset();
    if (ShowsProgress(process))
        PrintFormatted(process, "Compiling %z%c", ProgramNameInMemory(program), kEndOfLineCr);

    // The code is written behind the source, so the program must be the last
    // one in the area, and its old code goes.
    if (!MoveProgramToTop(program, process))
        return false;
    DiscardCode(program);
    for (int other = 0; other < kProgramCount; ++other)
        SetIncludeBit(program, other, false);

    CompiledProgram compiled;
    state.variables = &compiled.variables;
    state.lines = &compiled.lines;
    state.currentProgram = program;
    state.compiledProgram = program;

    const int base = SourceStart(program);
    int codePos = SourceEnd(program);
    const int codeLimit = static_cast<int>(g_MemorySize) - kCodeHeadroom;
    int32_t error = 0;
    CompileProgramLines(state, program, process, g_MemoryBase, codePos, codeLimit, base, error);
    if (error != 0) {
        // The code written above the program area lay on the TABLE's places.
        RewriteTableMirror(ProgramAreaEnd(), g_MemorySize);
        ReportCompileError(process, state.lineCounter, ProgramNameInMemory(state.currentProgram), error);
        SetProcessError(process, error);
        state.Reset();
        return false;
    }

    if (ShowsProgress(process))
        PrintFormatted(process, "Linking %z%c", ProgramNameInMemory(program), kEndOfLineCr);
    int32_t line = 0;
    error = Link(state, process, g_MemoryBase, base, line);
    state.Reset();
    if (error != 0) {
        RewriteTableMirror(ProgramAreaEnd(), g_MemorySize);
        ReportLinkError(process, line, error);
        SetProcessError(process, error);
        return false;
    }

    SetCodeEnd(program, codePos);
    SetProgramAreaEnd(codePos);
    if (HasNoType(program))
        SetProgramType(program, kProgramTypeBasic);
    g_Compiled[program] = std::move(compiled);
    return true;
}

bool CompileAllPrograms(int process)
{
    bool allCompiled = true;
    for (int program = 0; program < kProgramCount; ++program) {
        if (!ProgramExists(program))
            continue;
        if (!SelectProgramNumber(program, process)) {
            allCompiled = false;
            SetProcessError(process, 0);
            continue;
        }
        if (ProgramType(program) != kProgramTypeBasic)
            continue;
        if (!CompileProgram(program, process)) {
            allCompiled = false;
            SetProcessError(process, 0);
        }
    }
    return allCompiled;
}

int FindCodeLine(int process, int program, int lineNumber, int& foundLine)
{
    foundLine = -1;
    if (!HasCode(program)) {
        SetProcessError(process, kErrNoCode);
        return -1;
    }
    const int base = SourceStart(program);
    for (int32_t relative : g_Compiled[program].lines) {
        int at = base + relative;
        uint32_t field = Get24(g_MemoryBase, at) & ~kBreakpointBit;
        if (static_cast<int>(field) >= lineNumber) {
            foundLine = static_cast<int>(field);
            return base + relative;
        }
    }
    return -1;
}

uint32_t LineFieldAt(int program, int position, int& lineStart)
{
    lineStart = -1;
    if (program < 0 || program >= kProgramCount)
        return 0;
    return LineFieldAt(program, SourceStart(program), CodeEnd(program), position, lineStart);
}

uint32_t LineFieldAt(int program, int base, int codeEnd, int position, int& lineStart)
{
    lineStart = -1;
    if (program < 0 || program >= kProgramCount || position < 0)
        return 0;
    const std::vector<int32_t>& lines = g_Compiled[program].lines;
    auto after = std::upper_bound(lines.begin(), lines.end(), position - base);
    if (after == lines.begin())
        return 0;
    int at = base + *(after - 1);
    if (at + 3 > codeEnd)
        return 0;
    lineStart = at;
    return Get24(g_MemoryBase, at);
}

uint32_t NextBreakpointLine(int process, int program, int& position, bool passIt)
{
    if (!HasCode(program)) {
        SetProcessError(process, kErrNoCode);
        return 0;
    }
    const int base = SourceStart(program);
    const int from = position == 0 ? CodeStart(program) : position;
    for (int32_t relative : g_Compiled[program].lines) {
        int at = base + relative;
        if (at < from)
            continue;
        int read = at;
        uint32_t field = Get24(g_MemoryBase, read);
        if (field & kBreakpointBit) {
            position = passIt ? read : at;
            return field;
        }
    }
    position = CodeEnd(program);
    return 0;
}

int FindVariableSlot(int text, std::string_view name)
{
    const std::vector<VariableEntry>* table = nullptr;
    if (text == kCommandLineText)
        table = &g_CommandLineVariables;
    else if (text >= 0 && text < kProgramCount)
        table = &g_Compiled[text].variables;
    if (!table)
        return -1;
    std::string key = NameKey(name);
    for (const VariableEntry& entry : *table) {
        if (entry.name == key)
            return entry.slot;
    }
    return -1;
}

void ClearCommandLineVariables()
{
    g_CommandLineVariables.clear();
}

void ForgetCompiledProgram(int program)
{
    if (program >= 0 && program < kProgramCount)
        g_Compiled[program] = CompiledProgram{};
}

void CopyCompiledProgram(int from, int to)
{
    if (from >= 0 && from < kProgramCount && to >= 0 && to < kProgramCount)
        g_Compiled[to] = g_Compiled[from];
}

void SetDeclarationLookup(DeclarationLookup lookup)
{
    g_DeclarationLookup = lookup;
}

void ScanProgramNames(int process, int program)
{
    if (!ProgramExists(program))
        return;
    if (process == 0)
        PrintFormatted(process, "Scanning %s...\r\n", ProgramName(program));
    for (const VariableEntry& entry : g_Compiled[program].variables) {
        const char* table = g_DeclarationLookup ? g_DeclarationLookup(entry.name.c_str()) : nullptr;
        if (table)
            PrintFormatted(process, "  variable %i - line %i - %s is in the %r table\r\n", entry.slot, entry.line,
                           entry.name, PoolAdd(table));
        else
            PrintFormatted(process, "  variable %i - line %i - %s \r\n", entry.slot, entry.line, entry.name);
    }
}

} // namespace qcrt
