#include "link/asciicoder.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

// Every byte value, then a pattern, length bytes long.
std::string Sample(std::size_t length)
{
    std::string bytes;
    for (std::size_t n = 0; n < length; ++n)
        bytes += static_cast<char>((n * 37 + n / 256) & 0xFF);
    return bytes;
}

TEST(AsciiCodeTest, GroupsOfThreeBytesBecomeFourCharacters)
{
    EXPECT_EQ("3\r\n{####}\r\n", EncodeAsciiText(Bytes({0, 0, 0})));
    EXPECT_EQ("3\r\n{bbbb}\r\n", EncodeAsciiText(Bytes({0xFF, 0xFF, 0xFF})));
    // Little-endian 24-bit value, lowest six bits first: 0x000001 and 0x800000.
    EXPECT_EQ("3\r\n{$###}\r\n", EncodeAsciiText(Bytes({1, 0, 0})));
    EXPECT_EQ("3\r\n{###C}\r\n", EncodeAsciiText(Bytes({0, 0, 0x80})));
    // A short last group carries its bytes in the low parts.
    EXPECT_EQ("1\r\n{b$##}\r\n", EncodeAsciiText(Bytes({0x7F})));
}

TEST(AsciiCodeTest, NineteenGroupsMakeALine)
{
    const std::string text = EncodeAsciiText(std::string(57, '\0'));
    EXPECT_EQ("57\r\n{" + std::string(76, '#') + "\r\n}\r\n", text);
    const std::string longer = EncodeAsciiText(std::string(58, '\0'));
    EXPECT_EQ("58\r\n{" + std::string(76, '#') + "\r\n####}\r\n", longer);
}

TEST(AsciiCodeTest, AnyBytesRoundTrip)
{
    for (std::size_t length : {1u, 2u, 3u, 4u, 56u, 57u, 58u, 256u, 1000u, 70000u}) {
        const std::string source = Sample(length);
        std::string decoded = "junk";
        ASSERT_TRUE(DecodeAsciiText(EncodeAsciiText(source), decoded)) << length;
        EXPECT_EQ(source, decoded) << length;
    }
}

TEST(AsciiCodeTest, DecodingRefusesWhatItCannotTrust)
{
    const char* bad[] = {
        "3\r\n{##!#}\r\n",                // "!" is below the code set
        "3\r\n{##c#}\r\n",                // "c" is above it
        "6\r\n{####}\r\n",                // "}" before the length is reached
        "3\r\n{####",                     // no "}"
        "3\r\n{##}\r\n",                  // a group cut short
        "\r\n{####}\r\n",                 // no length
        "1234567890123456\r\n{####}\r\n", // more than 15 digits
        "3x\r\n{####}\r\n",               // not a number
        "no braces at all",
    };
    for (const char* text : bad) {
        std::string bytes = "junk";
        EXPECT_FALSE(DecodeAsciiText(text, bytes)) << text;
        EXPECT_TRUE(bytes.empty()) << text;
    }
    std::string bytes;
    EXPECT_TRUE(DecodeAsciiText("2\r\n{$$##}\r\n", bytes));
    EXPECT_EQ(Bytes({0x41, 0}), bytes);
    // Line ends where a group begins are passed over; groups after the
    // length are read but not kept.
    EXPECT_TRUE(DecodeAsciiText("3\n{\r\n####\r\n####}", bytes));
    EXPECT_EQ(Bytes({0, 0, 0}), bytes);
}

class AsciiCoderFileTest : public testing::Test {
protected:
    ~AsciiCoderFileTest() override
    {
        for (const CString& path : {m_source, m_target})
            DeleteFileA(path);
    }
    static void Write(const CString& path, const std::string& bytes) { ASSERT_TRUE(ReplaceFileContents(path, bytes)); }
    static std::string Read(const CString& path)
    {
        std::string bytes;
        BOOL exists = FALSE;
        return ReadWholeFileBytes(path, bytes, &exists) ? bytes : (exists ? "(unreadable)" : "(missing)");
    }

    CString m_source = MakeTempFileName("ascii", "zwe");
    CString m_target = MakeTempFileName("ascii", "zwa");
    CASCIICoder m_coder;
};

TEST_F(AsciiCoderFileTest, AFileRoundTripsThroughItsCodedForm)
{
    const std::string bytes = Sample(1234);
    Write(m_source, bytes);
    ASSERT_TRUE(m_coder.EncodeFile(m_source, m_target));
    EXPECT_EQ(EncodeAsciiText(bytes), Read(m_target));
    DeleteFileA(m_source);
    ASSERT_TRUE(m_coder.DecodeFile(m_target, m_source));
    EXPECT_EQ(bytes, Read(m_source));
}

TEST_F(AsciiCoderFileTest, MissingEmptyAndBadSources)
{
    // Nothing to carry: success, nothing written.
    EXPECT_TRUE(m_coder.EncodeFile(m_source, m_target));
    EXPECT_EQ("(missing)", Read(m_target));
    EXPECT_TRUE(m_coder.DecodeFile(m_source, m_target));
    EXPECT_EQ("(missing)", Read(m_target));

    Write(m_source, "");
    EXPECT_FALSE(m_coder.EncodeFile(m_source, m_target));

    // A coded file that does not decode leaves the target as it was.
    Write(m_source, "6\r\n{####}\r\n");
    Write(m_target, "keep me");
    EXPECT_FALSE(m_coder.DecodeFile(m_source, m_target));
    EXPECT_EQ("keep me", Read(m_target));

    Write(m_source, "3\r\n{####}\r\n");
    EXPECT_FALSE(m_coder.DecodeFile(m_source, "Z:\\no such folder\\x.zwe"));
}

TEST(ScriptResponseCheckerTest, AlternativesAreSplitAtBars)
{
    struct Case {
        const char* text;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {" OK|ERROR|", {"OK", "ERROR"}}, {"OK", {"OK"}},           {"", {}},
        {"a | b | c", {"a", "b", "c"}},  {"a||b", {"a", "", "b"}}, {"|a", {"", "a"}},
    };
    for (const Case& c : cases) {
        CScriptResponseChecker checker;
        checker.AddTail(CString("left over"));
        checker.SplitAlternatives(c.text);
        std::vector<std::string> parts;
        for (CString* part = checker.GetHead(); part; part = checker.GetNext(part))
            parts.push_back(part->str());
        EXPECT_EQ(c.parts, parts) << c.text;
    }
    EXPECT_TRUE(CScriptResponseChecker::IsExactMatch("OK", "OK"));
    EXPECT_FALSE(CScriptResponseChecker::IsExactMatch("OK", "ok"));
}

TEST(MakerFolderTest, TheCommonFilesFolderWithTheMakersName)
{
    CString folder;
    GetMakerCommonFolder(folder);
    EXPECT_EQ("\\VexoLabs", folder.Right(9).str());
    CString common;
    ASSERT_TRUE(GetEnvironmentText("CommonProgramFiles", common));
    EXPECT_EQ(0, folder.Find(common));
}

} // namespace
