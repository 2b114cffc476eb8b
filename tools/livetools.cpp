#include "tools/livetools.h"

#include "tools/base/toolcreators.h"
#include "tools/channelselect.h"
#include "tools/ticksdialog.h"
#include "tools/watchwindow.h"

namespace tools {

void RegisterLiveTools()
{
    RegisterToolDialog<CChannelSelectDlg>(TOOL_KEY_CHANNEL_SELECT);
    RegisterToolDialog<CWatchWindow>(kToolIdWatch);
    RegisterToolDialog<CTicksDialog>(kToolIdTicks);
}

} // namespace tools
