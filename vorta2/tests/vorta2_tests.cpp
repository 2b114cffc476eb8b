// Vorta2 itself, started as a program: its frame, its published name, the
// second copy, the log and the end on WM_CLOSE. The program reads the
// user's real settings, so the test writes the few it needs and removes
// the program's keys afterwards.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/tests/program_process.h"
#include "shell/tests/shell_test_support.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const char kFrameClass[] = "Vorta2:400000:8:0:0";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Vorta2ProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VexoLabs\\Vorta2");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta");
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VexoLabs\\Vorta2");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta");
    }
    HWND WaitForFrame() const
    {
        HWND hWnd = nullptr;
        PumpUntil([&] { return (hWnd = FindWindowA(kFrameClass, nullptr)) && IsWindowVisible(hWnd); }, 20000);
        return hWnd;
    }
};

TEST_F(Vorta2ProgramTest, StartsPublishesItsFrameLogsAndEndsOnClose)
{
    ScratchFolder folder;
    const std::string log = folder / "vorta.log";
    PutRegDword("Software\\VexoLabs\\Vorta2\\Config", "EnableCommsLogging", 1);
    PutRegText("Software\\VexoLabs\\Vorta2\\Config", "LogFileName", log.c_str());
    PutRegDword("Software\\VexoLabs\\Vorta2\\Comms", "LogFlags", 1);
    // No search at start: the test has no controller.
    PutRegDword("Software\\VexoLabs\\Vorta2\\Config", "AutoConnectAtStart", 0);

    ProgramProcess first("Vorta2.exe", SW_SHOWNORMAL);
    ASSERT_TRUE(first.Started());
    const HWND frame = WaitForFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ("Vorta 2", WindowText(frame));
    char name[32] = {};
    DWORD size = sizeof name;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta", "MainWindow",
                                          RRF_RT_REG_SZ, nullptr, name, &size));
    EXPECT_STREQ("Vorta 2", name);
    // With communications logging on, the project window asks at start
    // whether to keep it; "Enable" keeps it, so the log records the close.
    HWND enable = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            const HWND question = FindWindowA(nullptr, "Diagnostics");
            enable = question ? FindWindowExA(question, nullptr, "Button", "Enable") : nullptr;
            return enable != nullptr && IsWindowVisible(enable);
        },
        10000));
    PostMessageA(enable, BM_CLICK, 0, 0);
    // The project window announced itself: the frame answers for it.
    ASSERT_TRUE(PumpUntil([&] { return SendMessageA(frame, WM_APP + 0x107, 1035, 0) != 0; }, 10000));

    // A second copy ends at once and leaves the first in front.
    ShowWindow(frame, SW_MINIMIZE);
    {
        ProgramProcess second("Vorta2.exe", SW_SHOWNORMAL);
        ASSERT_TRUE(second.Started());
        ASSERT_TRUE(second.WaitForEnd(20000));
    }
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(frame); }, 5000));

    // Options > Communications runs the link list on a thread of its own.
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(32811, 0), 0);
    HWND links = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (links = FindWindowA(nullptr, "Communications Links")) && IsWindowVisible(links); }, 10000));
    PostMessageA(links, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(links); }, 10000));

    // Help > About names the program's version, from its own file.
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(0xE140, 0), 0);
    HWND about = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (about = FindWindowA(nullptr, "About Vorta 2")) && IsWindowVisible(about); }, 10000));
    EXPECT_EQ("Version: 2.0.0.1", WindowText(GetDlgItem(about, 1307)));
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(about); }, 10000));

    PostMessageA(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(first.WaitForEnd(10000));
    EXPECT_EQ(0u, first.ExitCode());
    const std::string text = ReadFile(log);
    EXPECT_NE(std::string::npos, text.find("Log opened")) << text;
    EXPECT_NE(std::string::npos, text.find("Log closed")) << text;
}

// The program's one resource script: menu 101 with every command of the
// frame, the frame's title and status texts.
TEST(Vorta2ResourcesTest, MenuAndStringsOfTheProgramFile)
{
    const std::string path = std::string(GetProgramDirectory()) + "\\Vorta2.exe";
    HMODULE program = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program) << path;
    HMENU menu = LoadMenuA(program, MAKEINTRESOURCEA(101));
    ASSERT_TRUE(menu);
    EXPECT_EQ(std::vector<UINT>{}, MissingFrameCommands(menu));
    // The popups the frame finds by their text.
    std::vector<std::string> popups;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[32] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (GetSubMenu(menu, i))
            popups.push_back(text);
    }
    for (const char* name : {"&Project", "&External", "&Window"})
        EXPECT_NE(popups.end(), std::find(popups.begin(), popups.end(), name)) << name;
    DestroyMenu(menu);
    const struct {
        UINT id;
        const char* text;
    } strings[] = {{578, "Vorta 2"}, {624, "Not Connected"}, {431, "Packet"}, {57344, "Vorta2"}};
    for (const auto& s : strings) {
        char text[64] = {};
        LoadStringA(program, s.id, text, sizeof text);
        EXPECT_STREQ(s.text, text) << s.id;
    }
    // The live tools' dialog templates (the channel selection).
    for (UINT id : {2101u})
        EXPECT_NE(nullptr, FindResourceA(program, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */)) << id;
    FreeLibrary(program);
}

// The toolbar's Run and Step pictures point right, the way a program runs:
// each triangle is tall at its left and narrows to a tip at its right.
TEST(Vorta2ResourcesTest, RunAndStepPicturesPointRight)
{
    const std::string path = std::string(GetProgramDirectory()) + "\\Vorta2.exe";
    HMODULE program = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program) << path;
    // The true-colour images, 19 pixels wide each, magenta around them.
    HBITMAP images = static_cast<HBITMAP>(LoadImageA(program, MAKEINTRESOURCEA(1249), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_TRUE(images);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, images);
    const auto columnHeight = [&](int image, int x) {
        int drawn = 0;
        for (int y = 0; y < 18; ++y)
            drawn += GetPixel(dc, image * 19 + x, y) != RGB(255, 0, 255) ? 1 : 0;
        return drawn;
    };
    const struct {
        const char* name;
        int image;
        int left;
        int right;
    } triangles[] = {{"Run", 11, 6, 13}, {"Step", 12, 10, 14}};
    for (const auto& t : triangles)
        EXPECT_GT(columnHeight(t.image, t.left), columnHeight(t.image, t.right) + 4) << t.name;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(images);
    FreeLibrary(program);
}

} // namespace
