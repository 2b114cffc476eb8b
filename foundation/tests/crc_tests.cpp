#include "foundation/crc.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {

struct CrcCase {
    const char* model;
    std::uint32_t digits;    // "123456789"
    std::uint32_t abc;       // "abc"
    std::uint32_t abcString; // "abc" through UpdateString (abc, then 0xAA)
    std::uint32_t nothing;   // no bytes fed
};

// The values this engine stores in project files and packet frames; for
// X25, ARC and XMODEM they differ from the published catalogue values.
const CrcCase kCases[] = {
    {"X25", 0xE5CC, 0x8CDA, 0x9EA4, 0x1D0F},
    {"CRC-16", 0xFEE8, 0xCADB, 0xDA40, 0},
    {"ARC", 0xBCDD, 0x1CE9, 0x68B5, 0},
    {"XMODEM", 0xCE30, 0xFA60, 0x4640, 0},
    {"CRC-32", 0xAF296EBB, 0x8A1D6F15, 0x34BBE354, 0xC704DD7B},
};

TEST(CrcCalculatorTest, ModelValues)
{
    for (const CrcCase& c : kCases) {
        SCOPED_TRACE(c.model);
        CCrcCalculator crc;
        ASSERT_TRUE(crc.SelectModel(c.model));
        crc.Reset();
        EXPECT_EQ(c.nothing, crc.GetValue());
        crc.Update("123456789", 9);
        EXPECT_EQ(c.digits, crc.GetValue());
        EXPECT_EQ(c.digits, crc.GetValue()); // reading changes nothing
        crc.Reset();
        EXPECT_EQ(c.abc, crc.Update("abc", 3).GetValue());
        crc.Reset();
        EXPECT_EQ(c.abcString, crc.UpdateString("abc").GetValue());
    }
}

TEST(CrcCalculatorTest, FeedingInPiecesGivesTheSameValue)
{
    for (const CrcCase& c : kCases) {
        SCOPED_TRACE(c.model);
        CCrcCalculator crc;
        ASSERT_TRUE(crc.SelectModel(c.model));
        crc.Reset();
        crc.Update("1234", 4).Update("", 0).Update("56789", 5);
        EXPECT_EQ(c.digits, crc.GetValue());
        crc.Reset();
        for (const char* p = "123456789"; *p; ++p)
            crc.Update(p, 1);
        EXPECT_EQ(c.digits, crc.GetValue());
    }
}

TEST(CrcCalculatorTest, ReadyFromConstructionWithTheFirstModel)
{
    CCrcCalculator crc;
    EXPECT_STREQ("X25", crc.GetModel().name);
    crc.Update("123456789", 9);
    EXPECT_EQ(0xE5CCu, crc.GetValue());
}

TEST(CrcCalculatorTest, UnknownNamesKeepTheModel)
{
    CCrcCalculator crc;
    ASSERT_TRUE(crc.SelectModel("CRC-16"));
    for (const char* name : {"crc-16", "CRC-16 ", "CRC", "", "CRC-16-LONG-NAME"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(crc.SelectModel(name));
        EXPECT_STREQ("CRC-16", crc.GetModel().name);
    }
    EXPECT_FALSE(crc.SelectModel(nullptr));
    crc.Reset();
    crc.Update("123456789", 9);
    EXPECT_EQ(0xFEE8u, crc.GetValue());
}

} // namespace
