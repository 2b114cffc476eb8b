// The INI text layer: headers, entries, sections and the rewrite of one
// section in whole-file text. Plain C++; also built natively.
#include "foundation/iniparse.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/string_lists.h"

namespace {

// ---- The text layer ------------------------------------------------------

struct HeaderCase {
    const char* line;
    bool header;
    const char* name;
};

TEST(IniTextTest, HeaderRules)
{
    const HeaderCase cases[] = {
        {"[Drive1]", true, "Drive1"},
        {"[ Drive1 ]", true, "Drive1"},
        {"[Drive1] ; note", true, "Drive1"},
        {"[A]]", true, "A]"},
        {"[]", false, ""},
        {"[ ]", true, ""},
        {"[A", false, ""},
        {" [A]", false, ""},
        {"A]", false, ""},
        {"", false, ""},
    };
    for (const HeaderCase& c : cases) {
        CString name;
        EXPECT_EQ(c.header, IniText::ParseHeader(c.line, &name)) << c.line;
        if (c.header) {
            EXPECT_STREQ(c.name, name) << c.line;
        }
    }
}

struct EntryCase {
    const char* line;
    bool entry;
    const char* key;
    const char* value;
};

TEST(IniTextTest, EntryRules)
{
    const EntryCase cases[] = {
        {"Speed = 10", true, "Speed", "10"},
        {"  Speed=10  ", true, "Speed", "10"},
        {"Gain=", true, "Gain", ""},
        {"; note=x", true, "; note", "x"},
        {"a=b=c", true, "a", "b=c"},
        {"=value", false, "", ""},
        {"  =value", false, "", ""},
        {"; note", false, "", ""},
        {"", false, "", ""},
    };
    for (const EntryCase& c : cases) {
        CString key, value;
        EXPECT_EQ(c.entry, IniText::SplitEntry(c.line, key, value)) << c.line;
        if (c.entry) {
            EXPECT_STREQ(c.key, key) << c.line;
            EXPECT_STREQ(c.value, value) << c.line;
        }
    }
}

TEST(IniTextTest, ReadsOnlyTheFirstSectionOfAName)
{
    const std::string text = "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nx=3\r\n";
    CStringList lines;
    ASSERT_TRUE(IniText::ReadSection(text, "A", lines));
    EXPECT_EQ(std::vector<std::string>{"x=1"}, ToVector(lines));
    lines.RemoveAll();
    EXPECT_FALSE(IniText::ReadSection(text, "C", lines));
    EXPECT_TRUE(lines.IsEmpty());
}

TEST(IniTextTest, ReplaceKeepsEveryByteOutsideTheSection)
{
    const std::string before = "; top comment\r\n[A]\r\nx=1\r\n\r\n";
    const std::string header = "[Drive1] ; motor\r\n";
    const std::string after = "[B]  ; trailing\n y = 2 \r\nlast line without end";
    const std::string text = before + header + "Speed = 10\r\n; note\r\n\r\n" + after;
    CStringList lines;
    Fill(lines, {"Speed=20", "Gain="});
    EXPECT_EQ(before + header + "Speed=20\r\nGain=\r\n" + after, IniText::ReplaceSection(text, "drive1", lines));
}

TEST(IniTextTest, ReplaceAppendsAMissingSection)
{
    CStringList lines;
    Fill(lines, {"k=v"});
    EXPECT_EQ("[A]\r\nx=1\r\n[New]\r\nk=v\r\n", IniText::ReplaceSection("[A]\r\nx=1\r\n", "New", lines));
    EXPECT_EQ("[A]\nx=1\r\n[New]\r\nk=v\r\n", IniText::ReplaceSection("[A]\nx=1", "New", lines));
    EXPECT_EQ("[New]\r\nk=v\r\n", IniText::ReplaceSection("", "New", lines));
    // A header that is the last line, without a line end, or cut off after
    // its CR: the line end is completed, so the first line written is no
    // part of the header line.
    EXPECT_EQ("[A]\r\nk=v\r\n", IniText::ReplaceSection("[A]", "A", lines));
    EXPECT_EQ("[T\na=1\r\n[A]\r\nk=v\r\n", IniText::ReplaceSection("[T\na=1\r\n[A]\r", "A", lines));
    CStringList read;
    EXPECT_TRUE(IniText::ReadSection(IniText::ReplaceSection("[A]\r", "A", lines), "A", read));
    EXPECT_EQ(std::vector<std::string>{"k=v"}, ToVector(read));
}

TEST(IniTextTest, RemoveSectionKeepsTheRest)
{
    std::string text = "[A]\r\nx=1\r\n[B]\r\ny=2\r\n\r\n[C]\r\nz=3";
    EXPECT_TRUE(IniText::RemoveSection(text, "b", true));
    EXPECT_EQ("[A]\r\nx=1\r\n[C]\r\nz=3", text);
    EXPECT_TRUE(IniText::RemoveSection(text, "C", false));
    EXPECT_EQ("[A]\r\nx=1\r\n[C]\r\n", text);
    EXPECT_FALSE(IniText::RemoveSection(text, "C", false));
    EXPECT_FALSE(IniText::RemoveSection(text, "Missing", true));
    // No trimming inside the brackets when deleting.
    std::string spaced = "[ A ]\r\nx=1\r\n";
    EXPECT_FALSE(IniText::RemoveSection(spaced, "A", true));
}

TEST(IniFileSectionTest, LoadSetRemoveAndModifiedCounts)
{
    CIniFileSection section;
    section.SetName("Drive1");
    section.SetName(nullptr);
    EXPECT_STREQ("Drive1", section.GetName());
    CStringList lines;
    section.LoadFromLines(Fill(lines, {"Speed = 10", "Gain=", "=x", "; note", "Mode=2"}));
    EXPECT_EQ(2, section.GetEntryCount());
    EXPECT_STREQ("10", section.GetValue("speed"));
    EXPECT_FALSE(section.HasKey("Gain"));
    EXPECT_EQ(2, section.GetModifiedCount(FALSE));
    section.ClearModified();
    EXPECT_EQ(0, section.GetModifiedCount(TRUE));
    EXPECT_TRUE(section.SetValue("Mode", "3"));
    EXPECT_FALSE(section.SetValue("Mode", nullptr));
    EXPECT_TRUE(section.RemoveKey("SPEED"));
    EXPECT_FALSE(section.RemoveKey("Speed"));
    EXPECT_EQ(1, section.GetModifiedCount(FALSE));
    EXPECT_EQ(2, section.GetModifiedCount(TRUE));
    CStringList out;
    section.ToLines(out);
    EXPECT_EQ(std::vector<std::string>{"Mode=3"}, ToVector(out));
}

TEST(IniFileEntryTest, SettersRefuseNull)
{
    CIniFileEntry entry("k", "v", 0);
    EXPECT_FALSE(entry.Set(nullptr, "x"));
    EXPECT_FALSE(entry.SetValue(nullptr));
    EXPECT_STREQ("k", entry.m_key);
    EXPECT_STREQ("v", entry.m_value);
    EXPECT_TRUE(entry.SetValue("w", 1));
    EXPECT_EQ(1u, entry.m_modified);
}

} // namespace
