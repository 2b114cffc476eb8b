#include "tools/livetools.h"

#include "tools/base/toolcreators.h"
#include "tools/channelselect.h"

namespace tools {

void RegisterLiveTools()
{
    RegisterToolDialog<CChannelSelectDlg>(TOOL_KEY_CHANNEL_SELECT);
}

} // namespace tools
