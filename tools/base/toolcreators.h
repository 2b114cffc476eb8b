// How the project window's tool launcher makes a live tool's window: on a
// user-interface thread of its own, where the window registers while it is
// created. Vorta2's start registers each tool once (RegisterLiveTools).
#pragma once

#include <windows.h>

#include <functional>

class CRuntimeClass;
class CWnd;

namespace tools {

// make runs on the new thread with the channel the launcher was given and
// answers the created window, or null when it was not made (having
// cleaned up after itself). windowClass, when given, is the class a
// registered window of the id must be to count as open.
void RegisterToolWindowCreator(UINT toolId, std::function<CWnd*(int channel)> make,
                               const CRuntimeClass* windowClass = nullptr);

// The one line per dialog tool: T is default-constructible and has
// CreateTool() (CToolDialog), which deletes the object when it fails.
template <class T>
void RegisterToolDialog(UINT toolId)
{
    RegisterToolWindowCreator(toolId, [](int) -> CWnd* {
        auto* dialog = new T;
        return dialog->CreateTool() ? dialog : nullptr;
    });
}

} // namespace tools
