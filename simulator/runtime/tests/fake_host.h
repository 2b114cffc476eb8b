// A host for the runtime in tests: in-memory flash and battery-backed images,
// byte queues standing in for the link, a responder that plays the
// development environment's side, a virtual clock, recorded window messages
// and prompts, and an in-memory folder tree.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "simulator/runtime/host.h"

class FakeHost : public qcrt::RuntimeHost {
public:
    FakeHost();
    ~FakeHost() override;

    // The link's far side. Send queues bytes for the runtime to receive (only
    // port 0 has a line); Written and TakeWritten give what the runtime
    // wrote to a port (recorded for every port, though only port 0's bytes
    // count as sent).
    void Send(int port, std::string_view bytes);
    std::string Written(int port);
    std::string TakeWritten(int port);
    int Pending(int port);

    // Called (outside the host's lock) with every block the runtime writes.
    using Responder = std::function<void(FakeHost& host, int port, std::string_view bytes)>;
    void SetResponder(Responder responder);

    // Called on every sleep of the runtime, on the sleeping thread, after the
    // clock has moved.
    std::function<void()> onSleep;

    // Virtual time: only sleeps and Advance move it.
    void Advance(unsigned milliseconds);
    uint64_t Now() const { return m_now.load(); }
    uint64_t MillisecondsSinceStart() const;

    struct PostedMessage {
        bool toLinkWindow;
        unsigned message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    std::vector<PostedMessage> Posted();

    std::vector<uint8_t> flash;
    std::vector<uint8_t> batteryRam;
    std::atomic<bool> linkWindowExists{true};
    // What GetRxRoom answers for port 0 (-1: the host keeps no queue).
    std::atomic<int> rxRoom{-1};
    // The next n writes are refused (nothing taken, 0 answered).
    std::atomic<int> refuseWrites{0};
    std::atomic<bool> dialogExists{true};

    std::vector<std::string> prompts;

    // Folder tree: existing folders, folders whose creation fails, and the
    // creations in order.
    bool appDataAvailable = true;
    std::string appData = "C:\\users\\tester\\AppData\\Local";
    std::set<std::string> directories;
    std::set<std::string> failingDirectories;
    std::vector<std::string> created;

    // RuntimeHost.
    int Write(int port, const uint8_t* data, int length) override;
    int GetRxCount(int port) override;
    int GetRxChar(int port, uint8_t* out) override;
    int GetRxRoom(int port) override { return port == 0 ? rxRoom.load() : -1; }
    uint8_t* GetFlashImage() override;
    uint32_t GetFlashSize() override;
    uint8_t* GetBatteryRamImage() override;
    uint32_t GetBatteryRamSize() override;
    uint64_t GetTimeNow() override;
    void SleepMs(unsigned milliseconds) override;
    bool PostToLinkWindow(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    bool PostToDialog(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    void ShowPrompt(const std::string& text) override;
    bool GetLocalAppDataFolder(std::string& folder) override;
    bool DirectoryExists(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;

private:
    static constexpr int kPorts = 4;
    static constexpr uint64_t kStart = 132000000000000000ULL; // a FILETIME in 2019

    std::mutex m_lock;
    std::deque<uint8_t> m_rx[kPorts];
    std::string m_tx[kPorts];
    Responder m_responder;
    std::vector<PostedMessage> m_posted;
    std::atomic<uint64_t> m_now{kStart};
};

// Puts the runtime into its power-up state on a fresh fake host: memory
// bound, channels and ports initialised, no process, no resource held, link
// protocol mode 0, schedule at phase 0. Undone by the destructor.
class RuntimeEnvironment {
public:
    RuntimeEnvironment();
    ~RuntimeEnvironment();
    RuntimeEnvironment(const RuntimeEnvironment&) = delete;
    RuntimeEnvironment& operator=(const RuntimeEnvironment&) = delete;

    FakeHost host;
};

// Runs the calling (test) thread as process n on virtual time while it
// lives: the thread is attached as the process, and every turn of the
// runtime's wait loops runs the services and a servo period in place.
class InlineProcess {
public:
    explicit InlineProcess(int process);
    ~InlineProcess();
    InlineProcess(const InlineProcess&) = delete;
    InlineProcess& operator=(const InlineProcess&) = delete;
};

// The sequencer of a test: a thread that runs SequencerSwitch in a loop;
// Stop ends it and winds every process down.
class TestSequencer {
public:
    ~TestSequencer();
    void Start();
    void Stop();

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Runs a test body as the loop of process n; the thread is created parked and
// runs once the sequencer schedules it. The process counts as active while
// the body runs.
void StartTestProcess(int process, std::function<void(int process)> body);
bool TestProcessFinished(int process);

// Waits (real time, bounded) until the condition holds.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000);

// Takes every byte waiting in a channel's input or output ring.
std::string DrainInput(int channel);
std::string DrainOutput(int channel);
// Puts bytes straight into a channel's input ring.
void FillInput(int channel, std::string_view bytes);

// One round of the services, in the order the scheduling step runs them.
void RunServices();
