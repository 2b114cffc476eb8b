#include "project/tablelist.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "foundation/textutil.h"

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

void SkipBlanks(const char*& p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
}

// An optional sign, digits, an optional "." with digits, an optional
// exponent; the text converted, or false when no number stands there.
bool ReadNumber(const char*& p, double& value)
{
    const char* start = p;
    const char* q = p;
    if (*q == '+' || *q == '-')
        ++q;
    const char* digits = q;
    while (std::isdigit(static_cast<unsigned char>(*q)))
        ++q;
    bool any = q > digits;
    if (*q == '.') {
        ++q;
        const char* fraction = q;
        while (std::isdigit(static_cast<unsigned char>(*q)))
            ++q;
        any = any || q > fraction;
    }
    if (!any)
        return false;
    if (*q == 'e' || *q == 'E') {
        const char* e = q + 1;
        if (*e == '+' || *e == '-')
            ++e;
        if (std::isdigit(static_cast<unsigned char>(*e))) {
            while (std::isdigit(static_cast<unsigned char>(*e)))
                ++e;
            q = e;
        }
    }
    value = std::atof(std::string(start, q).c_str());
    p = q;
    return true;
}

bool ReadIndex(const char*& p, long& index)
{
    const char* q = p;
    while (std::isdigit(static_cast<unsigned char>(*q)))
        ++q;
    if (q == p || q - p > 9)
        return false; // no digits, or more than an index can hold
    index = std::atol(std::string(p, q).c_str());
    p = q;
    return true;
}

} // namespace

CTableList::CTableList() = default;

CTableList::~CTableList()
{
    Clear();
}

void CTableList::Clear()
{
    Lock lock(m_lock);
    m_values.clear();
    m_values.shrink_to_fit();
    m_nCapacity = 0;
    m_nCount = 0;
}

long CTableList::GetStart() const
{
    Lock lock(m_lock);
    return m_nStart;
}

void CTableList::SetStart(long start)
{
    Lock lock(m_lock);
    if (start >= 0)
        m_nStart = start;
}

int CTableList::GetCount() const
{
    Lock lock(m_lock);
    return m_nCount;
}

const double* CTableList::GetValues() const
{
    Lock lock(m_lock);
    return m_values.empty() ? nullptr : m_values.data();
}

void CTableList::SetGrowth(int growth)
{
    Lock lock(m_lock);
    if (growth >= 4)
        m_nGrowth = growth;
}

void CTableList::SetDefaultValue(double value)
{
    Lock lock(m_lock);
    m_dDefault = value;
}

void CTableList::SetExponentAllowed(BOOL allowed)
{
    Lock lock(m_lock);
    m_bExponent = allowed;
}

void CTableList::SetLineLength(int length)
{
    Lock lock(m_lock);
    m_nLineLength = length;
}

int CTableList::GetLineLength() const
{
    Lock lock(m_lock);
    return m_nLineLength;
}

