// The flash chip as the simulator has it: the link window's flash image
// (4 MiB, erased to 0xFF), erased in blocks of 64 KiB and programmed byte
// by byte. Each operation takes the image from the runtime's host afresh.
#pragma once

#include <cstdint>

constexpr uint32_t kFlashDeviceSize = 0x400000;
constexpr uint32_t kFlashBlockSize = 0x10000;
constexpr int kFlashBlockCount = static_cast<int>(kFlashDeviceSize / kFlashBlockSize);

// A non-zero flag is refused (false) and the image is left alone.
bool EraseFlashChip(int32_t flag);
// False for a block outside 0 to 63; the block is erased in one
// no-suspend section.
bool EraseFlashBlock(int32_t block, int process);
void ClearFlashImage();
bool QueryFlashFlag();
// Programs count bytes at destination, which must lie inside the flash
// image (false, nothing written, otherwise). Each byte is copied in a
// no-suspend section of its own, so the sequencer may switch between bytes.
bool ProgramFlashBytes(const void* source, void* destination, int32_t count, int process);

// Gives the runtime's flash layer these operations: from the next flash
// initialisation (the controller's start) it erases and programs the image
// through them.
void InstallFlashDevice();
