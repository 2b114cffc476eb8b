#include "tools/livetools.h"

#include "tools/base/toolcreators.h"
#include "tools/ticksdialog.h"
#include "tools/watchwindow.h"

namespace tools {

void RegisterLiveTools()
{
    RegisterToolDialog<CWatchWindow>(kToolIdWatch);
    RegisterToolDialog<CTicksDialog>(kToolIdTicks);
}

} // namespace tools
