#include "ui/windowlookup.h"

#include "foundation/winutil.h"
#include "ui/toolmessages.h"

HWND GetMainFrameComponent(UINT nComponentID)
{
    HWND hWndMain = GetMainWindowHandle();
    if (!hWndMain)
        return nullptr;
    return reinterpret_cast<HWND>(::SendMessageA(hWndMain, WM_GET_WINDOW_HANDLE, nComponentID, 0));
}

HWND GetProjectWndHandle()
{
    return GetMainFrameComponent(COMPONENT_PROJECT_WINDOW);
}

CWnd* GetProjectWndAs(const CRuntimeClass* pClass)
{
    HWND hWndProject = GetProjectWndHandle();
    if (!hWndProject || !::IsWindow(hWndProject))
        return nullptr;
    const LRESULT answer = ::SendMessageA(hWndProject, WM_GET_WINDOW_OBJECT, 0, 0);
    // The answer must be the object attached to that very window; anything
    // else (a stale or foreign pointer) is not touched.
    CWnd* pWnd = CWnd::FromHandlePermanent(hWndProject);
    if (!pWnd || reinterpret_cast<LRESULT>(pWnd) != answer)
        return nullptr;
    return pClass && !pWnd->IsKindOf(pClass) ? nullptr : pWnd;
}

namespace {

// Sends the registration; the project window that took it, or null, with
// its answer.
HWND SendRegistration(UINT nToolID, HWND hWndTool, LRESULT& rAnswer)
{
    rAnswer = 0;
    HWND hWndProject = GetProjectWndHandle();
    if (!hWndProject || !::IsWindow(hWndProject))
        return nullptr;
    rAnswer = ::SendMessageA(hWndProject, WM_REGISTER_TOOL_WINDOW, nToolID, reinterpret_cast<LPARAM>(hWndTool));
    return rAnswer ? hWndProject : nullptr;
}

} // namespace

HWND RegisterToolWindow(UINT nToolID, HWND hWndTool)
{
    LRESULT answer;
    return SendRegistration(nToolID, hWndTool, answer);
}

HWND RegisterToolWindowAtItsPlace(UINT nToolID, HWND hWndTool)
{
    LRESULT answer;
    HWND hWndProject = SendRegistration(nToolID, hWndTool, answer);
    if (hWndProject) {
        const DWORD position = static_cast<DWORD>(answer);
        ::SetWindowPos(hWndTool, nullptr, static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position)),
                       0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return hWndProject;
}

void UnregisterToolWindow(HWND hWndProject, UINT nToolID, HWND hWndTool, BOOL bPost)
{
    if (!hWndProject || !::IsWindow(hWndProject))
        return;
    if (bPost)
        ::PostMessageA(hWndProject, WM_UNREGISTER_TOOL_WINDOW, nToolID, reinterpret_cast<LPARAM>(hWndTool));
    else
        ::SendMessageA(hWndProject, WM_UNREGISTER_TOOL_WINDOW, nToolID, reinterpret_cast<LPARAM>(hWndTool));
}
