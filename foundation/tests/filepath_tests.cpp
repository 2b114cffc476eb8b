#include "foundation/filepath.h"
#include "foundation/ip4address.h"

#include <gtest/gtest.h>

namespace {

TEST(CFilePathTest, SetPathSplitsAtTheLastBackslashAndDot)
{
    struct Case {
        const char* path;
        const char* directory;
        const char* name;
        const char* extension;
        const char* fullPath;
    };
    const Case cases[] = {
        {"C:\\Work\\demo.prj", "C:\\Work", "demo", "prj", "C:\\Work\\demo.prj"},
        {"C:\\Work.d\\demo", "C:\\Work.d", "demo", "", "C:\\Work.d\\demo."},
        {"C:\\Work\\archive.tar.gz", "C:\\Work", "archive.tar", "gz", "C:\\Work\\archive.tar.gz"},
        {"\\demo.prj", "", "demo", "prj", "\\demo.prj"},
        {"C:\\Work\\", "C:\\Work", "", "", "C:\\Work\\."},
        {"demo.prj", "", "", "", "\\."},
        {"", "", "", "", "\\."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        // Start from a path with every part set, so each part is replaced.
        CFilePath path("D:\\Old\\old.ext");
        path.SetPath(c.path);
        EXPECT_EQ(CString(c.directory), path.GetDirectory());
        EXPECT_EQ(CString(c.name), path.GetName());
        EXPECT_EQ(CString(c.extension), path.GetExtension());
        EXPECT_EQ(CString(c.fullPath), path.GetFullPath());
    }
}

TEST(CFilePathTest, ReplacingParts)
{
    CFilePath path("C:\\Work\\demo.prj");
    EXPECT_TRUE(path.SetDirectory("D:\\Projects\\\\\\"));
    EXPECT_EQ(CString("D:\\Projects"), path.GetDirectory());

    EXPECT_TRUE(path.SetFileName("MAIN.BAS"));
    EXPECT_EQ(CString("D:\\Projects\\MAIN.BAS"), path.GetFullPath());
    EXPECT_TRUE(path.SetFileName("README"));
    EXPECT_EQ(CString(""), path.GetExtension());
    EXPECT_EQ(CString("README"), path.GetFullName());
    EXPECT_FALSE(path.SetFileName("sub\\file.txt"));
    EXPECT_EQ(CString("README"), path.GetName());

    EXPECT_TRUE(path.SetExtension("txt"));
    EXPECT_EQ(CString("README.txt"), path.GetFullName());
    EXPECT_EQ(CString("D:\\Projects\\README"), path.GetPathWithoutExtension());
    EXPECT_FALSE(path.SetExtension("a\\b"));
    EXPECT_EQ(CString("txt"), path.GetExtension());

    path.AppendDirectory("\\\\Backup\\2024\\");
    EXPECT_EQ(CString("D:\\Projects\\Backup\\2024"), path.GetDirectory());
    EXPECT_EQ(CString("D:\\Projects\\Backup\\2024\\README.txt"), path.GetFullPath());

    CFilePath copy = path;
    EXPECT_EQ(path.GetFullPath(), copy.GetFullPath());
    EXPECT_EQ(CString("\\."), CFilePath().GetFullPath());
}

TEST(CIP4AddressTest, DottedText)
{
    struct Case {
        const char* text;
        BOOL valid;
        DWORD address;
    };
    const Case cases[] = {
        {"192.168.000.250", TRUE, 0xC0A800FA},
        {"192.168.0.250", TRUE, 0xC0A800FA},
        {"0.0.0.0", TRUE, 0},
        {"255.255.255.255", TRUE, 0xFFFFFFFF},
        {"127.0.0.1", TRUE, 0x7F000001},
        {"256.1.1.1", FALSE, 0},
        {"1.2.3", FALSE, 0},
        {"1.2.3.4.", FALSE, 0},
        {"1.2.3.4.5", FALSE, 0},
        {"1.2.3.1000", FALSE, 0},
        {"1.2.3.0255", FALSE, 0},
        {"1.x.3.4", FALSE, 0},
        {" 1.2.3.4", FALSE, 0},
        {"1.2.3.4 ", FALSE, 0},
        {"1..3.4", FALSE, 0},
        {"+1.2.3.4", FALSE, 0},
        {"", FALSE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CIP4Address address(0x01020304);
        EXPECT_EQ(c.valid, address.SetAddressText(c.text));
        EXPECT_EQ(c.address, address.GetAddress());
    }
    CIP4Address address;
    EXPECT_EQ(0x7F000001u, address.GetAddress());
    EXPECT_FALSE(address.SetAddressText(nullptr));
    EXPECT_EQ(0u, address.GetAddress());
    address.SetAddressText("192.168.000.250");
    EXPECT_EQ(CString("192.168.0.250"), address.GetAddressText());
}

} // namespace
