#include "editor/linetokens.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

// The states as digits separated by blanks ("11" for an unrecognised one).
std::string StatesOf(const std::string& text)
{
    std::string out;
    for (char s : TokenizeLine(text)) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(static_cast<int>(s));
    }
    return out;
}

TEST(LineTokenizer, StatesPerCharacter)
{
    const struct {
        const char* text;
        const char* states;
    } cases[] = {
        {"loop:", "3 3 3 3 3"},
        {"GOTO loop", "5 5 5 5 1 4 4 4 4"},
        {"a=1 'x", "2 7 6 1 8 8"},
        {"PRINT \"hi\"", "5 5 5 5 5 1 9 9 9 9"},
        {"abC d", "2 2 11 11 11"},
        {"", ""},
        // only the last four or five characters of the word are compared
        {"XGOTO l", "5 5 5 5 5 1 4"},
        {"ON n GOSUB a, b", "5 5 1 2 1 5 5 5 5 5 1 4 7 1 4"},
        {"GOTO a+b", "5 5 5 5 1 4 7 2"},
        {"GOTO a + b", "5 5 5 5 1 4 1 7 1 4"},
        // an indented first word is still a label; only the first word can be
        {"  lp:", "1 1 3 3 3"},
        {"a b:", "2 1 2 7"},
        {"\"x\"", "11 11 11"},
        {"x=$FF", "2 7 6 6 6"},
        {"a\tb", "2 1 2"},
        {"loop", "2 2 2 2"},
        {"a:b", "3 3 2"},
        {"\xe9", "11"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.states, StatesOf(c.text)) << c.text;
}

TEST(LineTokenizer, LabelsNamesAndIncludes)
{
    const std::string text = "  start: x = y + x1 'z";
    const std::string states = TokenizeLine(text);
    EXPECT_EQ("start", LabelAtLineStart(text, states));
    EXPECT_EQ((std::vector<std::string>{"x", "y", "x1"}), NamesUsed(text, states));
    EXPECT_EQ("", LabelAtLineStart("x = 1", TokenizeLine("x = 1")));

    const struct {
        const char* text;
        const char* name;
    } includes[] = {
        {"INCLUDE \"lib_1\"", "lib_1"}, {"  INCLUDE\"Ab\"", "Ab"}, {"INCLUDE lib", ""},
        {"x INCLUDE \"a\"", ""},        {"INCLUDE \"a b\"", ""},   {"INCLUDE \"\"", ""},
        {"INCLUDE \"abc", ""},
    };
    for (const auto& c : includes)
        EXPECT_EQ(c.name, IncludedName(c.text)) << c.text;
}

TEST(LineTokenizer, IndentedCopyStopsAt80)
{
    bool overlong = false;
    EXPECT_EQ("    PRINT a", IndentedCopy("  PRINT a  ", 4, overlong));
    EXPECT_FALSE(overlong);
    const std::string seventySix(76, 'x');
    EXPECT_EQ("    " + seventySix, IndentedCopy(seventySix, 4, overlong));
    EXPECT_FALSE(overlong);
    EXPECT_EQ(" " + seventySix, IndentedCopy(" " + seventySix, 5, overlong));
    EXPECT_TRUE(overlong);
}

} // namespace
} // namespace editor
