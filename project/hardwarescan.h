// The controller hardware scan: after a connect the project window asks the
// controller for the type of every axis and of every module slot, keeps the
// module identifiers in its module-slot array, refreshes the I/O counts and
// tells the main frame which kinds of drive network are present, so that
// the drive tools can be offered.
#pragma once

#include "link/modeltables.h"
#include "project/projecthub.h"

// The module slots the project window keeps.
const int MODULE_SLOT_COUNT = 128;
// Module identifiers start here; a smaller answer is no module.
const int MODULE_ID_FIRST = 0x10014;

// What the model table does not say of a model's hardware: its module
// slots and whether it always has the first kind of drive network or an
// analogue-output module.
struct HardwareTraits {
    int moduleSlots;
    bool firstDriveNetwork;
    bool analogueOutput;
};
HardwareTraits GetHardwareTraits(const ControllerModelInfo& model);

// The scan; the findings go to the hub's module slots and to the main frame.
void ScanControllerHardware(IProjectHub& hub);
