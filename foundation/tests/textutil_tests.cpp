#include "foundation/textutil.h"

#include "foundation/bytenames.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(FormatNumberTest, FixedAndExponentForms)
{
    struct Case {
        double value;
        BOOL allowExponent;
        int minDecimals;
        const char* text;
    };
    const Case cases[] = {
        {0.0, TRUE, 3, "0.0"},          {0.1, FALSE, 1, "0.1"},
        {2.5, TRUE, 3, "2.5"},          {3.0, FALSE, 0, "3"},
        {100.0, TRUE, 2, "100.0"},      {123.456, TRUE, 8, "123.456"},
        {-0.25, TRUE, 1, "-0.25"},      {1.0 / 3.0, FALSE, 1, "0.333333"},
        {0.0001, TRUE, 1, "0.0001"},    {10000000000.0, TRUE, 1, "10000000000.0"},
        {0.00001, FALSE, 1, "0.00001"}, {12345678901.0, TRUE, 1, "1.23456789e+10"},
        {0.00001, TRUE, 1, "1.0e-5"},   {-2.5e20, TRUE, 2, "-2.5e+20"},
        {1.0e100, TRUE, 1, "1.0e+100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CString(c.text), FormatNumber(c.value, c.allowExponent, c.minDecimals));
    }
}

TEST(NumberTextTest, IntegerHexAndRealChecks)
{
    struct Case {
        BOOL (*check)(CString&, BOOL);
        const char* name;
        const char* text;
        BOOL valid;
        const char* normalised;
    };
    const Case cases[] = {
        {IsIntegerText, "integer", "-12", TRUE, "-12"},
        {IsIntegerText, "integer", "12a", FALSE, "12a"},
        {IsIntegerText, "integer", " 0042 ", TRUE, "0042"},
        {IsIntegerText, "integer", "+7", TRUE, "+7"},
        {IsIntegerText, "integer", "-", FALSE, "-"},
        {IsIntegerText, "integer", "1 2", FALSE, "1 2"},
        {IsIntegerText, "integer", "   ", FALSE, "   "},
        {IsHexText, "hex", "1aF", TRUE, "1aF"},
        {IsHexText, "hex", " ff ", TRUE, "ff"},
        {IsHexText, "hex", "fg", FALSE, "fg"},
        {IsHexText, "hex", "0x1F", FALSE, "0x1F"},
        {IsHexText, "hex", "", FALSE, ""},
        {IsRealText, "real", "-1.5", TRUE, "-1.5"},
        {IsRealText, "real", " 3. ", TRUE, "3."},
        {IsRealText, "real", "1.2.3", FALSE, "1.2.3"},
        {IsRealText, "real", "1,5kg", TRUE, "15"},
        {IsRealText, "real", ".", FALSE, "."},
        {IsRealText, "real", "abc", FALSE, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " '" + c.text + "'");
        CString text = c.text;
        EXPECT_EQ(c.valid, c.check(text, FALSE));
        EXPECT_EQ(CString(c.text), text);
        EXPECT_EQ(c.valid, c.check(text, TRUE));
        EXPECT_EQ(CString(c.normalised), text);
    }
    EXPECT_TRUE(IsIntegerText("-12"));
    EXPECT_FALSE(IsHexText(nullptr));
    EXPECT_TRUE(IsRealText("0.5"));
}

TEST(NumberTextTest, HexAndDecimalConversions)
{
    struct Case {
        CString (*convert)(LPCSTR);
        const char* text;
        const char* result;
    };
    const Case cases[] = {
        {DecimalTextToHexText, "255", "ff"},       {DecimalTextToHexText, "  16", "10"},
        {DecimalTextToHexText, "16 ", "0"},        {DecimalTextToHexText, "1a", "0"},
        {DecimalTextToHexText, "-5", "0"},         {DecimalTextToHexText, "4294967295", "ffffffff"},
        {DecimalTextToHexText, "4294967296", "0"}, // wraps at 32 bits
        {DecimalTextToHexText, "", "0"},           {HexTextToDecimalText, "0x1F", "31"},
        {HexTextToDecimalText, "0XfF", "255"},     {HexTextToDecimalText, "  10", "16"},
        {HexTextToDecimalText, "FFFFFFFF", "-1"},  {HexTextToDecimalText, "1G", "0"},
        {HexTextToDecimalText, "0x", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CString(c.result), c.convert(c.text));
    }

    EXPECT_EQ(255, HexByteToValue("ff"));
    EXPECT_EQ(10, HexByteToValue("0A"));
    EXPECT_EQ(1, HexByteToValue("g1"));
    EXPECT_EQ(0, HexByteToValue(""));
    EXPECT_EQ(-1, HexByteToValue("123"));

    EXPECT_DOUBLE_EQ(2.5e3, ParseDouble("2.5e3xyz"));
    EXPECT_FLOAT_EQ(0.1f, ParseFloat("0.1"));
    EXPECT_EQ(42u, ParseUnsigned("42abc"));
    EXPECT_EQ(0u, ParseUnsigned("abc"));
}

TEST(TextTest, CopyTextBoundedNeverWritesPastTheCapacity)
{
    struct Case {
        int capacity;
        const char* source;
        int count;
        BOOL result;
        const char* copied; // null: destination untouched
    };
    const Case cases[] = {
        {4, "abc", 10, TRUE, "abc"},     {4, "abcd", 10, FALSE, "abc"}, {4, "abcdef", 2, TRUE, "ab"},
        {1, "a", 1, FALSE, ""},          {0, "a", 1, FALSE, nullptr},   {4, "a", 0, FALSE, nullptr},
        {4, nullptr, 3, FALSE, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.capacity << " '" << (c.source ? c.source : "(null)") << "' " << c.count);
        char buffer[8];
        std::memset(buffer, 'X', sizeof buffer);
        EXPECT_EQ(c.result, CopyTextBounded(buffer, c.capacity, c.source, c.count));
        if (c.copied) {
            EXPECT_STREQ(c.copied, buffer);
        } else {
            EXPECT_EQ('X', buffer[0]);
        }
        for (int i = c.capacity > 0 ? c.capacity : 0; i < 8; ++i)
            EXPECT_EQ('X', buffer[i]) << "byte " << i;
    }
    EXPECT_FALSE(CopyTextBounded(nullptr, 4, "a", 1));
}

TEST(TextTest, SmallTextHelpers)
{
    EXPECT_TRUE(IsDigitOrSign('7'));
    EXPECT_TRUE(IsDigitOrSign('-'));
    EXPECT_TRUE(IsDigitOrSign('+'));
    EXPECT_FALSE(IsDigitOrSign('.'));
    EXPECT_TRUE(StringsDiffer("a", "A"));
    EXPECT_FALSE(StringsDiffer("a", "a"));
    EXPECT_FALSE(StringsDiffer(nullptr, ""));

    CString text = "a\nb\n";
    EXPECT_EQ(6, InsertCarriageReturns(text));
    EXPECT_EQ(CString("a\r\nb\r\n"), text);

    CString messy = "a\tb\r\nc \t";
    EXPECT_EQ(CString("a b  c"), ControlCharsToSpaces(messy));
}

TEST(TextTest, ByteNames)
{
    const std::pair<BYTE, const char*> cases[] = {
        {0, "<NUL>"}, {16, "<SLE>"}, {17, "<DC1>"}, {26, "<SIB>"},  {27, "<ESC>"},   {31, "<US>"},
        {32, "<Sp>"}, {33, "!"},     {126, "~"},    {127, "<DEL>"}, {128, "<0x80>"}, {255, "<0xff>"},
    };
    for (const auto& [value, name] : cases) {
        SCOPED_TRACE(static_cast<int>(value));
        EXPECT_STREQ(name, ByteName(value));
    }
    EXPECT_EQ(CString("<CR><LF>>><Sp>"), TextToByteNames("\r\n>> "));
    const BYTE bytes[] = {0x1B, '1', 0x00, 0xF6};
    EXPECT_EQ(CString("<ESC>1<NUL><0xf6>"), BufferToByteNames(bytes, 4));
    EXPECT_EQ(CString(""), BufferToByteNames(nullptr, 4));
    EXPECT_EQ(CString(""), TextToByteNames(nullptr));
}

TEST(TextTest, NormaliseIPv4Text)
{
    const std::pair<const char*, const char*> cases[] = {
        {"192.168.001.010", "192.168.1.10"},
        {"300.1.1.1", "0.0.0.0"},
        {" 10. 0.0.1", "10.0.0.1"},
        {"000.0.00.255", "0.0.0.255"},
        {"1.2.3.4 ", "1.2.3.4"},
        {"1.2.3", "0.0.0.0"},
        {"1.2.3.4.5", "0.0.0.0"},
        {"-1.2.3.4", "0.0.0.0"},
        {"-0.2.3.4", "0.0.0.0"},
        {"1.2.-0.4", "0.0.0.0"},
        {"+1.2.3.4", "1.2.3.4"},
        {"1.2.3.x", "0.0.0.0"},
        {"1..3.4", "0.0.0.0"},
        {"99999999999.1.1.1", "0.0.0.0"},
        {"", "0.0.0.0"},
    };
    for (const auto& [text, normalised] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(CString(normalised), NormaliseIPv4Text(text));
    }
}

TEST(TextTest, CompareNatural)
{
    struct Case {
        const char* a;
        const char* b;
        int expected; // exact where the value is defined, else its sign
        bool exact;
    };
    const Case cases[] = {
        {"", "x", -1, true},       {"x", " ", 1, true},         {" ", "", 0, true},
        {"abc", "123", 2, true},   {"123", "abc", -2, true},    {"10", "9", 1, true},
        {"-3", "2", -5, true},     {" 5", "5 ", 0, true},       {"2147483647", "-2147483648", 1, false}, // no overflow
        {"abc", "ABD", -1, false}, {"Zeta", "alpha", 1, false}, {"_x", "1", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << c.a << "' vs '" << c.b << "'");
        const int result = CompareNatural(c.a, c.b);
        if (c.exact) {
            EXPECT_EQ(c.expected, result);
        } else {
            EXPECT_EQ(c.expected, (result > 0) - (result < 0));
        }
    }
    EXPECT_GT(CompareIntsAscending(1, 2), 0);
    EXPECT_LT(CompareIntsAscending(2, 1), 0);
    EXPECT_EQ(0, CompareIntsAscending(5, 5));
    EXPECT_GT(CompareIntsAscending(INT_MIN, INT_MAX), 0);
}

std::vector<std::string> Wrap(const char* text, int width)
{
    CStringArray lines;
    const int count = WrapText(
        text, width, [](const CString& s) { return s.GetLength(); }, lines);
    std::vector<std::string> out;
    for (INT_PTR i = 0; i < lines.GetSize(); ++i)
        out.push_back(lines[i].GetString());
    EXPECT_EQ(static_cast<int>(out.size()), count);
    return out;
}

TEST(TextTest, WrapText)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ((Lines{"the quick ", "brown fox"}), Wrap("the quick brown fox", 10));
    EXPECT_EQ((Lines{"abcdefghi", "jklmno"}), Wrap("abcdefghijklmno", 10));
    EXPECT_EQ((Lines{"ab", "cd"}), Wrap("ab\r\ncd", 10));
    EXPECT_EQ((Lines{"one", "", "two"}), Wrap("one\n\ntwo", 10));
    EXPECT_EQ((Lines{"a b c d e f"}), Wrap("a b c d e f", 0));
    EXPECT_EQ(Lines{}, Wrap("", 10));
}

