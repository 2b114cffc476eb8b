// Speed of the simulated runtime's interpreter: BASIC kernels run through the
// process loop on a fake host, one process on this thread, the pacing sleep
// after every 100 statements switched off; and the speed of tokenising and
// compiling a program. Times are the thread's processor time, the best of
// three runs.
//
// Prints "runtime_<kernel>: <n> statements/s" per kernel and
// "runtime_compile: <n> lines/s". bench/runtime runs this and the same
// FOR-loop kernels in brandy, and prints the ratios.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/tests/fake_host.h"

using namespace qcrt;

namespace {

constexpr int kLoops = 10000000;
constexpr int kRepeats = 4;

// The processor time of this thread: the machine may be busy with other
// work, which wall-clock time would count against the interpreter.
double ThreadSeconds()
{
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

struct Kernel {
    const char* name;
    std::vector<std::string> lines; // "TO N": N stands for the loop count
    int statementsPerLoop;
};

// Puts the lines into a new program; -1 when the store refuses one.
int StoreProgram(const std::string& name, const std::vector<std::string>& lines)
{
    int program = CreateProgram(name, 0);
    if (program < 0 || !SelectProgramNumber(program, 0))
        return -1;
    uint8_t tokens[512];
    for (size_t n = 0; n < lines.size(); ++n) {
        int32_t error = 0;
        int length = TokeniseLine(lines[n], tokens, sizeof tokens, kLexerModeBasic, error);
        if (error != 0)
            return -1;
        int at = n == 0 ? FindLine(program, 0) : SourceEnd(program) - 4;
        bool stored = n == 0 ? ReplaceLine(at, tokens, length, 0, 0) : InsertLine(at, tokens, length, 0, 0);
        if (!stored)
            return -1;
    }
    return program;
}

std::string WithCount(std::string line)
{
    size_t at = line.find("TO N");
    if (at != std::string::npos)
        line.replace(at + 3, 1, std::to_string(kLoops));
    return line;
}

double RunKernel(const Kernel& kernel)
{
    DeleteProgram("ALL", 0);
    std::vector<std::string> lines;
    for (const std::string& line : kernel.lines)
        lines.push_back(WithCount(line));
    int program = StoreProgram("BENCH", lines);
    ProcessRecord& r = g_ProcessRecords[1];
    r.outputChannel = 8;
    if (program < 0 || !CompileProgram(program, 0)) {
        std::fprintf(stderr, "%s: not compiled, error %d\n", kernel.name, static_cast<int>(GetProcessError(0)));
        return 0.0;
    }
    // Wine counts a thread's processor time in 10 ms steps: the program runs
    // several times so that one step is a small part of what is measured.
    double elapsed = 0.0;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        if (!AssignProgramToProcess(program, 1, kStateRunning)) {
            std::fprintf(stderr, "%s: not started, error %d\n", kernel.name, static_cast<int>(GetProcessError(0)));
            return 0.0;
        }
        double started = ThreadSeconds();
        {
            InlineProcess process(1);
            ProcessThreadLoop(1);
        }
        elapsed += ThreadSeconds() - started;
        if (r.lastError != 31) {
            std::fprintf(stderr, "%s: stopped with error %d\n", kernel.name, static_cast<int>(r.lastError));
            return 0.0;
        }
    }
    return static_cast<double>(kernel.statementsPerLoop) * kLoops * kRepeats / elapsed;
}

double CompileSpeed()
{
    const int count = 1000;
    std::vector<std::string> lines;
    for (int n = 0; n < count; ++n)
        lines.push_back("IF VR(" + std::to_string(n % 1000) + ")>3 THEN a=a+SIN(b*2)/(c+1):VR(2)=a MOD 7");
    const int rounds = 20;
    double started = ThreadSeconds();
    for (int round = 0; round < rounds; ++round) {
        DeleteProgram("ALL", 0);
        int program = StoreProgram("LONG", lines);
        if (program < 0 || !CompileProgram(program, 0))
            return 0.0;
    }
    double elapsed = ThreadSeconds() - started;
    return count * rounds / elapsed;
}

} // namespace

int main()
{
    RuntimeEnvironment env;
    InitProcessTable();
    ResetMemory();
    SetAxisDefaults();
    SetSystemDefaults();
    ResetParameterValues();
    SetTableEntriesInUse(kTableEntries);
    InstallInterpreter();
    SetProcessPacing(false);
    g_ProcessRecords[0].outputChannel = 8;

    const Kernel kernels[] = {
        {"for_next", {"FOR i=1 TO N:NEXT i"}, 1},
        {"assign_arith", {"FOR i=1 TO N:a=a+i*2:NEXT i"}, 2},
        {"expression", {"b=2:c=3:d=4:e=5:f=6", "FOR i=1 TO N:a=(b*c+d)/e-f MOD 7:NEXT i"}, 2},
        {"sin_sqr", {"FOR i=1 TO N:a=SIN(i)+SQR(i):NEXT i"}, 2},
        {"vr_table", {"FOR i=1 TO N:VR(1)=VR(2)+1:TABLE(3,TABLE(4)):NEXT i"}, 3},
        {"gosub_return", {"FOR i=1 TO N:GOSUB s:NEXT i", "GOTO e", "s: RETURN", "e:"}, 3},
        {"if_elseif",
         {"a=3", "FOR i=1 TO N", "IF a=1 THEN", "b=1", "ELSEIF a=2 THEN", "b=2", "ELSEIF a=3 THEN", "b=3", "ELSE",
          "b=4", "ENDIF", "NEXT i"},
         6},
        {"parameters", {"FOR i=1 TO N:a=MPOS AXIS(1):SPEED=i:NEXT i"}, 3},
    };
    // The best of a few runs: on a busy machine a run's processor time also
    // counts what sharing the core and its caches costs.
    const int runs = 3;
    for (const Kernel& kernel : kernels) {
        double best = 0.0;
        for (int run = 0; run < runs; ++run)
            best = std::max(best, RunKernel(kernel));
        std::printf("runtime_%s: %.0f statements/s\n", kernel.name, best);
    }
    double compile = 0.0;
    for (int run = 0; run < runs; ++run)
        compile = std::max(compile, CompileSpeed());
    std::printf("runtime_compile: %.0f lines/s\n", compile);
    return 0;
}
