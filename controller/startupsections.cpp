// The STARTUP program's sections and their text forms: plain C++, also
// built natively.
#include "controller/startupfile.h"

#include <string_view>

const char STARTUP_START_STANDARD[] = "'Start Standard Section";
const char STARTUP_STOP_STANDARD[] = "'Stop Standard Section";
const char STARTUP_START_CAN[] = "'Start CAN Section";
const char STARTUP_STOP_CAN[] = "'Stop CAN Section";
const char STARTUP_START_DLINK[] = "'Start DLink Section";
const char STARTUP_STOP_DLINK[] = "'Stop DLink Section";
const char STARTUP_START_SERCOS[] = "'Start Sercos Section";
const char STARTUP_STOP_SERCOS[] = "'Stop Sercos Section";
const char STARTUP_START_MECHATROLINK[] = "'Start Mechatrolink Section";
const char STARTUP_STOP_MECHATROLINK[] = "'Stop Mechatrolink Section";
const char STARTUP_START_A4N[] = "'Start Panasonic A4N Section";
const char STARTUP_STOP_A4N[] = "'Stop Panasonic A4N Section";
const char STARTUP_ALT_START_STANDARD[] = "' Start Standard Section";
const char STARTUP_ALT_STOP_STANDARD[] = "' Stop Standard Section";
const char STARTUP_ALT_START_CAN[] = "' Start CAN Section";
const char STARTUP_ALT_STOP_CAN[] = "' Stop CAN Section";
const char STARTUP_ALT_START_DLINK[] = "' Start DLink Section";
const char STARTUP_ALT_STOP_DLINK[] = "' Stop DLink Section";

namespace {

struct MarkerRow {
    int id;
    LPCSTR start;
    LPCSTR stop;
    LPCSTR altStart; // null: the section has no second form
    LPCSTR altStop;
};

const MarkerRow kMarkers[] = {
    {STARTUP_SECTION_STANDARD, STARTUP_START_STANDARD, STARTUP_STOP_STANDARD, STARTUP_ALT_START_STANDARD,
     STARTUP_ALT_STOP_STANDARD},
    {STARTUP_SECTION_CAN, STARTUP_START_CAN, STARTUP_STOP_CAN, STARTUP_ALT_START_CAN, STARTUP_ALT_STOP_CAN},
    {STARTUP_SECTION_DLINK, STARTUP_START_DLINK, STARTUP_STOP_DLINK, STARTUP_ALT_START_DLINK,
     STARTUP_ALT_STOP_DLINK},
    {STARTUP_SECTION_SERCOS, STARTUP_START_SERCOS, STARTUP_STOP_SERCOS, nullptr, nullptr},
    {STARTUP_SECTION_MECHATROLINK, STARTUP_START_MECHATROLINK, STARTUP_STOP_MECHATROLINK, nullptr, nullptr},
    {STARTUP_SECTION_A4N, STARTUP_START_A4N, STARTUP_STOP_A4N, nullptr, nullptr},
};

const MarkerRow* RowOf(int id)
{
    for (const MarkerRow& row : kMarkers)
        if (row.id == id)
            return &row;
    return nullptr;
}

bool IsValidId(int id)
{
    return id >= STARTUP_SECTION_USER && id <= STARTUP_SECTION_LAST;
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\f' || ch == '\v';
}

BOOL MatchMarker(std::string_view line, int& id, BOOL& start)
{
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    // Every marker begins with an apostrophe: most lines go no further. A
    // NUL byte would end the comparison early.
    if (line.empty() || line.front() != '\'' || line.find('\0') != std::string_view::npos)
        return FALSE;
    const CString text(line);
    const auto is = [&text](LPCSTR marker) { return marker && text.CompareNoCase(marker) == 0; };
    for (const MarkerRow& row : kMarkers) {
        if (is(row.start) || is(row.altStart)) {
            id = row.id;
            start = TRUE;
            return TRUE;
        }
        if (is(row.stop) || is(row.altStop)) {
            id = row.id;
            start = FALSE;
            return TRUE;
        }
    }
    return FALSE;
}

void AppendLineTo(std::string& out, std::string_view line)
{
    out.append(line);
    out.append("\r\n");
}

} // namespace

LPCSTR GetStartupStartMarker(int id)
{
    const MarkerRow* row = RowOf(id);
    return row ? row->start : nullptr;
}

LPCSTR GetStartupStopMarker(int id)
{
    const MarkerRow* row = RowOf(id);
    return row ? row->stop : nullptr;
}

BOOL IsStartupMarker(LPCSTR line, int& id, BOOL& start)
{
    return line ? MatchMarker(line, id, start) : FALSE;
}

BOOL IsStartupMarker(const CString& line, int& id, BOOL& start)
{
    return MatchMarker(line.str(), id, start);
}

// ---------------------------------------------------------------- record --

CStartupSectionRecord::CStartupSectionRecord(const CStartupSectionRecord& other)
{
    *this = other;
}

CStartupSectionRecord& CStartupSectionRecord::operator=(const CStartupSectionRecord& other)
{
    if (&other == this)
        return *this;
    m_lines.RemoveAll();
    for (POSITION pos = other.m_lines.GetHeadPosition(); pos;)
        AddLine(other.m_lines.GetNext(pos));
    return *this;
}

