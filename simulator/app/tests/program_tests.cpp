// QCSimulation started as a program of its own: it publishes its windows,
// makes its memory images and saves them when it closes; "-RESET" deletes
// them. The end-to-end test drives it over the development environment's
// window link.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/commportdata.h"
#include "link/messagesender.h"
#include "link/tests/support/fake_project.h"
#include "link/tests/support/recording_tool.h"
#include "link/tests/support/simulator_session.h"
#include "link/wincomms.h"
#include "simulator/app/resource.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

std::string ReadTarget(const char* value)
{
    char text[128] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\QCSimulation", value, RRF_RT_REG_SZ,
                     nullptr, text, &size) != ERROR_SUCCESS)
        return std::string();
    return text;
}

DWORD FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0xFFFFFFFF;
}

using Program = SimulatorProcess;

// The top-level window of the given title once it is there.
HWND WaitForWindow(const char* title, DWORD ms = 10000)
{
    HWND window = nullptr;
    PumpUntil([&] { return (window = FindWindowA(nullptr, title)) != nullptr; }, ms);
    return window;
}

TEST(QCSimulationProgram, PublishesMakesAndSavesItsImagesAndResetDeletesThem)
{
    Program program("");
    ASSERT_TRUE(program.Started());
    HWND main = WaitForWindow("QC Simulation");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return FindWindowExA(main, nullptr, nullptr, "QCSimulator ControllerWnd"); }, 10000));
    EXPECT_EQ(ReadTarget("MainWindow"), "QC Simulation");
    EXPECT_EQ(ReadTarget("CommsWindow"), "QCSimulator ControllerWnd");
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.Ended(15000));
    const std::string folder = program.DataFolder() + "\\";
    EXPECT_EQ(FileSize(folder + "Flash.img"), 0x400000u);
    EXPECT_EQ(FileSize(folder + "BB_RAM.img"), 0x100000u);

    Program reset("-RESET", program.DataFolder());
    ASSERT_TRUE(reset.Started());
    HWND dialog = WaitForWindow("Reset Simulator");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "QC Simulation"), nullptr) << "the main dialog is never shown";
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(reset.Ended(15000));
    EXPECT_EQ(FileSize(folder + "Flash.img"), 0xFFFFFFFFu);
    EXPECT_EQ(FileSize(folder + "BB_RAM.img"), 0xFFFFFFFFu);
}

TEST(QCSimulationProgram, TwoSimulatorsRunAndCloseSideBySide)
{
    Program first(""), second("");
    ASSERT_TRUE(first.Started() && second.Started());
    HWND one = WaitForWindow("QC Simulation");
    ASSERT_NE(one, nullptr);
    HWND two = nullptr;
    // The second window may come up above the first or below it: look at
    // every window of the title, not only those below the first.
    PumpUntil(
        [&] {
            HWND next = nullptr;
            while ((next = FindWindowExA(nullptr, next, nullptr, "QC Simulation")) != nullptr && next == one) {
            }
            two = next;
            return two != nullptr;
        },
        10000);
    ASSERT_NE(two, nullptr);
    Sleep(300); // both controllers slicing at once
    PostMessageA(one, WM_CLOSE, 0, 0);
    PostMessageA(two, WM_CLOSE, 0, 0);
    EXPECT_TRUE(first.Ended(15000));
    EXPECT_TRUE(second.Ended(15000));
}

// Every top-level window titled "QC Simulation".
std::vector<HWND> MainWindows()
{
    std::vector<HWND> windows;
    HWND next = nullptr;
    while ((next = FindWindowExA(nullptr, next, nullptr, "QC Simulation")) != nullptr)
        windows.push_back(next);
    return windows;
}

