// The main dialog: the axis list, the mimic's inputs and outputs, the axis
// view setting, and the texts it shows.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "simulator/app/resource.h"
#include "simulator/app/simlog.h"
#include "simulator/app/virtualqcdlg.h"
#include "simulator/runtime/axis.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/power_up.h"
#include "simulator/app/tests/modal_press.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

using namespace qcsim;

namespace {

TEST(MainDialogTexts, MoveTypesVersionsAndTheResetSwitch)
{
    struct {
        long code;
        const char* text;
    } types[] = {{0, "--"}, {1, "MO"}, {2, "MA"}, {5, "MM"}, {7, "07"}, {10, "MF"}, {13, "CM"},
                 {15, "JR"}, {20, "CB"}, {22, "LK"}, {23, "23"}, {-1, "-1"}, {123, "123"}};
    for (const auto& t : types)
        EXPECT_EQ(MoveTypeText(t.code), t.text) << t.code;
    EXPECT_EQ(DemandPositionText(1000, 4.0f), "250.0000");
    EXPECT_EQ(DemandPositionText(-1, 3.0f), "-0.3333");
    EXPECT_EQ(SystemVersionText(2.0153f), "(Sys: 2.01, dev: 53)");
    EXPECT_EQ(SystemVersionText(1.65f), "(Sys: 1.65)");
    for (const char* line : {"-reset", "-RESET", "x-ReSeTy", "/q -reset"})
        EXPECT_TRUE(WantsResetDialog(line)) << line;
    for (const char* line : {"", "reset", "-rese", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(WantsResetDialog(line)) << (line ? line : "null");
}

class MainDialogTest : public RegistrySandboxTest {
protected:
    MainDialogTest()
    {
        AfxInitCommonControls();
        SetSimulatorDataFolder(m_folder.Path() + "\\");
    }
    ~MainDialogTest() override
    {
        if (m_dialog.m_hWnd)
            m_dialog.DestroyWindow();
        SetSimulatorDataFolder("");
    }

    void Open()
    {
        ASSERT_TRUE(m_dialog.Create(IDD_VIRTUALQC_DIALOG, nullptr));
        PumpUntil([&] { return m_dialog.GetLinkWindow().IsRunning(); }, 5000);
    }

    std::string ListText(int row, int column)
    {
        char text[64] = {};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendDlgItemMessageA(m_dialog.m_hWnd, IDC_AXIS_LIST, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(&item));
        return text;
    }

    ScratchFolder m_folder;
    CVirtualQCDlg m_dialog;
};

TEST_F(MainDialogTest, TheAxisListRefreshesEveryHalfSecond)
{
    Open();
    EXPECT_FALSE(m_dialog.AxesShown()) << "\"ShowAxes\" absent: narrow, without the list";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(m_dialog.m_hWnd, IDC_AXIS_LIST)));
    qcrt::AxisRecord& axis = qcrt::g_AxisRecords[2];
    axis.SetInt(qcrt::kAxisDpos, 1000);
    axis.SetFloat(qcrt::kAxisUnits, 4.0f);
    axis.SetInt(qcrt::kAxisMtype, 7);
    EXPECT_TRUE(PumpUntil([&] { return ListText(2, 1) == "250.0000"; }, 3000)) << ListText(2, 1);
    EXPECT_EQ(ListText(2, 2), "07");
    EXPECT_EQ(ListText(23, 0), "23");
    axis.SetInt(qcrt::kAxisMtype, 2);
    EXPECT_TRUE(PumpUntil([&] { return ListText(2, 2) == "MA"; }, 3000));

    EXPECT_NE(SendMessageA(m_dialog.m_hWnd, WM_QUERYDRAGICON, 0, 0), 0) << "dragged as its icon";

    RECT narrow, wide;
    GetWindowRect(m_dialog.m_hWnd, &narrow);
    SendMessageA(m_dialog.m_hWnd, WM_COMMAND, ID_VIEW_AXES, 0);
    GetWindowRect(m_dialog.m_hWnd, &wide);
    EXPECT_TRUE(m_dialog.AxesShown());
    EXPECT_GT(wide.right - wide.left, narrow.right - narrow.left);
    EXPECT_EQ(ReadSimSettingDword("\\Config", "ShowAxes", 0), 1u);

    // The columns fit beside the vertical scroll bar: no horizontal one.
    HWND list = GetDlgItem(m_dialog.m_hWnd, IDC_AXIS_LIST);
    RECT box;
    GetClientRect(list, &box);
    int columns = 0;
    for (int c = 0; c < 3; ++c)
        columns += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
    EXPECT_LE(columns, box.right);
    EXPECT_GT(columns, box.right - 8) << "and fill it";
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & WS_HSCROLL, 0);
}

