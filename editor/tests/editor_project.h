// The project window as the editor frame sees it, for the editor's tests
// and benchmarks: registration (which names the program with 0x8132, as
// the real one does when it takes the open-editor request, and hands over
// a pending window layout record), the queries from a table, and the
// frame's sequences to the controller connection.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "editor/editframe.h"
#include "link/tests/support/fake_project.h"

namespace editor {

class EditorProject : public CFakeProjectLink {
public:
    using Handler = std::function<LRESULT(WPARAM, LPARAM)>;
    void SetAnswer(UINT message, LRESULT answer)
    {
        m_handlers[message] = [answer](WPARAM, LPARAM) { return answer; };
    }
    void SetHandler(UINT message, Handler handler) { m_handlers[message] = std::move(handler); }
    void SetFeature(int feature, bool on)
    {
        if (on)
            m_features.insert(feature);
        else
            m_features.erase(feature);
    }
    std::vector<std::pair<UINT, WPARAM>> Got() const { return m_got; }
    int Count(UINT message) const
    {
        return static_cast<int>(std::count_if(m_got.begin(), m_got.end(),
                                              [message](const auto& m) { return m.first == message; }));
    }

    LRESULT m_registration = MAKELONG(40, 30);
    std::string m_program = "DEMO";
    std::vector<HWND> m_registered;
    SWindowParameters* m_pPlacement = nullptr; // handed to the frame at registration
    std::function<void(HWND)> m_onRegister;     // more for the new tool

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message >= WM_APP)
            m_got.emplace_back(message, wParam);
        if (message == kMsgRegisterTool) {
            if (m_registration == 0)
                return 0;
            const HWND tool = reinterpret_cast<HWND>(lParam);
            Register(tool);
            m_registered.push_back(tool);
            ::SendMessageA(tool, kMsgProgramName, 0, reinterpret_cast<LPARAM>(m_program.c_str()));
            if (m_pPlacement)
                ::SendMessageA(tool, kMsgRestorePlacement, 0, reinterpret_cast<LPARAM>(m_pPlacement));
            if (m_onRegister)
                m_onRegister(tool);
            return m_registration;
        }
        if (message == kMsgFeature)
            return m_features.count(static_cast<int>(lParam)) ? 1 : 0;
        auto it = m_handlers.find(message);
        if (it != m_handlers.end())
            return it->second(wParam, lParam);
        return CFakeProjectLink::WindowProc(message, wParam, lParam);
    }

private:
    std::map<UINT, Handler> m_handlers;
    std::set<int> m_features;
    std::vector<std::pair<UINT, WPARAM>> m_got;
};

} // namespace editor
