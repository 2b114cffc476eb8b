// How fast the fast project load and the fast program load move 100 KB of
// program text into the scripted controller over an in-process link, on the
// real clock. The project load writes 32-byte pieces and reads the link
// itself; the program load announces every block of at most 1024 bytes on
// the command channel and waits 100 ms before it, so its figure is bounded
// by those waits.
//     scripts/wine build/x64/bin/fastload_bench.exe
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/benchprogram.h"
#include "framework/app.h"
#include "framework/thread.h"
#include "link/controllerconnection.h"
#include "link/tests/support/fake_project.h"
#include "link/tests/support/scripted_controller.h"
#include "project/fastloadprogram.h"
#include "project/fastloadproject.h"
#include "project/projectmessages.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

const std::size_t kSize = 100 * 1024;

class BenchOwner : public IFastLoadOwner {
public:
    explicit BenchOwner(CComms* link) : m_pLink(link) {}
    HWND GetOwnerWindow() override { return nullptr; }
    void Disconnect() override {}
    CComms* BorrowLink(int) override { return m_pLink; }
    void ReturnLink() override {}
    CComms* m_pLink;
};

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void ProjectLoad(const ScratchFolder& folder)
{
    WriteWholeFile(folder / "Bench.prj", "[Controller]\r\nType=QC116\r\n[Programs]\r\nProgram00=MAIN\r\n"
                                         "[ProgramType]\r\nMAIN=0\r\n");
    WriteWholeFile(folder / "MAIN.bas", BenchProgramText(kSize));
    CScriptedController link;
    link.Open(nullptr);
    link.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
    BenchOwner owner(&link);
    std::atomic<int> cancel{0};
    auto* load = new CFastLoadProject(&owner, (folder / "Bench.prj").c_str(), &cancel);
    load->SetShowGauge(FALSE);
    const auto start = std::chrono::steady_clock::now();
    load->Start(1);
    load->WaitUntilDone(120000);
    const double seconds = Seconds(start);
    const bool ok = load->Succeeded() != FALSE;
    load->Release();
    std::printf("fast_project_load: %.0f bytes/s%s\n", kSize / seconds, ok ? "" : " (load failed)");
}

void ProgramLoad(const ScratchFolder& folder)
{
    CFakeProjectLink project;
    CControllerConnection connection(&project);
    project.SetConnection(&connection);
    connection.SetLinkFactory([](int type) {
        auto* link = new CScriptedController(type);
        link->SetReply("?CONTROL[0]", ScriptedReply("206"));
        link->SetReply("?VERSION", ScriptedReply("2.0137"));
        link->WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
        return link;
    });
    CCommPortData record;
    record.SetName("Bench");
    record.SetTypeDefaults(LINK_TYPE_SERIAL);
    if (!connection.OpenLink(project.GetSafeHwnd(), &record, TRUE)) {
        std::printf("fast_program_load: no link\n");
        return;
    }
    const std::string path = folder / "PROG.bas";
    WriteWholeFile(path, BenchProgramText(kSize));
    auto* dialog = new CFastLoadProgram;
    if (!dialog->Create())
        return;
    project.SetBytesReceiver(dialog);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = ::SendMessageA(dialog->m_hWnd, WM_PW_LOAD_PROGRAM_FILE, reinterpret_cast<WPARAM>("PROG"),
                                   reinterpret_cast<LPARAM>(path.c_str())) != 0;
    const double seconds = Seconds(start);
    project.SetBytesReceiver(nullptr);
    AfxPumpMessages();
    std::printf("fast_program_load: %.0f bytes/s%s\n", kSize / seconds, ok ? "" : " (load failed)");
}

} // namespace

int main()
{
    CWinApp app("fastload bench");
    ScriptedPrompts prompts;
    ScratchFolder folder;
    ProjectLoad(folder);
    ProgramLoad(folder);
    return 0;
}
