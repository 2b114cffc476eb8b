// The fixture of the tool-window tests: the project window as a tool sees
// it (CToolProject) with a controller connection in channel mode over the
// scripted controller, and one tool window made on a thread of its own as
// the launcher makes it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "link/tests/support/scripted_connection.h"
#include "link/tests/support/tool_project.h"
#include "project/toolthread.h"
#include "testsupport/test_window.h"

namespace tools {

class ToolBaseTest : public ScriptedConnectionTestOf<CToolProject> {
protected:
    void TearDown() override
    {
        Close();
        ScriptedConnectionTestOf<CToolProject>::TearDown();
    }
    // Makes the window on a thread of its own, as the launcher does.
    HWND Make(const std::function<CWnd*(HWND)>& make)
    {
        const HWND project = m_project.GetSafeHwnd();
        m_hTool = CreateWindowOnThread([&make, project]() { return make(project); });
        if (m_hTool)
            m_pTool = CWnd::FromHandlePermanent(m_hTool);
        return m_hTool;
    }
    void Close()
    {
        if (m_hTool && ::IsWindow(m_hTool)) {
            ::PostMessageA(m_hTool, WM_APP + 0x108, 0, 0);
            PumpUntil([this] { return !::IsWindow(m_hTool); }, 5000);
        }
        m_hTool = nullptr;
        m_pTool = nullptr;
    }
    // Sends to the window and answers this thread's messages meanwhile.
    LRESULT SendToTool(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(m_hTool, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
        return static_cast<LRESULT>(result);
    }
    int CountCommand(const std::string& command) const
    {
        const std::vector<std::string> commands = m_link->Commands();
        return static_cast<int>(std::count(commands.begin(), commands.end(), command));
    }
    RECT WindowRect() const
    {
        RECT rect = {};
        ::GetWindowRect(m_hTool, &rect);
        return rect;
    }

    HWND m_hTool = nullptr;
    CWnd* m_pTool = nullptr;
};

} // namespace tools
