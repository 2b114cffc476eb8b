// The lexer and the de-tokeniser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simulator/runtime/errors.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/tests/token_bytes.h"
#include "simulator/runtime/tokens.h"

using namespace qcrt;

namespace {

std::vector<uint8_t> Tokenise(const std::string& text, int mode, int32_t* error = nullptr, int capacity = 512)
{
    std::vector<uint8_t> out(static_cast<size_t>(capacity));
    int32_t e = -1;
    int length = TokeniseLine(text, out.data(), capacity, mode, e);
    if (error)
        *error = e;
    else
        EXPECT_EQ(e, 0) << text;
    out.resize(static_cast<size_t>(length));
    return out;
}

std::string Detokenise(const std::vector<uint8_t>& tokens, int mode)
{
    return DetokeniseLine(tokens.data(), 0, static_cast<int>(tokens.size()), mode);
}

constexpr int Z = kTokZero;
constexpr int SP = kTokSpace;

TEST(Lexer, TokenLinesOfTheEdgeCases)
{
    struct Case {
        int mode;
        std::string text;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {0, "a=1:b=2",
         Bytes(kTokName, "a", 0, kTokEqual, kTokNumber, "1", 0, kTokColon, kTokName, "b", 0, kTokEqual, kTokNumber, "2",
               0, Z)},
        // A label, the blank after it, GOTO, one blank, the name.
        {0, "loop: GOTO loop", Bytes(kTokLabel, "loop", 0, SP, kw::GOTO, SP, kTokName, "loop", 0, Z)},
        {0, "top:  a=1", Bytes(kTokLabel, "top", 0, SP, SP, kTokName, "a", 0, kTokEqual, kTokNumber, "1", 0, Z)},
        // After "=" a name followed by ":" is no label.
        {0, "x=y:", Bytes(kTokName, "x", 0, kTokEqual, kTokName, "y", 0, kTokColon, Z)},
        {0, "?VERSION", Bytes(kw::PRINT, kTokParameter, 38, Z)},
        {1, "G01 X10", Bytes(kw::G, kTokNumber, "01", 0, SP, kw::X, kTokNumber, "10", 0, Z)},
        {1, "(text)", Bytes(kTokComment, "text", 0, Z)},
        {0, "X", Bytes(kTokName, "x", 0, Z)}, // G-code letters are names in BASIC
        {0, "X:", Bytes(kTokLabel, "x", 0, Z)},
        // A word before ":" is a label only as the first item of a statement.
        {0, "?a:?b", Bytes(kw::PRINT, kTokName, "a", 0, kTokColon, kw::PRINT, kTokName, "b", 0, Z)},
        {0, "GET aa:?aa", Bytes(kw::GET, SP, kTokName, "aa", 0, kTokColon, kw::PRINT, kTokName, "aa", 0, Z)},
        {0, "NEXT ii:?", Bytes(kw::NEXT, SP, kTokName, "ii", 0, kTokColon, kw::PRINT, Z)},
        {0, "a=1: lbl: b=2",
         Bytes(kTokName, "a", 0, kTokEqual, kTokNumber, "1", 0, kTokColon, SP, kTokLabel, "lbl", 0, SP, kTokName, "b",
               0, kTokEqual, kTokNumber, "2", 0, Z)},
        {0, "one:two:", Bytes(kTokLabel, "one", 0, kTokLabel, "two", 0, Z)},
        {0, "cp a,b", Bytes(kw::COPY, SP, kTokQuotes, "A", kTokQuotes, kTokComma, kTokQuotes, "B", kTokQuotes, Z)},
        {0, "RUN prog", Bytes(kw::RUN, SP, kTokQuotes, "PROG", kTokQuotes, Z)},
        {0, "1.2.3", Bytes(kTokNumber, "1.2", 0, kTokNumber, ".3", 0, Z)},
        {0, "&2,5Rtext",
         Bytes(kw::EDPROG, kTokQuotes, "text", kTokQuotes, kTokComma, kTokNumber, "8", 0, kTokComma, kTokNumber, "5", 0,
               kTokComma, kTokNumber, "2", 0, Z)},
        {0, "&i,x", Bytes(kw::EDPROG, kTokQuotes, "x", kTokQuotes, kTokComma, kTokNumber, "1", 0, Z)},
        {0, "@abc def", Bytes(kw::APPENDPROG, kTokQuotes, "abc def", kTokQuotes, Z)},
        {0, "APPENDPROG abc", Bytes(kw::APPENDPROG, kTokQuotes, "abc", kTokQuotes, Z)},
        {0, "PRINT \"a\\\"b\"", Bytes(kw::PRINT, SP, kTokQuotes, "a\"b", kTokQuotes, Z)},
        {0, "PRINT \"abc", Bytes(kw::PRINT, SP, kTokQuotes, "abc", Z)}, // no closing quote
        {0, "$1fG", Bytes(kTokHex, "1f", 0, kTokName, "g", 0, Z)},
        {0, "$1234567", Bytes(kTokHex, "123456", 0, kTokNumber, "7", 0, Z)},
        {0, "a<=b<>c>=d",
         Bytes(kTokName, "a", 0, kTokLessEqual, kTokName, "b", 0, kTokNotEqual, kTokName, "c", 0, kTokGreaterEqual,
               kTokName, "d", 0, Z)},
        {0, "x 'note", Bytes(kTokName, "x", 0, SP, kTokComment, "'note", 0, Z)},
        {0, "a ~", Bytes(kTokName, "a", 0, SP, kTokCharacter, "~", Z)},
        {0, "a   \t ", Bytes(kTokName, "a", 0, Z)},
        {0, "MPOS AXIS(1)",
         Bytes(kTokParameter, 1, SP, kTokModifier, 0, kTokOpenBracket, kTokNumber, "1", 0, kTokCloseBracket, Z)},
        {0, "TRUE", Bytes(kTokConstant, 2, Z)},
        {0, "Speed_2", Bytes(kTokName, "speed_2", 0, Z)},
        {0, "", Bytes(Z)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Show(Tokenise(c.text, c.mode)), Show(c.expected)) << c.text;
}

TEST(Lexer, ErrorsAreReportedAndLeaveAnEmptyLine)
{
    struct Case {
        std::string text;
        int capacity;
        int32_t error;
    };
    const std::string word78(78, 'a');
    const Case cases[] = {
        {"x=" + word78 + "b", 512, kErrIdentifierExpected}, // 79 characters
        {"PRINT \"a\xE8z\"", 512, kErrQuotesExpected},      // the string-end code inside a string
        {"PRINT \"a\xC8z\"", 512, kErrQuotesExpected},      // the line-end code inside a string
        {"a=1", 5, kErrStringTooLong},                      // does not fit
    };
    for (const Case& c : cases) {
        int32_t error = 0;
        EXPECT_EQ(Show(Tokenise(c.text, 0, &error, c.capacity)), Show(Bytes(Z))) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    int32_t error = -1;
    EXPECT_EQ(Tokenise("x=" + word78, 0, &error), Bytes(kTokName, "x", 0, kTokEqual, kTokName, word78.c_str(), 0, Z));
    EXPECT_EQ(error, 0) << "78 characters are a word";
}

TEST(Lexer, DetokenisedLinesTokeniseToTheSameLine)
{
    struct Case {
        int mode;
        std::string text;
        std::string listed; // "" when the listing is the text itself
    };
    const Case corpus[] = {
        {0, "a=1:b=2", ""},
        {0, "loop: GOTO loop", ""},
        {0, "start:", ""},
        {0, "IF a>=b AND NOT c THEN PRINT \"big\";a[5,2]", ""},
        {0, "cp a,b", "COPY \"A\",\"B\""},
        {0, "RUN prog", "RUN \"PROG\""},
        {0, "RUN prog, 3", "RUN \"PROG\", 3"},
        {0, "?VERSION", "PRINT VERSION"}, // the short form gets its blank
        {0, "?1", "PRINT 1"},
        {0, "?$FF", "PRINT $FF"},
        {0, "? a", "PRINT a"},
        {0, "speed axis(2)=10.5", "SPEED AXIS(2)=10.5"},
        {0, "VR(10)=VR(3)^2-1 ' square", "VR(10)=VR(3)^2-1 ' square"},
        {0, "PRINT \"say \\\"hi\\\" \\\\ bye\"", ""},
        {0, "x=y*(z+.5)/-2", ""},
        {0, "FOR i=1 TO 10 STEP 2", ""},
        {0, "ON x GOSUB a, b, c", ""},
        {0, "100 WA(10)", ""},
        {0, "ma(1000) axis(0)", "MOVEABS(1000) AXIS(0)"},
        {0, "a = b <> c", ""},
        // An "@" line lists as what re-reads to the same text.
        {0, "@x=1", ""},
        {0, "@  PRINT \"a\\\"b\"", ""},
        {0, "APPENDPROG x=1", "@x=1"},
        {0, "APPENDPROG \"x\"", "@\"x\""},
        {1, "G01 X10 Y-2.5 (feed)", ""},
        {1, "N10 G00 Z0", ""},
    };
    // A blank the listing adds behind a short form is the only difference a
    // second tokenising may show.
    auto withoutBlanks = [](std::vector<uint8_t> tokens) {
        std::erase(tokens, static_cast<uint8_t>(SP));
        return tokens;
    };
    for (const Case& c : corpus) {
        std::vector<uint8_t> tokens = Tokenise(c.text, c.mode);
        std::string listed = Detokenise(tokens, c.mode);
        EXPECT_EQ(listed, c.listed.empty() ? c.text : c.listed) << c.text;
        std::vector<uint8_t> again = Tokenise(listed, c.mode);
        EXPECT_EQ(Show(withoutBlanks(again)), Show(withoutBlanks(tokens))) << c.text << " listed as " << listed;
        EXPECT_EQ(Detokenise(again, c.mode), listed) << c.text;
    }
}

TEST(Lexer, DetokeniseStopsAtTheEndOfTheGivenBytesAndAfter120Characters)
{
    std::vector<uint8_t> tokens = Tokenise("PRINT \"" + std::string(150, 'x') + "\":a=1", 0);
    std::string listed = Detokenise(tokens, 0);
    EXPECT_EQ(listed.size(), 6u + 152u) << "the piece that passes 120 is written whole, then it stops";
    std::vector<uint8_t> cut = Bytes(kTokName, "abc"); // no NUL, no end code
    EXPECT_EQ(Detokenise(cut, 0), "abc");
    EXPECT_EQ(Detokenise(Bytes(kTokParameter), 0), "") << "a parameter code without its row";
}

TEST(Lexer, InputNumbers)
{
    struct Case {
        std::string text;
        bool result;
        std::string number;
        bool more;
    };
    const Case cases[] = {
        {"5", true, "5", false},   {"-1.5", true, "-1.5", false}, {".5", true, "0.5", false},
        {"  7", true, "7", false}, {"3,4", true, "3", true},      {"12.", true, "12.", false},
        {"abc", false, "", false}, {"5x", false, "5", false},     {"-", false, "", false},
    };
    for (const Case& c : cases) {
        uint8_t out[16] = {};
        int position = 0;
        int outPosition = 0;
        bool more = false;
        EXPECT_EQ(ReadInputNumber(c.text, position, out, outPosition, sizeof out, more), c.result) << c.text;
        EXPECT_EQ(reinterpret_cast<const char*>(out), c.number) << c.text;
        EXPECT_EQ(more, c.more) << c.text;
    }
    // Two numbers in a row, and no write beyond the output.
    uint8_t out[8] = {};
    int position = 0;
    int outPosition = 0;
    bool more = false;
    ASSERT_TRUE(ReadInputNumber("3,-4", position, out, outPosition, sizeof out, more));
    ASSERT_TRUE(ReadInputNumber("3,-4", position, out, outPosition, sizeof out, more));
    EXPECT_EQ(Show(std::vector<uint8_t>(out, out + outPosition)), Show(Bytes("3", 0, "-4", 0)));
    uint8_t small[3] = {};
    outPosition = 0;
    position = 0;
    EXPECT_FALSE(ReadInputNumber("1234", position, small, outPosition, sizeof small, more));
    EXPECT_EQ(outPosition, 0);
}

} // namespace
