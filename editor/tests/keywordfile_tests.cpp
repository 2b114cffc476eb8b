#include "editor/keywordfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <thread>

#include "foundation/fileutil.h"
#include "simulator/runtime/vocabulary.h"
#include "testsupport/captured_log.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace editor {
namespace {

// Points %CommonProgramFiles% at a scratch folder for the test, so the
// keyword file is installed where the reader looks without touching the
// machine's own folder.
class KeywordFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char old[MAX_PATH] = {};
        m_hadOld = GetEnvironmentVariableA("CommonProgramFiles", old, MAX_PATH) > 0;
        m_old = old;
        SetEnvironmentVariableA("CommonProgramFiles", m_common.Path().c_str());
        CreateDirectoryA((m_common / "VexoLabs").c_str(), nullptr);
        CBasicKeys::Table().Reset();
    }
    void TearDown() override
    {
        CBasicKeys::Table().Reset();
        SetEnvironmentVariableA("CommonProgramFiles", m_hadOld ? m_old.c_str() : nullptr);
    }
    std::string Installed() const { return m_common / "VexoLabs\\VexoBASIC.xml"; }
    void InstallGenerated()
    {
        const std::string generated = std::string(static_cast<LPCSTR>(GetProgramDirectory())) + "\\VexoBASIC.xml";
        ASSERT_TRUE(CopyFileA(generated.c_str(), Installed().c_str(), FALSE)) << generated;
    }

    ScratchFolder m_common;
    ScriptedPrompts m_prompts;
    std::string m_old;
    bool m_hadOld = false;
};

TEST_F(KeywordFileTest, MissingFileIsReportedAndRetried)
{
    CBasicKeys keys;
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("File " + Installed() + " does not exist.", m_prompts.Records()[0].text);
    EXPECT_EQ("Import XML", m_prompts.Records()[0].caption);
    std::vector<std::string> list;
    EXPECT_EQ(0, keys.GetCompletions("", list, false));

    // A malformed file is logged, not shown, and leaves the list empty.
    CapturedGlobalLog log;
    ASSERT_TRUE(WriteWholeFile(Installed(), "<vexo_basic><keywords>\n<keyword><name>A</name>"
                                            "<brackets>true</brackets></keyword>\n</vexo_basic>\n"));
    CBasicKeys malformed;
    EXPECT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ(0, malformed.GetCompletions("", list, false));
    EXPECT_FALSE(CBasicKeys::Table().IsLoaded());
    EXPECT_NE(std::string::npos, log.Text().find("Keyword file " + Installed() + " not read")) << log.Text();

    InstallGenerated();
    CBasicKeys fixed;
    EXPECT_TRUE(CBasicKeys::Table().IsLoaded());
    EXPECT_GT(fixed.GetCompletions("", list, false), 0);
}

TEST_F(KeywordFileTest, GeneratedFileHoldsEveryKeywordOnceAfterConcurrentStarts)
{
    InstallGenerated();
    std::vector<std::thread> views;
    for (int i = 0; i < 8; ++i)
        views.emplace_back([] { CBasicKeys keys; });
    for (std::thread& t : views)
        t.join();
    EXPECT_TRUE(m_prompts.Records().empty());

    CBasicKeys keys;
    std::vector<std::string> all;
    keys.GetCompletions("", all, false);
    int checked = 0;
    for (int row = 0; qcrt::g_Keywords[row].name[0] != '\0'; ++row) {
        const qcrt::TokenDescriptor& k = qcrt::g_Keywords[row];
        const std::string name = std::string(k.name).substr(0, std::string(k.name).find('|'));
        if (!k.InMode(0) || !isalpha(static_cast<unsigned char>(name[0])))
            continue;
        EXPECT_EQ(1, std::count(all.begin(), all.end(), name)) << name;
        ++checked;
    }
    EXPECT_GT(checked, 100);

    // Completions without duplicates: each PR word once, in file order.
    std::vector<std::string> pr;
    keys.GetCompletions("pr", pr, true);
    std::vector<std::string> expected;
    for (const std::string& name : all)
        if (name.rfind("PR", 0) == 0 && std::find(expected.begin(), expected.end(), name) == expected.end())
            expected.push_back(name);
    EXPECT_EQ(expected, pr);
    EXPECT_FALSE(pr.empty());

    // The templates carry the operands the vocabulary gives.
    std::vector<std::string> templates;
    ASSERT_EQ(1, keys.GetCommandTemplates("copy", templates));
    EXPECT_EQ("COPY \"name\", \"name\"", templates[0]);
}

} // namespace
} // namespace editor
