#include "tools/livetools.h"

#include "tools/base/toolcreators.h"

namespace tools {

void RegisterLiveTools()
{
}

} // namespace tools
