// The time the project window takes for a fast project load of 100 KB of
// program text into the scripted controller's fast-load model, on the real
// clock: the whole driver (NEW ALL, the link's hand-over, the load engine
// on its worker thread and the wait for it), as the project window runs it
// on its own thread. The target is 3 s at most.
//     scripts/wine build/x64/bin/project_fastload_bench.exe
#include <chrono>
#include <cstdio>
#include <string>

#include "bench/benchprogram.h"
#include "framework/app.h"
#include "link/tests/support/scripted_controller.h"
#include "bench/project/project_window_thread.h"
#include "project/projectwnd.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

const std::size_t kSize = 100 * 1024;

} // namespace

int main()
{
    CWinApp app("project fastload bench");
    ScriptedPrompts prompts;
    RegistrySandbox sandbox;
    ScratchFolder folder;
    const std::string project = folder / "Bench.prj";
    WriteWholeFile(project, "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
    WriteWholeFile(folder / "MAIN.bas", BenchProgramText(kSize));

    CVQRegistry().SetAutoConnectAtStart(0);
    CScriptedController* link = nullptr;
    CProjectWnd::SetCommandLineSource([] { return CString(); });
    CProjectWnd::SetConnectionSetup([&link](CControllerConnection& connection) {
        connection.SetLinkFactory(ScriptedLinkFactory(link, [](CScriptedController& scripted) {
            scripted.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
        }));
    });

    // The project window on a thread of its own, beside a main frame, as
    // the program starts it.
    FakeMainFrame frame(nullptr, true);
    HANDLE threadHandle = nullptr;
    const HWND window = StartProjectWindowThread(threadHandle);
    auto* projectWindow = reinterpret_cast<CProjectWnd*>(::SendMessageA(window, PWM_GET_OBJECT, 0, 0));
    if (!projectWindow) {
        std::printf("project_fast_load_100k: no project window\n");
        return 1;
    }

    CCommPortData record;
    record.SetName("Bench");
    record.SetTypeDefaults(LINK_TYPE_SERIAL);
    if (!projectWindow->GetConnection().OpenLink(window, &record, TRUE)) {
        std::printf("project_fast_load_100k: no link\n");
        return 1;
    }
    // The engine's reconnect afterwards is no part of the figure.
    projectWindow->m_bConnecting = TRUE;

    const auto start = std::chrono::steady_clock::now();
    const int result = projectWindow->FastLoadProject(project.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bool whole = false;
    link->WithScript([&](CControllerScript& script) {
        whole = script.FastLoaded().size() == 1 && script.FastLoaded()[0].text.size() > kSize * 9 / 10;
    });
    std::printf("project_fast_load_100k: %.2f s%s\n", seconds, result == 2 && whole ? "" : " (load failed)");

    projectWindow->m_bConnecting = FALSE;
    ::PostMessageA(window, PWM_DESTROY, 0, 0);
    PumpUntil([&] { return ::WaitForSingleObject(threadHandle, 0) == WAIT_OBJECT_0; }, 20000);
    ::CloseHandle(threadHandle);
    CProjectWnd::SetConnectionSetup({});
    CProjectWnd::SetCommandLineSource({});
    return 0;
}
