#include "simulator/app/flashdevice.h"

#include <cstring>

#include "simulator/runtime/flash.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/scheduler.h"

namespace {

// The image and its size as the host has it; a host with a smaller image
// limits every operation to that image.
uint8_t* Image(uint32_t& size)
{
    uint8_t* image = qcrt::GetFlashImage();
    size = image ? qcrt::GetFlashSize() : 0;
    if (size > kFlashDeviceSize)
        size = kFlashDeviceSize;
    return image;
}

} // namespace

bool EraseFlashChip(int32_t flag)
{
    uint32_t size = 0;
    uint8_t* image = Image(size);
    if (flag != 0 || !image)
        return false;
    qcrt::NoSuspendSection section;
    std::memset(image, 0xFF, size);
    return true;
}

bool EraseFlashBlock(int32_t block, int)
{
    qcrt::NoSuspendSection section;
    if (block < 0 || block >= kFlashBlockCount)
        return false;
    uint32_t size = 0;
    uint8_t* image = Image(size);
    const uint32_t start = static_cast<uint32_t>(block) * kFlashBlockSize;
    if (!image || start + kFlashBlockSize > size)
        return false;
    std::memset(image + start, 0xFF, kFlashBlockSize);
    return true;
}

void ClearFlashImage()
{
    uint32_t size = 0;
    uint8_t* image = Image(size);
    if (!image)
        return;
    qcrt::NoSuspendSection section;
    std::memset(image, 0xFF, size);
}

bool QueryFlashFlag()
{
    return false;
}

bool ProgramFlashBytes(const void* source, void* destination, int32_t count, int)
{
    if (count <= 0)
        return true;
    uint32_t size = 0;
    uint8_t* image = Image(size);
    const auto* from = static_cast<const uint8_t*>(source);
    auto* to = static_cast<uint8_t*>(destination);
    // Only a range inside the image is written.
    if (!image || !from || to < image || to > image + size ||
        static_cast<uint32_t>(count) > static_cast<uint32_t>((image + size) - to))
        return false;
    for (int32_t n = 0; n < count; ++n) {
        qcrt::NoSuspendSection section;
        to[n] = from[n];
    }
    return true;
}

void InstallFlashDevice()
{
    static const qcrt::FlashDeviceOperations operations = {EraseFlashChip, EraseFlashBlock, ClearFlashImage,
                                                           QueryFlashFlag, ProgramFlashBytes};
    qcrt::SetFlashDeviceOperations(&operations);
}
