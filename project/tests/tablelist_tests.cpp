// The TABLE value buffer: storage, command lines, delimited text and the
// parsers of table files.
#include <gtest/gtest.h>

#include <thread>

#include "project/tablelist.h"

namespace {

std::vector<std::string> Lines(const CStringList& list)
{
    std::vector<std::string> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.emplace_back(list.GetNext(pos).GetString());
    return out;
}

} // namespace

TEST(TableList, StorageAndDefaults)
{
    CTableList list;
    list.SetStart(10);
    list.SetStart(-5);
    EXPECT_EQ(list.GetStart(), 10);
    list.SetDefaultValue(-1.0);
    EXPECT_TRUE(list.AddValue(1.5));
    EXPECT_TRUE(list.AddValue(2.5));
    EXPECT_EQ(list.GetValue(9), -1.0);
    EXPECT_EQ(list.GetValue(11), 2.5);
    EXPECT_EQ(list.GetValue(12), -1.0);
    EXPECT_FALSE(list.SetValue(12, 3.0));
    EXPECT_TRUE(list.SetValue(10, 3.0));
    EXPECT_TRUE(list.FindValue(4, 3.0, FALSE));
    EXPECT_FALSE(list.FindValue(3, 3.0, FALSE));
    list.Fill(-7.0);
    EXPECT_TRUE(list.FindValue(4, 7.0, TRUE));
    EXPECT_FALSE(list.FindValue(9, 0.0, FALSE));

    EXPECT_FALSE(list.SetCount(-1));
    EXPECT_TRUE(list.SetCount(0));
    EXPECT_NE(list.GetValues(), nullptr) << "SetCount(0) keeps the block";
    EXPECT_TRUE(list.SetCount(40));
    EXPECT_EQ(list.GetCount(), 40);
    EXPECT_EQ(list.GetValue(49), -1.0);
    list.SetGrowth(3);
    EXPECT_TRUE(list.GrowBy()); // still 16 at a time

    CTableList copy;
    EXPECT_TRUE(copy.CopyFrom(list));
    EXPECT_EQ(copy.GetStart(), 10);
    EXPECT_EQ(copy.GetCount(), 40);
}

TEST(TableList, FormatValues)
{
    CTableList list;
    list.SetStart(5);
    list.AddValue(1);
    list.AddValue(2.25);
    list.AddValue(-3);
    EXPECT_STREQ(list.FormatValues(5, 3, ','), "1.0,2.25,-3.0");
    EXPECT_STREQ(list.FormatValues(6, 10, ';'), "2.25;-3.0");
    EXPECT_STREQ(list.FormatValues(4, 3, ','), "");
    EXPECT_STREQ(list.FormatValues(5, 0, ','), "");
}

TEST(TableList, CommandLinesKeepTheirLimits)
{
    CTableList list;
    for (int i = 0; i < 25; ++i)
        list.AddValue(i * 1.5);
    CStringList lines;
    list.FormatTableCommands(lines, 10, 80);
    const auto out = Lines(lines);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], "TABLE(0,0.0,1.5,3.0,4.5,6.0,7.5,9.0,10.5,12.0,13.5)");
    EXPECT_EQ(out[1].rfind("TABLE(10,", 0), 0u);
    EXPECT_EQ(out[2].rfind("TABLE(20,", 0), 0u);

    // Long values: fewer per line, every line within the limit.
    CTableList longValues;
    for (int i = 0; i < 25; ++i)
        longValues.AddValue(1234567.12345678 + i);
    CStringList longLines;
    longValues.FormatTableCommands(longLines, 10, 80);
    long next = 0;
    for (const std::string& line : Lines(longLines)) {
        EXPECT_LT(line.size(), 80u) << line;
        // Each line begins with the index of its own first value.
        EXPECT_EQ(line.rfind("TABLE(" + std::to_string(next) + ",", 0), 0u) << line;
        next += static_cast<long>(std::count(line.begin(), line.end(), ','));
    }
    EXPECT_EQ(next, 25);
    EXPECT_GT(longLines.GetCount(), 3);
}