TEST_F(MainDialogTest, ClickingInputThreeSetsBitThreeOfTheRuntimesInputWord)
{
    Open();
    CIOMimic& mimic = m_dialog.GetMimic();
    ASSERT_EQ(mimic.GetBankCount(), 4);
    SendMessageA(mimic.GetBank(0)->Point(3).m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(mimic.GetPoint(3), 1);
    qcrt::ExchangeInputs();
    EXPECT_EQ(qcrt::g_InputWord, 1u << 3);

    // Point 12 is not an input the user switches.
    SendMessageA(mimic.GetBank(1)->Point(4).m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(mimic.GetPoint(12), 0);
    SendMessageA(mimic.GetBank(0)->Point(3).m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    qcrt::ExchangeInputs();
    EXPECT_EQ(qcrt::g_InputWord, 0u);

    // The controller's outputs light points 8 to 31 only.
    SendMessageA(m_dialog.m_hWnd, WM_SIM_WRITE_OUTPUTS, 0x80000901u, 0);
    EXPECT_EQ(mimic.GetPoint(0), 0);
    EXPECT_EQ(mimic.GetPoint(8), 1);
    EXPECT_EQ(mimic.GetPoint(11), 1);
    EXPECT_EQ(mimic.GetPoint(31), 1);
    EXPECT_EQ(mimic.GetPoint(9), 0);

    // Any program may send WM_APP+0x118: it names no addresses the dialog
    // writes through (once it wrote the input word and a done mark there).
    uint32_t word = 0xDEAD;
    volatile int32_t doneFlag = 0;
    SendMessageA(m_dialog.m_hWnd, WM_APP + 0x118, reinterpret_cast<WPARAM>(&word),
                 reinterpret_cast<LPARAM>(&doneFlag));
    EXPECT_EQ(doneFlag, 0);
    EXPECT_EQ(word, 0xDEADu);
    SendMessageA(m_dialog.m_hWnd, WM_APP + 0x118, 0x10, 0x20); // would have crashed
    EXPECT_TRUE(IsWindow(m_dialog.m_hWnd));
}

// Logging off or shutting down may end the program without a close: the
// memory is saved when the session ends, as closing saves it.
TEST_F(MainDialogTest, TheEndOfTheSessionSavesTheMemoryImages)
{
    Open();
    m_dialog.GetLinkWindow().GetBatteryRamImage()[9] = 0x99;
    EXPECT_EQ(SendMessageA(m_dialog.m_hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(GetFileAttributesA((m_folder / "BB_RAM.img").c_str()), INVALID_FILE_ATTRIBUTES)
        << "asking changes nothing";
    SendMessageA(m_dialog.m_hWnd, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(GetFileAttributesA((m_folder / "BB_RAM.img").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a session that goes on";
    SendMessageA(m_dialog.m_hWnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    const std::string ram = ReadWholeFile(m_folder / "BB_RAM.img");
    ASSERT_EQ(ram.size(), 0x100000u);
    EXPECT_EQ(ram[9], '\x99');
    EXPECT_EQ(ReadWholeFile(m_folder / "Flash.img").size(), 0x400000u);
}

TEST_F(MainDialogTest, MenuCommandsOpenTheirDialogsAndResetAsksFirst)
{
    Open();
    std::string version, copyright;
    {
        ModalPress press("About QC Simulation", IDOK, [&](HWND about) {
            version = WindowText(GetDlgItem(about, IDC_ABOUT_VERSION));
            copyright = WindowText(GetDlgItem(about, IDC_ABOUT_COPYRIGHT));
        });
        SendMessageA(m_dialog.m_hWnd, WM_COMMAND, ID_HELP_ABOUT, 0);
        EXPECT_TRUE(press.Pressed());
    }
    EXPECT_EQ(version, "Version: 2.0.0.1  (Sys: 1.65)");
    EXPECT_EQ(copyright, "Copyright (C) Vexo Labs Ltd");

    bool logToFileShown = true;
    {
        ModalPress press("Diagnostic Options", IDCANCEL, [&](HWND options) {
            logToFileShown = IsDlgButtonChecked(options, IDC_LOG_TO_FILE) == BST_CHECKED;
        });
        SendMessageA(m_dialog.m_hWnd, WM_COMMAND, ID_OPTIONS_DEBUGGING, 0);
        EXPECT_TRUE(press.Pressed()) << "Options > Debugging opens the diagnostics dialog";
    }
    EXPECT_FALSE(logToFileShown);

    // "Reset Memory Image Files": No keeps everything; Yes closes and the
    // image files go with the link window.
    ScriptedPrompts prompts;
    prompts.Answer(IDNO);
    SendMessageA(m_dialog.m_hWnd, WM_COMMAND, ID_RESET_IMAGES, 0);
    ASSERT_EQ(prompts.Records().size(), 1u);
    const ScriptedPrompts::Record question = prompts.Records()[0];
    EXPECT_EQ(question.caption, "Reset Memory");
    EXPECT_EQ(question.text,
              "This will reset the simulator memory image and close the simulator.\n\nDo you wish to continue?");
    EXPECT_EQ(question.type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_TRUE(IsWindowVisible(m_dialog.m_hWnd));
    prompts.Answer(IDYES);
    SendMessageA(m_dialog.m_hWnd, WM_COMMAND, ID_RESET_IMAGES, 0);
    m_dialog.DestroyWindow();
    EXPECT_EQ(GetFileAttributesA((m_folder / "Flash.img").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((m_folder / "BB_RAM.img").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The background as the dialog paints it into a bitmap of the control's size.
struct Painted {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

Painted PaintBackground(HWND dialog)
{
    RECT box;
    GetClientRect(GetDlgItem(dialog, IDC_BACKGROUND), &box);
    Painted painted;
    painted.width = box.right;
    painted.height = box.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, box.right, box.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = IDC_BACKGROUND;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.hwndItem = GetDlgItem(dialog, IDC_BACKGROUND);
    draw.hDC = memory;
    draw.rcItem = box;
    SendMessageA(dialog, WM_DRAWITEM, IDC_BACKGROUND, reinterpret_cast<LPARAM>(&draw));
    for (int y = 0; y < box.bottom; ++y) {
        for (int x = 0; x < box.right; ++x)
            painted.pixels.push_back(GetPixel(memory, x, y));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return painted;
}

TEST_F(MainDialogTest, WithLoggingOnTheBackgroundFadesUnderARedWarning)
{
    Open();
    SimLog().SetEnabled(false);
    const Painted plain = PaintBackground(m_dialog.m_hWnd);
    SimLog().SetEnabled(true);
    const Painted warned = PaintBackground(m_dialog.m_hWnd);
    SimLog().SetEnabled(false);
    ASSERT_GT(plain.width, 0);
    const COLORREF red = RGB(255, 0, 0), face = GetSysColor(COLOR_BTNFACE);
    auto count = [&](const Painted& p, COLORREF colour) {
        return std::count(p.pixels.begin(), p.pixels.end(), colour);
    };
    EXPECT_EQ(count(plain, red), 0);
    EXPECT_GT(count(warned, red), 20) << "the warning's text";
    // The text fits the picture: nothing red at its left or right edge.
    for (int y = 0; y < warned.height; ++y) {
        EXPECT_NE(warned.At(0, y), red) << "cut at the left, row " << y;
        EXPECT_NE(warned.At(warned.width - 1, y), red) << "cut at the right, row " << y;
    }
    // Every picture pixel of the rows away from the text (and its smoothed
    // edges) is mixed twice with the face colour: a quarter of the picture,
    // three quarters of the face.
    std::vector<bool> textRow(static_cast<size_t>(warned.height), false);
    for (int y = 0; y < warned.height; ++y) {
        for (int x = 0; x < warned.width; ++x) {
            if (warned.At(x, y) == red) {
                for (int row = std::max(0, y - 4); row <= std::min(warned.height - 1, y + 4); ++row)
                    textRow[static_cast<size_t>(row)] = true;
            }
        }
    }
    int faded = 0;
    for (int y = 0; y < plain.height; ++y) {
        for (int x = 0; x < plain.width; ++x) {
            const COLORREF before = plain.At(x, y), after = warned.At(x, y);
            if (before == face || textRow[static_cast<size_t>(y)])
                continue;
            auto mixed = [&](int a, int f) { return ((a + f) / 2 + f) / 2; };
            EXPECT_NEAR(GetRValue(after), mixed(GetRValue(before), GetRValue(face)), 1) << x << "," << y;
            EXPECT_NEAR(GetGValue(after), mixed(GetGValue(before), GetGValue(face)), 1) << x << "," << y;
            EXPECT_NEAR(GetBValue(after), mixed(GetBValue(before), GetBValue(face)), 1) << x << "," << y;
            if (++faded > 200)
                return;
        }
    }
    EXPECT_GT(faded, 0) << "the picture has pixels of its own";
}

TEST(TextLed, FontLimitsAndANarrowMimicScrolls)
{
    CTextLED led;
    led.SetFontHeight(6);
    EXPECT_EQ(led.GetFontHeight(), 8);
    led.SetFontWeight(50);
    EXPECT_EQ(led.GetFontWeight(), 100);
    led.SetFontWeight(2000);
    EXPECT_EQ(led.GetFontWeight(), 1000);

    TestWindow parent("mimic test", WS_OVERLAPPEDWINDOW);
    CIOMimic mimic;
    const RECT rect = {0, 0, 70, 120};
    ASSERT_TRUE(mimic.CreateMimic(rect, CWnd::FromHandle(parent), 127, 0, 32));
    EXPECT_EQ(mimic.GetRows(), 4) << "narrower than two banks: one bank a row";
    EXPECT_TRUE(mimic.ScrollBarShown());
    CLEDDriver leds;
    EXPECT_EQ(leds.GetCount(), 2);
    leds.SetCount(0);
    EXPECT_EQ(leds.GetCount(), 2);
    leds.SetCount(5);
    EXPECT_EQ(leds.GetState(4), 0);
}

} // namespace
