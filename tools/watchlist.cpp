#include "tools/watchlist.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "foundation/textutil.h"

namespace {

std::string Upper(std::string text)
{
    for (char& ch : text)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return text;
}

std::string Lower(std::string text)
{
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

std::string Trimmed(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

std::string Printed(const char* format, long a)
{
    char text[32];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

// A whole decimal number (blanks around it allowed).
std::optional<double> ParseNumber(const std::string& input)
{
    const std::string text = Trimmed(input);
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || value != value)
        return std::nullopt;
    return value;
}

} // namespace

CWatchData::CWatchData(const editor::SWatchItem& item)
{
    const char* end = static_cast<const char*>(std::memchr(item.name, '\0', sizeof item.name));
    m_name.assign(item.name, end ? static_cast<size_t>(end - item.name) : sizeof item.name);
    if (item.vrIndex >= 0) {
        m_vrIndex = item.vrIndex;
        m_name = Upper(m_name);
        return;
    }
    end = static_cast<const char*>(std::memchr(item.program, '\0', sizeof item.program));
    m_program = Upper(std::string(item.program, end ? static_cast<size_t>(end - item.program) : sizeof item.program));
    m_variableIndex = item.index >= 0 ? item.index : -1;
    m_process = item.process >= 0 ? item.process : -1;
}

std::optional<long> ParseVRName(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i + 2 > text.size() || std::toupper(static_cast<unsigned char>(text[i])) != 'V' ||
        std::toupper(static_cast<unsigned char>(text[i + 1])) != 'R')
        return std::nullopt;
    i += 2;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i >= text.size() || text[i] != '(')
        return std::nullopt;
    ++i;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    const size_t digits = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    if (i == digits || i - digits > 9) // more would not be a VR index
        return std::nullopt;
    const long index = std::atol(text.substr(digits, i - digits).c_str());
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i >= text.size() || text[i] != ')')
        return std::nullopt;
    return index;
}

std::optional<double> ParseLookupReply(const std::string& text)
{
    if (text.empty() || text[0] != '0')
        return std::nullopt;
    return ParseNumber(text.substr(1));
}

CWatchList::CWatchList()
{
    for (int row = 0; row < kWatchRows; ++row)
        m_items[row].m_row = -1;
}

const std::string& CWatchList::Cell(int row, int column) const
{
    static const std::string none;
    if (row < 0 || row >= kWatchRows || column < 0 || column >= kWatchColumns)
        return none;
    return m_cells[row][column];
}

bool CWatchList::IsWatched(const std::string& program) const
{
    return m_programs.count(Upper(program)) != 0;
}

void CWatchList::Reference(const std::string& program)
{
    if (!program.empty())
        ++m_programs[program];
}

void CWatchList::Release(const std::string& program)
{
    const auto it = m_programs.find(program);
    if (it != m_programs.end() && --it->second <= 0)
        m_programs.erase(it);
}

std::string CWatchList::FormatValue(double value, bool exponent) const
{
    return static_cast<const char*>(FormatNumber(value, exponent ? 1 : 0, 8));
}

void CWatchList::ShowValue(int row, double value)
{
    m_items[row].m_value = value;
    m_cells[row][kWatchValue] = FormatValue(value, true);
}

bool CWatchList::Add(const CWatchData& source, bool* readNow)
{
    if (readNow)
        *readNow = false;
    if (m_rowsInUse >= kWatchRows || source.m_name.empty())
        return false;
    const int row = m_rowsInUse++;
    CWatchData& item = m_items[row];
    item = source;
    item.m_row = row;
    item.m_pending = 0;
    item.m_program = Upper(item.m_program);
    if (item.IsVr()) {
        ++m_vrRows;
        item.m_program.clear();
        item.m_variableIndex = -1;
    }
    Reference(item.m_program);
    m_cells[row][kWatchName] = item.m_name;
    m_cells[row][kWatchValue].clear();
    m_cells[row][kWatchProgram] = item.m_program;
    m_cells[row][kWatchProcess] = item.m_process >= 0 ? Printed(item.m_pinned ? "[%ld]" : "%ld", item.m_process) : "";
    const bool marked = MarkPending(true);
    if (readNow)
        *readNow = marked;
    return true;
}

bool CWatchList::MarkPending(bool vrOnly)
{
    bool marked = false;
    for (int row = 0; row < m_rowsInUse; ++row) {
        CWatchData& item = m_items[row];
        if (item.IsVr() || (!vrOnly && item.m_process >= 0 && item.m_variableIndex >= 0)) {
            item.m_pending = 1;
            marked = true;
        }
    }
    return marked;
}

bool CWatchList::MarkRowPending(int row)
{
    if (row < 0 || row >= m_rowsInUse)
        return false;
    m_items[row].m_pending = 1;
    return true;
}

int CWatchList::TakeNextPending()
{
    for (int row = 0; row < m_rowsInUse; ++row) {
        CWatchData& item = m_items[row];
        if (item.m_pending && (item.IsVr() || item.m_variableIndex >= 0)) {
            item.m_pending = 0;
            return row;
        }
    }
    return -1;
}

