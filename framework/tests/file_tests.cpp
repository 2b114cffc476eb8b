#include "framework/file.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/scratch_folder.h"

namespace {

// Every test works in a fresh folder of its own under the temporary folder.
class FileTest : public testing::Test {
protected:
    std::string PathOf(const char* name) const { return m_scratch / name; }
    void WriteBytes(const char* name, const std::string& bytes) const
    {
        ASSERT_TRUE(WriteWholeFile(PathOf(name), bytes));
    }
    std::string ReadBytes(const char* name) const
    {
        if (GetFileAttributesA(PathOf(name).c_str()) == INVALID_FILE_ATTRIBUTES)
            return "<missing>";
        return ReadWholeFile(PathOf(name));
    }

    ScratchFolder m_scratch;
    const std::string& m_folder = m_scratch.Path();
};

// Lines with CR LF and LF ends, an empty line, a lone CR inside a line and
// a last line without a line end.
const char kMixedLines[] = "one\r\ntwo\n\nthree\r\n\r\nlone\rcr\nlast";

TEST_F(FileTest, ReadStringStripsEitherLineEnd)
{
    WriteBytes("mixed.txt", kMixedLines);
    const std::vector<std::string> expected = {"one", "two", "", "three", "", "lone\rcr", "last"};
    for (UINT type : {0u, static_cast<UINT>(CFile::typeText), static_cast<UINT>(CFile::typeBinary)}) {
        SCOPED_TRACE(type);
        CStdioFile file;
        ASSERT_TRUE(file.Open(PathOf("mixed.txt").c_str(), CFile::modeRead | type));
        std::vector<std::string> lines;
        CString line;
        while (file.ReadString(line))
            lines.push_back(line.GetString());
        EXPECT_EQ(expected, lines);
        EXPECT_TRUE(line.IsEmpty());
        EXPECT_FALSE(file.ReadString(line));
    }
}

TEST_F(FileTest, ReadStringIntoBufferKeepsTheNewlineLikeFgets)
{
    WriteBytes("mixed.txt", kMixedLines);
    struct {
        UINT flags;
        UINT size;
        std::vector<std::string> expected;
    } cases[] = {
        {CFile::typeText, 64, {"one\n", "two\n", "\n", "three\n", "\n", "lone\rcr\n", "last"}},
        {CFile::typeBinary, 64, {"one\r\n", "two\n", "\n", "three\r\n", "\r\n", "lone\rcr\n", "last"}},
        // A CR LF pair read as one "\n" fits where the pair would not.
        {CFile::typeText, 4, {"one", "\n", "two", "\n", "\n", "thr", "ee\n", "\n", "lon", "e\rc", "r\n", "las", "t"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << " size " << c.size);
        CStdioFile file(PathOf("mixed.txt").c_str(), CFile::modeRead | c.flags);
        std::vector<std::string> lines;
        char buffer[64];
        while (file.ReadString(buffer, c.size))
            lines.push_back(buffer);
        EXPECT_EQ(c.expected, lines);
    }
}

TEST_F(FileTest, LinesAcrossBufferBoundaries)
{
    // Lines of every length up to 52 with both line ends, so line ends and
    // CR LF pairs fall on every offset of the read buffer.
    std::string bytes;
    std::string text;
    std::vector<std::string> lines;
    for (int i = 0; i < 3000; ++i) {
        std::string line(static_cast<size_t>(i % 53), static_cast<char>('a' + i % 26));
        lines.push_back(line);
        bytes += line + (i % 3 ? "\r\n" : "\n");
        text += line + "\n";
    }
    WriteBytes("long.txt", bytes);

    CStdioFile file(PathOf("long.txt").c_str(), CFile::modeRead | CFile::typeText);
    CString line;
    size_t count = 0;
    while (file.ReadString(line)) {
        ASSERT_LT(count, lines.size());
        ASSERT_EQ(lines[count], line.GetString()) << "line " << count;
        ++count;
    }
    EXPECT_EQ(lines.size(), count);
    EXPECT_EQ(bytes.size(), file.GetPosition());

    // Read in text mode gives the same LF-only text.
    file.SeekToBegin();
    std::string read(text.size() + 10, '\0');
    UINT n = file.Read(read.data(), static_cast<UINT>(read.size()));
    read.resize(n);
    EXPECT_EQ(text, read);
}

TEST_F(FileTest, WriteStringTranslatesOnlyInTextMode)
{
    std::string many;
    std::string manyTranslated;
    for (int i = 0; i < 5000; ++i) {
        many += "ab\n";
        manyTranslated += "ab\r\n";
    }
    struct {
        UINT flags;
        std::string written;
        std::string expected;
    } cases[] = {
        {0, "a\nb", "a\r\nb"},
        {CFile::typeText, "\n\n", "\r\n\r\n"},
        {CFile::typeText, "x\r\n", "x\r\r\n"},
        {CFile::typeText, many, manyTranslated},
        {CFile::typeBinary, "a\nb\r\n", "a\nb\r\n"},
        {CFile::typeBinary, many, many},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << " text " << c.written.substr(0, 12));
        {
            CStdioFile file(PathOf("out.txt").c_str(), CFile::modeCreate | CFile::modeWrite | c.flags);
            file.WriteString(c.written.c_str());
        }
        EXPECT_EQ(c.expected, ReadBytes("out.txt"));
    }
}

TEST_F(FileTest, OpenFailureFillsTheException)
{
    WriteBytes("locked.txt", "x");
    struct {
        std::string name;
        int cause;
        LONG osError;
    } cases[] = {
        {PathOf("missing.txt"), CFileException::fileNotFound, ERROR_FILE_NOT_FOUND},
        {PathOf("no folder\\missing.txt"), CFileException::badPath, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFile file;
        CFileException e;
        EXPECT_FALSE(file.Open(c.name.c_str(), CFile::modeRead, &e));
        EXPECT_EQ(c.cause, e.m_cause);
        EXPECT_EQ(c.osError, e.m_lOsError);
        EXPECT_EQ(c.name, e.m_strFileName.GetString());
        EXPECT_EQ(CFile::hFileNull, file.m_hFile);

        // The constructor that opens throws the same.
        try {
            CStdioFile opened(c.name.c_str(), CFile::modeRead);
            ADD_FAILURE() << "opened a missing file";
        } catch (CFileException* thrown) {
            EXPECT_EQ(c.cause, thrown->m_cause);
            EXPECT_EQ(c.name, thrown->m_strFileName.GetString());
            EXPECT_NE(-1, thrown->GetErrorText().Find(c.name.c_str()));
            thrown->Delete();
        }
    }

    // Share modes reach the system.
    CFile exclusive(PathOf("locked.txt").c_str(), CFile::modeRead | CFile::shareExclusive);
    CFile second;
    CFileException e;
    EXPECT_FALSE(second.Open(PathOf("locked.txt").c_str(), CFile::modeRead | CFile::shareDenyNone, &e));
    EXPECT_EQ(CFileException::sharingViolation, e.m_cause);

    // An object that holds an open file refuses to open another.
    EXPECT_FALSE(exclusive.Open(PathOf("other.txt").c_str(), CFile::modeCreate | CFile::modeWrite, &e));
    EXPECT_EQ("<missing>", ReadBytes("other.txt"));
}

TEST_F(FileTest, PositionStaysRightAcrossTheReadBuffer)
{
    WriteBytes("lines.txt", "line1\r\nline2\nline3\r\n"); // lines start at 0, 7 and 13
    CStdioFile file(PathOf("lines.txt").c_str(), CFile::modeRead | CFile::typeText);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(7u, file.GetPosition());
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(13u, file.GetPosition());

    EXPECT_EQ(7u, file.Seek(-6, CFile::current));
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("line2", line);
    file.SeekToBegin();
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("line1", line);
    EXPECT_EQ(13u, file.Seek(13, CFile::begin));
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("line3", line);
    EXPECT_EQ(20u, file.SeekToEnd());
    EXPECT_FALSE(file.ReadString(line));
}

TEST_F(FileTest, WriteAfterBufferedReadLandsAtTheReadPosition)
{
    WriteBytes("lines.txt", "line1\r\nline2\nline3\r\n");
    {
        CStdioFile file(PathOf("lines.txt").c_str(), CFile::modeReadWrite | CFile::typeBinary);
        CString line;
        ASSERT_TRUE(file.ReadString(line));
        file.WriteString("LINE2");
        EXPECT_EQ(12u, file.GetPosition());
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_EQ("", line);
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_EQ("line3", line);

        // Pending bytes past the end already count in the length.
        file.SeekToEnd();
        file.WriteString("tail");
        EXPECT_EQ(24u, file.GetLength());
        EXPECT_EQ(24u, file.GetPosition());
    }
    EXPECT_EQ("line1\r\nLINE2\nline3\r\ntail", ReadBytes("lines.txt"));
}

TEST_F(FileTest, CFileReadWriteLengthAndNames)
{
    std::string path = PathOf("data.bin");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
        file.Write("hello world", 11);
        EXPECT_EQ(11u, file.GetLength());
        file.SeekToBegin();
        char buffer[16] = {};
        EXPECT_EQ(5u, file.Read(buffer, 5));
        EXPECT_STREQ("hello", buffer);
        EXPECT_EQ(5u, file.GetPosition());
        file.SetLength(8);
        EXPECT_EQ(8u, file.GetLength());
        EXPECT_EQ(8u, file.GetPosition());
        EXPECT_EQ(0u, file.Read(buffer, sizeof buffer));

        EXPECT_EQ(path, file.GetFilePath().GetString());
        EXPECT_EQ("data.bin", file.GetFileName());
        EXPECT_EQ("data", file.GetFileTitle());

        CFileStatus status;
        ASSERT_TRUE(file.GetStatus(status));
        EXPECT_EQ(8u, status.m_size);
        EXPECT_EQ(0, status.m_attribute & CFile::directory);
    }

    // modeNoTruncate keeps what modeCreate alone would cut away.
    CFile(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite).Close();
    EXPECT_EQ("hello wo", ReadBytes("data.bin"));
    CFile(path.c_str(), CFile::modeCreate | CFile::modeWrite).Close();
    EXPECT_EQ("", ReadBytes("data.bin"));

    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path.c_str(), status));
    EXPECT_EQ(0u, status.m_size);
    EXPECT_STREQ(path.c_str(), status.m_szFullName);
    EXPECT_LT(std::llabs(status.m_mtime.GetTime() - CTime::GetCurrentTime().GetTime()), 3600);

    CFile::Rename(path.c_str(), PathOf("renamed.bin").c_str());
    EXPECT_FALSE(CFile::GetStatus(path.c_str(), status));
    CFile::Remove(PathOf("renamed.bin").c_str());
    try {
        CFile::Remove(PathOf("renamed.bin").c_str());
        ADD_FAILURE() << "removed a missing file";
    } catch (CFileException* e) {
        EXPECT_EQ(CFileException::fileNotFound, e->m_cause);
        e->Delete();
    }
}

