// A test may use the test harness.
#include "../comms.h"
#include "testsupport/sandbox.h"
