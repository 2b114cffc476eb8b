#include "editor/basickeys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

namespace editor {
namespace {

KeywordLineSource LinesOf(const std::string& text)
{
    auto stream = std::make_shared<std::istringstream>(text);
    return [stream](std::string& line) { return static_cast<bool>(std::getline(*stream, line)); };
}

std::string Keyword(const std::string& name, const std::string& params, const char* brackets = "false",
                    const std::string& extra = {})
{
    std::string k = "<keyword><id>7</id><name>" + name + "</name><parameters>" + params + "</parameters>" + extra;
    if (brackets)
        k += std::string("<brackets>") + brackets + "</brackets>";
    return k + "</keyword>\n";
}

std::string File(const std::string& keywords)
{
    return "<?xml version=\"1.0\"?>\n<vexo_basic>\n<keywords>\n" + keywords + "</keywords>\n</vexo_basic>\n";
}

TEST(KeywordFile, ReadsRecordsInFileOrder)
{
    const std::string text = File(
        "<keyword>\n  <id>-12</id>\n  <type>command</type>\n  <name>PRINT</name>\n"
        "  <min_quotes>1</min_quotes><max_quotes>2</max_quotes>\n"
        "  <min_params>0</min_params><max_params>x9</max_params>\n"
        "  <modifier>8</modifier><flags>cr</flags><value>v</value>\n"
        "  <parameters>[#n,] expr</parameters><subsequence>3</subsequence>\n"
        "  <brackets>TRUE</brackets>\n</keyword>\n" +
        Keyword("NOBRACKETS", "", nullptr) +
        Keyword("ABS", "(x)", "true", "<help><p>text</p><name>WRONG</name></help><id>1</id><id>2</id>"));
    std::vector<CBasicKeyRecord> records;
    std::string error;
    ASSERT_TRUE(ReadKeywordFile(LinesOf(text), records, error)) << error;
    ASSERT_EQ(2u, records.size());
    const CBasicKeyRecord& p = records[0];
    EXPECT_EQ(-12, p.id);
    EXPECT_EQ("command", p.type);
    EXPECT_EQ("PRINT", p.name);
    EXPECT_EQ(1, p.minQuotes);
    EXPECT_EQ(2, p.maxQuotes);
    EXPECT_EQ(0, p.maxParams);
    EXPECT_EQ(8, p.modifier);
    EXPECT_EQ("cr", p.flags);
    EXPECT_EQ("v", p.value);
    EXPECT_EQ("[#n,] expr", p.parameters);
    EXPECT_EQ(3, p.subsequence);
    EXPECT_EQ(1, p.brackets);
    // The unknown element and its children are skipped; a field given
    // twice keeps the last value.
    EXPECT_EQ("ABS", records[1].name);
    EXPECT_EQ(2, records[1].id);
    EXPECT_EQ(1, records[1].brackets);
}

TEST(KeywordFile, MalformedFilesLeaveNothing)
{
    const char* bad[] = {
        "<vexo_basic><keywords><keyword><name>A</name><brackets>1</brackets></keyword></keys></vexo_basic>",
        "<vexo_basic></keywords>",
        "</vexo_basic>",
        "<vexo_basic><keywords><keyword><name>A</name><brackets>1</brackets></keyword>\n<keyword",
    };
    for (const char* text : bad) {
        std::vector<CBasicKeyRecord> records;
        std::string error;
        EXPECT_FALSE(ReadKeywordFile(LinesOf(text), records, error)) << text;
        EXPECT_TRUE(records.empty());
        EXPECT_FALSE(error.empty());
    }
}

class KeywordTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string text = File(Keyword("PRINT", "expr") + Keyword("ABS", "(x)") + Keyword("print", "#n, expr") +
                                      Keyword("PROC", "(n)") + Keyword("PRINT", "again"));
        ASSERT_TRUE(m_table.EnsureLoaded([&](std::vector<CBasicKeyRecord>& records) {
            std::string error;
            return ReadKeywordFile(LinesOf(text), records, error);
        }));
    }
    CBasicKeyTable m_table;
};

TEST_F(KeywordTable, LookUpsIgnoreCase)
{
    std::vector<std::string> list;
    EXPECT_EQ(2, m_table.GetCompletions("pr", list, true));
    EXPECT_EQ((std::vector<std::string>{"PRINT", "PROC"}), list);
    EXPECT_EQ(4, m_table.GetCompletions("PR", list, false));
    EXPECT_EQ(5, m_table.GetCompletions("", list, false));
    EXPECT_EQ(3, m_table.GetCommandTemplates("Print", list));
    EXPECT_EQ((std::vector<std::string>{"PRINT expr", "print #n, expr", "PRINT again"}), list);
    EXPECT_EQ(0, m_table.GetCommandTemplates("PRIN", list));

    EXPECT_EQ(0, m_table.FindKeyword("print"));
    EXPECT_EQ(2, m_table.FindKeyword("print", 0));
    EXPECT_EQ(3, m_table.FindKeywordByPrefix("pro"));
    EXPECT_EQ(-1, m_table.FindKeywordByPrefix("pro", 3));
    EXPECT_EQ("ABS", m_table.Record(1).name);
    EXPECT_EQ("", m_table.Record(99).name);
}

TEST(KeywordTableLoad, FailedLoadIsRetriedAndConcurrentStartsLoadOnce)
{
    CBasicKeyTable table;
    EXPECT_FALSE(table.EnsureLoaded([](std::vector<CBasicKeyRecord>&) { return false; }));
    EXPECT_FALSE(table.EnsureLoaded([](std::vector<CBasicKeyRecord>& r) {
        r.clear();
        return true; // read, but empty
    }));
    EXPECT_FALSE(table.IsLoaded());

    std::atomic<int> loads{0};
    std::vector<std::thread> views;
    for (int i = 0; i < 8; ++i)
        views.emplace_back([&] {
            table.EnsureLoaded([&](std::vector<CBasicKeyRecord>& r) {
                ++loads;
                CBasicKeyRecord k;
                k.name = "PRINT";
                r.push_back(k);
                return true;
            });
        });
    for (std::thread& t : views)
        t.join();
    EXPECT_EQ(1, loads.load());
    EXPECT_EQ(1, table.Count());
}

} // namespace
} // namespace editor
