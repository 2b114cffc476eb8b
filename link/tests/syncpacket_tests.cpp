#include "link/syncpacket.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(SyncPacketTest, ABuiltPacketChecksAndGivesBackItsPayload)
{
    for (const char* payload : {"?VERSION", "", "&12R,PRINT \"A,B\""}) {
        CSyncPacket packet;
        const CString text = packet.Build(payload);
        ASSERT_EQ(static_cast<int>(std::strlen(payload)) + 5, text.GetLength());
        EXPECT_EQ(STX, text[0]);
        EXPECT_EQ(ETX, text[text.GetLength() - 4]);
        for (int n = text.GetLength() - 3; n < text.GetLength(); ++n) {
            EXPECT_GE(static_cast<unsigned char>(text[n]), 64);
            EXPECT_LE(static_cast<unsigned char>(text[n]), 127);
        }
        CSyncPacket received;
        received.SetText(text);
        EXPECT_TRUE(received.Check()) << payload;
        EXPECT_STREQ(payload, received.GetPayload());
    }
}

TEST(SyncPacketTest, CheckCharactersOfAKnownPacket)
{
    CSyncPacket packet;
    EXPECT_EQ(std::string("\x02?VERSION;\x03" "bON"), packet.Build("?VERSION;").str());
}

TEST(SyncPacketTest, DamagedOrUnframedTextsFailTheCheck)
{
    CSyncPacket packet;
    const CString good = packet.Build("?VR(10);");
    // Any byte of the payload, the ETX or the check characters changed.
    for (int n = 1; n < good.GetLength(); ++n) {
        CString damaged = good;
        damaged.SetAt(n, static_cast<char>(damaged[n] ^ 0x01));
        CSyncPacket received;
        received.SetText(damaged);
        EXPECT_FALSE(received.Check()) << n;
    }
    const char* unframed[] = {"", "\x02\x03@@", "?VR(10);", "\x02?VR(10);@@@@"};
    for (const char* text : unframed) {
        CSyncPacket received;
        received.SetText(text);
        EXPECT_FALSE(received.IsFramed()) << text;
        EXPECT_FALSE(received.Check()) << text;
    }
}

} // namespace
