#include "link/statusline.h"

#include <cctype>
#include <cstring>

#include "foundation/logline.h"

namespace {

bool StartsWithNoCase(const char* text, const char* fragment)
{
    for (; *fragment; ++text, ++fragment) {
        if (std::tolower(static_cast<unsigned char>(*text)) != std::tolower(static_cast<unsigned char>(*fragment)))
            return false;
    }
    return true;
}

// Takes fragment at pos when it is there (pos moves past it).
bool Take(const char*& pos, const char* fragment, int state)
{
    GlobalLogFormat(LOG_STATUS_ERRORS, "Parse Status - \"%s\" - \"%s\" - %d", fragment, pos, state);
    if (!StartsWithNoCase(pos, fragment))
        return false;
    pos += std::strlen(fragment);
    return true;
}

// A decimal number at pos (an optional sign and digits); -1 when none.
int ReadNumber(const char*& pos)
{
    const char* p = pos;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return -1;
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (value < 100000000)
            value = value * 10 + (*p - '0');
        ++p;
    }
    pos = p;
    return static_cast<int>(negative ? -value : value);
}

// The program name up to the "]" that closes its bracket level.
std::string ReadProgramName(const char*& pos)
{
    std::string name;
    int depth = 0;
    for (; *pos; ++pos) {
        if (*pos == '[') {
            ++depth;
        } else if (*pos == ']') {
            if (depth == 0)
                break;
            --depth;
        }
        name += *pos;
    }
    return name;
}

bool EndsWithNoCase(const char* text, const char* fragment)
{
    const std::size_t length = std::strlen(text);
    const std::size_t size = std::strlen(fragment);
    return length >= size && StartsWithNoCase(text + length - size, fragment);
}

StatusLineResult Parse(const char* line)
{
    StatusLineResult result;
    const char* pos = line;
    if (!Take(pos, "%[Process ", 0)) {
        if (Take(pos, "%[VQE", 1))
            return result;
        if (std::strncmp(line, "%[", 2) == 0) {
            result.kind = StatusLineResult::UnknownProgram;
            result.text = "Unknown program";
        }
        return result;
    }
    result.process = ReadNumber(pos);
    if (Take(pos, ":Line ", 2)) {
        result.line = ReadNumber(pos);
    } else if (Take(pos, ":Program ", 3)) {
        result.program = ReadProgramName(pos);
    } else {
        return result;
    }
    if (Take(pos, "] - Running", 4) || Take(pos, "] - Include", 8)) {
        result.kind = StatusLineResult::ProgramStatus;
        return result;
    }
    result.kind = StatusLineResult::ProcessStatus;
    if (Take(pos, "] - Paused", 5)) {
        result.status = PROCESS_PAUSED;
        return result;
    }
    if (Take(pos, "] - Released", 6)) {
        result.status = PROCESS_RELEASED;
        return result;
    }
    GlobalLogFormat(LOG_STATUS_ERRORS, "Parse Status - \"%s\" - \"%s\" - %d", ") - Program is stopped", pos, 7);
    if (EndsWithNoCase(pos, ") - Program is stopped")) {
        result.status = PROCESS_STOPPED;
        return result;
    }
    if (Take(pos, "] (", 9)) {
        result.error = ReadNumber(pos);
        if (Take(pos, ") - ", 10)) {
            result.status = PROCESS_STOPPED;
            result.text = pos;
            return result;
        }
    }
    result.kind = StatusLineResult::Nothing;
    return result;
}

} // namespace

StatusLineResult ParseStatusLine(const char* line)
{
    const StatusLineResult result = Parse(line ? line : "");
    GlobalLogLine("Parse Status End", LOG_STATUS_ERRORS);
    return result;
}