BOOL CTableList::GrowByLocked()
{
    try {
        m_values.resize(static_cast<std::size_t>(m_nCapacity) + static_cast<std::size_t>(m_nGrowth), m_dDefault);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    m_nCapacity += m_nGrowth;
    return TRUE;
}

BOOL CTableList::GrowBy()
{
    Lock lock(m_lock);
    return GrowByLocked();
}

BOOL CTableList::Resize(int n, BOOL shrink)
{
    Lock lock(m_lock);
    if (n < 0)
        return FALSE;
    if (n > m_nCapacity || (n < m_nCapacity && shrink)) {
        try {
            m_values.resize(static_cast<std::size_t>(n), m_dDefault);
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
        m_nCapacity = n;
    }
    if (m_nCount >= n)
        m_nCount = n > 0 ? n - 1 : 0;
    return TRUE;
}

BOOL CTableList::SetCount(int n)
{
    Lock lock(m_lock);
    if (n < 0)
        return FALSE;
    if (n <= m_nCount) {
        m_nCount = n;
        return TRUE;
    }
    while (m_nCapacity < n) {
        if (!GrowByLocked())
            return FALSE;
    }
    for (int i = m_nCount; i < n; ++i)
        m_values[static_cast<std::size_t>(i)] = m_dDefault;
    m_nCount = n;
    return TRUE;
}

BOOL CTableList::AddValue(double value)
{
    Lock lock(m_lock);
    if (m_nCount + 1 >= m_nCapacity && !GrowByLocked())
        return FALSE;
    m_values[static_cast<std::size_t>(m_nCount++)] = value;
    return TRUE;
}

double CTableList::GetValue(long index) const
{
    Lock lock(m_lock);
    if (index < m_nStart || index - m_nStart >= m_nCount)
        return m_dDefault;
    return m_values[static_cast<std::size_t>(index - m_nStart)];
}

BOOL CTableList::SetValue(long index, double value)
{
    Lock lock(m_lock);
    if (index < m_nStart || index - m_nStart >= m_nCount)
        return FALSE;
    m_values[static_cast<std::size_t>(index - m_nStart)] = value;
    return TRUE;
}

void CTableList::Fill(double value)
{
    Lock lock(m_lock);
    for (int i = 0; i < m_nCount; ++i)
        m_values[static_cast<std::size_t>(i)] = value;
}

BOOL CTableList::CopyFrom(const CTableList& other)
{
    if (&other == this)
        return TRUE;
    std::scoped_lock lock(m_lock, other.m_lock);
    m_nStart = other.m_nStart;
    if (!SetCount(other.m_nCount))
        return FALSE;
    for (int i = 0; i < other.m_nCount; ++i)
        m_values[static_cast<std::size_t>(i)] = other.m_values[static_cast<std::size_t>(i)];
    return TRUE;
}

BOOL CTableList::FindValue(int mode, double x, BOOL absolute) const
{
    Lock lock(m_lock);
    for (int i = 0; i < m_nCount; ++i) {
        double v = m_values[static_cast<std::size_t>(i)];
        if (absolute)
            v = std::fabs(v);
        bool met = false;
        switch (mode) {
        case 0: met = v == x; break;
        case 1: met = v < x; break;
        case 2: met = v <= x; break;
        case 3: met = v > x; break;
        case 4: met = v >= x; break;
        default: break;
        }
        if (met)
            return TRUE;
    }
    return FALSE;
}

CString CTableList::ValueText(double value) const
{
    return FormatNumber(value, m_bExponent, 8);
}

CString CTableList::FormatValues(long first, int n, char separator) const
{
    Lock lock(m_lock);
    CString text;
    if (n < 1 || first < m_nStart || first - m_nStart >= m_nCount)
        return text;
    const long end = std::min<long>(first + n, m_nStart + m_nCount);
    for (long index = first; index < end; ++index) {
        if (index > first)
            text += separator;
        text += ValueText(m_values[static_cast<std::size_t>(index - m_nStart)]);
    }
    return text;
}

void CTableList::FormatTableCommands(CStringList& lines, int valuesPerLine, int longestLine) const
{
    Lock lock(m_lock);
    CString line;
    int onLine = 0;
    auto emit = [&] {
        if (!line.IsEmpty()) {
            lines.AddTail(line + ")");
            line.Empty();
            onLine = 0;
        }
    };
    for (int i = 0; i < m_nCount; ++i) {
        const CString value = ValueText(m_values[static_cast<std::size_t>(i)]);
        if (value.GetLength() > 40) {
            emit();
            continue;
        }
        for (int attempt = 0; attempt < 2; ++attempt) {
            CString candidate = line;
            if (candidate.IsEmpty())
                candidate.Format("TABLE(%ld", m_nStart + i);
            const int length = candidate.GetLength() + 1 + value.GetLength();
            if (length < longestLine - 2 && length < m_nLineLength - 2 && onLine < valuesPerLine) {
                line = candidate + "," + value;
                ++onLine;
                break;
            }
            if (line.IsEmpty())
                break; // does not fit even alone: left out
            emit();
        }
    }
    emit();
}

std::string CTableList::WriteTableCommands(int valuesPerLine, int longestLine) const
{
    CStringList lines;
    FormatTableCommands(lines, valuesPerLine, longestLine);
    std::string text;
    for (POSITION pos = lines.GetHeadPosition(); pos;)
        text += std::string(lines.GetNext(pos).GetString()) + "\r\n";
    return text;
}

std::string CTableList::WriteDelimitedValues(int valuesPerLine, char indexSeparator, char valueSeparator) const
{
    Lock lock(m_lock);
    if (valuesPerLine < 1)
        valuesPerLine = 1;
    std::string text;
    for (int i = 0; i < m_nCount; ++i) {
        if (i % valuesPerLine == 0)
            text += std::to_string(m_nStart + i) + indexSeparator;
        else
            text += valueSeparator;
        text += ValueText(m_values[static_cast<std::size_t>(i)]).GetString();
        if ((i + 1) % valuesPerLine == 0)
            text += "\r\n";
    }
    return text;
}

BOOL CTableList::TakeFirstIndex(long index)
{
    if (m_nCount == 0) {
        m_nStart = index;
        return TRUE;
    }
    return index == m_nStart + m_nCount ? TRUE : FALSE;
}

namespace {

// The values behind a line's first index: each after blanks, a separator
// (first before the first value, rest before every later one) and blanks.
// A line of TABLE form ends at ")", a delimited one at its end; false for
// anything else.
bool ParseValues(const char* p, char first, char rest, bool closedByParenthesis, std::vector<double>& values)
{
    for (;;) {
        SkipBlanks(p);
        if (closedByParenthesis ? *p == ')' : *p == '\0')
            return true;
        if (*p++ != (values.empty() ? first : rest))
            return false;
        SkipBlanks(p);
        double value;
        if (!ReadNumber(p, value))
            return false;
        values.push_back(value);
    }
}

} // namespace

BOOL CTableList::StoreLine(long index, const std::vector<double>& values)
{
    // The whole line has been checked before anything is stored.
    if (!TakeFirstIndex(index))
        return FALSE;
    for (double value : values) {
        if (!AddValue(value))
            return FALSE;
    }
    return TRUE;
}

BOOL CTableList::ParseTableLine(const char* line)
{
    if (!line)
        return FALSE;
    Lock lock(m_lock);
    const char* p = line;
    SkipBlanks(p);
    static const char kTable[] = "TABLE";
    for (int i = 0; i < 5; ++i, ++p) {
        if (std::toupper(static_cast<unsigned char>(*p)) != kTable[i])
            return FALSE;
    }
    SkipBlanks(p);
    if (*p++ != '(')
        return FALSE;
    SkipBlanks(p);
    long index;
    std::vector<double> values;
    if (!ReadIndex(p, index) || !ParseValues(p, ',', ',', true, values))
        return FALSE;
    return StoreLine(index, values);
}

BOOL CTableList::ParseSeparatedLine(const char* line, char firstSeparator, char valueSeparator)
{
    if (!line)
        return FALSE;
    Lock lock(m_lock);
    const char* p = line;
    SkipBlanks(p);
    long index;
    std::vector<double> values;
    if (!ReadIndex(p, index) || !ParseValues(p, firstSeparator, valueSeparator, false, values))
        return FALSE;
    return StoreLine(index, values);
}

BOOL CTableList::LoadLines(const LineReader& reader)
{
    return LoadWith(reader, [this](const std::string& line) { return ParseTableLine(line.c_str()); });
}

BOOL CTableList::LoadSeparatedLines(const LineReader& reader, char firstSeparator, char valueSeparator)
{
    return LoadWith(reader, [&](const std::string& line) {
        return ParseSeparatedLine(line.c_str(), firstSeparator, valueSeparator);
    });
}

BOOL CTableList::LoadWith(const LineReader& reader, const std::function<BOOL(const std::string&)>& parse)
{
    std::string line;
    while (reader(line)) {
        // Blank lines (a hand-edited file's last line) are passed over.
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (!parse(line))
            return FALSE;
    }
    return TRUE;
}

CTableList::LineReader MakeTextLineReader(const std::string& text)
{
    auto position = std::make_shared<std::size_t>(0);
    auto body = std::make_shared<std::string>(text);
    return [position, body](std::string& line) {
        std::size_t& at = *position;
        if (at >= body->size())
            return false;
        const std::size_t end = body->find_first_of("\r\n", at);
        if (end == std::string::npos) {
            line = body->substr(at);
            at = body->size();
            return true;
        }
        line = body->substr(at, end - at);
        at = end + 1;
        if ((*body)[end] == '\r' && at < body->size() && (*body)[at] == '\n')
            ++at;
        return true;
    };
}
