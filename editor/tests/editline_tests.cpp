#include "editor/editline.h"

#include <gtest/gtest.h>

#include "editor/programlines.h"

namespace editor {
namespace {

class RecordingWarner : public INameWarner {
public:
    bool WarnLongName(const std::string& name, int limit) override
    {
        warned.push_back(name + "/" + std::to_string(limit));
        return true;
    }
    std::vector<std::string> warned;
};

CEditRLine BasicLine(const std::string& text = {})
{
    CEditRLine line;
    line.SetFileType(kFileTypeBasic);
    line.SetText(text, false);
    return line;
}

TEST(EditLine, LongNamesWarnOnceUntilTheLineIsSent)
{
    RecordingWarner warner;
    CEditRLine line = BasicLine();
    const std::string name17 = "abcdefghijklmnopq";
    EXPECT_EQ(0, line.SetText(name17 + "=1", true, &warner));
    EXPECT_EQ(1, line.SetText(name17 + "=2", true, &warner)); // same line, not sent yet
    EXPECT_EQ(std::vector<std::string>{name17 + "/16"}, warner.warned);

    // A second long name warns for itself only.
    const std::string second = "zyxwvutsrqponmlkjih";
    line.SetText(name17 + "=" + second, true, &warner);
    EXPECT_EQ((std::vector<std::string>{name17 + "/16", second + "/16"}), warner.warned);

    line.ClearFlags(); // sent
    line.SetText(name17 + "=3", true, &warner);
    EXPECT_EQ(3u, warner.warned.size());

    // Sixteen characters are within the limit; a line of another file
    // type has no names.
    warner.warned.clear();
    line.SetText("abcdefghijklmnop=1", true, &warner);
    CEditRLine text;
    text.SetText(name17, true, &warner);
    EXPECT_TRUE(warner.warned.empty());
    EXPECT_TRUE(text.States().empty());
}

TEST(EditLine, TextLookUps)
{
    CEditRLine line = BasicLine("PRINT abc+d ' note");
    EXPECT_EQ(line.Text(), line.GetText(0));
    EXPECT_EQ("", line.GetText(line.Length()));
    EXPECT_EQ("", line.GetText(100));
    EXPECT_EQ("abc", line.GetTextBetween(6, 9));
    EXPECT_EQ("", line.GetTextBetween(9, 6));
    EXPECT_EQ("", line.GetTextBetween(0, 100));

    int state = 0;
    EXPECT_EQ("PRINT", line.GetToken(0, state));
    EXPECT_EQ(5, state);
    EXPECT_EQ("abc", line.GetToken(2, state));
    EXPECT_EQ(2, state);
    EXPECT_EQ(11, line.GetTokenClass(99));

    EXPECT_TRUE(line.IsWholeName(6, 9));
    EXPECT_FALSE(line.IsWholeName(6, 8));
    EXPECT_FALSE(line.IsWholeName(7, 9));
    EXPECT_TRUE(line.IsWholeName(10, 11));

    EXPECT_EQ(6, line.Find("ABC", 0, false, false));
    EXPECT_EQ(-1, line.Find("ABC", 0, true, false));
    EXPECT_EQ(-1, line.Find("abc", 7, true, false));
    EXPECT_EQ(6, line.Find("abc", 17, true, true));
}

TEST(EditLine, CodeLinesTrimAndCut)
{
    EXPECT_FALSE(BasicLine("   ' comment").IsCodeLine());
    EXPECT_FALSE(BasicLine("").IsCodeLine());
    EXPECT_FALSE(BasicLine("   ").IsCodeLine());
    EXPECT_TRUE(BasicLine("  a=1").IsCodeLine());

    CEditRLine line = BasicLine("PRINT 1   ");
    line.TrimRight();
    EXPECT_EQ("PRINT 1", line.Text());
    EXPECT_EQ(line.Text().size(), line.States().size());

    CEditRLine eighty = BasicLine(std::string(80, 'a'));
    EXPECT_FALSE(eighty.CutTo80());
    CEditRLine longer = BasicLine(std::string(81, 'a'));
    EXPECT_TRUE(longer.CutTo80());
    EXPECT_EQ(80, longer.Length());
    EXPECT_EQ(80u, longer.States().size());
}

TEST(EditLine, FileTypeFromExtension)
{
    EXPECT_EQ(0, FileTypeOfPath("C:\\p\\MAIN.BAS"));
    EXPECT_EQ(0, FileTypeOfPath("C:\\p\\main.bas"));
    EXPECT_EQ(-1, FileTypeOfPath("C:\\p\\notes.txt"));
    EXPECT_EQ(-1, FileTypeOfPath("C:\\p.bas\\noext"));
}

TEST(Reformat, IndentsByBlockKeywords)
{
    const struct {
        std::vector<std::string> lines;
        std::vector<std::string> expected;
    } cases[] = {
        {{"IF a THEN", "PRINT a", "ENDIF"}, {"IF a THEN", "    PRINT a", "ENDIF"}},
        {{"IF a THEN PRINT a", "PRINT b"}, {"IF a THEN PRINT a", "PRINT b"}},
        {{"IF a THEN", "x=1", "ELSE", "x=2", "ENDIF"}, {"IF a THEN", "    x=1", "ELSE", "    x=2", "ENDIF"}},
        {{"ELSE", "PRINT 1"}, {"ELSE", "PRINT 1"}},
        {{"IF a THEN ' block", "x=1", "ENDIF"}, {"IF a THEN ' block", "    x=1", "ENDIF"}},
        {{"FOR i=1 TO 3", "  WHILE b", "' note", "loop:", "WEND", "NEXT i"},
         {"FOR i=1 TO 3", "    WHILE b", "' note", "loop:", "    WEND", "NEXT i"}},
        {{"   REPEAT", "  UNTIL a", "", "  NEXT"}, {"REPEAT", "UNTIL a", "", "NEXT"}},
    };
    for (const auto& c : cases) {
        int level = 0;
        std::vector<std::string> result;
        for (const std::string& text : c.lines) {
            bool overlong = false;
            result.push_back(ReformatLine(BasicLine(text), level, 4, 0, overlong));
            EXPECT_FALSE(overlong);
        }
        EXPECT_EQ(c.expected, result) << c.lines.front();
    }
}

TEST(Reformat, LeavesLinesThatWouldPass80)
{
    int level = 1;
    bool overlong = false;
    const std::string text = "PRINT " + std::string(72, 'a');
    EXPECT_EQ(text, ReformatLine(BasicLine(text), level, 4, 2, overlong));
    EXPECT_TRUE(overlong);
    EXPECT_EQ("      PRINT 1", ReformatLine(BasicLine("PRINT 1"), level, 4, 2, overlong));
    EXPECT_FALSE(overlong);
}

} // namespace
} // namespace editor
