#include "editor/editortool.h"

#include "editor/editframe.h"
#include "project/projectwnd.h"
#include "project/toolthread.h"

namespace editor {

HWND CreateEditorFrameThread()
{
    return CreateWindowOnThread([]() -> CWnd* {
        auto* frame = new CEditRFrame;
        if (!frame->m_hWnd) {
            // A frame whose creation failed is its creator's.
            delete frame;
            return nullptr;
        }
        return frame;
    });
}

void RegisterEditorTool()
{
    CProjectWnd::RegisterToolCreator(
        TOOL_EDITOR, [](CProjectWnd&, int) -> BOOL { return CreateEditorFrameThread() ? TRUE : FALSE; },
        RUNTIME_CLASS(CEditRFrame));
}

} // namespace editor
