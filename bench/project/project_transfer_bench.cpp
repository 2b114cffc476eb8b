// Lines per second of the program transfers against the scripted controller
// (its program store) over an in-process link, on the real clock: the line
// load of a 500-line program ("&0R", "&1I", ... then "&N") and its read-back
// ("&N", "&0L" .. "&499L") into a file. Each line is one transaction on the
// command channel.
//     scripts/wine build/x64/bin/project_transfer_bench.exe
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/tests/support/program_store.h"
#include "link/tests/support/scripted_controller.h"
#include "project/programtransfer.h"
#include "project/tests/transfer_host.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

const int kLines = 500;

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    CWinApp app("project transfer bench");
    ScriptedPrompts prompts;
    ScratchFolder folder;
    CProgramStore store;
    TransferHost host;
    CControllerConnection connection(&host);
    host.SetConnection(&connection);
    CScriptedController* link = nullptr;
    connection.SetLinkFactory(
        ScriptedLinkFactory(link, [&store](CScriptedController& scripted) { store.Attach(scripted); }));
    WriteWholeFile(folder / "Bench.prj", "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
    host.SetProjectPath(folder / "Bench.prj");
    CCommPortData record;
    record.SetName("Bench");
    record.SetTypeDefaults(LINK_TYPE_SERIAL);
    if (!connection.OpenLink(host.GetSafeHwnd(), &record, TRUE)) {
        std::printf("slow_load: no link\n");
        return 1;
    }
    std::string text;
    for (int line = 0; line < kLines; ++line)
        text += "VR(" + std::to_string(line) + ")=VR(" + std::to_string(line % 97) + ")+1 ' a comment\r\n";
    const std::string path = folder / "MAIN.bas";
    WriteWholeFile(path, text);

    CProgramTransfer transfer(host);
    auto start = std::chrono::steady_clock::now();
    const bool loaded = transfer.LoadProgramText("MAIN", path.c_str(), 0, TRUE) != 0;
    double seconds = Seconds(start);
    std::printf("slow_load: %.0f lines/s (target >= 200)%s\n", kLines / seconds, loaded ? "" : " (load failed)");

    start = std::chrono::steady_clock::now();
    const bool saved = transfer.SaveProgramToDisk("MAIN", 0, TRUE) != FALSE;
    seconds = Seconds(start);
    const bool same = ReadWholeFile(folder / "Controller\\MAIN.bas") == text;
    std::printf("read_back: %.0f lines/s (target >= 200)%s\n", kLines / seconds,
                saved && same ? "" : " (read-back failed)");
    return 0;
}