std::optional<SWatchCommand> CWatchList::ReadCommand(const CWatchData& item)
{
    SWatchCommand command;
    if (item.m_variableIndex >= 0 && !item.IsVr()) {
        if (item.m_process < 0)
            return std::nullopt;
        command.id = kCommandReadLocal;
        command.isText = true;
        command.text = Printed("%ld,", item.m_variableIndex) + Printed("%ld", item.m_process);
        return command;
    }
    if (item.IsVr()) {
        command.id = kCommandReadVr;
        command.integer = item.m_vrIndex;
        return command;
    }
    return std::nullopt;
}

CWatchList::ReplyOutcome CWatchList::TakeReply(const CWatchReplyData& reply)
{
    const CWatchData& asked = reply.request;
    if (reply.commandId == kCommandWriteLocal || reply.commandId == kCommandWriteVr)
        return kReplyPassed;
    const int row = asked.m_row;
    // The row must still hold the item that was read.
    if (row < 0 || row >= m_rowsInUse || m_items[row].m_name != asked.m_name ||
        m_items[row].m_program != asked.m_program)
        return kReplyRejected;
    if (reply.commandId == kCommandReadVr) {
        if (!asked.IsVr() || !asked.m_program.empty() || asked.m_variableIndex >= 0)
            return kReplyRejected;
        ShowValue(row, reply.real);
        return kReplyShown;
    }
    if (reply.commandId == kCommandReadLocal) {
        if (asked.IsVr() || asked.m_program.empty() || asked.m_variableIndex < 0)
            return kReplyRejected;
        // Text that is not "0" and a number leaves the value shown.
        if (const std::optional<double> value = ParseLookupReply(reply.text))
            ShowValue(row, *value);
        return kReplyShown;
    }
    return kReplyRejected;
}

void CWatchList::RefreshRow(int row, bool following)
{
    const int last = following ? kWatchRows - 1 : row;
    for (int r = row; r <= last && r < kWatchRows; ++r) {
        const CWatchData& item = m_items[r];
        m_cells[r][kWatchProcess] = item.m_pinned ? Printed("[%ld]", item.m_process) : "";
        m_cells[r][kWatchValue].clear();
        if (following) {
            m_cells[r][kWatchName] = item.m_name;
            m_cells[r][kWatchProgram] = item.m_program;
        } else if (item.m_program.empty()) {
            m_cells[r][kWatchProgram].clear();
        }
    }
}

void CWatchList::RestoreCell(int row, int column)
{
    if (row < 0 || row >= kWatchRows || column < 0 || column >= kWatchColumns)
        return;
    const CWatchData& item = m_items[row];
    switch (column) {
    case kWatchName:
        m_cells[row][column] = item.m_name;
        break;
    case kWatchProgram:
        m_cells[row][column] = item.m_program;
        break;
    default:
        break; // the value and process cells keep what they show
    }
}

bool CWatchList::SetName(int row, const std::string& input)
{
    if (!IsEditableRow(row))
        return false;
    CWatchData& item = m_items[row];
    const std::string text = Trimmed(input);
    if (text == item.m_name) {
        m_cells[row][kWatchName] = item.m_name;
        return false;
    }
    if (text.empty()) {
        // The item goes; the rows below move up.
        Release(item.m_program);
        if (item.IsVr())
            --m_vrRows;
        for (int r = row; r + 1 < kWatchRows; ++r) {
            m_items[r] = m_items[r + 1];
            if (r < m_rowsInUse - 1)
                m_items[r].m_row = r;
        }
        m_items[kWatchRows - 1].Clear();
        --m_rowsInUse;
        RefreshRow(row, true);
        return true;
    }
    if (item.m_name.empty())
        ++m_rowsInUse; // a new item in the first free row
    if (const std::optional<long> index = ParseVRName(text)) {
        if (!item.IsVr())
            ++m_vrRows;
        item.m_vrIndex = static_cast<std::int32_t>(*index);
        item.m_name = Upper(text);
        Release(item.m_program);
        item.m_program.clear();
    } else {
        if (item.IsVr())
            --m_vrRows;
        item.m_vrIndex = -1;
        item.m_name = Lower(text);
    }
    if (!item.m_pinned)
        item.m_process = -1;
    item.m_variableIndex = -1;
    item.m_value = 0.0;
    item.m_row = row;
    m_cells[row][kWatchName] = item.m_name;
    RefreshRow(row, false);
    return true;
}

bool CWatchList::SetProgram(int row, const std::string& input)
{
    if (row < 0 || row >= m_rowsInUse)
        return false; // a program belongs to an item
    CWatchData& item = m_items[row];
    const std::string text = Upper(Trimmed(input));
    if (text == item.m_program || item.IsVr()) {
        m_cells[row][kWatchProgram] = item.m_program;
        return false;
    }
    Release(item.m_program);
    Reference(text);
    if (!item.m_pinned) {
        item.m_process = -1;
        item.m_variableIndex = -1;
    }
    item.m_program = text;
    m_cells[row][kWatchProgram] = text;
    RefreshRow(row, false);
    return true;
}

