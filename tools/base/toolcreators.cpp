#include "tools/base/toolcreators.h"

#include <utility>

#include "project/projectwnd.h"
#include "project/toolthread.h"

namespace tools {

void RegisterToolWindowCreator(UINT toolId, std::function<CWnd*(int channel)> make, const CRuntimeClass* windowClass)
{
    CProjectWnd::RegisterToolCreator(
        toolId,
        [make = std::move(make)](CProjectWnd&, int channel) -> BOOL {
            return CreateWindowOnThread([make, channel]() { return make(channel); }) ? TRUE : FALSE;
        },
        windowClass);
}

} // namespace tools
