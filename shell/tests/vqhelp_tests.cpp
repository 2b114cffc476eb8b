#include "shell/vqhelp.h"

#include <string>

#include <gtest/gtest.h>

#include "shell_test_support.h"
#include "testsupport/scratch_folder.h"

namespace {

class HelpTest : public testing::Test {
protected:
    ScratchFolder m_folder;
    RecordingHelpViewer m_viewer;
};

TEST_F(HelpTest, HelpOpensAtTheContextOrTheFirstPageOnlyWhenItsFileIsThere)
{
    ASSERT_TRUE(WriteWholeFile(m_folder / "VexoBASIC.chm", "ITSF"));
    CVQHelp help(nullptr, m_folder.Path().c_str());
    EXPECT_FALSE(help.IsHelpPresent());
    EXPECT_TRUE(help.IsBasicHelpPresent());

    help.ShowBasicHelp(27);
    help.ShowBasicHelp(0);
    help.ShowHelp(27); // Vorta2.chm is missing: nothing
    const auto calls = m_viewer.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(m_folder / "VexoBASIC.chm", calls[0].file);
    EXPECT_EQ(15u, calls[0].command);
    EXPECT_EQ(27u, calls[0].data);
    EXPECT_EQ(0u, calls[1].command);
    EXPECT_EQ(0u, calls[1].data);

    ASSERT_TRUE(WriteWholeFile(m_folder / "Vorta2.chm", "ITSF"));
    CVQHelp later(nullptr, m_folder.Path().c_str());
    later.ShowHelp(0);
    ASSERT_EQ(3u, m_viewer.Calls().size());
    EXPECT_EQ(m_folder / "Vorta2.chm", m_viewer.Calls()[2].file);
}

TEST_F(HelpTest, KeywordIndexIsReadFromTheKwlFileBeforeTheKwd)
{
    ASSERT_TRUE(WriteWholeFile(m_folder / "VexoBASIC.kwl", "# keyword index\r\n"
                                                           "PRINT,12\r\n"
                                                           "  MOVE  ,  40\r\n"
                                                           "ABS,12x\r\n"
                                                           "ABCDEFGHIJKLMNOPQRST,77\r\n"
                                                           "#HASH,5\r\n"
                                                           "NOCOMMA 6\r\n"
                                                           ",8\r\n"
                                                           "   ,9\r\n"
                                                           "EMPTYID,\n"
                                                           "LAST,99"));
    ASSERT_TRUE(WriteWholeFile(m_folder / "VexoBASIC.kwd", "PRINT,1\r\nKWDONLY,2\r\n"));
    CVQHelp help(nullptr, m_folder.Path().c_str()); // the help file itself need not exist

    struct Case {
        const char* keyword;
        int id;
    };
    const Case cases[] = {
        {"print", 12},           {"PRINT", 12},   {"Move", 40},  {"ABS", 12},
        {"ABCDEFGHIJKLMNOP", 77}, // cut to 16 characters
        {"ABCDEFGHIJKLMNOPQRST", 0}, {"#HASH", 0}, {"NOCOMMA 6", 0}, {"NOCOMMA", 0},
        {"", 0},                 {"EMPTYID", 0},  {"LAST", 99},  {"KWDONLY", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.id, help.GetKeywordContext(c.keyword)) << c.keyword;
    EXPECT_EQ(0, help.GetKeywordContext(nullptr));
}

TEST_F(HelpTest, KwdIsTheFallbackAndNoIndexFindsNothing)
{
    CVQHelp none(nullptr, m_folder.Path().c_str());
    EXPECT_EQ(0, none.GetKeywordContext("PRINT"));

    ASSERT_TRUE(WriteWholeFile(m_folder / "VexoBASIC.kwd", "PRINT,1\r\n"));
    CVQHelp help(nullptr, m_folder.Path().c_str());
    EXPECT_EQ(1, help.GetKeywordContext("Print"));
}

} // namespace
