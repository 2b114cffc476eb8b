#include "link/tests/support/program_store.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "foundation/crc.h"
#include "link/tests/support/scripted_controller.h"

namespace {

// The quoted texts of a command, in order ("COPY \"A\" \"B\"": A, B); rest
// gets what follows the last quote.
std::vector<std::string> QuotedTexts(const std::string& command, std::string* rest = nullptr)
{
    std::vector<std::string> texts;
    std::size_t at = 0;
    std::size_t end = 0;
    while ((at = command.find('"', end)) != std::string::npos) {
        end = command.find('"', at + 1);
        if (end == std::string::npos)
            break;
        texts.push_back(command.substr(at + 1, end - at - 1));
        ++end;
    }
    if (rest)
        *rest = texts.empty() ? std::string() : command.substr(end == std::string::npos ? command.size() : end);
    return texts;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

std::string FormatValue(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

} // namespace

void CProgramStore::Attach(CScriptedController& link)
{
    link.SetReplyCallback([this](const std::string& command, ScriptedReply& reply) { return Answer(command, reply); });
}

void CProgramStore::Attach(CControllerScript& script)
{
    script.SetReplyCallback([this](const std::string& command, ScriptedReply& reply) { return Answer(command, reply); });
}

std::string CProgramStore::Upper(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

ScriptedReply CProgramStore::Error(int number, const char* text)
{
    return ScriptedReply("%[COMMAND " + std::to_string(number) + "] " + text);
}

CProgramStore::Program* CProgramStore::Find(const std::string& name)
{
    const std::string key = Upper(name);
    for (Program& program : m_programs)
        if (program.name == key)
            return &program;
    return nullptr;
}

CProgramStore::Program* CProgramStore::SelectedProgram()
{
    return m_selected.empty() ? nullptr : Find(m_selected);
}

std::string CProgramStore::Listed(const std::string& line) const
{
    if (!m_upperCase)
        return line;
    // Words outside strings and comments, as a tokenised line lists them.
    std::string listed = line;
    bool quoted = false;
    for (char& c : listed) {
        if (c == '"')
            quoted = !quoted;
        else if (c == '\'' && !quoted)
            break;
        else if (!quoted)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return listed;
}

std::uint16_t CProgramStore::CheckValue(const std::vector<std::string>& lines)
{
    return ProgramLinesCrc(lines);
}

bool CProgramStore::Answer(const std::string& command, ScriptedReply& reply)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!command.empty() && command[0] == '&')
        return AnswerEdit(command, reply);
    std::string rest;
    const std::vector<std::string> names = QuotedTexts(command, &rest);
    if (StartsWith(command, "SELECT ") && names.size() == 1) {
        Program* program = Find(names[0]);
        if (!program) {
            m_programs.push_back(Program{Upper(names[0]), 0, {""}});
            program = &m_programs.back();
        }
        const std::size_t digit = rest.find_first_of("0123456789");
        if (digit != std::string::npos)
            program->type = std::atoi(rest.c_str() + digit);
        m_selected = program->name;
        reply = ScriptedReply();
        return true;
    }
    if (command == "NEW ALL") {
        m_programs.clear();
        m_selected.clear();
        reply = ScriptedReply();
        return true;
    }
    if (StartsWith(command, "NEW ") && names.size() == 1) {
        if (Upper(names[0]) == "TABLE") {
            m_table.clear();
        } else {
            for (std::size_t n = 0; n < m_programs.size(); ++n)
                if (m_programs[n].name == Upper(names[0]))
                    m_programs.erase(m_programs.begin() + static_cast<std::ptrdiff_t>(n));
            if (m_selected == Upper(names[0]))
                m_selected.clear();
        }
        reply = ScriptedReply();
        return true;
    }
    if ((StartsWith(command, "COPY ") || StartsWith(command, "RENAME ")) && names.size() == 2) {
        Program* source = Find(names[0]);
        if (!source) {
            reply = Error(47, "Program not found");
            return true;
        }
        const std::string destination = Upper(names[1]);
        if (StartsWith(command, "COPY ")) {
            Program copy = *source;
            copy.name = destination;
            if (Program* existing = Find(destination))
                *existing = copy;
            else
                m_programs.push_back(copy);
        } else {
            if (Find(destination)) {
                reply = Error(48, "Program already exists");
                return true;
            }
            if (m_selected == source->name)
                m_selected = destination;
            source->name = destination;
        }
        reply = ScriptedReply();
        return true;
    }
    if (command == "DIR X") {
        std::string text;
        for (const Program& program : m_programs) {
            std::size_t size = 0;
            for (const std::string& line : program.lines)
                size += line.size() + 1;
            text += (text.empty() ? "" : "\n") + program.name + "," + std::to_string(size) + "," +
                    std::to_string(size) + ",0," + std::to_string(program.type);
        }
        reply = ScriptedReply(text);
        return true;
    }
    if ((StartsWith(command, "RUN ") || StartsWith(command, "STOP ")) && names.size() == 1) {
        Program* program = Find(names[0]);
        if (!program) {
            reply = Error(47, "Program not found");
            return true;
        }
        const std::size_t comma = rest.find(',');
        const int process = comma == std::string::npos ? m_runProcess : std::atoi(rest.c_str() + comma + 1);
        reply = ScriptedReply();
        const std::string head = "%[Process " + std::to_string(process);
        reply.statusLines.push_back(StartsWith(command, "RUN ")
                                        ? head + ":Program " + program->name + "] - Running"
                                        : head + ":Line 0] (31) - Program is stopped");
        return true;
    }
    if (command == "?TSIZE[0];") {
        reply = ScriptedReply(std::to_string(m_table.size()));
        return true;
    }
    int first = 0, last = 0, format = 0;
    if (std::sscanf(command.c_str(), "TABLEVALUES(%d,%d,%d)", &first, &last, &format) == 3) {
        if (first < 0 || last < first || last >= static_cast<int>(m_table.size())) {
            reply = Error(54, "Array index out of range");
            return true;
        }
        std::string text;
        for (int n = first; n <= last; ++n)
            text += (n == first ? "" : ",") + FormatValue(m_table[static_cast<std::size_t>(n)]);
        reply = ScriptedReply(text);
        return true;
    }
    int index = 0;
    char* end = nullptr;
    int consumed = 0;
    if (std::sscanf(command.c_str(), "VR(%d)=%n", &index, &consumed) == 1 && consumed > 0) {
        const char* value = command.c_str() + consumed;
        const double number = std::strtod(value, &end);
        if (end == value || *end != '\0')
            return false;
        m_vr[index] = number;
        reply = ScriptedReply();
        return true;
    }
    if (std::sscanf(command.c_str(), "?VR(%d);", &index) == 1) {
        const auto found = m_vr.find(index);
        reply = ScriptedReply(FormatValue(found == m_vr.end() ? 0.0 : found->second));
        reply.markEndsLastLine = true;
        return true;
    }
    return false;
}

bool CProgramStore::AnswerEdit(const std::string& command, ScriptedReply& reply)
{
    // "&" [first ["," second]] letter ["," text]
    std::size_t at = 1;
    long numbers[2] = {-1, -1};
    int count = 0;
    while (count < 2 && at < command.size() && std::isdigit(static_cast<unsigned char>(command[at]))) {
        numbers[count++] = std::strtol(command.c_str() + at, nullptr, 10);
        while (at < command.size() && std::isdigit(static_cast<unsigned char>(command[at])))
            ++at;
        if (at < command.size() && command[at] == ',')
            ++at;
    }
    if (at >= command.size())
        return false;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(command[at])));
    std::string text = command.substr(at + 1);
    if (!text.empty() && text[0] == ',')
        text.erase(0, 1);
    Program* program = SelectedProgram();
    const long lineCount = program ? static_cast<long>(program->lines.size()) : 0;
    reply = ScriptedReply();
    switch (letter) {
    case 'C':
        reply = ScriptedReply(program ? program->name : std::string());
        return true;
    case 'N':
        reply = ScriptedReply(std::to_string(lineCount));
        return true;
    case 'Z': {
        Program* named = text.empty() ? program : Find(text);
        if (!named) {
            reply = Error(47, "Program not found");
            return true;
        }
        reply = ScriptedReply(std::to_string(CheckValue(named->lines)));
        return true;
    }
    default:
        break;
    }
    if (!program) {
        reply = Error(33, "No program selected");
        return true;
    }
    const long n = numbers[0] < 0 ? 0 : numbers[0];
    switch (letter) {
    case 'L':
        if (n >= lineCount) {
            reply = Error(67, "Invalid line number");
            return true;
        }
        reply = ScriptedReply(Listed(program->lines[static_cast<std::size_t>(n)]));
        return true;
    case 'R':
    case 'I':
        if (n > lineCount || (letter == 'R' && n == lineCount)) {
            reply = Error(67, "Invalid line number");
            return true;
        }
        if (letter == 'R')
            program->lines[static_cast<std::size_t>(n)] = Listed(text);
        else
            program->lines.insert(program->lines.begin() + n, Listed(text));
        reply = ScriptedReply(Listed(text));
        return true;
    case 'D': {
        const long to = count == 2 ? numbers[1] : n;
        if (n >= lineCount || to < n) {
            reply = Error(67, "Invalid line number");
            return true;
        }
        const long end = to < lineCount ? to + 1 : lineCount;
        program->lines.erase(program->lines.begin() + n, program->lines.begin() + end);
        reply = ScriptedReply("OK");
        return true;
    }
    default:
        return false;
    }
}

