#include "ui/filenamefilter.h"

#include <gtest/gtest.h>

namespace {

TEST(FileNameChecker, EmptyFiltersGiveTheAllPattern)
{
    for (const char* filter : {"", ";;", static_cast<const char*>(nullptr)}) {
        const CFileNameChecker checker(filter);
        ASSERT_EQ(1, checker.GetPatterns().GetSize());
        EXPECT_STREQ("*.*", checker.GetPatterns()[0]);
    }
    const CFileNameChecker two("*.bas;;*.txt;");
    ASSERT_EQ(2, two.GetPatterns().GetSize());
    EXPECT_STREQ("*.txt", two.GetPatterns()[1]);
}

TEST(FileNameChecker, WildcardsMatchWholeNames)
{
    const struct {
        const char* filter;
        const char* name;
        bool matches;
    } cases[] = {
        {"*.bas", "MAIN.BAS", true},      {"*.bas", "x.bas", true},           {"*.bas", "MAIN.TXT", false},
        {"*.*", "README", true},          {"MA?N.bas", "MAIN.bas", true},     {"MA?N.bas", "MAXN.BAS", true},
        {"MAIN.bas", "MAINX.bas", false}, {"a*z.txt", "abc.txt", false},      {"a*z.txt", "abcz.txt", true},
        {"a*z.txt", "ab.txt", false},     {"*.bas;*.txt", "notes.TXT", true}, {"*.prj", "a.prj.bak", false},
        {"READ*", "README", true},        {"READ*", "README.md", true},       {"?", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.filter) + " / " + c.name);
        EXPECT_EQ(c.matches, CFileNameChecker(c.filter).MatchesFilter(c.name));
    }
}

} // namespace
