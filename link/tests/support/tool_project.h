// CToolProject: the project window as a tool window sees it, for the tests
// and benchmarks of the editor and the live tools, over CFakeProjectLink
// (whose sequences run through the scripted controller's connection).
// Registration as the real window does it: refused with answer 0, else
// the window is asked its reply class (0x8105; the reply part, class and
// wanted channel are kept), named with 0x8132 when a program is set,
// handed the pending saved window record with 0x8147 (the answer is kept)
// and answered with the position. The feature query (0x81CC) answers from
// a set; any other private message from a table of answers or handlers.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/channelset.h"
#include "link/tests/support/fake_project.h"
#include "link/vexoreply.h"

class CToolProject : public CFakeProjectLink {
public:
    static const UINT kRegister = WM_APP + 0x103;
    static const UINT kReplyClass = WM_APP + 0x105;
    static const UINT kProgramName = WM_APP + 0x132;
    static const UINT kRestoreRecord = WM_APP + 0x147;
    static const UINT kFeature = WM_APP + 0x1CC;

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
    // The private messages the window got (message, wParam), in order.
    std::vector<std::pair<UINT, WPARAM>> Got() const { return m_got; }
    std::vector<std::pair<WPARAM, LPARAM>> GotWith(UINT message) const
    {
        std::vector<std::pair<WPARAM, LPARAM>> found;
        for (const auto& entry : m_gotFull)
            if (entry.message == message)
                found.emplace_back(entry.wParam, entry.lParam);
        return found;
    }
    int Count(UINT message) const
    {
        return static_cast<int>(std::count_if(m_got.begin(), m_got.end(),
                                              [message](const auto& m) { return m.first == message; }));
    }

    // The answer to a registration: 0 refuses, else the position (x low
    // 16 bits, y high 16 bits).
    LRESULT m_registration = MAKELONG(40, 30);
    // The program an editor frame is named with at registration (none
    // when empty).
    std::string m_program;
    std::vector<HWND> m_registered;
    SWindowParameters* m_pPlacement = nullptr; // handed to the tool at registration
    std::function<void(HWND)> m_onRegister;     // more for the new tool
    // What the last registered window answered.
    CVexoReply* m_pReply = nullptr;
    LRESULT m_replyClass = -1;
    std::int32_t m_wantedChannel = -101;
    LRESULT m_restoreAnswer = -1; // to 0x8147; -1 when none was handed

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message >= WM_APP) {
            m_got.emplace_back(message, wParam);
            m_gotFull.push_back({message, wParam, lParam});
        }
        if (message == kRegister) {
            if (m_registration == 0)
                return 0;
            const HWND tool = reinterpret_cast<HWND>(lParam);
            m_pReply = nullptr;
            m_wantedChannel = -101;
            m_replyClass = ::SendMessageA(tool, kReplyClass, reinterpret_cast<WPARAM>(&m_pReply),
                                          reinterpret_cast<LPARAM>(&m_wantedChannel));
            Register(tool);
            m_registered.push_back(tool);
            if (!m_program.empty())
                ::SendMessageA(tool, kProgramName, 0, reinterpret_cast<LPARAM>(m_program.c_str()));
            m_restoreAnswer = -1;
            if (m_pPlacement)
                m_restoreAnswer = ::SendMessageA(tool, kRestoreRecord, 0, reinterpret_cast<LPARAM>(m_pPlacement));
            if (m_onRegister)
                m_onRegister(tool);
            return m_registration;
        }
        if (message == kFeature)
            return m_features.count(static_cast<int>(lParam)) ? 1 : 0;
        auto it = m_handlers.find(message);
        if (it != m_handlers.end())
            return it->second(wParam, lParam);
        return CFakeProjectLink::WindowProc(message, wParam, lParam);
    }

private:
    struct Entry {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::map<UINT, Handler> m_handlers;
    std::set<int> m_features;
    std::vector<std::pair<UINT, WPARAM>> m_got;
    std::vector<Entry> m_gotFull;
};