TEST(TextTest, CompactPath)
{
    const char* path = "C:\\Users\\Engineer\\Projects\\demo.prj";
    EXPECT_EQ(CString(path), CompactPath(path, 0));
    EXPECT_EQ(CString("C:\\..\\Engineer\\Projects\\demo.prj"), CompactPath(path, 1));
    EXPECT_EQ(CString("C:\\..\\Projects\\demo.prj"), CompactPath(path, 2));
    EXPECT_EQ(CString("C:\\..\\demo.prj"), CompactPath(path, 3));
    EXPECT_EQ(CString("C:\\..\\demo.prj"), CompactPath(path, 9));
    EXPECT_EQ(CString("C:\\demo.prj"), CompactPath("C:\\demo.prj", 2));

    // A UNC path keeps its server and share.
    const char* unc = "\\\\server\\share\\Projects\\Axis\\demo.prj";
    EXPECT_EQ(CString(unc), CompactPath(unc, 0));
    EXPECT_EQ(CString("\\\\server\\share\\..\\Axis\\demo.prj"), CompactPath(unc, 1));
    EXPECT_EQ(CString("\\\\server\\share\\..\\demo.prj"), CompactPath(unc, 5));
    EXPECT_EQ(CString("\\\\server\\share\\demo.prj"), CompactPath("\\\\server\\share\\demo.prj", 2));
    EXPECT_EQ(CString("\\\\server\\share"), CompactPath("\\\\server\\share", 2));

    auto chars = [](const CString& s) { return s.GetLength(); };
    EXPECT_EQ(CString(path), CompactPathToWidth(path, 100, chars));
    EXPECT_EQ(CString("C:\\..\\Projects\\demo.prj"), CompactPathToWidth(path, 25, chars));
    // Nothing left to drop: the shortest form, even if still too wide.
    EXPECT_EQ(CString("C:\\..\\demo.prj"), CompactPathToWidth(path, 3, chars));
}

} // namespace
