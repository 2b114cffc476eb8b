#include "foundation/matcher.h"

#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

const std::int32_t kUnset = -123456;
const double kRealMark = 1.7976931348623158e303;

TEST(MatchTextTest, Integers)
{
    std::int32_t a = kUnset;
    std::int32_t b = kUnset;
    EXPECT_TRUE(MatchText("12,-7", "%d,%d", &a, &b));
    EXPECT_EQ(12, a);
    EXPECT_EQ(-7, b);

    a = b = kUnset;
    EXPECT_FALSE(MatchText("12,x", "%d,%d", &a, &b));
    EXPECT_EQ(12, a); // stored before the failure
    EXPECT_EQ(kUnset, b);

    // The controller's marks for a value that does not fit.
    struct Mark {
        const char* pattern;
        const char* input;
        bool matches;
        std::uint32_t value;
    };
    const Mark marks[] = {
        {"%i", "##.#", true, 0x7FFFFFFF},
        {"%i", "-##.#", true, 0x7FFFFFFF},
        {"%ld", "#.#", true, 0x7FFFFFFF},
        {"%u", "###.##", true, 0xFFFFFFFF},
        {"%lu", "###.##", true, 0xFFFFFFFF},
        {"%u", "####", false, 0},
        {"%i", "##.", false, 0},
        {"%i", "##.#,", false, 0}, // the mark must end the input
        {"%u", "-5", false, 0},
        {"%d", "4294967295", true, 0xFFFFFFFF}, // wraps at 32 bits
        {"%u", "4294967296", true, 0},
    };
    for (const Mark& m : marks) {
        SCOPED_TRACE(std::string(m.pattern) + " on " + m.input);
        std::uint32_t value = 0;
        EXPECT_EQ(m.matches, MatchText(m.input, m.pattern, &value) != FALSE);
        if (m.matches) {
            EXPECT_EQ(m.value, value);
        }
    }
}

