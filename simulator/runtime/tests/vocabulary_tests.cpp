// The vocabulary tables: name look-up and the TOKENTABLE listing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "golden_tokentable.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/fake_host.h"
#include "simulator/runtime/tests/token_bytes.h"
#include "simulator/runtime/vocabulary.h"

using namespace qcrt;

namespace {

TEST(Vocabulary, EveryAliasIsFoundAndTheFirstOfTwoEqualNamesWins)
{
    struct Case {
        const char* word;
        NameKind kind;
        int row;
    };
    const Case cases[] = {
        {"COPY", NameKind::Keyword, kw::COPY},
        {"CP", NameKind::Keyword, kw::COPY},
        {"END", NameKind::Keyword, 78},
        {"PROFIBUS", NameKind::Keyword, 116}, // rows 116 and 117 share the name
        {"S_REF_OUT", NameKind::Parameter, 2},
        {"DAT_IN", NameKind::Parameter, 17},
        {"AMPSTATUS", NameKind::Parameter, 106},
        {"PORT", NameKind::Modifier, 3},
        {"PI", NameKind::Constant, 3},
        {"OFF", NameKind::Constant, 0},
    };
    for (const Case& c : cases) {
        NameMatch match{};
        ASSERT_TRUE(LookUpName(c.word, match)) << c.word;
        EXPECT_EQ(match.kind, c.kind) << c.word;
        EXPECT_EQ(match.row, c.row) << c.word;
    }
    NameMatch match{};
    EXPECT_FALSE(LookUpName("COPYX", match));
    EXPECT_FALSE(LookUpName("", match)) << "the empty end row is no name";
    EXPECT_FALSE(LookUpName("copy", match)) << "the lexer looks up upper-case words";
}

TEST(Vocabulary, SpecialKeywordRows)
{
    FindSpecialKeywords();
    const SpecialKeywords& special = GetSpecialKeywords();
    EXPECT_EQ(special.print, kw::PRINT);
    EXPECT_EQ(special.appendProgram, kw::APPENDPROG);
    EXPECT_EQ(special.editProgram, kw::EDPROG);
    EXPECT_EQ(special.ifRow, kw::IF);
    EXPECT_EQ(special.elseRow, kw::ELSE);
    EXPECT_EQ(special.elseIfRow, kw::ELSEIF);
}

class TokenTableListing : public testing::Test {
protected:
    RuntimeEnvironment env;
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The whole listing as it reaches the link, run on the test thread: the
// output waits for the services whenever the channel's ring is full.
std::string ListTokenTableOnTheLink(FakeHost& host)
{
    {
        InlineProcess inlineProcess(1);
        g_ProcessRecords[1].outputChannel = 0;
        PrintTokenTable(1);
        for (int n = 0; n < 100 && (OutputCount(0) != 0 || PortTxCount(0) != 0); ++n)
            YieldSlice();
    }
    std::string written = host.Written(0);
    size_t start = written.find("[TOKENTABLE]");
    return start == std::string::npos ? std::string() : written.substr(start);
}

TEST_F(TokenTableListing, EveryLineMatchesTheGoldenFile)
{
    std::string listed = ListTokenTableOnTheLink(env.host);
    std::string lines;
    for (const std::string& line : SplitLines(listed))
        lines += line + "\n";
    const std::string golden(reinterpret_cast<const char*>(kTokenTableGolden), sizeof kTokenTableGolden - 1);
    EXPECT_EQ(lines, golden);
    if (lines != golden)
        std::ofstream("tokentable.actual.txt", std::ios::binary) << lines;
}

TEST_F(TokenTableListing, TheHandlerReadsNothingBeyondTheEndOfTheCode)
{
    InlineProcess inlineProcess(1);
    g_ProcessRecords[1].outputChannel = 5;
    const uint8_t code[] = {0, kTokOpenBracket, kTokCloseBracket};
    struct Case {
        int limit;
        int position; // where the handler leaves the position
    };
    for (const Case& c : {Case{3, 3}, Case{2, 1}, Case{1, 1}}) {
        int position = 0;
        ListTokenTable(code, position, c.limit, 1);
        EXPECT_EQ(position, c.position) << "limit " << c.limit;
    }
}

TEST_F(TokenTableListing, ListsTheFourTablesInTheDefinedForm)
{
    std::string written = ListTokenTableOnTheLink(env.host);
    ASSERT_FALSE(written.empty());
    std::vector<std::string> lines = SplitLines(written);
    // [TOKENTABLE], 196 keyword rows, 13 special codes, 170 parameters,
    // 4 modifiers, 4 constants, [EOT].
    ASSERT_EQ(lines.size(), 1u + 196 + 13 + 170 + 4 + 4 + 1);
    EXPECT_EQ(lines.front(), "[TOKENTABLE]");
    EXPECT_EQ(lines.back(), "[EOT]");

    for (int row = 0; row < 196; ++row)
        EXPECT_EQ(lines[1 + row].rfind("C" + std::to_string(row), 0), 0u) << lines[1 + row];
    EXPECT_EQ(lines[1 + 0], "C0TOKENTABLE,0,0,0,0,0,0<cbre>");
    EXPECT_EQ(lines[1 + 2], "C2COPY,2,2,0,0,0,0<ce>") << "an aliased name is listed by its first alias";
    EXPECT_EQ(lines[1 + 30], "C30AND,0,0,0,0,0,30<ore>");
    EXPECT_EQ(lines[1 + 41], "C41LOOKUP,0,0,2,11,2,0<cfbre>");
    EXPECT_EQ(lines[1 + 68], "C68INCLUDE,1,0,0,0,1,39<cre>");
    EXPECT_EQ(lines[1 + 116], "C116PROFIBUS,0,0,3,7,0,0<cfbre>");
    EXPECT_EQ(lines[1 + 117], "C117PROFIBUS,0,0,2,5,0,0<cfbre>");
    EXPECT_EQ(lines[1 + 178], "C178G,0,0,0,0,0,0<e>") << "G-code letters carry no flag of bits 0 to 7";
    EXPECT_EQ(lines[1 + 194], "C194Q,0,0,0,0,0,0<e>");

    const std::vector<std::string> specials(lines.begin() + 197, lines.begin() + 210);
    const std::vector<std::string> expectedSpecials = {
        "S218EOX",           "S219OPENBRACKETS",   "S220CLOSEBRACKETS", "S221COMMA",    "S222NUMBER",
        "S223NAMEDVARIABLE", "S227SYSTEMVARIABLE", "S228MODIFIER",      "S229CONSTANT", "S230ASSIGN",
        "S200ZERO",          "S232QUOTES",         "S236HASH"};
    EXPECT_EQ(specials, expectedSpecials);

    EXPECT_EQ(lines[210], "V0POWER_UP,0<we>");
    EXPECT_EQ(lines[210 + 2], "V2DAC_OUT,1<e>");
    EXPECT_EQ(lines[210 + 160], "V160AOUT0,0<wde>") << "writable and reserved";
    EXPECT_EQ(lines[210 + 169], "V169DEMAND_SPEED,1<e>");
    EXPECT_EQ(lines[380], "M0AXIS,1,1,1");
    EXPECT_EQ(lines[383], "M3PORT,1,1,8");
    EXPECT_EQ(lines[384], "T0OFF,0.0000");
    EXPECT_EQ(lines[386], "T2TRUE,-1.0000");
    EXPECT_EQ(lines[387], "T3PI,3.1416");
}

} // namespace
