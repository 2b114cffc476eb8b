// The INI text layer: a section name (the input's first line, letters,
// digits, "_" and blanks inside) and a file text (the rest). Reading,
// listing and removing run over any text; replacing a section must keep
// every byte outside that section's body and read back as the lines
// written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/iniparse.h"

namespace {

bool SameLines(const CStringList& a, const CStringList& b)
{
    if (a.GetCount() != b.GetCount())
        return false;
    for (POSITION x = a.GetHeadPosition(), y = b.GetHeadPosition(); x && y;) {
        if (a.GetNext(x) != b.GetNext(y))
            return false;
    }
    return true;
}

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t lf = input.find('\n');
    if (lf == std::string::npos)
        return 0;
    std::string section;
    for (char ch : input.substr(0, lf)) {
        if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_' ||
            (ch == ' ' && !section.empty()))
            section += ch;
    }
    while (!section.empty() && section.back() == ' ')
        section.pop_back();
    const std::string text = input.substr(lf + 1);

    CStringList names;
    IniText::GetSectionNames(text, names);
    CStringList before;
    const bool found = IniText::ReadSection(text, section.c_str(), before);
    std::string removed = text;
    IniText::RemoveSection(removed, section.c_str(), true);
    removed = text;
    IniText::RemoveSection(removed, section.c_str(), false);
    if (section.empty())
        return 0;

    CStringList lines;
    lines.AddTail("Speed=10");
    lines.AddTail("Name = a b");
    const std::string replaced = IniText::ReplaceSection(text, section.c_str(), lines);

    // The lines read back, trimmed.
    CStringList after;
    Require(IniText::ReadSection(replaced, section.c_str(), after));
    CStringList expected;
    expected.AddTail("Speed=10");
    expected.AddTail("Name = a b");
    Require(SameLines(after, expected));

    // Every byte before the header line's end and from the section's end on
    // stays; a missing section only adds at the end.
    const std::vector<IniText::Line> all = IniText::SplitLines(text);
    size_t header = 0;
    for (; header < all.size(); ++header) {
        CString name;
        if (IniText::ParseHeader(std::string_view(text).substr(all[header].begin, all[header].end - all[header].begin),
                                 &name) &&
            name.CompareNoCase(section.c_str()) == 0)
            break;
    }
    Require(found == (header < all.size()));
    if (!found) {
        Require(replaced.compare(0, text.size(), text) == 0);
        return 0;
    }
    const size_t keep = all[header].end;
    Require(replaced.compare(0, keep, text, 0, keep) == 0);
    size_t end = header + 1;
    while (end < all.size() && !(all[end].end > all[end].begin && text[all[end].begin] == '['))
        ++end;
    const std::string tail = end < all.size() ? text.substr(all[end].begin) : std::string();
    Require(replaced.size() >= tail.size() && replaced.compare(replaced.size() - tail.size(), tail.size(), tail) == 0);
    return 0;
}
