#include "foundation/inifile.h"

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/string_lists.h"

#include "foundation/safefile.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/scratch_folder.h"

namespace {

// The failure seam of the safe replacement for the object's lifetime.
class FailingReplace {
public:
    FailingReplace()
    {
        m_previous = SetReplaceFileHookForTest([this](LPCSTR temp, LPCSTR target) {
            m_temp = temp;
            m_tempContent = ReadWholeFile(temp);
            return FALSE;
        });
    }
    ~FailingReplace() { SetReplaceFileHookForTest(m_previous); }
    std::string m_temp;
    std::string m_tempContent;

private:
    ReplaceFileHook m_previous;
};

// ---- CIniFile on files ---------------------------------------------------

class IniFileTest : public testing::Test {
protected:
    std::string Path() const { return m_folder / "test.ini"; }
    void Write(const std::string& text) { ASSERT_TRUE(WriteWholeFile(Path(), text)); }
    std::string Read() const { return ReadWholeFile(Path()); }

    ScratchFolder m_folder;
    ScriptedPrompts m_prompts;
};

const char kDrive1[] = "[Drive1]\r\nSpeed = 10\r\n; note\r\nGain=\r\n";

TEST_F(IniFileTest, ReadsTrimmedValuesAndEmptyValues)
{
    Write(kDrive1);
    CIniFile ini(Path().c_str());
    EXPECT_STREQ("10", ini.GetString("Drive1", "Speed", "x"));
    EXPECT_STREQ("10", ini.GetString("DRIVE1", "speed", "x"));
    EXPECT_STREQ("", ini.GetString("Drive1", "Gain", "default"));
    EXPECT_STREQ("x", ini.GetString("Drive1", "Missing", "x"));
    EXPECT_STREQ("x", ini.GetString("Other", "Speed", "x"));

    ini.SetCaching(TRUE);
    EXPECT_STREQ("10", ini.GetString("Drive1", "Speed", "x"));
    EXPECT_STREQ("default", ini.GetString("Drive1", "Gain", "default"));
}

TEST_F(IniFileTest, WriteReplacesTheSectionBodyWithItsEntries)
{
    Write("[Top]\r\na=1\r\n" + std::string(kDrive1) + "[Tail]\r\nb=2\r\n");
    CIniFile ini(Path().c_str());
    EXPECT_TRUE(ini.WriteString("Drive1", "Speed", "20"));
    EXPECT_EQ("[Top]\r\na=1\r\n[Drive1]\r\nSpeed=20\r\nGain=\r\n[Tail]\r\nb=2\r\n", Read());
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(IniFileTest, RewriteKeepsEveryByteOutsideTheSection)
{
    const std::string before = "; written by hand\r\n[General]\r\nName = Demo\r\n\r\n";
    const std::string after = "[Other]\n  odd   =  spacing  \n; comment\nno line end";
    Write(before + kDrive1 + after);
    CIniFile ini(Path().c_str());
    ASSERT_TRUE(ini.WriteInt("drive1", "Speed", 30));
    EXPECT_EQ(before + "[Drive1]\r\nSpeed=30\r\nGain=\r\n" + after, Read());
}

TEST_F(IniFileTest, EqualValueWritesNothingAndNewKeyIsAppended)
{
    Write(kDrive1);
    CIniFile ini(Path().c_str());
    EXPECT_TRUE(ini.WriteString("Drive1", "Speed", "10"));
    EXPECT_EQ(kDrive1, Read()); // the key matched: nothing changed, nothing appended
    EXPECT_TRUE(ini.WriteString("Drive1", " Mode ", " 3 "));
    EXPECT_EQ("[Drive1]\r\nSpeed = 10\r\nGain=\r\nMode=3\r\n", Read());
}

TEST_F(IniFileTest, FailureAfterTheTemporaryFileLeavesTheOriginalIntact)
{
    const std::string original = "[Top]\r\na=1\r\n" + std::string(kDrive1);
    Write(original);
    CIniFile ini(Path().c_str());
    {
        FailingReplace failure;
        EXPECT_FALSE(ini.WriteString("Drive1", "Speed", "20"));
        // The temporary file lay in the same folder and held the whole new file.
        EXPECT_EQ(0u, failure.m_temp.rfind(m_folder.Path() + "\\", 0)) << failure.m_temp;
        EXPECT_EQ("[Top]\r\na=1\r\n[Drive1]\r\nSpeed=20\r\nGain=\r\n", failure.m_tempContent);
    }
    EXPECT_EQ(original, Read());
    EXPECT_EQ(std::vector<std::string>{"test.ini"}, FilesIn(m_folder.Path()));
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Project file", records[0].caption);
    EXPECT_EQ("Error writing to file:\n" + Path(), records[0].text);
}

TEST_F(IniFileTest, FailedDeleteSectionLeavesTheOriginalIntact)
{
    Write(kDrive1);
    CIniFile ini(Path().c_str());
    FailingReplace failure;
    EXPECT_FALSE(ini.DeleteSection("Drive1"));
    EXPECT_EQ(kDrive1, Read());
}

TEST_F(IniFileTest, UnreadableFileIsNeverOverwritten)
{
    Write(kDrive1);
    HANDLE holder = CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    CIniFile ini(Path().c_str());
    EXPECT_FALSE(ini.WriteSection("Drive1", CStringList(), TRUE));
    CloseHandle(holder);
    EXPECT_EQ(kDrive1, Read());
    EXPECT_EQ(1u, m_prompts.Records().size());
}

TEST_F(IniFileTest, WritingAMissingSectionAppendsIt)
{
    Write("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
    CIniFile ini(Path().c_str());
    EXPECT_TRUE(ini.WriteString("New", "k", "v"));
    EXPECT_EQ("[A]\r\nx=1\r\n[B]\r\ny=2\r\n[New]\r\nk=v\r\n", Read());
}

TEST_F(IniFileTest, WritingCreatesAMissingFile)
{
    CIniFile ini(Path().c_str());
    EXPECT_STREQ("d", ini.GetString("A", "k", "d"));
    EXPECT_FALSE(ini.HasSection("A"));
    EXPECT_TRUE(ini.WriteString("A", "k", "v"));
    EXPECT_EQ("[A]\r\nk=v\r\n", Read());
}

TEST_F(IniFileTest, CachingSkipsAValueEqualWithoutRegardToCase)
{
    Write("[S]\r\nName=abc\r\n");
    CIniFile ini(Path().c_str());
    ini.SetCaching(TRUE);
    EXPECT_TRUE(ini.WriteString("S", "Name", "ABC"));
    EXPECT_EQ("[S]\r\nName=abc\r\n", Read());
    // A real change reaches the file at once, and the cache shows it.
    EXPECT_TRUE(ini.WriteString("S", "Name", "xyz"));
    EXPECT_EQ("[S]\r\nName=xyz\r\n", Read());
    EXPECT_STREQ("xyz", ini.GetString("S", "Name"));
    EXPECT_STREQ("xyz", ini.GetCachedSection().GetValue("Name"));
}

TEST_F(IniFileTest, DeferredWritingCollectsChangesOfOneSection)
{
    Write("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
    const std::string original = Read();
    CIniFile ini(Path().c_str());
    ini.SetDeferredWrite(TRUE);
    EXPECT_TRUE(ini.IsCaching());
    EXPECT_TRUE(ini.WriteInt("A", "x", 5));
    EXPECT_TRUE(ini.WriteString("A", "z", "new"));
    EXPECT_TRUE(ini.DeleteKey("A", "x"));
    EXPECT_EQ(original, Read());
    EXPECT_STREQ("new", ini.GetString("A", "z"));
    EXPECT_EQ(2, ini.GetCachedSection().GetModifiedCount(TRUE));

    // Loading another section writes the pending one.
    EXPECT_STREQ("2", ini.GetString("B", "y"));
    EXPECT_EQ("[A]\r\nz=new\r\n[B]\r\ny=2\r\n", Read());

    EXPECT_TRUE(ini.WriteString("B", "y", "3"));
    EXPECT_EQ("[A]\r\nz=new\r\n[B]\r\ny=2\r\n", Read());
    EXPECT_TRUE(ini.Flush());
    EXPECT_EQ("[A]\r\nz=new\r\n[B]\r\ny=3\r\n", Read());
    EXPECT_EQ(0, ini.GetCachedSection().GetModifiedCount(TRUE));
}

TEST_F(IniFileTest, DeferredChangesAreWrittenWhenSwitchedOffAndOnDestruction)
{
    Write("[A]\r\nx=1\r\n");
    {
        CIniFile ini(Path().c_str());
        ini.SetDeferredWrite(TRUE);
        ini.WriteString("A", "x", "2");
        ini.SetDeferredWrite(FALSE);
        EXPECT_EQ("[A]\r\nx=2\r\n", Read());
        EXPECT_TRUE(ini.IsCaching());
        EXPECT_FALSE(ini.IsDeferredWrite());

        ini.SetDeferredWrite(TRUE);
        ini.WriteString("A", "x", "3");
        ini.SetCaching(FALSE);
        EXPECT_EQ("[A]\r\nx=3\r\n", Read());
        EXPECT_FALSE(ini.IsDeferredWrite());

        ini.SetDeferredWrite(TRUE);
        ini.WriteString("A", "x", "4");
        EXPECT_EQ("[A]\r\nx=3\r\n", Read());
    }
    EXPECT_EQ("[A]\r\nx=4\r\n", Read());
}

TEST_F(IniFileTest, DeferredWritingToANewFile)
{
    {
        CIniFile ini(Path().c_str());
        ini.SetDeferredWrite(TRUE);
        ini.WriteString("A", "k", "1");
        ini.WriteString("B", "k", "2");
        ini.WriteString("A", "m", "3");
    }
    EXPECT_EQ("[A]\r\nk=1\r\nm=3\r\n[B]\r\nk=2\r\n", Read());
}

TEST_F(IniFileTest, ChangingThePathFlushes)
{
    Write("[A]\r\nx=1\r\n");
    CIniFile ini(Path().c_str());
    ini.SetDeferredWrite(TRUE);
    ini.WriteString("A", "x", "9");
    ini.SetFilePath((m_folder / "other.ini").c_str());
    EXPECT_EQ("[A]\r\nx=9\r\n", Read());
    EXPECT_STREQ((m_folder / "other.ini").c_str(), ini.GetFilePath());
}

TEST_F(IniFileTest, NumberedKeys)
{
    Write("[L]\r\nItem0=a\r\nItem1=b\r\nItem3=d\r\n");
    CIniFile ini(Path().c_str());
    EXPECT_EQ(2, ini.CountNumberedKeys("L", "Item"));
    CStringList list;
    EXPECT_EQ(2, ini.GetNumberedStrings("L", "Item", list));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), ToVector(list));

    EXPECT_TRUE(ini.SetNumberedStrings("L", "Item", Fill(list, {"A"})));
    EXPECT_EQ("[L]\r\nItem0=A\r\nItem3=d\r\n", Read());
    EXPECT_TRUE(ini.SetNumberedStrings("L", "Item", Fill(list, {"A", "B", "C"})));
    EXPECT_EQ("[L]\r\nItem0=A\r\nItem3=d\r\nItem1=B\r\nItem2=C\r\n", Read());
    EXPECT_EQ(4, ini.CountNumberedKeys("L", "item"));
    EXPECT_STREQ("Item7", MakeNumberedKey("Item", 7));
}

TEST_F(IniFileTest, TypedValues)
{
    Write("[T]\r\nTwo=2\r\nOne=1\r\nText=abc\r\nEmpty=\r\n");
    CIniFile ini(Path().c_str());
    EXPECT_FALSE(ini.GetBool("T", "Two", TRUE));
    EXPECT_TRUE(ini.GetBool("T", "One", FALSE));
    EXPECT_TRUE(ini.GetBool("T", "Missing", TRUE));
    EXPECT_EQ(0, ini.GetInt("T", "Text", 7));
    EXPECT_EQ(7, ini.GetInt("T", "Empty", 7));
    EXPECT_EQ(-5, ini.GetInt("T", "Missing", -5));
    EXPECT_EQ(123456L, ini.GetLong("T", "Missing", 123456L));

    ini.WriteDouble("T", "D", 0.5);
    ini.WriteBool("T", "B", TRUE);
    ini.WriteLong("T", "L", -42L);
    EXPECT_STREQ("0.5000000000", ini.GetString("T", "D"));
    EXPECT_DOUBLE_EQ(0.5, ini.GetDouble("T", "D", 1.0));
    EXPECT_DOUBLE_EQ(2.25, ini.GetDouble("T", "Missing", 2.25));
    EXPECT_STREQ("1", ini.GetString("T", "B"));
    EXPECT_EQ(-42L, ini.GetLong("T", "L"));
}

TEST_F(IniFileTest, SectionNamesKeysAndDeletes)
{
    const std::string text = "[A]\r\nx=1\r\n[B]\r\ny=2\r\nz=3\r\n[C]\r\nw=4\r\n[ a ]\r\n";
    Write(text);
    CIniFile ini(Path().c_str());
    CStringList names;
    ini.GetSectionNames(names);
    EXPECT_EQ((std::vector<std::string>{"A", "B", "C", "a"}), ToVector(names));
    EXPECT_TRUE(ini.HasSection("b"));
    EXPECT_FALSE(ini.HasSection("D"));
    EXPECT_TRUE(ini.HasKey("B", "Z"));
    EXPECT_FALSE(ini.HasKey("B", "x"));

    EXPECT_TRUE(ini.DeleteSection("Missing"));
    EXPECT_EQ(text, Read());

    EXPECT_TRUE(ini.DeleteKey("B", "y"));
    EXPECT_FALSE(ini.DeleteKey("B", "y"));
    EXPECT_EQ("[A]\r\nx=1\r\n[B]\r\nz=3\r\n[C]\r\nw=4\r\n[ a ]\r\n", Read());
    EXPECT_TRUE(ini.ClearSection("b"));
    EXPECT_EQ("[A]\r\nx=1\r\n[B]\r\n[C]\r\nw=4\r\n[ a ]\r\n", Read());
    EXPECT_TRUE(ini.DeleteSection("C"));
    EXPECT_EQ("[A]\r\nx=1\r\n[B]\r\n[ a ]\r\n", Read());
}

TEST_F(IniFileTest, DeleteKeyWithCachingReachesTheFile)
{
    Write("[A]\r\nx=1\r\ny=2\r\n");
    CIniFile ini(Path().c_str());
    ini.SetCaching(TRUE);
    EXPECT_STREQ("1", ini.GetString("A", "x"));
    EXPECT_TRUE(ini.DeleteKey("A", "x"));
    EXPECT_FALSE(ini.HasKey("A", "x"));
    EXPECT_EQ("[A]\r\ny=2\r\n", Read());
}

TEST_F(IniFileTest, ReloadAndErase)
{
    Write("[A]\r\nx=1\r\n");
    CIniFile ini(Path().c_str());
    ini.SetCaching(TRUE);
    EXPECT_STREQ("1", ini.GetString("A", "x"));
    Write("[A]\r\nx=2\r\n");
    EXPECT_STREQ("1", ini.GetString("A", "x"));
    EXPECT_TRUE(ini.ReloadCachedSection());
    EXPECT_STREQ("2", ini.GetString("A", "x"));
    EXPECT_TRUE(ini.EraseFile());
    EXPECT_EQ("", Read());
    EXPECT_TRUE(FileExists(Path().c_str()));
}

TEST_F(IniFileTest, NullArgumentsDoNothing)
{
    Write(kDrive1);
    CIniFile ini(Path().c_str());
    EXPECT_STREQ("d", ini.GetString(nullptr, "Speed", "d"));
    EXPECT_STREQ("d", ini.GetString("Drive1", nullptr, "d"));
    EXPECT_FALSE(ini.WriteString(nullptr, "k", "v"));
    EXPECT_FALSE(ini.WriteString("Drive1", "k", nullptr));
    EXPECT_FALSE(ini.LoadSection(nullptr));
    EXPECT_EQ(kDrive1, Read());
}

// Two writers of one file, each with its own object: the second writes
// while the first is between its read and its replacement. Neither change
// may be lost.
TEST_F(IniFileTest, TwoWritersLoseNoChange)
{
    Write("[Axis]\r\nSpeed=1\r\n");
    std::future<BOOL> second;
    bool started = false;
    ReplaceFileHook previous = SetReplaceFileHookForTest([&](LPCSTR, LPCSTR) {
        if (!started) {
            started = true;
            second = std::async(std::launch::async, [this] {
                CIniFile other(Path().c_str());
                return other.WriteString("Axis", "Accel", "7");
            });
            // Give the second writer time to finish, if nothing holds it.
            second.wait_for(std::chrono::milliseconds(300));
        }
        return TRUE;
    });
    CIniFile first(Path().c_str());
    const BOOL firstWrote = first.WriteString("Axis", "Speed", "2");
    ASSERT_TRUE(started);
    const BOOL secondWrote = second.get();
    SetReplaceFileHookForTest(previous);

    EXPECT_TRUE(firstWrote);
    EXPECT_TRUE(secondWrote);
    EXPECT_EQ("[Axis]\r\nSpeed=2\r\nAccel=7\r\n", Read());
}

// A file changed by another program between the read and the replacement
// is not overwritten: the rewrite fails and says so.
TEST_F(IniFileTest, AFileChangedMeanwhileIsNotOverwritten)
{
    Write("[Axis]\r\nSpeed=1\r\n");
    const std::string foreign = "[Axis]\r\nSpeed=1\r\n[Hand]\r\nEdited=1\r\n";
    ReplaceFileHook previous = SetReplaceFileHookForTest(
        [&](LPCSTR, LPCSTR target) { return WriteWholeFile(target, foreign) ? TRUE : FALSE; });
    CIniFile ini(Path().c_str());
    EXPECT_FALSE(ini.WriteString("Axis", "Speed", "2"));
    SetReplaceFileHookForTest(previous);
    EXPECT_EQ(foreign, Read());
    EXPECT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ(std::vector<std::string>{"test.ini"}, FilesIn(m_folder.Path()));
}

TEST_F(IniFileTest, ReadOnlyFileIsRefusedAndAttributesAreKept)
{
    Write(kDrive1);
    ASSERT_TRUE(SetFileAttributesA(Path().c_str(), FILE_ATTRIBUTE_READONLY));
    CIniFile ini(Path().c_str());
    EXPECT_FALSE(ini.WriteString("Drive1", "Speed", "20"));
    EXPECT_FALSE(ini.DeleteSection("Drive1"));
    EXPECT_EQ(kDrive1, Read());
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
              GetFileAttributesA(Path().c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(2u, m_prompts.Records().size());

    // A hidden file stays hidden when rewritten.
    ASSERT_TRUE(SetFileAttributesA(Path().c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(ini.WriteString("Drive1", "Speed", "20"));
    EXPECT_EQ("[Drive1]\r\nSpeed=20\r\nGain=\r\n", Read());
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN), GetFileAttributesA(Path().c_str()) & FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(Path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Texts that would add lines or sections to the file when written are
// refused, in every way of writing; the file stays as it was.
TEST_F(IniFileTest, TextsThatWouldChangeTheLayoutAreRefused)
{
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"Drive1", "Speed", "1\r\n[Injected]\r\nx=1"},
        {"Drive1", "Speed", "1\nGain=9"},
        {"Drive1", "Speed", "1\r"},
        {"Drive1", "Sp\reed", "1"},
        {"Drive1", "Speed\n[Injected]", "1"},
        {"Drive1", "Speed=Gain", "1"},
        {"Drive1", "[Injected]", "1"},
        {"Drive1", " [Injected", "1"},
        {"Drive1]\r\n[Injected", "Speed", "1"},
    };
    Write(kDrive1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.section << "/" << c.key << "/" << c.value);
        for (BOOL deferred : {FALSE, TRUE}) {
            CIniFile ini(Path().c_str());
            ini.SetDeferredWrite(deferred);
            EXPECT_FALSE(ini.WriteString(c.section, c.key, c.value));
            EXPECT_TRUE(ini.Flush(TRUE));
        }
        CIniFile ini(Path().c_str());
        EXPECT_FALSE(ini.WriteStringToFile(c.section, c.key, c.value));
        CStringList lines;
        lines.AddTail(CString(c.key) + "=" + c.value);
        if (CString(c.key).Find('=') < 0 && CString(c.key).Trim().Find('[') != 0) {
            EXPECT_FALSE(ini.WriteSection(c.section, lines, TRUE));
        }
        EXPECT_EQ(kDrive1, Read());
    }
    CIniFile ini(Path().c_str());
    CStringList header;
    header.AddTail("[Injected]");
    EXPECT_FALSE(ini.ReplaceSectionInFile("Drive1", header));
    EXPECT_EQ(kDrive1, Read());
    EXPECT_TRUE(m_prompts.Records().empty());
}

// A UTF-8 byte-order mark hides nothing and is written back once.
TEST_F(IniFileTest, ByteOrderMarkIsReadPastAndKept)
{
    const std::string bom = "\xEF\xBB\xBF";
    Write(bom + "[Main]\r\nName=Demo\r\n[Other]\r\nx=1\r\n");
    CIniFile ini(Path().c_str());
    EXPECT_STREQ("Demo", ini.GetString("Main", "Name", "none"));
    CStringList names;
    ASSERT_TRUE(ini.GetSectionNames(names));
    EXPECT_EQ(2, names.GetCount());
    EXPECT_STREQ("Main", names.GetHead());

    EXPECT_TRUE(ini.WriteString("Main", "Name", "Renamed"));
    EXPECT_EQ(bom + "[Main]\r\nName=Renamed\r\n[Other]\r\nx=1\r\n", Read());
    EXPECT_TRUE(ini.DeleteSection("Main"));
    EXPECT_EQ(bom + "[Other]\r\nx=1\r\n", Read());

    // A file of nothing but the mark gets its first section after it.
    Write(bom);
    EXPECT_TRUE(ini.WriteString("New", "k", "v"));
    EXPECT_EQ(bom + "[New]\r\nk=v\r\n", Read());
}

TEST(SafeFileTest, ReplaceCreatesAndReplaces)
{
    ScratchFolder folder;
    const std::string path = folder / "data.bin";
    EXPECT_TRUE(ReplaceFileContents(path.c_str(), std::string("one\0two", 7)));
    EXPECT_EQ(std::string("one\0two", 7), ReadWholeFile(path));
    EXPECT_TRUE(ReplaceFileContents(path.c_str(), std::string("x")));
    EXPECT_EQ("x", ReadWholeFile(path));
    std::string text;
    BOOL exists = TRUE;
    EXPECT_FALSE(ReadWholeFileBytes((folder / "none").c_str(), text, &exists));
    EXPECT_FALSE(exists);
    EXPECT_FALSE(ReplaceFileContents((folder / "no\\such\\dir.bin").c_str(), std::string("x")));
    EXPECT_EQ(std::vector<std::string>{"data.bin"}, FilesIn(folder.Path()));
}

} // namespace
