#include "simulator/runtime/tests/fake_host.h"

#include <chrono>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/system_keywords.h"

using namespace qcrt;

namespace {

// Images of ended hosts, reused by the next so that each test does not
// allocate and fault in five megabytes anew.
std::mutex g_ImagePoolLock;
std::vector<std::vector<uint8_t>> g_FlashPool;
std::vector<std::vector<uint8_t>> g_RamPool;

std::vector<uint8_t> TakeImage(std::vector<std::vector<uint8_t>>& pool, size_t size, uint8_t fill)
{
    std::vector<uint8_t> image;
    {
        std::lock_guard<std::mutex> guard(g_ImagePoolLock);
        if (!pool.empty()) {
            image = std::move(pool.back());
            pool.pop_back();
        }
    }
    image.assign(size, fill);
    return image;
}

void ReturnImage(std::vector<std::vector<uint8_t>>& pool, std::vector<uint8_t>& image)
{
    std::lock_guard<std::mutex> guard(g_ImagePoolLock);
    if (image.capacity() > 0)
        pool.push_back(std::move(image));
}

} // namespace

FakeHost::FakeHost()
    : flash(TakeImage(g_FlashPool, kFlashSize, 0xFF)), batteryRam(TakeImage(g_RamPool, kBatteryRamSize, 0))
{
    directories.insert(appData);
}

FakeHost::~FakeHost()
{
    ReturnImage(g_FlashPool, flash);
    ReturnImage(g_RamPool, batteryRam);
}

void FakeHost::Send(int port, std::string_view bytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (char c : bytes)
        m_rx[port].push_back(static_cast<uint8_t>(c));
}

std::string FakeHost::Written(int port)
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_tx[port];
}

std::string FakeHost::TakeWritten(int port)
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::string bytes;
    bytes.swap(m_tx[port]);
    return bytes;
}

int FakeHost::Pending(int port)
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_rx[port].size());
}

void FakeHost::SetResponder(Responder responder)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_responder = std::move(responder);
}

void FakeHost::Advance(unsigned milliseconds)
{
    m_now.fetch_add(uint64_t{milliseconds} * kTicksPerMillisecond);
}

uint64_t FakeHost::MillisecondsSinceStart() const
{
    return (m_now.load() - kStart) / kTicksPerMillisecond;
}

std::vector<FakeHost::PostedMessage> FakeHost::Posted()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_posted;
}

int FakeHost::Write(int port, const uint8_t* data, int length)
{
    if (port < 0 || port >= kPorts || !data || length <= 0)
        return 0;
    for (int refused = refuseWrites.load(); refused > 0;) {
        if (refuseWrites.compare_exchange_weak(refused, refused - 1))
            return 0;
    }
    Responder responder;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_tx[port].append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
        responder = m_responder;
    }
    // Like the link window: only port 0 reaches the peer.
    if (port != 0)
        return 0;
    if (responder)
        responder(*this, 0, std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(length)));
    return 1;
}

int FakeHost::GetRxCount(int port)
{
    if (port != 0)
        return 0;
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_rx[0].size());
}

int FakeHost::GetRxChar(int port, uint8_t* out)
{
    if (port != 0 || !out)
        return 0;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_rx[0].empty())
        return 0;
    *out = m_rx[0].front();
    m_rx[0].pop_front();
    return 1;
}

uint8_t* FakeHost::GetFlashImage()
{
    return flash.empty() ? nullptr : flash.data();
}

uint32_t FakeHost::GetFlashSize()
{
    return static_cast<uint32_t>(flash.size());
}

uint8_t* FakeHost::GetBatteryRamImage()
{
    return batteryRam.empty() ? nullptr : batteryRam.data();
}

uint32_t FakeHost::GetBatteryRamSize()
{
    return static_cast<uint32_t>(batteryRam.size());
}

uint64_t FakeHost::GetTimeNow()
{
    return m_now.load();
}

namespace {

// Set while a test sequencer runs.
std::atomic<bool> g_SequencerActive{false};

} // namespace

void FakeHost::SleepMs(unsigned milliseconds)
{
    // On a controller a process that sleeps a millisecond always sleeps
    // through a tick of the sequencer. On virtual time a process thread would
    // run ahead of the services instead, so a process thread that sleeps
    // under a running sequencer gives up its slice at once.
    if (milliseconds > 0 && CurrentThreadProcess() != kNoProcess && g_SequencerActive.load())
        GiveUpSlice();
    Advance(milliseconds);
    if (onSleep)
        onSleep();
}

bool FakeHost::PostToLinkWindow(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (!linkWindowExists.load())
        return false;
    std::lock_guard<std::mutex> guard(m_lock);
    m_posted.push_back({true, message, wParam, lParam});
    return true;
}

bool FakeHost::PostToDialog(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (!dialogExists.load())
        return false;
    std::lock_guard<std::mutex> guard(m_lock);
    m_posted.push_back({false, message, wParam, lParam});
    return true;
}

void FakeHost::ShowPrompt(const std::string& text)
{
    prompts.push_back(text);
}