POSITION CStartupSectionRecord::AddLine(const CString& line)
{
    // The list takes its values as C strings, which would end a line at
    // its first NUL byte: the copy is made in place instead.
    POSITION pos = m_lines.AddTail("");
    m_lines.GetAt(pos) = line;
    return pos;
}

// ------------------------------------------------------------------ file --

CStartupFile::CStartupFile(LPCSTR path) : m_strPath(path) {}

CStartupFile::~CStartupFile()
{
    m_strPath.Empty();
    RemoveAllSections();
}

void CStartupFile::RemoveAllSections()
{
    while (!m_sections.IsEmpty())
        m_sections.RemoveHead();
}

void CStartupFile::SetPath(LPCSTR path)
{
    m_strPath = path;
    m_diskState = DiskState::NotRead;
    m_diskBytes.clear();
}

BOOL CStartupFile::LoadText(const std::string& text)
{
    RemoveAllSections();
    CStartupSectionRecord* current = m_sections.AddTail();
    if (!current)
        return FALSE;
    current->SetId(STARTUP_SECTION_USER);
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        // CR LF ends a line, and so does a CR at the very end of the file.
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        int id = 0;
        BOOL start = FALSE;
        if (MatchMarker(line, id, start)) {
            // A start marker opens its section; any stop marker, whichever
            // section is open, returns to the user's lines.
            CStartupSectionRecord* next = m_sections.AddTail();
            if (!next)
                return FALSE;
            next->SetId(start ? id : STARTUP_SECTION_USER);
            current = next;
            continue;
        }
        current->AddLine(CString(line));
    }
    return TRUE;
}

BOOL CStartupFile::FormatText(std::string& out) const
{
    out.clear();
    int previous = STARTUP_SECTION_USER;
    // One walk under the list's lock: a walk of single calls could lose
    // sections to a lock time-out half-way and still look complete.
    const BOOL walked = m_sections.ForEach([&](const CStartupSectionRecord& record) {
        if (record.m_lines.IsEmpty())
            return;
        if (record.GetId() != previous) {
            if (LPCSTR stop = GetStartupStopMarker(previous))
                AppendLineTo(out, stop);
            if (LPCSTR start = GetStartupStartMarker(record.GetId()))
                AppendLineTo(out, start);
            previous = record.GetId();
        }
        for (POSITION pos = record.m_lines.GetHeadPosition(); pos;)
            AppendLineTo(out, record.m_lines.GetNext(pos).str());
    });
    if (!walked) {
        out.clear();
        return FALSE;
    }
    if (LPCSTR stop = GetStartupStopMarker(previous))
        AppendLineTo(out, stop);
    return TRUE;
}

BOOL CStartupFile::ScanSections(int id, CStartupSectionRecord*& found, CStartupSectionRecord*& before) const
{
    found = nullptr;
    before = nullptr;
    // One walk under the list's lock: a walk of single calls could miss a
    // section to a lock time-out half-way and take it for absent.
    return m_sections.ForEach([&](const CStartupSectionRecord& record) {
        // The list holds its records as they were made, not as constants.
        CStartupSectionRecord* element = const_cast<CStartupSectionRecord*>(&record);
        if (!found && record.GetId() == id)
            found = element;
        if (!before && record.GetId() < id && !record.m_lines.IsEmpty())
            before = element;
    });
}

CStartupSectionRecord* CStartupFile::FindSection(int id) const
{
    CStartupSectionRecord* found = nullptr;
    CStartupSectionRecord* before = nullptr;
    return ScanSections(id, found, before) ? found : nullptr;
}

BOOL CStartupFile::HasSection(int id) const
{
    return FindSection(id) ? TRUE : FALSE;
}

BOOL CStartupFile::ClearSection(int id)
{
    CStartupSectionRecord* found = nullptr;
    CStartupSectionRecord* before = nullptr;
    if (!ScanSections(id, found, before))
        return FALSE;
    if (found)
        found->m_lines.RemoveAll();
    return TRUE;
}

CStartupSectionRecord* CStartupFile::SectionForAppend(int id)
{
    if (!IsValidId(id))
        return nullptr;
    CStartupSectionRecord* found = nullptr;
    CStartupSectionRecord* before = nullptr;
    if (!ScanSections(id, found, before))
        return nullptr;
    if (found)
        return found;
    // Before the first record in the file of a lower id, so generated
    // sections stand in their fixed order ahead of the user's lines; the
    // other records keep their places. Records without lines are not in
    // the file and do not count.
    CStartupSectionRecord* added = m_sections.InsertBefore(nullptr, before);
    if (added)
        added->SetId(id);
    return added;
}

POSITION CStartupFile::AppendLine(const CString& line, int id)
{
    CStartupSectionRecord* record = SectionForAppend(id);
    return record ? record->AddLine(line) : nullptr;
}

POSITION CStartupFile::AppendLine(LPCSTR line, int id)
{
    return AppendLine(CString(line), id);
}

BOOL CStartupFile::AppendLines(const CStringList& lines, int id)
{
    if (lines.IsEmpty())
        return TRUE;
    CStartupSectionRecord* record = SectionForAppend(id);
    if (!record)
        return FALSE;
    for (POSITION pos = lines.GetHeadPosition(); pos;)
        record->AddLine(lines.GetNext(pos));
    return TRUE;
}
