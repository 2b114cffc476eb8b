// The runtime's only way to the simulator program that hosts it.
//
// The simulator's link window implements RuntimeHost and installs itself with
// SetRuntimeHost when it is created; tests install a fake. While no host is
// installed every port and image operation answers "nothing" (0, null), time
// comes from the system clock and sleeps are real.
//
// Port 0 is the link to the development environment; the host serves no other
// port. Time is a 64-bit count of 100 ns units (the FILETIME scale), so a
// test host can run the runtime on virtual time: every wait of the runtime
// takes its time from GetTimeNow and its sleeps from SleepMs.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace qcrt {

// Messages the runtime posts to the simulator's windows.
constexpr unsigned kRestartMessage = 0x8107; // WM_APP+0x107 to the link window (EX)
constexpr unsigned kOutputsMessage = 0x8117; // WM_APP+0x117 to the main dialog, wParam = output word

class RuntimeHost {
public:
    virtual ~RuntimeHost() = default;

    // Port bytes. Write answers the host's result (0 when nothing was sent);
    // GetRxChar answers 1 when it took a byte.
    virtual int Write(int port, const uint8_t* data, int length) = 0;
    virtual int GetRxCount(int port) = 0;
    virtual int GetRxChar(int port, uint8_t* out) = 0;
    // Bytes the host can still queue behind the port before it must refuse
    // them; -1 when it keeps no such queue. A host with a queue is where
    // received bytes wait while the port's ring is full, so the port asks
    // its peer to pause (XOFF) only when that queue runs short.
    virtual int GetRxRoom(int port)
    {
        (void)port;
        return -1;
    }

    // The memory images, read and written in place by the runtime; null (and
    // size 0) when the host has none.
    virtual uint8_t* GetFlashImage() = 0;
    virtual uint32_t GetFlashSize() = 0;
    virtual uint8_t* GetBatteryRamImage() = 0;
    virtual uint32_t GetBatteryRamSize() = 0;

    // Clock: 100 ns units. SleepMs(0) only gives up the processor.
    virtual uint64_t GetTimeNow() = 0;
    virtual void SleepMs(unsigned milliseconds) = 0;

    // Posts a message to the link window or to the main dialog; false when
    // that window does not exist.
    virtual bool PostToLinkWindow(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
    virtual bool PostToDialog(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;

    // The prompt service: shows the text to the user with an OK button.
    virtual void ShowPrompt(const std::string& text) = 0;

    // The user's local application-data folder (false when the shell cannot
    // give it), and the two folder operations the data folder needs.
    virtual bool GetLocalAppDataFolder(std::string& folder) = 0;
    virtual bool DirectoryExists(const std::string& path) = 0;
    virtual bool MakeDirectory(const std::string& path) = 0;
};

void SetRuntimeHost(RuntimeHost* host);
RuntimeHost* GetRuntimeHost();

// Port operations (no host: nothing sent, nothing waiting).
void PutPortChar(int port, uint8_t ch);
int WritePort(int port, const uint8_t* data, int length);
int GetPortRxCount(int port);
int GetPortRxChar(int port, uint8_t* out);
int GetPortRxRoom(int port); // -1 without a host or a queue

// Memory images.
uint8_t* GetFlashImage();
uint32_t GetFlashSize();
uint8_t* GetBatteryRamImage();
uint32_t GetBatteryRamSize();

// The runtime's memory: the battery-backed image bound at power-up. When the
// host has no image, or one too small for the runtime's low area, a private
// block of the low area stands in so that channels and ports still work.
extern uint8_t* g_MemoryBase;
extern uint32_t g_MemorySize;
void BindMemoryImages();

// Time and sleeps. HostSleep only sleeps; the runtime's threads wait with
// RuntimeSleep and YieldSlice (scheduler.h), which also give up the processor
// when the sequencer asks for it.
uint64_t GetTimeNow();
void HostSleep(unsigned milliseconds);
constexpr uint64_t kTicksPerMillisecond = 10000;

// Window messages.
bool PostToLinkWindow(unsigned message, uintptr_t wParam, intptr_t lParam);
void PostOutputsToDialog();
void RequestRestart(); // the EX command

// Digital I/O words shared with the main dialog. The dialog publishes the
// input word whenever its mimics change (PublishInputs, from any thread);
// the scheduling step copies it into g_InputWord without waiting on the
// dialog. g_OutputWord is posted to the dialog every fourth scheduling step.
void PublishInputs(uint32_t inputs);
void ExchangeInputs();
extern uint32_t g_InputWord;
extern uint32_t g_OutputWord;
// Inputs 0 to 31 whose published bit is inverted (INVERT_IN); the input word
// is the published word exclusive-or this mask.
extern uint32_t g_InputInvertMask;

// The runtime's global stop flag: set by the host when the controller is
// stopped or the program ends; every long wait of the runtime ends on it.
extern std::atomic<bool> g_RuntimeStopping;

} // namespace qcrt
