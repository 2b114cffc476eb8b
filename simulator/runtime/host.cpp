#include "simulator/runtime/host.h"

#include <chrono>
#include <thread>

#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/memory_layout.h"

namespace qcrt {

namespace {

std::atomic<RuntimeHost*> g_Host{nullptr};
std::atomic<uint32_t> g_PublishedInputs{0};

// Stands in for the low area of the battery-backed image (directory, VR,
// channel and port rings) when the host has no image to bind.
uint8_t g_FallbackMemory[kProgramAreaStart];

// FILETIME counts from 1601-01-01; the system clock from 1970-01-01.
constexpr uint64_t kFileTimeEpochOffset = 116444736000000000ULL;

} // namespace

uint8_t* g_MemoryBase = g_FallbackMemory;
uint32_t g_MemorySize = sizeof(g_FallbackMemory);
uint32_t g_InputWord = 0;
uint32_t g_OutputWord = 0;
uint32_t g_InputInvertMask = 0;
std::atomic<bool> g_RuntimeStopping{false};

void SetRuntimeHost(RuntimeHost* host)
{
    g_Host.store(host);
}

RuntimeHost* GetRuntimeHost()
{
    return g_Host.load();
}

void PutPortChar(int port, uint8_t ch)
{
    if (RuntimeHost* host = g_Host.load())
        host->Write(port, &ch, 1);
}

int WritePort(int port, const uint8_t* data, int length)
{
    RuntimeHost* host = g_Host.load();
    if (!host || !data)
        return 0;
    if (length <= 0)
        return length;
    return host->Write(port, data, length);
}

int GetPortRxCount(int port)
{
    RuntimeHost* host = g_Host.load();
    return host ? host->GetRxCount(port) : 0;
}

int GetPortRxRoom(int port)
{
    RuntimeHost* host = g_Host.load();
    return host ? host->GetRxRoom(port) : -1;
}

int GetPortRxChar(int port, uint8_t* out)
{
    RuntimeHost* host = g_Host.load();
    return host ? host->GetRxChar(port, out) : 0;
}

uint8_t* GetFlashImage()
{
    RuntimeHost* host = g_Host.load();
    return host ? host->GetFlashImage() : nullptr;
}

uint32_t GetFlashSize()
{
    RuntimeHost* host = g_Host.load();
    return host && host->GetFlashImage() ? host->GetFlashSize() : 0;
}

uint8_t* GetBatteryRamImage()
{
    RuntimeHost* host = g_Host.load();
    return host ? host->GetBatteryRamImage() : nullptr;
}

uint32_t GetBatteryRamSize()
{
    RuntimeHost* host = g_Host.load();
    return host && host->GetBatteryRamImage() ? host->GetBatteryRamSize() : 0;
}

void BindMemoryImages()
{
    uint8_t* image = GetBatteryRamImage();
    uint32_t size = GetBatteryRamSize();
    if (image && size >= kProgramAreaStart) {
        g_MemoryBase = image;
        g_MemorySize = size;
    } else {
        g_MemoryBase = g_FallbackMemory;
        g_MemorySize = sizeof(g_FallbackMemory);
    }
    LoadTableFromImage();
}

uint64_t GetTimeNow()
{
    if (RuntimeHost* host = g_Host.load())
        return host->GetTimeNow();
    auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    auto ticks = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(since1970);
    return kFileTimeEpochOffset + static_cast<uint64_t>(ticks.count());
}

void HostSleep(unsigned milliseconds)
{
    if (RuntimeHost* host = g_Host.load()) {
        host->SleepMs(milliseconds);
        return;
    }
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool PostToLinkWindow(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    RuntimeHost* host = g_Host.load();
    return host && host->PostToLinkWindow(message, wParam, lParam);
}

void PostOutputsToDialog()
{
    RuntimeHost* host = g_Host.load();
    if (host && !g_RuntimeStopping.load())
        host->PostToDialog(kOutputsMessage, g_OutputWord, 0);
}

void RequestRestart()
{
    // What a restart does is the host's decision.
    PostToLinkWindow(kRestartMessage, 0, 0);
}

void PublishInputs(uint32_t inputs)
{
    g_PublishedInputs.store(inputs, std::memory_order_release);
}

void ExchangeInputs()
{
    g_InputWord = g_PublishedInputs.load(std::memory_order_acquire) ^ g_InputInvertMask;
}

} // namespace qcrt
