// The runtime's checksums and the byte-order helpers of its memory image and
// compiled code.
//
// CRC-16 (polynomial 0x8005, most significant bit first) checks the framed
// lines of the link and the stored programs; the MODBUS step checks MODBUS RTU
// frames; LockChecksum is the salted CRC-32 of the controller lock. Multi-byte
// fields in memory are little-endian.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qcrt {

// Builds the CRC-16 table (the table is also ready before the first call).
void BuildCrc16Table();
uint16_t Crc16TableEntry(int index);

// The register is a 32-bit word whose low 16 bits are the CRC; start it at 0.
// Each byte is shifted in at the bottom, so Crc16Finish feeds two zero bytes
// and keeps the low 16 bits: the result is the standard CRC-16 (polynomial
// 0x8005, initial 0, no reflection, no final exclusive-or) of the bytes fed.
uint32_t Crc16Update(uint32_t crc, const uint8_t* bytes, size_t count);
uint32_t Crc16Finish(uint32_t crc);
uint16_t Crc16(const uint8_t* bytes, size_t count);

// One byte of the MODBUS RTU CRC (start at 0xFFFF).
uint16_t Crc16ModbusStep(uint16_t crc, uint8_t byte);

// The check value of the controller lock: CRC-32 (0x04C11DB7, most
// significant bit first, register starting at all ones, 32 zero bits fed at
// the end) over the code, 0xAA, the salt and 0xAA. The salt loses a leading
// "$1$" and ends at its first "$" or after 11 characters.
uint32_t LockChecksum(std::string_view code, const char* salt);

// Byte fields, little-endian, each advancing the position.
// The readers are inline: the interpreter reads the code's fields with them
// on every statement.
void Put32(uint8_t* buffer, int& position, int32_t value);
inline int32_t Get32(const uint8_t* buffer, int& position)
{
    uint32_t v = 0;
    for (int n = 0; n < 4; ++n)
        v |= static_cast<uint32_t>(buffer[position + n]) << (8 * n);
    position += 4;
    return static_cast<int32_t>(v);
}
void PutFloat(uint8_t* buffer, int& position, float value);
inline float GetFloat(const uint8_t* buffer, int& position)
{
    return std::bit_cast<float>(Get32(buffer, position));
}
void Put16(uint8_t* buffer, int& position, uint16_t value);
inline uint16_t Get16(const uint8_t* buffer, int& position)
{
    uint16_t v = buffer[position];
    v |= static_cast<uint16_t>(buffer[position + 1] << 8);
    position += 2;
    return v;
}
void Put24(uint8_t* buffer, int& position, uint32_t value);
inline uint32_t Get24(const uint8_t* buffer, int& position)
{
    uint32_t low = buffer[position];
    uint32_t high = buffer[position + 1] | (static_cast<uint32_t>(buffer[position + 2]) << 8);
    position += 3;
    return low | (high << 8);
}

// A float that holds a bit pattern: taken as an integer, setMask or-ed in,
// clearMask removed, stored back as a float.
float SetClearBits(float value, uint32_t setMask, uint32_t clearMask);

} // namespace qcrt
