#include "framework/cstring.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct FormatCase {
    const char* format;
    double value;
    const char* expected;
};

TEST(CStringFormat, FloatingPointConversionsUseTwoDigitExponents)
{
    const FormatCase cases[] = {
        {"%e", 0.01, "1.000000e-02"},   {"%.4e", 12345.678, "1.2346e+04"}, {"%g", 1e-10, "1e-10"},
        {"%G", 2.5e20, "2.5E+20"},      {"%.4f", -0.00001, "-0.0000"},     {"%10.3f", 3.14159, "     3.142"},
        {"%-8.1f|", 2.25, "2.2     |"},
    };
    for (const auto& c : cases) {
        CString s;
        s.Format(c.format, c.value);
        EXPECT_STREQ(c.expected, s) << c.format;
    }
}

TEST(CStringFormat, IntegersTextsAndAppend)
{
    CString s;
    s.Format("%d|%5i|%-4d|%04X|%x|%lu|%s|%c|%%", -12, 42, 7, 0xBEEF, 255, 4000000000ul, "abc", 'Z');
    EXPECT_STREQ("-12|   42|7   |BEEF|ff|4000000000|abc|Z|%", s);

    s.AppendFormat(" %lld", 1234567890123ll);
    EXPECT_STREQ("-12|   42|7   |BEEF|ff|4000000000|abc|Z|% 1234567890123", s);

    CString big;
    big.Format("%s%s", std::string(3000, 'x').c_str(), "end");
    EXPECT_EQ(3003, big.GetLength());
    EXPECT_STREQ("end", big.Right(3));
}

TEST(CStringExtract, MidLeftRightClampOutOfRangeArguments)
{
    const CString s("Hello World");
    const struct {
        CString got;
        const char* expected;
    } cases[] = {
        {s.Mid(6), "World"},
        {s.Mid(6, 3), "Wor"},
        {s.Mid(20), ""},
        {s.Mid(-3, 2), "He"},
        {s.Mid(9, 100), "ld"},
        {s.Mid(3, -1), ""},
        {s.Left(5), "Hello"},
        {s.Left(0), ""},
        {s.Left(99), "Hello World"},
        {s.Left(-1), ""},
        {s.Right(5), "World"},
        {s.Right(99), "Hello World"},
        {s.Right(-2), ""},
        {s.SpanIncluding("HeloW "), "Hello Wo"},
        {s.SpanExcluding(" "), "Hello"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.expected, c.got);
}

TEST(CStringSearch, FindReverseFindAndFindOneOf)
{
    const CString s("a.b.c:d");
    EXPECT_EQ(1, s.Find('.'));
    EXPECT_EQ(3, s.Find('.', 2));
    EXPECT_EQ(-1, s.Find('.', 4));
    EXPECT_EQ(-1, s.Find('x'));
    EXPECT_EQ(-1, s.Find('a', 99));
    EXPECT_EQ(2, s.Find("b.c"));
    EXPECT_EQ(-1, s.Find("b.c", 3));
    EXPECT_EQ(0, s.Find(""));
    EXPECT_EQ(3, s.ReverseFind('.'));
    EXPECT_EQ(-1, s.ReverseFind('z'));
    EXPECT_EQ(5, s.FindOneOf(":;"));
    EXPECT_EQ(-1, s.FindOneOf("xyz"));
    EXPECT_EQ(-1, CString().Find('a'));
}

TEST(CStringChange, TrimCaseReplaceInsertDelete)
{
    CString s(" \t padded \r\n");
    EXPECT_STREQ("padded", s.Trim());
    s = "xxabcxx";
    EXPECT_STREQ("abcxx", CString(s).TrimLeft('x'));
    EXPECT_STREQ("xxabc", CString(s).TrimRight('x'));
    EXPECT_STREQ("bc", CString(s).Trim("xa"));
    EXPECT_STREQ("", CString("   ").Trim());

    s = "Mixed Case 123";
    EXPECT_STREQ("MIXED CASE 123", CString(s).MakeUpper());
    EXPECT_STREQ("mixed case 123", CString(s).MakeLower());
    EXPECT_STREQ("321 esaC dexiM", CString(s).MakeReverse());

    s = "one two one two one";
    EXPECT_EQ(3, s.Replace("one", "1"));
    EXPECT_STREQ("1 two 1 two 1", s);
    EXPECT_EQ(0, s.Replace("", "x"));
    EXPECT_EQ(2, s.Replace("two", ""));
    EXPECT_STREQ("1  1  1", s);
    EXPECT_EQ(4, s.Replace(' ', '_'));
    EXPECT_EQ(4, s.Remove('_'));
    EXPECT_STREQ("111", s);

    s = "ace";
    EXPECT_EQ(4, s.Insert(1, 'b'));
    EXPECT_EQ(5, s.Insert(3, "d"));
    EXPECT_EQ(6, s.Insert(99, "!"));
    EXPECT_STREQ("abcde!", s);
    EXPECT_EQ(3, s.Delete(3, 10));
    EXPECT_STREQ("abc", s);
    EXPECT_EQ(3, s.Delete(-1));
}

TEST(CStringCompare, CaseSensitiveAndNoCase)
{
    const struct {
        const char* a;
        const char* b;
        int compare;
        int noCase;
    } cases[] = {
        {"abc", "abc", 0, 0}, {"abc", "ABC", 1, 0}, {"abc", "abd", -1, -1}, {"ab", "abc", -1, -1},
        {"b", "A", 1, 1},     {"", "", 0, 0},       {"Z", "a", -1, 1},      {"\xE9", "a", 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.compare, CString(c.a).Compare(c.b)) << c.a << " vs " << c.b;
        EXPECT_EQ(c.noCase, CString(c.a).CompareNoCase(c.b)) << c.a << " vs " << c.b;
        EXPECT_EQ(-c.compare, CString(c.b).Compare(c.a));
        EXPECT_EQ(-c.noCase, CString(c.b).CompareNoCase(c.a));
    }
    EXPECT_TRUE(CString("x") == "x");
    EXPECT_TRUE("x" == CString("x"));
    EXPECT_TRUE(CString("x") != CString("y"));
}

TEST(CStringBuffer, GetBufferReleaseBufferTakesLengthFromNul)
{
    CString s("abc");
    char* p = s.GetBuffer(20);
    std::strcpy(p, "longer text");
    s.ReleaseBuffer();
    EXPECT_STREQ("longer text", s);
    EXPECT_EQ(11, s.GetLength());

    p = s.GetBuffer();
    p[2] = '\0';
    s.ReleaseBuffer();
    EXPECT_STREQ("lo", s);

    p = s.GetBufferSetLength(4);
    std::memcpy(p, "wxyz", 4);
    s.ReleaseBuffer(3);
    EXPECT_STREQ("wxy", s);
}

TEST(CStringTokenize, SkipsRunsOfDelimiters)
{
    const CString s(",,a, b,,c,");
    int pos = 0;
    std::vector<std::string> tokens;
    for (CString t = s.Tokenize(", ", pos); pos >= 0; t = s.Tokenize(", ", pos))
        tokens.push_back(t.GetString());
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), tokens);
}

} // namespace
