// CRC-16, the MODBUS step, the lock checksum and the byte fields.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "simulator/runtime/checksums.h"

using namespace qcrt;

namespace {

uint16_t Crc16Of(const std::string& text)
{
    return Crc16(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(Crc16, StandardCheckValues)
{
    EXPECT_EQ(Crc16Of("123456789"), 0xFEE8);
    EXPECT_EQ(Crc16Of("abc"), 0xCADB);
    EXPECT_EQ(Crc16Of(""), 0x0000);
    EXPECT_EQ(Crc16TableEntry(1), 0x8005);
}

TEST(Crc16, FeedingInChunksGivesTheSameResult)
{
    const std::string text = "PRINT VR(10)\x03";
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    uint32_t whole = Crc16Finish(Crc16Update(0, bytes, text.size()));
    for (size_t split = 0; split <= text.size(); ++split) {
        uint32_t crc = Crc16Update(0, bytes, split);
        crc = Crc16Update(crc, bytes + split, text.size() - split);
        EXPECT_EQ(Crc16Finish(crc), whole) << "split at " << split;
    }
    uint32_t bytewise = 0;
    for (uint8_t b : text)
        bytewise = Crc16Update(bytewise, &b, 1);
    EXPECT_EQ(Crc16Finish(bytewise), whole);
}

TEST(Crc16, ModbusStep)
{
    const uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
    uint16_t crc = 0xFFFF;
    for (uint8_t b : request)
        crc = Crc16ModbusStep(crc, b);
    EXPECT_EQ(crc, 0x0A84);
}

TEST(LockChecksum, KnownValues)
{
    EXPECT_EQ(LockChecksum("00000000", "bel rosamund quincey harrowby"), 0x3189CA78u);
    EXPECT_EQ(LockChecksum("C3B2A100", "bel rosamund quincey harrowby"), 0x009F5689u);
    EXPECT_EQ(LockChecksum("abc", ""), 0x58F2030Bu);
}

TEST(LockChecksum, SaltRules)
{
    const char* code = "12345678";
    struct Case {
        const char* salt;
        const char* sameAs;
    };
    const Case cases[] = {
        {"bel rosamund quincey harrowby", "bel rosamun"}, // at most 11 characters
        {"bel rosamunX", "bel rosamun"},
        {"$1$bel rosamund", "bel rosamun"}, // "$1$" is not part of the salt
        {"abc$def", "abc"},                 // ends at the first "$"
        {"$1$abc$def", "abc"},
        {"$abc", ""},
        {"$1x$abc", ""}, // only a whole "$1$" is skipped
    };
    for (const Case& c : cases)
        EXPECT_EQ(LockChecksum(code, c.salt), LockChecksum(code, c.sameAs)) << c.salt;
    EXPECT_NE(LockChecksum(code, "bel rosamu"), LockChecksum(code, "bel rosamun"));
    EXPECT_NE(LockChecksum("12345679", "abc"), LockChecksum(code, "abc"));
    EXPECT_EQ(LockChecksum(code, nullptr), LockChecksum(code, ""));
}

TEST(ByteFields, LittleEndianAndPositions)
{
    uint8_t buffer[32];
    std::memset(buffer, 0xEE, sizeof buffer);
    int put = 0;
    Put32(buffer, put, -2);
    Put16(buffer, put, 0xBEEF);
    Put24(buffer, put, 0x123456);
    PutFloat(buffer, put, 1.5f);
    EXPECT_EQ(put, 13);
    const uint8_t expected[] = {0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xBE, 0x56, 0x34, 0x12, 0x00, 0x00, 0xC0, 0x3F};
    EXPECT_EQ(0, std::memcmp(buffer, expected, sizeof expected));
    EXPECT_EQ(buffer[13], 0xEE) << "nothing written past the fields";

    int get = 0;
    EXPECT_EQ(Get32(buffer, get), -2);
    EXPECT_EQ(Get16(buffer, get), 0xBEEF);
    EXPECT_EQ(Get24(buffer, get), 0x123456u);
    EXPECT_EQ(GetFloat(buffer, get), 1.5f);
    EXPECT_EQ(get, 13);

    const uint8_t three[] = {0x01, 0x02, 0x03};
    int at = 0;
    EXPECT_EQ(Get24(three, at), 0x030201u);
    const uint8_t breakpointLine[] = {0x05, 0x00, 0x80};
    at = 0;
    EXPECT_EQ(Get24(breakpointLine, at), 0x800005u) << "bit 23 marks a breakpoint";
}

TEST(ByteFields, SetClearBits)
{
    EXPECT_EQ(SetClearBits(5.0f, 0x2, 0x1), 6.0f);
    EXPECT_EQ(SetClearBits(0.0f, 0x80, 0), 128.0f);
    EXPECT_EQ(SetClearBits(255.9f, 0, 0xF0), 15.0f);
}

} // namespace
