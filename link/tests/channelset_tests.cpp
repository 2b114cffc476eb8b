#include "link/channelset.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {

TEST(ChannelSetTest, SetFillsSlotsFromTheFirst)
{
    CChannelSet set;
    EXPECT_TRUE(set.Set(2, 8, -99));
    EXPECT_EQ(8, set.GetAt(0));
    EXPECT_EQ(-99, set.GetAt(1));
    EXPECT_EQ(CHANNEL_NOT_SET, set.GetAt(2));

    EXPECT_TRUE(set.Set(3, -99, 0, 8));
    EXPECT_EQ(-99, set.GetAt(0));
    EXPECT_EQ(0, set.GetAt(1));
    EXPECT_EQ(8, set.GetAt(2));

    EXPECT_TRUE(set.Set(1, 0));
    EXPECT_EQ(0, set.GetAt(0));
    EXPECT_EQ(CHANNEL_NOT_SET, set.GetAt(1));

    // More than three: the first three are kept all the same.
    EXPECT_FALSE(set.Set(4, 1, 2, 3, 4));
    EXPECT_EQ(1, set.GetAt(0));
    EXPECT_EQ(3, set.GetAt(2));

    // A count larger than the channels given leaves the rest empty.
    EXPECT_TRUE(set.Set(3, 5));
    EXPECT_EQ(5, set.GetAt(0));
    EXPECT_EQ(CHANNEL_NOT_SET, set.GetAt(1));

    EXPECT_TRUE(set.Set(0, 5));
    EXPECT_EQ(CHANNEL_NOT_SET, set.GetAt(0));
    EXPECT_TRUE(set.Set(-1));
}

TEST(ChannelSetTest, ContainsNeverMatchesTheEmptyMark)
{
    CChannelSet set;
    EXPECT_FALSE(set.Contains(CHANNEL_NOT_SET));
    set.Set(2, 8, -99);
    EXPECT_TRUE(set.Contains(8));
    EXPECT_TRUE(set.Contains(-99));
    EXPECT_FALSE(set.Contains(0));
    EXPECT_FALSE(set.Contains(CHANNEL_NOT_SET));
}

TEST(WindowDataTest, ANewRecordAndItsCopy)
{
    const CWindowData fresh;
    EXPECT_EQ(nullptr, fresh.m_hWnd);
    EXPECT_EQ(0, fresh.m_nToolId);
    EXPECT_EQ(-1, fresh.m_nFlag);
    EXPECT_FALSE(fresh.m_channels.Contains(0));
    EXPECT_EQ(CHANNEL_NOT_SET, fresh.m_channels.GetAt(0));
    EXPECT_EQ(-1, fresh.m_nValue1);
    EXPECT_EQ(-1, fresh.m_nValue2);
    EXPECT_EQ(0, fresh.m_nValue3);

    CWindowData source;
    source.m_nToolId = 1012;
    source.m_nKind = 4;
    source.m_channels.Set(2, 8, 3);
    source.SetName("ABCDEFGHIJKLMNO"); // 15 characters: the whole field
    source.m_nValue2 = 7;
    source.m_nValue4 = 9;
    CWindowData copy;
    copy = source;
    EXPECT_EQ(1012, copy.m_nToolId);
    EXPECT_EQ(4, copy.m_nKind);
    EXPECT_TRUE(copy.m_channels.Contains(3));
    EXPECT_STREQ("ABCDEFGHIJKLMNO", copy.m_szName);
    EXPECT_EQ(7, copy.m_nValue2);
    EXPECT_EQ(9, copy.m_nValue4);

    source.SetName("ABCDEFGHIJKLMNOPQ");
    EXPECT_STREQ("ABCDEFGHIJKLMNO", source.m_szName);
}

TEST(WindowParametersTest, TheChannelSetLiesAtBytes28To39LittleEndian)
{
    SWindowParameters parameters;
    parameters.m_channels.Set(2, 8, -99);
    unsigned char bytes[sizeof parameters];
    std::memcpy(bytes, &parameters, sizeof bytes);
    const unsigned char expected[12] = {8, 0, 0, 0, 0x9D, 0xFF, 0xFF, 0xFF, 0x9B, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(0, std::memcmp(expected, bytes + 28, 12));
    for (int n = 0; n < 28; ++n)
        EXPECT_EQ(0, bytes[n]) << n;
    for (int n = 40; n < 308; ++n)
        EXPECT_EQ(0, bytes[n]) << n;
}

} // namespace
