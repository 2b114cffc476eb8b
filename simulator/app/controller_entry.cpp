#include "simulator/app/controller_entry.h"

#include "simulator/app/controllerwnd.h"

// The runtime's power-up and command line, when it has them; without them
// the command-line thread only idles until the controller stops.
#if __has_include("simulator/runtime/command_line.h")
#include "simulator/runtime/command_line.h"
#define SIM_HAS_COMMAND_LINE 1
#else
#define SIM_HAS_COMMAND_LINE 0
#endif

void InstallControllerEntry()
{
#if SIM_HAS_COMMAND_LINE
    SetControllerEntry(qcrt::ControllerStartup);
#else
    SetControllerEntry(nullptr);
#endif
}

bool ControllerHasCommandLine()
{
    return SIM_HAS_COMMAND_LINE != 0;
}
