// Process switching, scheduling and the servo clock.
//
// Every BASIC process runs on a thread of its own, but the controller runs one
// process at a time: the simulator's sequencer (a thread paced by a 1 ms
// timer) lets exactly one process thread run per slice. Switching is
// cooperative. At every tick the sequencer asks for the end of the slice
// (RequestSliceEnd); the running process thread gives up the processor at its
// next switch point -- a statement boundary or a turn of a wait loop, and
// nowhere else -- and blocks on its own gate until the sequencer lets it run
// again. Between slices, with every process thread parked, the sequencer runs
// the channel and port services and the servo periods (ScheduleNextProcess),
// so those never race a process. Code between two switch points thus runs
// alone: a multi-word update needs no lock.
//
// A switch is never taken inside a no-suspend section, for code that must
// call something with a switch point in it while it holds shared state.
//
// Inline scheduling (tests on virtual time): a single process runs on the
// calling thread, and each turn of its wait loops runs the services and a
// servo period in place of a switch.
//
// The sequencer thread itself lives in the simulator program; one of its
// ticks is SequencerSwitch, and WindDownProcesses ends the processes when the
// controller stops.
#pragma once

#include <atomic>
#include <cstdint>

namespace qcrt {

// No-suspend sections (nestable per thread).
void BeginNoSuspend();
void EndNoSuspend();
bool IsSuspendable();
void RequestSliceEnd();
void ClearSliceEndRequest();
bool SliceEndRequested();

class NoSuspendSection {
public:
    NoSuspendSection() { BeginNoSuspend(); }
    ~NoSuspendSection() { EndNoSuspend(); }
    NoSuspendSection(const NoSuspendSection&) = delete;
    NoSuspendSection& operator=(const NoSuspendSection&) = delete;
};

// Switch points. SwitchPoint parks the calling process thread when the
// sequencer asks for the end of its slice (outside no-suspend sections and
// unless the process is being stopped). YieldSlice gives up the processor
// (sleep 0) and is a switch point; RuntimeSleep sleeps and is a switch
// point. Every wait loop of the runtime waits with one of them.
void SwitchPoint();
// SwitchPoint with its first check inline: the process loop's statement
// boundary costs one load while no switch is pending.
extern std::atomic<bool> g_SliceEndRequest;
inline void StatementSwitchPoint()
{
    if (g_SliceEndRequest.load(std::memory_order_relaxed))
        SwitchPoint();
}
void YieldSlice();
void RuntimeSleep(unsigned milliseconds);
// Parks the calling process thread at once until the sequencer resumes it
// (outside no-suspend sections and unless the process is being stopped).
void GiveUpSlice();
// Waits for the calling process's next slice, which begins right after the
// sequencer's services (port and channel transmit and receive) have run:
// the process parks at once where it may, else (inline scheduling, a
// no-suspend section, a thread that is no process, a stop under way) it
// sleeps 1 ms as RuntimeSleep does. Never returns without letting time or
// a switch pass, so a loop of it does not spin.
void WaitForNextSlice();
// How often a process thread has parked in WaitForNextSlice so far: a host
// that paces its ticks sees by a change that the running process found
// nothing to do since it last looked.
uint64_t NextSliceWaits();
void SetInlineScheduling(bool on);

// Waits until the runtime tick (g_SystemMilliseconds) changes, that is until
// a servo period has passed, or the process is being stopped.
void WaitForTick(int process);

// Process threads. The process loop is installed by the process layer; the
// thread runs it once it is first scheduled.
using ProcessLoopFunction = void (*)(int process);
void SetProcessLoop(ProcessLoopFunction loop);

// Creates the thread of process n (-1 to 14), parked until the sequencer
// schedules it. False when the process still has a running thread.
bool CreateProcessThread(int process);
void ProcessThreadMain(int process);
// A thread created by the host (the command-line thread) joins the switching
// as process n, running; it detaches itself when it ends.
void AttachCurrentThread(int process);
void DetachCurrentThread();
constexpr int kNoProcess = -2;
int CurrentThreadProcess(); // kNoProcess for a thread that is no process
// The idle task: sleeps 1 ms at a time until its process is stopped.
void IdleLoop();

extern uint32_t g_StartedProcesses; // bit n: process n was started by RUN

// Scheduling state.
extern std::atomic<int> g_CurrentProcess; // the process whose slice it is
extern std::atomic<bool> g_ServoRunning;  // the controller runs its servo periods
extern std::atomic<int> g_MotionEnabled;  // "Motion Simulator Enabled"
// Runtime counters, counted down once per servo period.
extern std::atomic<int32_t> g_SystemMilliseconds; // the runtime tick
extern std::atomic<int32_t> g_SystemCounter;
extern std::atomic<int32_t> g_SystemTimer;
extern std::atomic<int> g_SystemTimerEnabled;

// One motion pass per servo period; installed by the motion generator.
using MotionPassFunction = void (*)();
void SetMotionPass(MotionPassFunction pass);

// Power-up state of the schedule: phase 0, process 0 current.
void ResetSchedule();
int SchedulePhase();

bool IsProcessActive(int process);
// Runs the services and the servo periods, then chooses the process that runs
// next, makes it current and returns it.
int ScheduleNextProcess(bool stopRequest);
// The services and the servo periods. The channels' transmit service rests
// 1 ms after its turn unless rest is false: the sequencer's step leaves it
// out, since every process is parked during the step and the sequencer
// waits for its timer between steps anyway; a rest there would only come
// out of the processes' slices and halve the port services' rate.
void RunSchedulingServices(bool stopRequest, bool rest = true);
void TickTimers();

// Sequencer side. SequencerSwitch is one tick: the running process is parked
// at its next switch point, the scheduling step runs, and the chosen process
// runs on. WindDownProcesses stops every process thread, one at a time, and
// waits for each to end.
void SequencerSwitch(const std::atomic<bool>& stopRequest);
void WindDownProcesses();
void ResumeProcess(int process);

} // namespace qcrt