// A second simulator on the same memory would share the first one's link
// and overwrite its images: it brings the first forward and ends, and
// "-reset" beside it changes nothing.
TEST(QCSimulationProgram, ASecondSimulatorOnTheSameMemoryEndsAndResetLeavesItsImages)
{
    Program first("");
    ASSERT_TRUE(first.Started());
    HWND main = WaitForWindow("QC Simulation");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return FindWindowExA(main, nullptr, nullptr, "QCSimulator ControllerWnd"); }, 10000));
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(main) != FALSE; }, 5000));

    Program second("", first.DataFolder());
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.Ended(15000)) << "the second simulator ends";
    EXPECT_EQ(MainWindows(), std::vector<HWND>{main}) << "and shows no window of its own";
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(main); }, 5000)) << "the running one comes forward";
    EXPECT_FALSE(first.Ended(0));

    // The images the running simulator holds stay; the user is told why.
    const std::string flash = first.DataFolder() + "\\Flash.img";
    ASSERT_TRUE(WriteWholeFile(flash, std::string(0x400000, '\xFF')));
    Program reset("-RESET", first.DataFolder());
    ASSERT_TRUE(reset.Started());
    HWND message = WaitForWindow("Reset Simulator");
    ASSERT_NE(message, nullptr);
    EXPECT_NE(WindowText(GetDlgItem(message, IDC_USER_TEXT)).find("QC Simulation is running"), std::string::npos);
    PostMessageA(message, WM_COMMAND, IDC_USER_BUTTON1, 0);
    EXPECT_TRUE(reset.Ended(15000));
    EXPECT_EQ(FileSize(flash), 0x400000u) << "nothing deleted";

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(first.Ended(15000));
}

// End to end: the development environment's simulator window link opens
// to the running QCSimulation, resets it to the command line, identifies
// it, enters channel mode, loads a two-line program with EDPROG, runs it,
// reads a VR value it set and stops it.
TEST(QCSimulationProgram, EndToEndOverTheWindowLink)
{
    // The development environment's main frame as the simulator finds it.
    TestWindow frame("Vorta2 end-to-end frame", WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(RegisterSimulatorPeerFrame("Vorta2 end-to-end frame"));

    Program program("");
    ASSERT_TRUE(program.Started());
    HWND main = WaitForWindow("QC Simulation");
    ASSERT_NE(main, nullptr);

    // The project window and a tool window as the development environment
    // has them: commands go on the command channel as its tools send them.
    CWinApp app("end-to-end");
    CFakeProjectLink project;
    CControllerConnection connection(&project);
    project.SetConnection(&connection);
    TestWindow toolWindow("end-to-end tool");
    project.Register(toolWindow);
    RecordingTool tool;
    // The receive window goes below the test's frame.
    CCommPortData record;
    int row = 0;
    ASSERT_TRUE(ConnectToSimulator(connection, project.GetSafeHwnd(), frame, record, row));
    EXPECT_NE(row, 0);
    EXPECT_NEAR(connection.GetVersion(), 1.65, 0.001);

    // A program an earlier run left in the battery-backed memory goes first
    // (NEW of a program that is not there only reports so). SELECT of a
    // program the controller does not hold makes it; the editor's line
    // inserts ("&0I,...") fill it; RUN runs it on process 3, where it sets
    // VR(2) from VR(1) and then waits 100 s in WA, which must not hold the
    // command line or the other processes, until it is stopped.
    CMessageSender sender;
    sender.SendSequenceEx(toolWindow, &tool, {CommandItem(13, "ENDTOEND")});
    ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool,
                                      {CommandItem(132, "1,42"), CommandItem(132, "2,0"),
                                       CommandItem(19, "ENDTOEND"), CommandItem(24, "0,VR(2)=VR(1)+1"),
                                       CommandItem(24, "1,WA(100000)")}));
    ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(2, "ENDTOEND,3")}));
    double value = 0;
    EXPECT_TRUE(PumpUntil(
        [&] {
            if (!sender.SendSequenceEx(toolWindow, &tool, {CommandItem(32, 2)}) || tool.Replies().empty())
                return false;
            value = tool.Replies().back().GetReal();
            return value == 43;
        },
        10000))
        << value;
    // STOP fails on a process that runs nothing: it succeeds only while it runs.
    EXPECT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(3, "ENDTOEND,3")}));
    EXPECT_TRUE(project.Errors().empty()) << project.Errors().front();
    EXPECT_TRUE(connection.LeaveChannelMode());
    connection.CloseLink();
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.Ended(15000));
}

} // namespace
