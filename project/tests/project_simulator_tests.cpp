// The program transfers against QCSimulation started as a program of its
// own: a program loads line by line into the simulated controller, reads
// back with the controller's own check value, and runs with its status line
// reaching the project's process record.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/fileutil.h"
#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/tests/support/simulator_session.h"
#include "project/programtransfer.h"
#include "project/tests/transfer_host.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

constexpr int kCommandRun = 2;         // RUN "name"[,process]
constexpr int kCommandStop = 3;        // STOP "name"
constexpr int kCommandCheckValue = 26; // "&Z,name"

TEST(ProjectOnSimulator, AProgramLoadsLineByLineReadsBackAndRuns)
{
    const char title[] = "Vorta2 project end-to-end frame";
    TestWindow mainFrame(title, WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(RegisterSimulatorPeerFrame(title));
    SimulatorProcess simulator;
    ASSERT_TRUE(simulator.Started()) << SimulatorProgramPath();
    ASSERT_TRUE(PumpUntil([] { return FindWindowA(nullptr, "QC Simulation") != nullptr; }, 10000));

    CWinApp app("project end-to-end");
    ScriptedPrompts prompts;
    ScratchFolder folder;
    TransferHost hub;
    CControllerConnection connection(&hub);
    hub.SetConnection(&connection);
    WriteWholeFile(folder / "Demo.prj", "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
    hub.SetProjectPath(folder / "Demo.prj");
    CCommPortData record;
    int row = 0;
    ASSERT_TRUE(ConnectToSimulator(connection, hub.GetSafeHwnd(), mainFrame, record, row));

    // The program counts in VR(1) until it is stopped.
    const std::string file = "VR(1)=0\r\nWHILE 1\r\nVR(1)=VR(1)+1\r\nWEND\r\n";
    WriteWholeFile(folder / "MAIN.bas", file);
    {
        CProgramTransfer transfer(hub);
        ASSERT_TRUE(transfer.LoadProgramToController("MAIN", 0, TRUE));
        ASSERT_TRUE(transfer.SaveProgramToDisk("MAIN", 0, TRUE));
    }
    EXPECT_TRUE(prompts.Texts().empty());
    const std::string readBack = ReadWholeFile(folder / "Controller\\MAIN.bas");
    EXPECT_EQ(file, readBack);

    std::atomic<long> controllerCrc{-1};
    hub.SetReplySink([&controllerCrc](const ControllerMessage& reply) { controllerCrc = reply.GetInteger(); });
    ASSERT_TRUE(hub.RunCommand(kCommandCheckValue, 0, "MAIN"));
    hub.SetReplySink({});
    std::uint16_t fileCrc = 0;
    ASSERT_TRUE(ProgramFileCrc((folder / "Controller\\MAIN.bas").c_str(), fileCrc));
    EXPECT_EQ(static_cast<long>(fileCrc), controllerCrc.load());

    // RUN's status line names the program's process to the project.
    ASSERT_TRUE(hub.RunCommand(kCommandRun, 0, "MAIN,3"));
    EXPECT_TRUE(PumpUntil([&] {
        for (const std::string& status : hub.ProgramStatuses())
            if (status == "3:MAIN")
                return true;
        return false;
    }, 10000));
    EXPECT_TRUE(hub.RunCommand(kCommandStop, 0, "MAIN"));
}

} // namespace
