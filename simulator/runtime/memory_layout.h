// Layout of the two memory images that the simulator program keeps on disk
// ("BB_RAM.img" and "Flash.img") as far as the runtime uses them. Every
// offset is a byte offset into the image.
#pragma once

#include <cstdint>

namespace qcrt {

// Battery-backed RAM image.
constexpr uint32_t kBatteryRamSize = 0x100000;
constexpr uint32_t kDirectoryOffset = 0; // 14 entries of 52 bytes
constexpr uint32_t kDirectorySize = 728;
constexpr uint32_t kVrOffset = 780;          // 1024 floats
constexpr uint32_t kProgramTopOffset = 5112; // first free byte of the program area
constexpr uint32_t kMemoryChecksumOffset = 5116;
constexpr uint32_t kChannelRingsOffset = 5120; // input ring of channel i at +256 i, output ring at +128
constexpr uint32_t kPortRingsOffset = 8192;    // receive ring of port n at +256 n, transmit ring at +128
constexpr uint32_t kWorkArea1Offset = 11852;
constexpr uint32_t kWorkArea2Offset = 14646;
constexpr uint32_t kWorkAreaSize = 2794;
constexpr uint32_t kProgramAreaStart = 17440;

// Every channel and port ring holds 128 bytes, of which 127 can be used.
constexpr int kRingSize = 128;

// Flash image.
constexpr uint32_t kFlashSize = 0x400000;
constexpr uint32_t kFlashSectorSize = 0x10000;

} // namespace qcrt