bool CWatchList::SetProcess(int row, const std::string& input)
{
    if (row < 0 || row >= m_rowsInUse)
        return false;
    CWatchData& item = m_items[row];
    const std::string text = Trimmed(input);
    const int before = item.m_process;
    if (text.empty()) {
        if (item.m_pinned) {
            item.m_pinned = 0;
            item.m_process = -1;
        }
    } else {
        const size_t open = text.find('[');
        const std::string number = open == std::string::npos ? text : text.substr(open + 1);
        char* end = nullptr;
        const double value = std::strtod(number.c_str(), &end);
        if (end == number.c_str() || !(value >= 0.0 && value < 1000.0)) {
            RefreshRow(row, false); // not a process: the cell shows the item again
            return false;
        }
        item.m_process = static_cast<std::int32_t>(value);
        item.m_pinned = 1;
    }
    m_cells[row][kWatchProcess] = item.m_pinned ? Printed("[%ld]", item.m_process) : "";
    if (item.m_process == before)
        return false;
    RefreshRow(row, false);
    return true;
}

std::optional<SWatchCommand> CWatchList::SetValue(int row, const std::string& text, bool writeNamed, bool* readBack)
{
    if (readBack)
        *readBack = false;
    if (row < 0 || row >= m_rowsInUse)
        return std::nullopt;
    m_cells[row][kWatchValue] = text;
    if (Trimmed(text).empty())
        return std::nullopt;
    if (readBack)
        *readBack = true;
    const std::optional<double> value = ParseNumber(text);
    if (!value)
        return std::nullopt; // not a number: only read back
    m_cells[row][kWatchValue] = FormatValue(*value, true);
    const CWatchData& item = m_items[row];
    const std::string valueText = FormatValue(*value, m_exponentAllowed);
    SWatchCommand command;
    command.isText = true;
    if (item.IsVr()) {
        // Written by its stored index: a typed "VR ( 12 )" is one too.
        command.id = kCommandWriteVr;
        command.text = Printed("%ld, ", item.m_vrIndex) + valueText;
        return command;
    }
    if (!writeNamed || m_cells[row][kWatchName].empty() || m_cells[row][kWatchProgram].empty() ||
        m_cells[row][kWatchProcess].empty() || item.m_variableIndex < 0 || item.m_process < 0) {
        m_cells[row][kWatchValue].clear();
        return std::nullopt;
    }
    command.id = kCommandWriteLocal;
    command.text = Printed("%ld,", item.m_variableIndex) + valueText + Printed(",%ld", item.m_process);
    return command;
}

void CWatchList::ResolveVariableIndices(const editor::VariableTable& table)
{
    if (table.empty())
        return;
    const std::string program = Upper(table.begin()->second.m_program);
    if (!IsWatched(program))
        return;
    for (int row = 0; row < m_rowsInUse; ++row) {
        CWatchData& item = m_items[row];
        if (item.IsVr() || item.m_program != program)
            continue;
        auto found = table.find(item.m_name);
        if (found == table.end()) {
            for (auto it = table.begin(); it != table.end(); ++it)
                if (Lower(it->first) == item.m_name) {
                    found = it;
                    break;
                }
        }
        if (found != table.end()) {
            item.m_variableIndex = found->second.m_index;
        } else {
            item.m_variableIndex = -1;
            RefreshRow(row, false);
            m_cells[row][kWatchValue] = "Unknown variable";
        }
    }
}

bool CWatchList::ProcessStarted(const std::string& name, int process, int status)
{
    const std::string program = Upper(name);
    if (!IsWatched(program))
        return false;
    std::set<std::string> taken;
    std::vector<int> chosen;
    for (int row = 0; row < m_rowsInUse; ++row) {
        CWatchData& item = m_items[row];
        if (item.m_program != program || item.m_variableIndex < 0)
            continue;
        if (item.m_process == process) {
            item.m_pending = 1;
            taken.insert(item.m_name);
            if (!item.m_pinned)
                m_cells[row][kWatchProcess] = Printed("%ld", process);
        } else if (item.m_process == -1 && taken.insert(item.m_name).second) {
            chosen.push_back(row);
        }
    }
    for (int row : chosen) {
        m_items[row].m_process = process;
        m_items[row].m_pending = 1;
        m_cells[row][kWatchProcess] = Printed("%ld", process);
    }
    if (status != 3)
        return false;
    bool marked = !taken.empty();
    int vr = m_vrRows;
    for (int row = 0; row < m_rowsInUse && vr > 0; ++row)
        if (m_items[row].IsVr()) {
            m_items[row].m_pending = 1;
            marked = true;
            --vr;
        }
    return marked || m_vrRows > 0;
}

void CWatchList::ProcessStopped(const std::string& name, int process)
{
    if (!IsWatched(name))
        return;
    for (int row = 0; row < m_rowsInUse; ++row) {
        CWatchData& item = m_items[row];
        if (item.m_process != process || item.m_pinned)
            continue;
        item.m_process = -1;
        m_cells[row][kWatchProcess].clear();
        RefreshRow(row, false);
    }
}
