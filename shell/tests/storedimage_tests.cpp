#include "shell/storedimage.h"

#include <string>

#include <gtest/gtest.h>

#include "picture_files.h"
#include "testsupport/scratch_folder.h"

namespace {

TEST(StoredImageTest, ExtensionTableInOrderAndLookupIgnoresCase)
{
    ASSERT_EQ(3, StoredExtensionCount());
    const StoredImageExtension* rows = StoredImageExtensions();
    EXPECT_STREQ("oldbmp", rows[0].plain);
    EXPECT_STREQ("teg", rows[0].stored);
    EXPECT_STREQ("bmp", rows[1].plain);
    EXPECT_STREQ("tebg", rows[1].stored);
    EXPECT_STREQ("png", rows[2].plain);
    EXPECT_STREQ("tepg", rows[2].stored);

    const struct {
        const char* stored;
        const char* plain;
    } cases[] = {
        {"teg", "oldbmp"}, {"TEBG", "bmp"}, {"tePg", "png"}, {"png", ""}, {"tep", ""}, {"", ""}, {nullptr, ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.plain, PlainExtensionFor(c.stored)) << (c.stored ? c.stored : "(null)");
}

TEST(StoredImageTest, ConversionWritesThePlainImageAndRefusesBadFiles)
{
    const std::string bmp = BitmapFileBytes(3, 2, RGB(10, 20, 30));
    const std::string png = LogoPngBytes();
    ASSERT_FALSE(png.empty());
    const struct {
        const char* name;
        std::string content;
        bool converts;
    } cases[] = {
        {"a.tebg", bmp, true},
        {"a.teg", bmp, true},
        {"a.TEPG", png, true},
        {"empty.tepg", "", false},
        {"bitmap-in-png-row.tepg", bmp, false},
        {"png-in-bitmap-row.tebg", png, false},
        {"cut-short.tebg", bmp.substr(0, 20), false},
        {"signature-only.tepg", png.substr(0, 8), false},
        {"not-stored.png", png, false},
        {"no-extension", png, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        ASSERT_TRUE(WriteWholeFile(folder / c.name, c.content));
        const std::string output = folder / "out.img";
        // An output that is there before a refused conversion stays as it was.
        ASSERT_TRUE(WriteWholeFile(output, "before"));
        EXPECT_EQ(c.converts, ConvertStoredImageFile((folder / c.name).c_str(), output.c_str()) != FALSE);
        EXPECT_EQ(c.converts ? c.content : std::string("before"), ReadWholeFile(output));
    }
}

TEST(StoredImageTest, MissingPathsAndUnwritableOutputFail)
{
    ScratchFolder folder;
    const std::string stored = folder / "logo.tepg";
    ASSERT_TRUE(WriteWholeFile(stored, LogoPngBytes()));
    EXPECT_FALSE(ConvertStoredImageFile("", (folder / "out.png").c_str()));
    EXPECT_FALSE(ConvertStoredImageFile(nullptr, (folder / "out.png").c_str()));
    EXPECT_FALSE(ConvertStoredImageFile(stored.c_str(), ""));
    EXPECT_FALSE(ConvertStoredImageFile(stored.c_str(), nullptr));
    EXPECT_FALSE(ConvertStoredImageFile((folder / "missing.tepg").c_str(), (folder / "out.png").c_str()));
    EXPECT_FALSE(ConvertStoredImageFile(stored.c_str(), (folder / "no-such-folder\\out.png").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((folder / "out.png").c_str()));
}

} // namespace
