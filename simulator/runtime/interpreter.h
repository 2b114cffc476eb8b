// The process loop: runs the compiled BASIC programs of processes 1 to 14,
// one statement per turn, and the statements' dispatch.
//
// Each program process runs ProcessThreadLoop on its thread. A turn applies
// the process's requested state (stopped, running, single step, paused) to
// its current state, runs one statement when it runs, and turns a run-time
// error into the program's error trap or into an error report and a stop.
// Status lines go to channel 9:
//   "%[Process p:Program name] - Running"     a program starts
//   "%[Process p:Line l] - Paused", the line   a pause, a step, a breakpoint
//   "%[Process p:Program name] - Released"    a paused program runs on
//   "%[Process p:Line l] (n) - message"        an error stops the program
// (the error line is the line number less 1, as the development environment
// counts them). A program that runs off its end stops with error 31.
//
// A turn is a switch point, and so is every turn of a wait; the loop also
// sleeps a millisecond after every 100 turns (the pacing sleep) so that a
// running process never keeps the processor to itself.
#pragma once

#include <cstdint>

namespace qcrt {

void ProcessThreadLoop(int process);
// One turn of the loop: false once the process has ended.
bool ProcessTurn(int process);

void StepProcess(int process);
// Runs the statement at position; the position is left on what follows it.
void ExecuteStatement(const uint8_t* text, int& position, int limit, int process);

// Transition actions and status reports.
void StartProcess(int process);
void EndProcess(int process);
void StepAndPause(int process);
void ReportProcessError(int process);
void ReportProcessPaused(int process);
void ReportProcessReleased(int process);
void ReportProcessRunning(int process);

// Gives a stopped process a program and the state it is asked for (run,
// step or pause); its loop starts the program on its next turn. False when
// the process is not stopped or the program does not exist.
bool AssignProgramToProcess(int program, int process, int32_t requestedState);

// The PROCESS command.
void ListProcesses(const uint8_t* text, int& position, int limit, int process);

// The pacing sleep after every 100 turns; a benchmark switches it off.
void SetProcessPacing(bool on);

// Jumps for the flow-control handlers: to a program-relative target (a jump
// field) or to a code position, with the current line taken from the
// program's line table.
void JumpToField(int process, int& position, int32_t target);
void JumpToPosition(int process, int& position, int32_t target);

// Reads a 4-byte jump field at position within limit; false and error 93
// when the code ends first.
bool ReadJumpField(const uint8_t* text, int& position, int limit, int process, int32_t& field);

// Installs the process loop, parameter access and the statement handlers
// that live outside the vocabulary.
void InstallInterpreter();

} // namespace qcrt
