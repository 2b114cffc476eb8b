// The STARTUP program's sections and their text forms, without files.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "controller/startupfile.h"

namespace {

using Sections = std::vector<std::pair<int, std::vector<std::string>>>;

Sections SectionsOf(const CStartupFile& file)
{
    Sections sections;
    const CTList<CStartupSectionRecord>& list = file.GetSections();
    for (const CStartupSectionRecord* record = list.GetHead(); record; record = list.GetNext(record)) {
        std::vector<std::string> lines;
        for (POSITION pos = record->GetLines().GetHeadPosition(); pos;)
            lines.push_back(record->GetLines().GetNext(pos).str());
        sections.emplace_back(record->GetId(), lines);
    }
    return sections;
}

// The file's text; a failed walk fails the test.
std::string TextOf(const CStartupFile& file)
{
    std::string text;
    EXPECT_TRUE(file.FormatText(text));
    return text;
}

std::string RoundTrip(const std::string& text)
{
    CStartupFile file("StartUp.bas");
    EXPECT_TRUE(file.LoadText(text));
    return TextOf(file);
}

struct TextCase {
    const char* name;
    std::string in;
    std::string out;
};

} // namespace

TEST(StartupText, ReadsAndWritesBack)
{
    const TextCase cases[] = {
        {"empty file", "", ""},
        {"no markers, LF line ends become CR LF", "a\nb\n", "a\r\nb\r\n"},
        {"last line without a line end", "a\r\nb", "a\r\nb\r\n"},
        {"a CR at the very end ends the last line", "a\r", "a\r\n"},
        {"empty lines and blanks are kept", "\r\n  x = 1  \r\n\r\n", "\r\n  x = 1  \r\n\r\n"},
        {"a CR inside a line stays", "a\rb\r\n", "a\rb\r\n"},
        {"a NUL byte inside a line stays", std::string("a\0b\r\n", 5), std::string("a\0b\r\n", 5)},
        {"odd case and blanks around a marker", "  ' start can SECTION \t\r\nCAN1\r\n'stop can section\r\n",
         "'Start CAN Section\r\nCAN1\r\n'Stop CAN Section\r\n"},
        {"second form of the CAN start marker", "' Start CAN Section\r\nx\r\n' Stop CAN Section\r\n",
         "'Start CAN Section\r\nx\r\n'Stop CAN Section\r\n"},
        {"second form of the DLink markers", "' Start DLink Section\r\nd\r\n' Stop DLink Section\r\n",
         "'Start DLink Section\r\nd\r\n'Stop DLink Section\r\n"},
        {"second form of the Standard markers", "' Start Standard Section\r\ns\r\n' Stop Standard Section\r\n",
         "'Start Standard Section\r\ns\r\n'Stop Standard Section\r\n"},
        {"Sercos has no second form: a user line",
         "' Start Sercos Section\r\nx\r\n", "' Start Sercos Section\r\nx\r\n"},
        {"two blanks after the apostrophe: a user line", "'  Start CAN Section\r\n", "'  Start CAN Section\r\n"},
        {"a marker after other text: a user line", "x 'Start CAN Section\r\n", "x 'Start CAN Section\r\n"},
        {"user lines after a stop marker get no marker",
         "'Start Standard Section\r\ns\r\n'Stop Standard Section\r\nuser\r\n",
         "'Start Standard Section\r\ns\r\n'Stop Standard Section\r\nuser\r\n"},
        {"a file cut short in the middle of a section gets its stop marker",
         "u\r\n'Start Sercos Section\r\nS1\r\nS2", "u\r\n'Start Sercos Section\r\nS1\r\nS2\r\n'Stop Sercos Section\r\n"},
        {"a stop marker without a start is dropped", "a\r\n'Stop CAN Section\r\nb\r\n", "a\r\nb\r\n"},
        {"a stop marker of another section closes the open one",
         "'Start CAN Section\r\nc\r\n'Stop DLink Section\r\nu\r\n",
         "'Start CAN Section\r\nc\r\n'Stop CAN Section\r\nu\r\n"},
        {"a start marker inside an open section starts the next",
         "'Start CAN Section\r\nc\r\n'Start Mechatrolink Section\r\nm\r\n'Stop Mechatrolink Section\r\n",
         "'Start CAN Section\r\nc\r\n'Stop CAN Section\r\n'Start Mechatrolink Section\r\nm\r\n"
         "'Stop Mechatrolink Section\r\n"},
        {"an empty section vanishes", "a\r\n'Start CAN Section\r\n'Stop CAN Section\r\nb\r\n", "a\r\nb\r\n"},
        {"two CAN sections with nothing between come out as one",
         "'Start CAN Section\r\n1\r\n'Stop CAN Section\r\n'Start CAN Section\r\n2\r\n'Stop CAN Section\r\n",
         "'Start CAN Section\r\n1\r\n2\r\n'Stop CAN Section\r\n"},
        {"the A4N section", "'START PANASONIC A4N SECTION\r\np\r\n", "'Start Panasonic A4N Section\r\np\r\n'Stop Panasonic A4N Section\r\n"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string once = RoundTrip(c.in);
        EXPECT_EQ(once, c.out);
        EXPECT_EQ(RoundTrip(once), once) << "what was written reads back the same";
    }
}

TEST(StartupText, SplitsIntoNumberedRecords)
{
    CStartupFile file("StartUp.bas");
    file.LoadText("u1\r\n"
                  "'Start Standard Section\r\n"
                  " VR(7)=2.5000\r\n"
                  "'Stop Standard Section\r\n"
                  "u2\r\n"
                  "' Stop CAN Section\r\n"
                  "'Start CAN Section\r\n"
                  "c1\r\n");
    const Sections expected = {
        {0, {"u1"}}, {1, {" VR(7)=2.5000"}}, {0, {"u2"}}, {0, {}}, {2, {"c1"}},
    };
    EXPECT_EQ(SectionsOf(file), expected);
    EXPECT_TRUE(file.HasSection(STARTUP_SECTION_CAN));
    EXPECT_FALSE(file.HasSection(STARTUP_SECTION_DLINK));
    ASSERT_NE(file.FindSection(STARTUP_SECTION_USER), nullptr);
    EXPECT_EQ(file.FindSection(STARTUP_SECTION_USER)->GetLines().GetHead(), "u1");

    // Reading again starts from nothing.
    file.LoadText("only\r\n");
    EXPECT_EQ(SectionsOf(file), (Sections{{0, {"only"}}}));
    file.LoadText("");
    EXPECT_EQ(SectionsOf(file), (Sections{{0, {}}}));
}

TEST(StartupText, MarkerRecognition)
{
    struct Case {
        const char* line;
        BOOL marker;
        int id;
        BOOL start;
    } const cases[] = {
        {"'Start Standard Section", TRUE, 1, TRUE},
        {"'stop standard section", TRUE, 1, FALSE},
        {"\t' Start CAN Section\r", TRUE, 2, TRUE},
        {"' STOP DLINK SECTION", TRUE, 3, FALSE},
        {"'Start Sercos Section", TRUE, 4, TRUE},
        {"'Stop Mechatrolink Section", TRUE, 5, FALSE},
        {"'Start Panasonic A4N Section", TRUE, 6, TRUE},
        {"' Stop Mechatrolink Section", FALSE, 0, FALSE},
        {"'Start CAN Section x", FALSE, 0, FALSE},
        {"Start CAN Section", FALSE, 0, FALSE},
        {"'", FALSE, 0, FALSE},
        {"", FALSE, 0, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        int id = -1;
        BOOL start = -1;
        EXPECT_EQ(IsStartupMarker(c.line, id, start), c.marker);
        if (c.marker) {
            EXPECT_EQ(id, c.id);
            EXPECT_EQ(start, c.start);
        }
    }
    int id = -1;
    BOOL start = -1;
    EXPECT_FALSE(IsStartupMarker(static_cast<LPCSTR>(nullptr), id, start));
    // A NUL byte inside does not make a marker of its first part.
    EXPECT_FALSE(IsStartupMarker(CString(std::string("'Start CAN Section\0x", 20)), id, start));

    for (int section = 1; section <= STARTUP_SECTION_LAST; ++section) {
        SCOPED_TRACE(section);
        ASSERT_NE(GetStartupStartMarker(section), nullptr);
        ASSERT_TRUE(IsStartupMarker(GetStartupStartMarker(section), id, start));
        EXPECT_EQ(id, section);
        EXPECT_TRUE(start);
        ASSERT_TRUE(IsStartupMarker(GetStartupStopMarker(section), id, start));
        EXPECT_EQ(id, section);
        EXPECT_FALSE(start);
    }
    for (int outside : {0, -1, STARTUP_SECTION_LAST + 1}) {
        EXPECT_EQ(GetStartupStartMarker(outside), nullptr);
        EXPECT_EQ(GetStartupStopMarker(outside), nullptr);
    }
}

namespace {

struct EditCase {
    const char* name;
    std::string in;
    int id;
    std::vector<std::string> lines;
    std::string out;
};

const char kUserThenStandard[] = "u1\r\n"
                                 "'Start Standard Section\r\n"
                                 "s1\r\n"
                                 "'Stop Standard Section\r\n";

} // namespace

// A tool's edit: ClearSection(id), then AppendLines(lines, id).
TEST(StartupText, ReplacingOneSectionKeepsEverythingElseInPlace)
{
    const EditCase cases[] = {
        {"a new section goes before the first section of lower id, the user's lines included", kUserThenStandard,
         STARTUP_SECTION_CAN, {"c1", "c2"},
         "'Start CAN Section\r\nc1\r\nc2\r\n'Stop CAN Section\r\nu1\r\n'Start Standard Section\r\ns1\r\n"
         "'Stop Standard Section\r\n"},
        {"a new section goes between a higher and a lower one",
         "'Start Sercos Section\r\nS\r\n'Stop Sercos Section\r\nu\r\n", STARTUP_SECTION_CAN, {"c"},
         "'Start Sercos Section\r\nS\r\n'Stop Sercos Section\r\n'Start CAN Section\r\nc\r\n'Stop CAN Section\r\n"
         "u\r\n"},
        {"user lines between two sections stay where they are",
         "u1\r\n'Start CAN Section\r\nc\r\n'Stop CAN Section\r\nu2\r\n", STARTUP_SECTION_STANDARD, {"s"},
         "'Start Standard Section\r\ns\r\n'Stop Standard Section\r\nu1\r\n'Start CAN Section\r\nc\r\n"
         "'Stop CAN Section\r\nu2\r\n"},
        {"a new section of the lowest id goes at the end",
         "'Start CAN Section\r\nc\r\n'Stop CAN Section\r\n", STARTUP_SECTION_STANDARD, {"s"},
         "'Start CAN Section\r\nc\r\n'Stop CAN Section\r\n'Start Standard Section\r\ns\r\n"
         "'Stop Standard Section\r\n"},
        {"a new section into an empty file", "", STARTUP_SECTION_DLINK, {"d"},
         "'Start DLink Section\r\nd\r\n'Stop DLink Section\r\n"},
        {"an existing section keeps its place",
         "u1\r\n'Start CAN Section\r\nold\r\n'Stop CAN Section\r\nu2\r\n", STARTUP_SECTION_CAN, {"new1", "new2"},
         "u1\r\n'Start CAN Section\r\nnew1\r\nnew2\r\n'Stop CAN Section\r\nu2\r\n"},
        {"an existing section replaced by nothing loses its markers",
         "u1\r\n'Start CAN Section\r\nold\r\n'Stop CAN Section\r\nu2\r\n", STARTUP_SECTION_CAN, {}, "u1\r\nu2\r\n"},
        {"of two CAN sections only the first is replaced",
         "'Start CAN Section\r\nA\r\n'Stop CAN Section\r\nu\r\n'Start CAN Section\r\nB\r\n'Stop CAN Section\r\n",
         STARTUP_SECTION_CAN, {"N"},
         "'Start CAN Section\r\nN\r\n'Stop CAN Section\r\nu\r\n'Start CAN Section\r\nB\r\n'Stop CAN Section\r\n"},
        {"a section cut short at the end of the file is replaced and closed",
         "u\r\n'Start Standard Section\r\nold", STARTUP_SECTION_STANDARD, {"new"},
         "u\r\n'Start Standard Section\r\nnew\r\n'Stop Standard Section\r\n"},
        {"the user's lines replaced", "u1\r\n'Start CAN Section\r\nc\r\n'Stop CAN Section\r\nu2\r\n",
         STARTUP_SECTION_USER, {"x"}, "x\r\n'Start CAN Section\r\nc\r\n'Stop CAN Section\r\nu2\r\n"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        CStartupFile file("StartUp.bas");
        file.LoadText(c.in);
        file.ClearSection(c.id);
        CStringList lines;
        for (const std::string& line : c.lines)
            lines.AddTail(line.c_str());
        file.AppendLines(lines, c.id);
        EXPECT_EQ(TextOf(file), c.out);
    }
}

TEST(StartupText, NewSectionsStandInTheirFixedOrderAheadOfTheUserLines)
{
    // Whatever order the tools write in.
    const std::vector<std::vector<int>> orders = {{1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2, 1}, {3, 1, 6, 2, 5, 4}};
    for (const std::vector<int>& order : orders) {
        CStartupFile file("StartUp.bas");
        file.LoadText("user\r\n");
        for (int id : order)
            ASSERT_NE(file.AppendLine(CString('0' + id, 1), id), nullptr);
        std::string expected;
        for (int id = STARTUP_SECTION_LAST; id >= 1; --id)
            expected += std::string(GetStartupStartMarker(id)) + "\r\n" + char('0' + id) + "\r\n" +
                        GetStartupStopMarker(id) + "\r\n";
        expected += "user\r\n";
        EXPECT_EQ(TextOf(file), expected);
    }
}

TEST(StartupText, AppendLineAndIdsOutOfRange)
{
    CStartupFile file("StartUp.bas");
    file.LoadText("u\r\n");

    // The largest id is taken; one past it and below 0 store nothing.
    EXPECT_NE(file.AppendLine("a4n", STARTUP_SECTION_LAST), nullptr);
    for (int id : {STARTUP_SECTION_LAST + 1, -1, 0x7fffffff, -0x7fffffff - 1}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(file.AppendLine("x", id), nullptr);
        CStringList lines;
        lines.AddTail("y");
        file.AppendLines(lines, id);
        EXPECT_FALSE(file.HasSection(id));
        file.ClearSection(id);
    }
    EXPECT_EQ(file.GetSections().GetCount(), 2);
    EXPECT_EQ(TextOf(file), "'Start Panasonic A4N Section\r\na4n\r\n'Stop Panasonic A4N Section\r\nu\r\n");

    // The place returned is the new line's own.
    POSITION pos = file.AppendLine(CString(std::string("b\0c", 3)), STARTUP_SECTION_USER);
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(file.FindSection(STARTUP_SECTION_USER)->GetLines().GetAt(pos).str(), std::string("b\0c", 3));
    EXPECT_EQ(file.FindSection(STARTUP_SECTION_USER)->GetLines().GetTailPosition(), pos);

    // A cleared section stays, empty, at its place; an empty list of lines
    // makes no section.
    file.ClearSection(STARTUP_SECTION_A4N);
    EXPECT_TRUE(file.HasSection(STARTUP_SECTION_A4N));
    CStringList none;
    file.AppendLines(none, STARTUP_SECTION_CAN);
    EXPECT_FALSE(file.HasSection(STARTUP_SECTION_CAN));
    EXPECT_EQ(TextOf(file), std::string("u\r\nb\0c\r\n", 8));

    file.RemoveAllSections();
    EXPECT_TRUE(file.GetSections().IsEmpty());
    EXPECT_EQ(TextOf(file), "");
}

TEST(StartupText, CopyingARecordCopiesItsLinesOnly)
{
    CStartupSectionRecord source;
    source.SetId(STARTUP_SECTION_SERCOS);
    source.AddLine("one");
    source.AddLine(CString(std::string("t\0o", 3)));

    CStartupSectionRecord target;
    target.SetId(STARTUP_SECTION_CAN);
    target.AddLine("old");
    target = source;
    EXPECT_EQ(target.GetId(), STARTUP_SECTION_CAN);
    ASSERT_EQ(target.GetLines().GetCount(), 2);
    EXPECT_EQ(target.GetLines().GetTail().str(), std::string("t\0o", 3));

    const CStartupSectionRecord copy(source);
    EXPECT_EQ(copy.GetId(), STARTUP_SECTION_USER);
    EXPECT_EQ(copy.GetLines().GetCount(), 2);

    const CStartupSectionRecord& same = target;
    target = same;
    EXPECT_EQ(target.GetLines().GetCount(), 2);
}

TEST(StartupText, AListHeldByAnotherThreadGivesNoTextRatherThanAShortOne)
{
    CStartupFile file("StartUp.bas");
    ASSERT_TRUE(file.LoadText("u\r\n'Start CAN Section\r\nc\r\n'Stop CAN Section\r\n"));
    const std::string whole = TextOf(file);
    file.GetSections().SetLockTimeout(50);

    // A sort on another thread keeps the list locked until released.
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        file.GetSections().Sort([&](const CStartupSectionRecord&, const CStartupSectionRecord&) {
            holding = true;
            while (!release)
                std::this_thread::yield();
            return 0;
        });
    });
    while (!holding)
        std::this_thread::yield();
    std::string text = "stale";
    EXPECT_FALSE(file.FormatText(text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(file.LoadText("x\r\n"));
    // The section look-ups: a section the walk could not see is neither
    // taken for absent (a second CAN section) nor silently left as it was.
    CStringList lines;
    lines.AddTail("c2");
    EXPECT_FALSE(file.ClearSection(STARTUP_SECTION_CAN));
    EXPECT_FALSE(file.AppendLines(lines, STARTUP_SECTION_CAN));
    EXPECT_FALSE(file.AppendLines(lines, STARTUP_SECTION_STANDARD));
    EXPECT_EQ(file.AppendLine("c3", STARTUP_SECTION_CAN), nullptr);
    EXPECT_EQ(file.FindSection(STARTUP_SECTION_CAN), nullptr);
    release = true;
    holder.join();

    EXPECT_EQ(TextOf(file), whole) << "nothing was changed meanwhile";

    // Free again, the same operations work.
    EXPECT_TRUE(file.ClearSection(STARTUP_SECTION_CAN));
    CStringList lines2;
    lines2.AddTail("c2");
    EXPECT_TRUE(file.AppendLines(lines2, STARTUP_SECTION_CAN));
    EXPECT_EQ(TextOf(file), "u\r\n'Start CAN Section\r\nc2\r\n'Stop CAN Section\r\n");
}
