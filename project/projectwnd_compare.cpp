// The project check's program comparisons between the controller's
// programs and the project's.
#include "project/projectwnd.h"
