#include "simulator/runtime/scheduler.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"

namespace qcrt {

namespace {

// The gate of one process thread: the sequencer opens it (mayRun) for a
// slice; the thread closes it and waits there when it gives up the processor.
struct ProcessGate {
    std::mutex lock;
    std::condition_variable changed;
    bool attached = false; // a thread runs as this process
    bool mayRun = false;
    bool parked = false;
    // In a runtime sleep, where it touches nothing: the sequencer may take
    // the slice from it without waiting for the sleep to end.
    bool sleeping = false;
    std::thread thread; // when the runtime created the thread
};

// Slots for processes -1 to 14. Never destroyed: parked threads may still
// wait on them while the program ends.
ProcessGate* Gates()
{
    static ProcessGate* gates = new ProcessGate[kProcessCount + 1];
    return gates;
}

ProcessGate* GateOf(int process)
{
    if (process < -1 || process >= kProcessCount)
        return nullptr;
    return &Gates()[process + 1];
}

std::atomic<int32_t>* RunningCountOf(int process)
{
    if (process == -1)
        return &g_OuterProcess.runningCount;
    ProcessRecord* record = GetProcessRecord(process);
    return record ? &record->runningCount : nullptr;
}

std::atomic<int32_t>* StopRequestOf(int process)
{
    if (process == -1)
        return &g_OuterProcess.stopRequest;
    ProcessRecord* record = GetProcessRecord(process);
    return record ? &record->stopRequest : nullptr;
}

thread_local int t_Process = kNoProcess;
thread_local bool t_InInlineServices = false;
thread_local int t_NoSuspendDepth = 0;

std::atomic<bool> g_InlineScheduling{false};
std::atomic<int> g_ThreadsInSection{0};
std::atomic<ProcessLoopFunction> g_ProcessLoop{nullptr};
std::atomic<MotionPassFunction> g_MotionPass{nullptr};

// Schedule state; only the sequencer's scheduling step touches it.
int g_Phase = 0;
int g_LastNormal = 0;
int g_LastFast = 0;
bool g_ServoTimeValid = false;
uint64_t g_LastServoTime = 0;

constexpr int kMaxServoCatchUp = 5;

// Gives up the processor until the sequencer resumes this process. The
// resume clears "parked" itself, under the gate's lock, so that the sequencer
// never takes a thread that is about to run again for a parked one.
void Park(int process)
{
    ProcessGate* gate = GateOf(process);
    std::unique_lock<std::mutex> guard(gate->lock);
    gate->mayRun = false;
    gate->parked = true;
    gate->changed.notify_all();
    gate->changed.wait(guard, [gate] { return gate->mayRun; });
}

// A new thread waits for its first slice. A resume that came before the
// thread got here still counts: mayRun is only cleared when a running thread
// gives up the processor.
void WaitForFirstSlice(int process)
{
    ProcessGate* gate = GateOf(process);
    std::unique_lock<std::mutex> guard(gate->lock);
    if (gate->mayRun)
        return;
    gate->parked = true;
    gate->changed.notify_all();
    gate->changed.wait(guard, [gate] { return gate->mayRun; });
}

// Waits until the process's thread has parked, has ended, or the stop is
// requested. A thread in a runtime sleep counts as parked at once: it is
// marked so, and parks when its sleep ends unless it was resumed meanwhile,
// as a thread suspended in its sleep would.
void WaitForSliceEnd(int process, const std::atomic<bool>& stopRequest)
{
    ProcessGate* gate = GateOf(process);
    if (!gate)
        return;
    std::unique_lock<std::mutex> guard(gate->lock);
    while (gate->attached && !gate->parked && !gate->sleeping && !stopRequest.load())
        gate->changed.wait_for(guard, std::chrono::milliseconds(1));
    if (gate->attached && !gate->parked && gate->sleeping) {
        gate->mayRun = false;
        gate->parked = true;
    }
}

// A sleep of the calling process thread during which the sequencer may end
// its slice (see WaitForSliceEnd). Plain sleep inside a no-suspend section,
// while the process is being stopped, and on a thread that is no process.
void SliceSleep(unsigned milliseconds)
{
    const int process = t_Process;
    ProcessGate* gate = GateOf(process);
    if (!gate || milliseconds == 0 || t_NoSuspendDepth > 0 || ProcessStopping(process)) {
        HostSleep(milliseconds);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(gate->lock);
        gate->sleeping = true;
        gate->changed.notify_all();
    }
    HostSleep(milliseconds);
    std::unique_lock<std::mutex> guard(gate->lock);
    gate->sleeping = false;
    // Taken while asleep: wait for the next slice like a parked thread.
    gate->changed.wait(guard, [gate] { return gate->mayRun || !gate->attached; });
}

// The thread leaves the switching. The running count drops last: whoever
// waits for it may then join the thread at once.
void DetachGate(int process)
{
    ProcessGate* gate = GateOf(process);
    {
        std::lock_guard<std::mutex> guard(gate->lock);
        gate->attached = false;
        gate->parked = false;
        gate->sleeping = false;
        gate->mayRun = false;
        gate->changed.notify_all();
    }
    if (std::atomic<int32_t>* running = RunningCountOf(process))
        running->store(0);
}

void JoinEndedThread(ProcessGate* gate)
{
    std::thread ended;
    {
        std::lock_guard<std::mutex> guard(gate->lock);
        if (gate->attached || !gate->thread.joinable())
            return;
        ended = std::move(gate->thread);
    }
    ended.join();
}

int NextNormalProcess()
{
    for (int step = 1; step <= kFirstFastProcess; ++step) {
        int candidate = (g_LastNormal + step) % kFirstFastProcess;
        if (IsProcessActive(candidate))
            return candidate;
    }
    return -1;
}

int ChooseNormalProcess()
{
    int chosen = NextNormalProcess();
    if (chosen < 0)
        chosen = g_LastNormal;
    g_LastNormal = chosen;
    return chosen;
}

void ServoPeriod()
{
    if (MotionPassFunction pass = g_MotionPass.load())
        pass();
    TickTimers();
}

void RunServoPeriods()
{
    if (!g_MotionEnabled.load()) {
        ServoPeriod();
        return;
    }
    uint64_t now = GetTimeNow();
    uint64_t periods;
    if (!g_ServoTimeValid) {
        g_ServoTimeValid = true;
        g_LastServoTime = now;
        periods = 1;
    } else if (now < g_LastServoTime) {
        g_LastServoTime = now; // the clock went back: start again from here
        periods = 0;
    } else {
        uint64_t elapsed = (now - g_LastServoTime) / kTicksPerMillisecond;
        // Time beyond the catch-up limit is given up, not made up later.
        g_LastServoTime += elapsed * kTicksPerMillisecond;
        periods = std::min<uint64_t>(elapsed, kMaxServoCatchUp);
    }
    for (uint64_t n = 0; n < periods; ++n) {
        ServoPeriod();
        if (n == 0)
            HostSleep(1);
    }
}

} // namespace

uint32_t g_StartedProcesses = 0;
std::atomic<bool> g_SliceEndRequest{false};
std::atomic<int> g_CurrentProcess{0};
std::atomic<bool> g_ServoRunning{false};
std::atomic<int> g_MotionEnabled{0};
std::atomic<int32_t> g_SystemMilliseconds{0};
std::atomic<int32_t> g_SystemCounter{0};
std::atomic<int32_t> g_SystemTimer{0};
std::atomic<int> g_SystemTimerEnabled{0};

void BeginNoSuspend()
{
    // Not a switch point: switches happen only where the code asks for one.
    if (t_NoSuspendDepth++ == 0)
        g_ThreadsInSection.fetch_add(1);
}

void EndNoSuspend()
{
    if (t_NoSuspendDepth <= 0)
        return;
    if (--t_NoSuspendDepth == 0)
        g_ThreadsInSection.fetch_sub(1);
}

bool IsSuspendable()
{
    return g_ThreadsInSection.load() == 0;
}

void RequestSliceEnd()
{
    g_SliceEndRequest.store(true);
}

void ClearSliceEndRequest()
{
    g_SliceEndRequest.store(false);
}

bool SliceEndRequested()
{
    return g_SliceEndRequest.load();
}

void SwitchPoint()
{
    if (!g_SliceEndRequest.load())
        return;
    int process = t_Process;
    if (process == kNoProcess || t_NoSuspendDepth > 0 || ProcessStopping(process))
        return;
    Park(process);
}

void GiveUpSlice()
{
    int process = t_Process;
    if (process == kNoProcess || t_NoSuspendDepth > 0 || ProcessStopping(process))
        return;
    Park(process);
}

namespace {
std::atomic<uint64_t> g_NextSliceWaits{0};
} // namespace

void WaitForNextSlice()
{
    const int process = t_Process;
    if (g_InlineScheduling.load() || process == kNoProcess || t_NoSuspendDepth > 0 || ProcessStopping(process) ||
        !GateOf(process)) {
        RuntimeSleep(1);
        return;
    }
    g_NextSliceWaits.fetch_add(1);
    Park(process);
}

uint64_t NextSliceWaits()
{
    return g_NextSliceWaits.load();
}

void SetInlineScheduling(bool on)
{
    g_InlineScheduling.store(on);
}

namespace {

// True when a wait of the calling thread runs the services in place: inline
// scheduling, on the attached process thread, and not from inside the
// services themselves (which sleep through the same calls).
bool InlineTurn()
{
    return g_InlineScheduling.load() && t_Process != kNoProcess && t_NoSuspendDepth == 0 && !t_InInlineServices;
}

void RunInlineServices()
{
    t_InInlineServices = true;
    RunSchedulingServices(false);
    t_InInlineServices = false;
}

} // namespace

void YieldSlice()
{
    if (InlineTurn()) {
        RunInlineServices();
        return;
    }
    HostSleep(0);
    SwitchPoint();
}

void RuntimeSleep(unsigned milliseconds)
{
    if (InlineTurn()) {
        // One scheduling step per millisecond of virtual time.
        for (unsigned n = 0; n < std::max(milliseconds, 1u) && !ProcessStopping(t_Process); ++n)
            RunInlineServices();
        return;
    }
    // A long wait sleeps a millisecond at a time with a switch point after
    // each, so the sleeping process gives up its turn when the sequencer asks
    // instead of holding every other process (the command line too) until it
    // wakes; a stop ends the wait. The step count bounds the loop on a host
    // whose clock does not move.
    const uint64_t end = GetTimeNow() + static_cast<uint64_t>(milliseconds) * kTicksPerMillisecond;
    unsigned steps = 0;
    do {
        SliceSleep(milliseconds == 0 ? 0 : 1);
        SwitchPoint();
    } while (++steps < milliseconds && GetTimeNow() < end && !g_RuntimeStopping.load() &&
             (t_Process == kNoProcess || !ProcessStopping(t_Process)));
}

void WaitForTick(int process)
{
    int32_t tick = g_SystemMilliseconds.load();
    while (g_SystemMilliseconds.load() == tick && !ProcessStopping(process))
        YieldSlice();
}

void SetProcessLoop(ProcessLoopFunction loop)
{
    g_ProcessLoop.store(loop);
}

bool CreateProcessThread(int process)
{
    ProcessGate* gate = GateOf(process);
    if (!gate)
        return false;
    JoinEndedThread(gate);
    NoSuspendSection section;
    if (process >= 0)
        g_StartedProcesses &= ~(1u << process);
    std::lock_guard<std::mutex> guard(gate->lock);
    if (gate->attached || gate->thread.joinable())
        return false;
    // Marked running from its creation, so that a wind-down that comes before
    // the thread's first slice still waits for it.
    gate->attached = true;
    gate->mayRun = false;
    gate->parked = false;
    gate->sleeping = false;
    RunningCountOf(process)->store(1);
    try {
        gate->thread = std::thread(ProcessThreadMain, process);
    } catch (const std::system_error&) {
        gate->attached = false;
        RunningCountOf(process)->store(0);
        return false;
    }
    return true;
}

void ProcessThreadMain(int process)
{
    ProcessGate* gate = GateOf(process);
    if (!gate)
        return;
    t_Process = process;
    WaitForFirstSlice(process); // created "suspended": runs from its first slice
    if (!ProcessStopping(process)) {
        if (ProcessLoopFunction loop = g_ProcessLoop.load())
            loop(process);
    }
    AbandonOutputFrame(process);
    t_Process = kNoProcess;
    DetachGate(process);
}

void AttachCurrentThread(int process)
{
    ProcessGate* gate = GateOf(process);
    if (!gate)
        return;
    {
        std::lock_guard<std::mutex> guard(gate->lock);
        gate->attached = true;
        gate->mayRun = true;
        gate->parked = false;
        gate->sleeping = false;
    }
    t_Process = process;
    RunningCountOf(process)->store(1);
}

void DetachCurrentThread()
{
    int process = t_Process;
    if (process == kNoProcess)
        return;
    AbandonOutputFrame(process);
    t_Process = kNoProcess;
    DetachGate(process);
}

int CurrentThreadProcess()
{
    return t_Process;
}

void IdleLoop()
{
    // Ends when its process is stopped, so that a wind-down can see it end.
    while (!ProcessStopping(CurrentThreadProcess()))
        RuntimeSleep(1);
}

void SetMotionPass(MotionPassFunction pass)
{
    g_MotionPass.store(pass);
}

void ResetSchedule()
{
    g_Phase = 0;
    g_LastNormal = 0;
    g_LastFast = 0;
    g_ServoTimeValid = false;
    g_LastServoTime = 0;
    g_CurrentProcess.store(0);
    g_SliceEndRequest.store(false);
}

int SchedulePhase()
{
    return g_Phase;
}

bool IsProcessActive(int process)
{
    if (process == -1)
        return g_OuterProcess.runningCount.load() > 0;
    ProcessRecord* record = GetProcessRecord(process);
    if (!record || record->runningCount.load() <= 0)
        return false;
    // The command line always has work while its thread runs; a program
    // process while it runs, steps or pauses or is asked to.
    return process == 0 || record->requestedState != kStateStopped || record->currentState != kStateStopped;
}

void RunSchedulingServices(bool stopRequest, bool rest)
{
    if (rest)
        ServiceChannelsTransmit();
    else
        ServiceChannelsTransmitNoRest();
    PortService();
    ServicePortsReceive();
    ExchangeInputs();

    if (g_ServoRunning.load() && !stopRequest)
        RunServoPeriods();
}

int ScheduleNextProcess(bool stopRequest)
{
    int phase = g_Phase;
    RunSchedulingServices(stopRequest, false);

    int chosen;
    switch (phase) {
    case 0:
        chosen = ChooseNormalProcess();
        break;
    case 1:
    case 2: {
        if (phase == 2)
            PostOutputsToDialog();
        chosen = -1;
        for (int step = 1; step <= 2 && chosen < 0; ++step) {
            int fast = (g_LastFast + step) % 2;
            if (IsProcessActive(kFirstFastProcess + fast)) {
                g_LastFast = fast;
                chosen = kFirstFastProcess + fast;
            }
        }
        if (chosen < 0)
            chosen = ChooseNormalProcess();
        break;
    }
    default:
        chosen = g_CurrentProcess.load();
        break;
    }

    g_Phase = (phase + 1) % 4;
    g_CurrentProcess.store(chosen);
    return chosen;
}

void TickTimers()
{
    g_SystemMilliseconds.fetch_sub(1);
    for (ProcessRecord& record : g_ProcessRecords)
        record.tickCounter.fetch_sub(1);
    g_SystemCounter.fetch_sub(1);
    if (g_SystemTimerEnabled.load())
        g_SystemTimer.fetch_sub(1);
    TickPortTimers();
}

void ResumeProcess(int process)
{
    ProcessGate* gate = GateOf(process);
    if (!gate)
        return;
    std::lock_guard<std::mutex> guard(gate->lock);
    if (!gate->attached)
        return;
    gate->mayRun = true;
    gate->parked = false;
    gate->changed.notify_all();
}

void SequencerSwitch(const std::atomic<bool>& stopRequest)
{
    RequestSliceEnd();
    WaitForSliceEnd(g_CurrentProcess.load(), stopRequest);
    ClearSliceEndRequest();
    HostSleep(0);
    if (stopRequest.load())
        return;
    ResumeProcess(ScheduleNextProcess(false));
}

void WindDownProcesses()
{
    // Let the running process reach a switch point first; a process that is
    // already being stopped runs on to its end and is waited for first.
    std::atomic<bool> never{false};
    RequestSliceEnd();
    int current = g_CurrentProcess.load();
    const bool runsOn = ProcessStopping(current);
    if (!runsOn)
        WaitForSliceEnd(current, never);
    ClearSliceEndRequest();

    auto windDown = [](int process) {
        std::atomic<int32_t>* running = RunningCountOf(process);
        ProcessGate* gate = GateOf(process);
        bool attached;
        {
            std::lock_guard<std::mutex> guard(gate->lock);
            attached = gate->attached;
        }
        if (attached && running->load() >= 1) {
            if (ProcessRecord* record = GetProcessRecord(process))
                record->stateWord.store(kStateWindingDown);
            StopRequestOf(process)->store(1);
            // One process at a time: the others stay parked meanwhile.
            ResumeProcess(process);
            while (running->load() != 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        JoinEndedThread(gate);
    };
    // A process that runs on ends before any other is resumed, so that two
    // processes never run at once.
    if (runsOn)
        windDown(current);
    for (int process = kProcessCount - 1; process >= 0; --process)
        windDown(process);
    windDown(-1);
}

} // namespace qcrt
