#include "simulator/app/controller_entry.h"

#include "simulator/app/controllerwnd.h"
#include "simulator/runtime/command_line.h"

void InstallControllerEntry()
{
    // The runtime's power-up, then its command line until the controller stops.
    SetControllerEntry(qcrt::ControllerStartup);
}