TEST(TableList, OverlongValueIsLeftOut)
{
    CTableList list;
    list.AddValue(1);
    list.AddValue(1e39); // 39 digits and ".0": 41 characters
    list.AddValue(2);
    CStringList lines;
    list.SetLineLength(200);
    list.FormatTableCommands(lines, 10, 200);
    EXPECT_EQ(Lines(lines), (std::vector<std::string>{"TABLE(0,1.0)", "TABLE(2,2.0)"}));
}

TEST(TableList, DelimitedText)
{
    CTableList list;
    list.SetStart(3);
    list.AddValue(1);
    list.AddValue(2);
    list.AddValue(3);
    EXPECT_EQ(list.WriteDelimitedValues(1, ':', ','), "3:1.0\r\n4:2.0\r\n5:3.0\r\n");
    EXPECT_EQ(list.WriteDelimitedValues(2, ':', ','), "3:1.0,2.0\r\n5:3.0");
}

TEST(TableList, ParsingTableLines)
{
    CTableList list;
    EXPECT_TRUE(list.ParseTableLine("  table ( 10 , 1.5, -2e3 )"));
    EXPECT_EQ(list.GetStart(), 10);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetValue(11), -2000.0);
    EXPECT_FALSE(list.ParseTableLine("TABLE(13,4)")) << "13 does not continue the run at 12";
    EXPECT_TRUE(list.ParseTableLine("TABLE(12,4,.5)"));
    EXPECT_EQ(list.GetCount(), 4);
    const char* refused[] = {"TABLE(14,1", "TABLE(14,,1)", "TABLES(14,1)", "TABLE(14,x)", "TABLE(-1,1)",
                             "TABLE(99999999999999999999,1)", ""};
    for (const char* line : refused)
        EXPECT_FALSE(list.ParseTableLine(line)) << line;
    EXPECT_EQ(list.GetCount(), 4) << "a refused line stores nothing";
}

TEST(TableList, ParsingSeparatedLinesAndFiles)
{
    CTableList list;
    EXPECT_TRUE(list.LoadSeparatedLines(MakeTextLineReader("0:1.0\r\n1: 2.5 , 3\r\n\r\n"), ':', ','));
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetValue(2), 3.0);
    EXPECT_FALSE(list.ParseSeparatedLine("3,1", ':', ',')) << "the first separator is ':'";
    EXPECT_FALSE(list.ParseSeparatedLine("5:1", ':', ','));

    CTableList table;
    EXPECT_TRUE(table.LoadLines(MakeTextLineReader("TABLE(0,1,2)\nTABLE(2,3)")));
    EXPECT_EQ(table.GetCount(), 3);
    EXPECT_FALSE(table.LoadLines(MakeTextLineReader("TABLE(3,4)\rgarbage\rTABLE(4,5)")));
    EXPECT_EQ(table.GetCount(), 4) << "lines before the refused one stay";

    // What the buffer writes, it reads back.
    CTableList round;
    EXPECT_TRUE(round.LoadLines(MakeTextLineReader(table.WriteTableCommands(10, 80))));
    EXPECT_EQ(round.GetCount(), 4);
    EXPECT_EQ(round.GetValue(3), 4.0);
}

TEST(TableList, FilledOnOneThreadReadOnAnother)
{
    CTableList list;
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i)
            list.AddValue(i);
    });
    long sum = 0;
    for (int i = 0; i < 200; ++i)
        sum += static_cast<long>(list.FormatValues(0, 5, ',').GetLength());
    writer.join();
    EXPECT_EQ(list.GetCount(), 2000);
    EXPECT_EQ(list.GetValue(1999), 1999.0);
    EXPECT_GE(sum, 0);
}
