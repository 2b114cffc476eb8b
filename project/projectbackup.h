// The project backup: before the project on the PC is overwritten, the
// program files of the controller's programs and the project file are
// copied into the folder "backup" of the project folder. One generation is
// kept; each copy overwrites the earlier one without asking.
#pragma once

#include <windows.h>

class IProjectHub;

// TRUE when every program copy and the project file's copy succeeded and
// the user did not cancel, or no project is open. A failed copy stops the backup (copies made so
// far stay); it has been reported by then.
BOOL BackupProject(IProjectHub& hub);