void CProgramStore::SetProgram(const std::string& name, const std::vector<std::string>& lines, int type)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (Program* program = Find(name)) {
        program->lines = lines;
        program->type = type;
    } else {
        m_programs.push_back(Program{Upper(name), type, lines});
    }
}

bool CProgramStore::HasProgram(const std::string& name) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return const_cast<CProgramStore*>(this)->Find(name) != nullptr;
}

std::vector<std::string> CProgramStore::Lines(const std::string& name) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const Program* program = const_cast<CProgramStore*>(this)->Find(name);
    return program ? program->lines : std::vector<std::string>();
}

std::vector<std::string> CProgramStore::Names() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::string> names;
    for (const Program& program : m_programs)
        names.push_back(program.name);
    return names;
}

int CProgramStore::Count() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_programs.size());
}

void CProgramStore::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_programs.clear();
    m_selected.clear();
    m_table.clear();
    m_vr.clear();
}

std::string CProgramStore::Selected() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_selected;
}

void CProgramStore::SetTable(const std::vector<double>& values)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_table = values;
}

std::vector<double> CProgramStore::Table() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_table;
}

void CProgramStore::SetVR(int index, double value)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_vr[index] = value;
}

double CProgramStore::VR(int index) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_vr.find(index);
    return found == m_vr.end() ? 0.0 : found->second;
}

void CProgramStore::SetUpperCaseListing(bool on)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_upperCase = on;
}

void CProgramStore::SetRunProcess(int process)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_runProcess = process;
}
