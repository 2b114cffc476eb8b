// Chooses what the link window's command-line thread runs.
#pragma once

void InstallControllerEntry();
// True when the runtime has its start-up and command line, so the
// controller answers on the link.
bool ControllerHasCommandLine();
