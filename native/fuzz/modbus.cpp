// The MODBUS slave's request collection and answers: the first byte chooses
// the port type and register space, the rest arrives on port 0 in pieces
// whose size the second byte chooses, and the services run between pieces.
#include <cstddef>
#include <cstdint>
#include <string>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/modbus.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/tests/fake_host.h"
#include "simulator/runtime/vocabulary.h"

using namespace qcrt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static RuntimeEnvironment* environment = [] {
        auto* made = new RuntimeEnvironment;
        InitProcessTable();
        ResetMemory();
        SetTableEntriesInUse(1000);
        InstallModbus();
        *SystemParameterWord(FindParameter("ADDRESS")) = 1;
        return made;
    }();
    if (size < 2 || size > 2000)
        return 0;
    static const int32_t kTypes[] = {5, 7, 8, 9};
    ResetModbus();
    InitPort(0, 0);
    PortRecord* port = GetPortRecord(0);
    port->type = kTypes[data[0] & 3];
    port->extra = (data[0] >> 2) & 1;
    port->flags &= ~kPortFlowControl;
    const size_t piece = 1 + data[1] % 120;
    const std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    for (size_t at = 0; at < bytes.size(); at += piece) {
        environment->host.Send(0, bytes.substr(at, piece));
        RunServices();
    }
    for (int n = 0; n < 40; ++n)
        RunServices();
    environment->host.TakeWritten(0);
    return 0;
}