TEST(MatchTextTest, Reals)
{
    struct Case {
        const char* input;
        bool matches;
        bool stored;
        double value;
    };
    const Case cases[] = {
        {"2.5e3", true, true, 2500.0},   {"2.5E-2", true, true, 0.025},    {"-0.125", true, true, -0.125},
        {"7.", true, true, 7.0},         {"1e+5", false, true, 1.0}, // "+" is no exponent sign here
        {"1.5e", false, true, 1.5},                                  // the value before the "e" is kept
        {"-###", true, true, kRealMark}, {"##.##", true, true, kRealMark}, {"#.", false, false, 0.0},
        {".5", false, false, 0.0},       {"-x", false, false, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        double value = -1.0;
        EXPECT_EQ(c.matches, MatchText(c.input, "%f", &value) != FALSE);
        if (c.stored) {
            EXPECT_DOUBLE_EQ(c.value, value);
        } else {
            EXPECT_EQ(-1.0, value);
        }
    }
    double value = 0;
    EXPECT_TRUE(MatchText("3.25", "%lf", &value));
    EXPECT_DOUBLE_EQ(3.25, value);
}

TEST(MatchTextTest, TextAndCharacters)
{
    char buffer[4];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_FALSE(MatchText("abcdef", "%s", buffer, 4)); // input remains
    EXPECT_STREQ("abc", buffer);

    char name[16] = "";
    std::int32_t size = 0;
    EXPECT_TRUE(MatchText("MAIN,1024", "%s,%d", name, static_cast<int>(sizeof name), &size));
    EXPECT_STREQ("MAIN", name);
    EXPECT_EQ(1024, size);

    // Leading blanks are kept; the field ends at the next pattern character.
    std::int32_t first = 0;
    char second[16] = "";
    EXPECT_TRUE(MatchText("7, 1.5", "%i,%s", &first, second, 16));
    EXPECT_STREQ(" 1.5", second);

    // A field before "]" ends at the character after it.
    char word[16] = "";
    EXPECT_TRUE(MatchText("ab;cd", "[%s];cd", word, 16));
    EXPECT_STREQ("ab", word);

    // A "%s" the input never reaches stores an empty text.
    char rest[8] = "junk";
    std::int32_t axis = 0;
    EXPECT_TRUE(MatchText("AXIS3=", "AXIS%i=%s", &axis, rest, 8));
    EXPECT_STREQ("", rest);

    EXPECT_FALSE(MatchText("abc", "%s", static_cast<char*>(nullptr), 4));
    EXPECT_FALSE(MatchText("abc", "%s", buffer, 0));

    char c = 0;
    EXPECT_TRUE(MatchText("x=Q", "x=%c", &c));
    EXPECT_EQ('Q', c);
}

TEST(MatchTextTest, LiteralsAndEscapes)
{
    EXPECT_TRUE(MatchText("50%", "50%%"));
    EXPECT_TRUE(MatchText("[a]{b|c}", "%[a%]%{b%|c%}"));
    EXPECT_FALSE(MatchText("Abc", "abc"));
    EXPECT_FALSE(MatchText("ab", "abc"));
    EXPECT_FALSE(MatchText("abcd", "abc"));
    EXPECT_TRUE(MatchText("", ""));
    EXPECT_FALSE(MatchText("1", "%q"));
    EXPECT_FALSE(MatchText("1", "%"));
    EXPECT_FALSE(MatchText(nullptr, "abc"));
}

TEST(MatchTextTest, OptionalGroups)
{
    std::uint32_t a = 0;
    std::uint32_t b = 999;
    EXPECT_TRUE(MatchText("AXIS 3", "AXIS %u[ %u]", &a, &b));
    EXPECT_EQ(3u, a);
    EXPECT_EQ(999u, b); // not present: keeps the preset value
    EXPECT_TRUE(MatchText("AXIS 3 4", "AXIS %u[ %u]", &a, &b));
    EXPECT_EQ(4u, b);

    // A failed group consumes what it read; the rest must still match.
    std::int32_t x = 0;
    std::int32_t y = kUnset;
    EXPECT_FALSE(MatchText("5,x", "%d[,%d]", &x, &y));
    EXPECT_EQ(kUnset, y);

    // Every conversion fills its own argument, also after a skipped group.
    std::int32_t v1 = kUnset;
    std::int32_t v2 = kUnset;
    std::int32_t v3 = kUnset;
    EXPECT_TRUE(MatchText("1;3", "%d[,%d][;%d]", &v1, &v2, &v3));
    EXPECT_EQ(1, v1);
    EXPECT_EQ(kUnset, v2);
    EXPECT_EQ(3, v3);

    // At the end of the input, white space and ", " before a group pass.
    std::int32_t n = 0;
    std::int32_t m = kUnset;
    EXPECT_TRUE(MatchText("12", "%d, [%d]", &n, &m));
    EXPECT_TRUE(MatchText("12", "%d ", &n));
    EXPECT_FALSE(MatchText("12", "%d,x", &n));
    EXPECT_FALSE(MatchText("12", "%d%d", &n, &m));
}

TEST(MatchTextTest, Alternatives)
{
    std::int32_t value = 0;
    EXPECT_TRUE(MatchText("ON", "{ON|OFF}"));
    EXPECT_TRUE(MatchText("OFF", "{ON|OFF}"));
    EXPECT_FALSE(MatchText("UP", "{ON|OFF}"));
    EXPECT_TRUE(MatchText("B=7", "{A|B}=%d", &value));
    EXPECT_EQ(7, value);
    EXPECT_FALSE(MatchText("A", "A{x|y}")); // alternatives are not optional
}

TEST(MatchTextTest, ScanArgumentTextsOfTheCommandTable)
{
    // Reply and argument scans as the controller link uses them.
    char name[16];
    std::int32_t size = 0;
    std::int32_t crc = 0;
    std::int32_t type = 0;
    std::int32_t proc = 0;
    EXPECT_TRUE(MatchText("P1,100,200,1,0", "%s,%ld,%ld,%d,%d", name, 16, &size, &crc, &type, &proc));
    EXPECT_STREQ("P1", name);
    EXPECT_EQ(200, crc);

    std::int32_t i1 = 0;
    std::int32_t i2 = 0;
    char mid[16];
    EXPECT_TRUE(MatchText("5,3.5,2", "%i,%s,%i", &i1, mid, 16, &i2));
    EXPECT_EQ(5, i1);
    EXPECT_STREQ("3.5", mid);
    EXPECT_EQ(2, i2);
}

TEST(MatchTextTest, NumberReadersGiveBackOnlyTheSign)
{
    const char* input = "-x";
    std::int32_t i = 0;
    EXPECT_FALSE(MatchInteger(input, i));
    EXPECT_STREQ("-x", input);

    input = "-5";
    std::uint32_t u = 0;
    EXPECT_FALSE(MatchUnsigned(input, u));
    EXPECT_STREQ("-5", input);

    input = "##x";
    EXPECT_FALSE(MatchInteger(input, i));
    EXPECT_STREQ("x", input); // the mark read so far stays consumed

    input = "12ab";
    EXPECT_TRUE(MatchInteger(input, i));
    EXPECT_EQ(12, i);
    EXPECT_STREQ("ab", input);

    double d = 0;
    input = "3.75 ";
    EXPECT_TRUE(MatchReal(input, d));
    EXPECT_DOUBLE_EQ(3.75, d);
    EXPECT_STREQ(" ", input);
    input = "1e-3";
    EXPECT_TRUE(MatchRealWithExponent(input, d));
    EXPECT_DOUBLE_EQ(0.001, d);
}

TEST(FieldsTest, CountFields)
{
    struct Case {
        const char* text;
        int withoutEmpty;
        int withEmpty;
    };
    const Case cases[] = {
        {"a,,b", 1, 3}, {"", 0, 1}, {"   ", 0, 1}, {"a,b,c", 3, 3}, {"a, ,c", 1, 3}, {"a,b,", 2, 3}, {",a", 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.withoutEmpty, CountFields(c.text, ',', FALSE));
        EXPECT_EQ(c.withEmpty, CountFields(c.text, ',', TRUE));
    }
}

TEST(FieldsTest, CheckFieldCountCutsToNFields)
{
    struct Case {
        int n;
        const char* text;
        BOOL allowEmpty;
        BOOL result;
        const char* after;
    };
    const Case cases[] = {
        {5, "P1,100,200,1,0,7", FALSE, TRUE, "P1,100,200,1,0"},
        {5, "P1,100,200,1,0,", FALSE, TRUE, "P1,100,200,1,0"},
        {5, "P1,100,200,1,0", FALSE, TRUE, "P1,100,200,1,0"},
        {5, "P1,100,200", FALSE, FALSE, "P1,100,200"},
        {5, "P1,,200,1,0,7", FALSE, FALSE, "P1,,200,1,0,7"},
        {3, "P1,,200,1", TRUE, TRUE, "P1,,200"},
        {2, "a,", FALSE, FALSE, "a,"},
        {2, "a,", TRUE, TRUE, "a,"},
        {1, "", TRUE, TRUE, ""},
        {1, "", FALSE, FALSE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " of '" << c.text << "'");
        CString text = c.text;
        EXPECT_EQ(c.result, CheckFieldCount(c.n, text, ',', c.allowEmpty));
        EXPECT_EQ(CString(c.after), text);
    }
}

} // namespace
