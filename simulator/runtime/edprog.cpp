#include "simulator/runtime/edprog.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/lock.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"

namespace qcrt {

namespace {

constexpr int32_t kErrCannotEditProgram = 82;
constexpr uint8_t kBreakpointMark = 0x80;
constexpr int kIndentMaximum = 0x7F;
constexpr uint8_t kLineSeparator = 0xAA;

struct EditCommand {
    std::string text;
    int32_t operation = 0;
    int32_t a = 0;
    int32_t b = 0;
};

// "text", op [, a [, b]]: without a and b both are 0, with a alone b is a.
bool ReadEditCommand(const uint8_t* text, int& position, int limit, int process, EditCommand& out)
{
    ++position; // the token
    if (position >= limit || text[position] != kTokQuotes) {
        SetProcessError(process, kErrQuotesExpected);
        return false;
    }
    for (++position; position < limit && text[position] != kTokQuotes; ++position)
        out.text += static_cast<char>(text[position]);
    if (position >= limit) {
        SetProcessError(process, kErrQuotesExpected);
        return false;
    }
    ++position;
    if (out.text.size() > static_cast<size_t>(kEditTextMaximum)) {
        SetProcessError(process, kErrStringTooLong);
        return false;
    }
    if (position >= limit || text[position] != kTokComma) {
        SetProcessError(process, kErrCommaExpected);
        return false;
    }
    int32_t* fields[] = {&out.operation, &out.a, &out.b};
    int read = 0;
    for (int32_t* field : fields) {
        if (read > 0) {
            if (position >= limit || text[position] != kTokComma)
                break;
        }
        ++position; // the comma
        float value = EvaluateExpression(text, position, limit, process);
        if (GetProcessError(process) != 0)
            return false;
        *field = TruncateToInt32(value);
        ++read;
    }
    if (read == 2)
        out.b = out.a;
    return true;
}

void Reply(int process, const std::string& line)
{
    PrintFormatted(process, "%s%c", line, kEndOfLineCr);
}

void ReplyNumber(int process, int32_t value)
{
    PrintFormatted(process, "%i%c", value, kEndOfLineCr);
}

// The selected program for a listing or a change; errors 81 and 33.
int EditedProgram(int process)
{
    if (ControllerLocked(process)) {
        SetProcessError(process, kErrDirectoryLocked);
        return -1;
    }
    int program = SelectedProgram();
    if (program < 0)
        SetProcessError(process, kErrNoProgramSelected);
    return program;
}

// The position of line index of the program; error 67 beyond it. With
// atEnd the end record, just past the last line, is a position too (an
// insert there appends).
int LinePosition(int program, int32_t index, bool atEnd, int process)
{
    int position = index < 0 ? -1 : FindLine(program, index);
    if (position < 0 && atEnd && index == LineCount(program))
        position = SourceEnd(program) - kLineHeaderSize - 1;
    if (position < 0)
        SetProcessError(process, kErrInvalidLineNumber);
    return position;
}

// Walks lines b to a of the selected program (ops 2, 4 and 6); the visitor
// answers false to stop.
template <typename Visit> void WalkLines(const EditCommand& c, int process, Visit visit)
{
    int program = EditedProgram(process);
    if (program < 0)
        return;
    int position = LinePosition(program, c.b, false, process);
    for (int32_t index = c.b; position >= 0 && index <= c.a; ++index, position = NextLine(program, position)) {
        if (!visit(program, position, index))
            return;
    }
}

// A change (ops 1, 3 and 8) of the selected program holds the program's bit
// of the program store's resource group while it lasts, so that no process
// starts the program halfway through; the program must not run and the
// store must let it be edited. Begin answers the program, or -1 with the
// error set.
class ProgramChange {
public:
    explicit ProgramChange(int process) : m_process(process) {}
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;