TEST_F(FileTest, FileFindWalksAFolder)
{
    WriteBytes("a.txt", "abc");
    WriteBytes("b.dat", "");
    ASSERT_TRUE(CreateDirectoryA(PathOf("sub").c_str(), nullptr));
    SetFileAttributesA(PathOf("b.dat").c_str(), FILE_ATTRIBUTE_READONLY);

    CFileFind finder;
    std::set<std::string> names;
    std::set<std::string> dots;
    BOOL more = finder.FindFile(PathOf("*.*").c_str());
    ASSERT_TRUE(more);
    EXPECT_EQ(m_folder + "\\", finder.GetRoot().GetString());
    while (more) {
        more = finder.FindNextFile();
        std::string name = finder.GetFileName().GetString();
        names.insert(name);
        EXPECT_EQ(PathOf(name.c_str()), finder.GetFilePath().GetString());
        if (finder.IsDots())
            dots.insert(name);
        if (name == "a.txt") {
            EXPECT_EQ(3u, finder.GetLength());
            EXPECT_EQ("a", finder.GetFileTitle());
            EXPECT_FALSE(finder.IsDirectory());
            EXPECT_FALSE(finder.IsReadOnly());
            CTime written;
            ASSERT_TRUE(finder.GetLastWriteTime(written));
            EXPECT_LT(std::llabs(written.GetTime() - CTime::GetCurrentTime().GetTime()), 3600);
        } else if (name == "b.dat") {
            EXPECT_TRUE(finder.IsReadOnly());
            EXPECT_TRUE(finder.MatchesMask(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
        } else if (name == "sub") {
            EXPECT_TRUE(finder.IsDirectory());
            EXPECT_TRUE(finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY));
            EXPECT_FALSE(finder.IsDots());
        }
    }
    EXPECT_EQ((std::set<std::string>{".", "..", "a.txt", "b.dat", "sub"}), names);
    EXPECT_EQ((std::set<std::string>{".", ".."}), dots);

    // With a single match the first FindNextFile already says "last one",
    // and the entry is still there to read.
    ASSERT_TRUE(finder.FindFile(PathOf("*.txt").c_str()));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ("a.txt", finder.GetFileName());
    EXPECT_FALSE(finder.FindNextFile());

    EXPECT_FALSE(finder.FindFile(PathOf("*.none").c_str()));
    EXPECT_TRUE(finder.GetFileName().IsEmpty());
}

} // namespace
