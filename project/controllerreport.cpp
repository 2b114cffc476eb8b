// The controller's error reports: "%[VQE n] text", "%[COMPILE Line l] (n)
// - text" (the program may be named in the bracket) and "%[LINK Line l] (n)
// - text".
#include "project/controllerreport.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int kTextMost = 80;

// Reads an optionally signed decimal at pos; false when there is none.
bool ReadInt(const std::string& text, std::size_t& pos, int& value)
{
    std::size_t end = pos;
    if (end < text.size() && (text[end] == '-' || text[end] == '+'))
        ++end;
    const std::size_t digits = end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    // More digits than any int has, or a value beyond an int: no number.
    if (end == digits || end - digits > 10)
        return false;
    const long long read = std::strtoll(text.substr(pos, end - pos).c_str(), nullptr, 10);
    if (read < INT_MIN || read > INT_MAX)
        return false;
    value = static_cast<int>(read);
    pos = end;
    return true;
}

bool Take(const std::string& text, std::size_t& pos, const char* literal)
{
    const std::size_t length = std::strlen(literal);
    if (text.compare(pos, length, literal) != 0)
        return false;
    pos += length;
    return true;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// "%[COMPILE Line %i] (%i) - %s" and the link form.
bool MatchPhase(const std::string& report, const char* phase, ControllerReport& out)
{
    std::size_t pos = 0;
    const std::string head = std::string("%[") + phase + " Line ";
    if (!Take(report, pos, head.c_str()) || !ReadInt(report, pos, out.line) || !Take(report, pos, "] (") ||
        !ReadInt(report, pos, out.error) || !Take(report, pos, ") - "))
        return false;
    out.text = report.substr(pos, kTextMost);
    return true;
}

} // namespace

ControllerReport ParseControllerReport(const std::string& command, const std::string& line)
{
    ControllerReport report;
    std::string text = line;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();

    // The program the command names: between its first two quotes, for a
    // command that compiles, runs or steps one.
    const std::size_t open = command.find('"');
    if (open != std::string::npos && open > 0) {
        const std::size_t close = command.find('"', open + 1);
        if (close != std::string::npos &&
            (command.find("COMPILE") != std::string::npos || command.find("RUN") != std::string::npos ||
             command.find("STEP") != std::string::npos))
            report.program = Trimmed(command.substr(open + 1, close - open - 1));
    }

    std::size_t pos = 0;
    if (Take(text, pos, "%[VQE ") && ReadInt(text, pos, report.error) && Take(text, pos, "] ")) {
        report.kind = ControllerReport::General;
        report.text = text.substr(pos, kTextMost);
        return report;
    }
    report.error = 0;
    if (MatchPhase(text, "COMPILE", report)) {
        report.kind = ControllerReport::Compile;
        return report;
    }
    // "[COMPILE PROGRAM name Line 4]": the program is named in the report.
    std::string upper = text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t named = upper.find(" PROGRAM");
    if (named != std::string::npos) {
        const std::size_t bracket = upper.find(']', named);
        if (bracket != std::string::npos) {
            const std::string program = Trimmed(text.substr(named + 8, bracket - named - 8));
            const std::string rest = text.substr(0, named) + text.substr(bracket);
            ControllerReport second = report;
            if (MatchPhase(rest, "COMPILE", second)) {
                second.kind = ControllerReport::Compile;
                second.program = program;
                return second;
            }
        }
    }
    if (MatchPhase(text, "LINK", report)) {
        report.kind = ControllerReport::Link;
        return report;
    }
    report = ControllerReport{ControllerReport::None, report.program};
    return report;
}

std::string FormatControllerReport(const std::string& command, const std::string& line, const ControllerReport& report)
{
    char buffer[1024];
    switch (report.kind) {
    case ControllerReport::None:
        return "Error in command " + command + "\n->" + (line.size() > 1 ? line.substr(1) : std::string());
    case ControllerReport::General:
        std::snprintf(buffer, sizeof buffer, "Error detected in the command %s\r\n->%s", command.c_str(),
                      report.text.c_str());
        return buffer;
    case ControllerReport::Compile:
        if (!report.program.empty())
            std::snprintf(buffer, sizeof buffer,
                          "The following error occured whilst processing the command %s\r\n->Phase %s - Program %s, "
                          "Line %i\n->%s",
                          command.c_str(), "COMPILE", report.program.c_str(), report.line, report.text.c_str());
        else
            std::snprintf(buffer, sizeof buffer,
                          "The following error occured whilst processing the command %s\r\n->Phase %s - Line "
                          "%i\n->%s",
                          command.c_str(), "COMPILE", report.line, report.text.c_str());
        return buffer;
    case ControllerReport::Link:
        std::snprintf(buffer, sizeof buffer,
                      "The following error occured whilst processing the command %s\r\n->Phase %s - Line %i\n->%s",
                      command.c_str(), "LINK", report.line, report.text.c_str());
        return buffer;
    }
    return std::string();
}

