#include "simulator/runtime/network_keywords.h"

#include "simulator/runtime/errors.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/process.h"

namespace qcrt {

// Each handler reads its own bracketed arguments.
namespace {

constexpr int32_t kVrLast = 1023;
constexpr int32_t kTableLast = 255999;

// Argument n (from 1) as a whole number; an argument not given counts as 0.
int32_t WholeArgument(int process, int n)
{
    const ArgumentValue* argument = GetArgument(process, n - 1);
    return argument ? argument->integer : 0;
}

bool Within(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

} // namespace

void KeywordEthernet(const uint8_t* text, int& position, int limit, int process)
{
    // Read and dropped: there is no interface to set.
    OwnArguments arguments(text, position, limit, process);
}

void KeywordEthernetIp(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments arguments(text, position, limit, process);
    if (ProcessRecord* record = GetProcessRecord(process))
        record->result = -1.0f;
}

void KeywordFinsComms(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments arguments(text, position, limit, process);
    ProcessRecord* record = GetProcessRecord(process);
    if (!record || !arguments.Ok() || record->errorNumber != 0)
        return;
    auto arg = [process](int n) { return WholeArgument(process, n); };
    bool valid = Within(arg(1), 0, 1) && Within(arg(2), 0, 255) && Within(arg(3), 0, 255) &&
                 Within(arg(4), 0, 255) && Within(arg(5), 128, 255) && Within(arg(6), 0, 65535) &&
                 Within(arg(8), 0, 65535);
    if (valid) {
        // Argument 8 selects the local memory: 0 VR, anything else TABLE.
        const int32_t last = arg(8) == 0 ? kVrLast : kTableLast;
        valid = Within(arg(9), 0, last) && static_cast<int64_t>(arg(9)) + arg(6) <= last;
    }
    if (valid && ArgumentCount(process) > 10) {
        for (int n = 11; n <= 14 && valid; ++n)
            valid = Within(arg(n), 0, 255);
    }
    if (!valid) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    record->result = -1.0f;
}

} // namespace qcrt