bool FakeHost::GetLocalAppDataFolder(std::string& folder)
{
    if (!appDataAvailable)
        return false;
    folder = appData;
    return true;
}

bool FakeHost::DirectoryExists(const std::string& path)
{
    return directories.count(path) != 0;
}

bool FakeHost::MakeDirectory(const std::string& path)
{
    if (failingDirectories.count(path) != 0)
        return false;
    created.push_back(path);
    directories.insert(path);
    return true;
}

namespace {

// Tests that mark processes active by hand leave no running count behind.
// (Threads of a test have ended by then: every test winds its processes down.)
void ClearRunningCounts()
{
    for (ProcessRecord& record : g_ProcessRecords)
        record.runningCount.store(0);
}

} // namespace

RuntimeEnvironment::RuntimeEnvironment()
{
    g_RuntimeStopping.store(false);
    SetRuntimeHost(&host);
    BindMemoryImages();
    ReleaseFlashDevice();
    SetFlashFaultHook(nullptr);
    ResetProcessTable();
    ClearRunningCounts();
    ResetResources();
    ResetSchedule();
    ResetOutputFrames();
    g_LinkProtocolMode = 0;
    g_ServoRunning.store(false);
    g_MotionEnabled.store(0);
    g_SystemMilliseconds.store(0);
    PublishInputs(0);
    g_InputWord = 0;
    g_OutputWord = 0;
    InitChannels();
    InitPorts();
}

RuntimeEnvironment::~RuntimeEnvironment()
{
    // What InstallInterpreter and the tests' own hooks put in place goes
    // with the test: the next one starts from a runtime without them.
    SetParameterReader(nullptr);
    SetMotionPass(nullptr);
    SetDeclarationLookup(nullptr);
    SetSystemLoaderHook(nullptr);
    SetProcessStarter(nullptr);
    g_ServoPeriod = 0.001f; // as before any SERVO_PERIOD
    SetProcessLoop(nullptr);
    SetCommandChannelService(nullptr);
    SetModbusService(nullptr);
    SetFlashFaultHook(nullptr);
    ReleaseFlashDevice();
    SetRuntimeHost(nullptr);
    BindMemoryImages();
    InitChannels();
    InitPorts();
    ClearRunningCounts();
}

InlineProcess::InlineProcess(int process)
{
    AttachCurrentThread(process);
    g_CurrentProcess.store(process);
    SetInlineScheduling(true);
}

InlineProcess::~InlineProcess()
{
    SetInlineScheduling(false);
    DetachCurrentThread();
}

TestSequencer::~TestSequencer()
{
    Stop();
}

void TestSequencer::Start()
{
    m_stop.store(false);
    g_SequencerActive.store(true);
    m_thread = std::thread([this] {
        while (!m_stop.load())
            SequencerSwitch(m_stop);
    });
}

void TestSequencer::Stop()
{
    if (!m_thread.joinable())
        return;
    m_stop.store(true);
    m_thread.join();
    g_SequencerActive.store(false);
    WindDownProcesses();
}

namespace {

std::mutex g_BodiesLock;
std::function<void(int)> g_Bodies[kProcessCount];

void RunTestBody(int process)
{
    std::function<void(int)> body;
    {
        std::lock_guard<std::mutex> guard(g_BodiesLock);
        body = g_Bodies[process];
    }
    if (body)
        body(process);
}

} // namespace

void StartTestProcess(int process, std::function<void(int process)> body)
{
    {
        std::lock_guard<std::mutex> guard(g_BodiesLock);
        g_Bodies[process] = std::move(body);
    }
    SetProcessLoop(RunTestBody);
    g_ProcessRecords[process].requestedState = kStateRunning;
    CreateProcessThread(process);
}

bool TestProcessFinished(int process)
{
    return g_ProcessRecords[process].runningCount.load() == 0;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::string DrainInput(int channel)
{
    ChannelRecord& ch = g_ChannelRecords[channel];
    std::string bytes;
    while (ch.inRead != ch.inWrite) {
        bytes.push_back(static_cast<char>(ch.inRing[ch.inRead]));
        ch.inRead = (ch.inRead + 1) % kRingSize;
    }
    return bytes;
}

std::string DrainOutput(int channel)
{
    ChannelRecord& ch = g_ChannelRecords[channel];
    std::string bytes;
    while (ch.outRead != ch.outWrite) {
        bytes.push_back(static_cast<char>(ch.outRing[ch.outRead]));
        ch.outRead = (ch.outRead + 1) % kRingSize;
    }
    return bytes;
}

void FillInput(int channel, std::string_view bytes)
{
    ChannelRecord& ch = g_ChannelRecords[channel];
    for (char c : bytes) {
        ch.inRing[ch.inWrite] = static_cast<uint8_t>(c);
        ch.inWrite = (ch.inWrite + 1) % kRingSize;
    }
}

void RunServices()
{
    ServiceChannelsTransmit();
    PortService();
    ServicePortsReceive();
}
