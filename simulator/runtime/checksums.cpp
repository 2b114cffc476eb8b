#include "simulator/runtime/checksums.h"

#include <array>
#include <bit>

#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/values.h"

namespace qcrt {

namespace {

constexpr std::array<uint16_t, 256> MakeCrc16Table()
{
    std::array<uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint16_t value = static_cast<uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            value = static_cast<uint16_t>((value & 0x8000) ? (value << 1) ^ 0x8005 : value << 1);
        table[i] = value;
    }
    return table;
}

constexpr std::array<uint16_t, 256> kCrc16Table = MakeCrc16Table();

uint32_t FeedLockBits(uint32_t reg, uint8_t byte)
{
    for (int bit = 7; bit >= 0; --bit) {
        bool top = (reg & 0x80000000u) != 0;
        reg = (reg << 1) | ((byte >> bit) & 1u);
        if (top)
            reg ^= 0x04C11DB7u;
    }
    return reg;
}

} // namespace

void BuildCrc16Table()
{
    // The table is built at compile time; nothing is left to do at power-up.
}

uint16_t Crc16TableEntry(int index)
{
    return kCrc16Table[static_cast<size_t>(index) & 0xFF];
}

uint32_t Crc16Update(uint32_t crc, const uint8_t* bytes, size_t count)
{
    for (size_t n = 0; n < count; ++n) {
        uint32_t entry = kCrc16Table[(crc >> 8) & 0xFF];
        crc = entry ^ ((crc << 8) | bytes[n]);
    }
    return crc;
}

uint32_t Crc16Finish(uint32_t crc)
{
    static const uint8_t kZeros[2] = {0, 0};
    return Crc16Update(crc, kZeros, 2) & 0xFFFF;
}

uint16_t Crc16(const uint8_t* bytes, size_t count)
{
    return static_cast<uint16_t>(Crc16Finish(Crc16Update(0, bytes, count)));
}

uint16_t Crc16ModbusStep(uint16_t crc, uint8_t byte)
{
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    return crc;
}

uint32_t LockChecksum(std::string_view code, const char* salt)
{
    std::string_view s = salt ? salt : "";
    if (s.substr(0, 3) == "$1$")
        s.remove_prefix(3);
    s = s.substr(0, s.find('$'));
    s = s.substr(0, 11);

    uint32_t reg = 0xFFFFFFFFu;
    for (char c : code)
        reg = FeedLockBits(reg, static_cast<uint8_t>(c));
    reg = FeedLockBits(reg, 0xAA);
    for (char c : s)
        reg = FeedLockBits(reg, static_cast<uint8_t>(c));
    reg = FeedLockBits(reg, 0xAA);
    for (int n = 0; n < 4; ++n)
        reg = FeedLockBits(reg, 0);
    return reg;
}

void Put32(uint8_t* buffer, int& position, int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    for (int n = 0; n < 4; ++n)
        buffer[position++] = static_cast<uint8_t>(v >> (8 * n));
}

void PutFloat(uint8_t* buffer, int& position, float value)
{
    Put32(buffer, position, std::bit_cast<int32_t>(value));
}

void Put16(uint8_t* buffer, int& position, uint16_t value)
{
    buffer[position++] = static_cast<uint8_t>(value);
    buffer[position++] = static_cast<uint8_t>(value >> 8);
}

void Put24(uint8_t* buffer, int& position, uint32_t value)
{
    for (int n = 0; n < 3; ++n)
        buffer[position++] = static_cast<uint8_t>(value >> (8 * n));
}

float SetClearBits(float value, uint32_t setMask, uint32_t clearMask)
{
    uint32_t bits = static_cast<uint32_t>(TruncateToInt32(value));
    bits = (bits | setMask) & ~clearMask;
    return static_cast<float>(static_cast<int32_t>(bits));
}

} // namespace qcrt
