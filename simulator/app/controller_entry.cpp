#include "simulator/app/controller_entry.h"

#include "simulator/app/controllerwnd.h"
#include "simulator/app/flashdevice.h"
#include "simulator/runtime/command_line.h"

void InstallControllerEntry()
{
    // The runtime's power-up, then its command line until the controller stops.
    SetControllerEntry(qcrt::ControllerStartup);
    // What the runtime stores in flash goes through the simulated chip.
    InstallFlashDevice();
}
