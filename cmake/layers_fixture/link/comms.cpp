// The link, reaching up into the shell.
#include "link/comms.h"
#include "foundation/fileutil.h"
#include "shell/mainframe.h"
