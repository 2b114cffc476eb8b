// Time per key in the editor on a generated 20,000-line program: each key
// is sent to the view as the system would send it, the frame's posted
// messages are handled and the view is painted before the clock stops.
// Typing (a character) and caret moves (arrows, Page Up/Down; a move off a
// typed line sends that line to the scripted controller and waits for its
// echo, as with a real one) are measured apart, the moves that send a line
// apart again; the target is a 99th percentile under 16 ms (one frame of a
// 60 Hz display).
//
// Prints "editor_key_typing_median: <ms> ms", "editor_key_typing_p99",
// "editor_key_caret_median", "editor_key_caret_p99",
// "editor_key_caret_sending_median" and "editor_key_caret_sending_p99".
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/editor_program.h"
#include "editor/basickeys.h"
#include "editor/editframe.h"
#include "link/tests/support/tool_project.h"
#include "framework/app.h"
#include "framework/thread.h"
#include "link/controllerconnection.h"
#include "link/tests/support/scripted_controller.h"

namespace {

double Percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5));
    return values[at];
}

} // namespace

int main()
{
    CWinApp app("editor keys bench");
    editor::CBasicKeyTable::Instance().EnsureLoaded([](std::vector<editor::CBasicKeyRecord>& records) {
        for (const char* name : {"PRINT", "PROC", "PROCESS", "MOVE", "IF", "THEN"}) {
            editor::CBasicKeyRecord record;
            record.name = name;
            records.push_back(record);
        }
        return true;
    });
    const std::string folder = TempFolder("editor_keys_bench_");
    const std::string path = folder + "\\MAIN.BAS";
    const int lineCount = 20000;
    WriteProgram(path, lineCount);

    CToolProject project;
    project.m_program = "MAIN";
    CControllerConnection connection(&project);
    project.SetConnection(&connection);
    CScriptedController* link = nullptr;
    connection.SetLinkFactory(ScriptedLinkFactory(link));
    CCommPortData record;
    record.SetName("Bench");
    record.SetTypeDefaults(LINK_TYPE_SERIAL);
    if (!connection.OpenLink(project.GetSafeHwnd(), &record, TRUE)) {
        std::fprintf(stderr, "the scripted link did not open\n");
        return 1;
    }
    project.SetHandler(editor::kMsgProgramPath, [&path](WPARAM, LPARAM l) {
        *reinterpret_cast<CString*>(l) = path.c_str();
        return LRESULT(1);
    });
    project.SetAnswer(editor::kMsgProgramType, 0);

    auto* frame = new editor::CEditRFrame;
    if (!frame->m_hWnd) {
        delete frame;
        std::fprintf(stderr, "the editor frame was not created\n");
        return 1;
    }
    const HWND hFrame = frame->m_hWnd;
    frame->GetDocument()->SetNameWarner(nullptr);
    AfxPumpMessages();
    editor::CEditRView* view = frame->GetView();
    const HWND hView = view->m_hWnd;
    view->GoTo(0, lineCount / 2, true);
    AfxPumpMessages();

    using Clock = std::chrono::steady_clock;
    const auto timed = [&](auto&& action) {
        const auto start = Clock::now();
        action();
        AfxPumpMessages();
        // Everything the key left to paint: the view and the status pane.
        ::RedrawWindow(hFrame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    std::vector<double> typing, caret, caretSending;
    const UINT moves[] = {VK_DOWN, VK_RIGHT, VK_DOWN, VK_LEFT, VK_NEXT, VK_UP, VK_PRIOR, VK_DOWN};
    for (int round = 0; round < 400; ++round) {
        for (int n = 0; n < 3; ++n) {
            const char c = static_cast<char>('a' + (round + n) % 26);
            typing.push_back(timed([&] {
                ::SendMessageA(hView, WM_KEYDOWN, static_cast<WPARAM>(::VkKeyScanA(c) & 0xFF), 1);
                ::SendMessageA(hView, WM_CHAR, static_cast<WPARAM>(c), 1);
            }));
        }
        const UINT key = moves[round % (sizeof moves / sizeof moves[0])];
        const size_t sent = link->Commands().size();
        const double ms = timed([&] { ::SendMessageA(hView, WM_KEYDOWN, key, 1); });
        // A move off the typed line sends it and waits for the controller.
        (link->Commands().size() != sent ? caretSending : caret).push_back(ms);
    }
    std::printf("editor_key_typing_median: %.3f ms\n", Percentile(typing, 0.5));
    std::printf("editor_key_typing_p99: %.3f ms\n", Percentile(typing, 0.99));
    std::printf("editor_key_caret_median: %.3f ms\n", Percentile(caret, 0.5));
    std::printf("editor_key_caret_p99: %.3f ms\n", Percentile(caret, 0.99));
    std::printf("editor_key_caret_sending_median: %.3f ms\n", Percentile(caretSending, 0.5));
    std::printf("editor_key_caret_sending_p99: %.3f ms\n", Percentile(caretSending, 0.99));
    std::printf("editor_key_lines_sent: %d\n", static_cast<int>(link->Commands().size()));

    ::DestroyWindow(hFrame);
    AfxPumpMessages();
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