    int Begin()
    {
        int program = EditedProgram(m_process);
        if (program < 0)
            return -1;
        m_claim.emplace(m_process, kResourceProgramStore, program);
        if (!m_claim->Held())
            return -1;
        if (IsRunning(program)) {
            SetProcessError(m_process, kErrProgramsRunning);
            return -1;
        }
        if (!MayBeChanged(program)) {
            SetProcessError(m_process, kErrCannotEditProgram);
            return -1;
        }
        return program;
    }

private:
    int m_process;
    std::optional<ResourceClaim> m_claim;
};

void InsertOrReplace(const EditCommand& c, int process)
{
    ProgramChange change(process);
    int program = change.Begin();
    if (program < 0)
        return;
    const bool replace = c.operation == kEditReplace;
    int position = LinePosition(program, c.b, !replace, process);
    if (position < 0)
        return;
    size_t blanks = c.text.find_first_not_of(' ');
    if (blanks == std::string::npos)
        blanks = c.text.size();
    std::vector<uint8_t> tokens(kMaxLineRecord);
    int32_t error = 0;
    int length = TokeniseLine(std::string_view(c.text).substr(blanks), tokens.data(), static_cast<int>(tokens.size()),
                              LexerModeOf(program), error);
    if (error != 0) {
        SetProcessError(process, error);
        return;
    }
    int indent = std::min(static_cast<int>(blanks), kIndentMaximum);
    const uint8_t oldIndent = replace ? g_MemoryBase[position + 2] : 0;
    const uint8_t mark = oldIndent & kBreakpointMark;
    std::vector<uint8_t> old;
    if (replace)
        old.assign(g_MemoryBase + position + kLineHeaderSize, g_MemoryBase + position + g_MemoryBase[position + 1]);
    bool stored = replace ? ReplaceLine(position, tokens.data(), length, indent, process)
                          : InsertLine(position, tokens.data(), length, indent, process);
    if (!stored)
        return;
    g_MemoryBase[position + 2] |= mark;
    std::string listed = ListedLine(program, position);
    if (!ListsWhole(listed, process)) {
        // The environment takes the echo as its copy of the line: a line it
        // could never see whole is not kept.
        if (replace)
            ReplaceLine(position, old.data(), static_cast<int>(old.size()), oldIndent, process);
        else
            DeleteLine(position, process);
        SetProcessError(process, kErrProgramCorrupt);
        return;
    }
    // In the framed mode the environment keeps its own text when the store
    // lists the line as it was sent.
    if (g_LinkProtocolMode == 3 && listed == c.text)
        return;
    Reply(process, listed);
}

void DeleteLines(const EditCommand& c, int process)
{
    ProgramChange change(process);
    int program = change.Begin();
    if (program < 0)
        return;
    int position = LinePosition(program, c.b, false, process);
    if (position < 0)
        return;
    // Lines past the end are not there to delete: the range stops at it.
    int32_t last = std::min(c.a, LineCount(program) - 1);
    for (int32_t index = c.b; index <= last; ++index) {
        if (!DeleteLine(position, process))
            return;
    }
    Reply(process, "OK");
}

void CheckValue(const EditCommand& c, int process)
{
    int program;
    if (c.text.empty()) {
        program = SelectedProgram();
        if (program < 0) {
            SetProcessError(process, kErrNoProgramSelected);
            return;
        }
    } else {
        if (c.text.size() > static_cast<size_t>(kProgramNameLength)) {
            SetProcessError(process, kErrStringTooLong);
            return;
        }
        std::string name = c.text;
        for (char& ch : name)
            ch = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
        program = FindProgram(name);
        if (program < 0) {
            SetProcessError(process, kErrProgramNotFound);
            return;
        }
    }
    ReplyNumber(process, ProgramCheckValue(program));
}

} // namespace

std::string ListedLine(int program, int position)
{
    int length = g_MemoryBase[position + 1];
    return std::string(g_MemoryBase[position + 2] & kIndentMaximum, ' ') +
           DetokeniseLine(g_MemoryBase, position + kLineHeaderSize, position + length, LexerModeOf(program));
}

bool ListsWhole(const std::string& listed, int process)
{
    if (listed.size() <= static_cast<size_t>(kDetokeniseLimit))
        return true;
    SetProcessError(process, kErrProgramCorrupt);
    return false;
}

uint16_t ProgramCheckValue(int program)
{
    std::string bytes;
    for (int at = FindLine(program, 0); at >= 0; at = NextLine(program, at))
        bytes += ListedLine(program, at) + static_cast<char>(kLineSeparator);
    if (bytes.empty())
        bytes += static_cast<char>(kLineSeparator);
    return Crc16(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void KeywordEditProgram(const uint8_t* text, int& position, int limit, int process)
{
    EditCommand c;
    if (!ReadEditCommand(text, position, limit, process, c))
        return;
    switch (c.operation) {
    case 0:
        SetProcessError(process, kErrCommandNotRecognized);
        return;
    case kEditInsert:
    case kEditReplace:
        InsertOrReplace(c, process);
        return;
    case kEditSearch: {
        int32_t found = -1;
        WalkLines(c, process, [&](int program, int at, int32_t index) {
            if (ListedLine(program, at).find(c.text) == std::string::npos)
                return true;
            found = index;
            return false;
        });
        if (GetProcessError(process) == 0)
            ReplyNumber(process, found);
        return;
    }
    case kEditDelete:
        DeleteLines(c, process);
        return;
    case kEditList:
        WalkLines(c, process, [&](int program, int at, int32_t) {
            std::string listed = ListedLine(program, at);
            if (!ListsWhole(listed, process))
                return false;
            Reply(process, listed);
            return true;
        });
        return;
    case kEditCount: {
        int program = SelectedProgram();
        ReplyNumber(process, program < 0 || ControllerLocked(process) ? 0 : LineCount(program));
        return;
    }
    case kEditLabels:
        WalkLines(c, process, [&](int, int at, int32_t index) {
            if (g_MemoryBase[at + kLineHeaderSize] == kTokLabel) {
                const char* name = reinterpret_cast<const char*>(g_MemoryBase + at + kLineHeaderSize + 1);
                PrintFormatted(process, "%i %s%c", index, name, kEndOfLineCr);
            }
            return true;
        });
        return;
    case kEditName: {
        int program = SelectedProgram();
        Reply(process, program < 0 ? std::string() : ProgramName(program));
        return;
    }
    case kEditZero:
        ReplyNumber(process, 0);
        return;
    case kEditCheckValue:
        CheckValue(c, process);
        return;
    default:
        return; // above 10: nothing
    }
}

} // namespace qcrt
