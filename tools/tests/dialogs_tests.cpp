// The modal dialogs of the live tools, opened for real: change value and
// axis selection, driven from a helper thread by messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/app.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "tools/changevalue.h"
#include "tools/selectaxes.h"
#include "tools/watchdialogs_resource.h"

namespace {

// Runs dialog modally on this thread while drive works on its window from
// a helper thread; the dialog's result.
INT_PTR RunDriven(CDialog& dialog, const char* caption, const std::function<void(HWND)>& drive)
{
    std::thread helper([&] {
        HWND window = nullptr;
        PumpUntil([&] {
            window = ::FindWindowA(nullptr, caption);
            return window && ::IsWindowVisible(window);
        });
        if (window) {
            drive(window);
            if (::IsWindow(window))
                ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        }
    });
    const INT_PTR result = dialog.DoModal();
    helper.join();
    return result;
}

std::string ItemText(HWND window, int id)
{
    char text[256] = {};
    ::GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

TEST(ChangeValueDialog, PollingPeriodOutsideTheRangeIsRefusedAndTheDialogStays)
{
    CWinApp app("change value");
    ScriptedPrompts prompts;
    CChangeValueDialog dialog(nullptr, kValueUnsigned);
    dialog.SetTitle("Drive Polling");
    dialog.SetPrompt("Polling period (ms)");
    ASSERT_TRUE(dialog.SetRange(100, 10000));
    ASSERT_TRUE(dialog.SetValue(4000));
    std::string prompt, initial;
    std::vector<bool> stayed;
    const INT_PTR result = RunDriven(dialog, "Drive Polling", [&](HWND window) {
        prompt = ItemText(window, IDC_CHANGE_PROMPT);
        initial = ItemText(window, IDC_CHANGE_VALUE);
        for (const char* text : {"50", "", "-5", "150abc", "4294967396"}) {
            ::SetDlgItemTextA(window, IDC_CHANGE_VALUE, text);
            ::SendMessageA(window, WM_COMMAND, IDOK, 0);
            stayed.push_back(::IsWindowVisible(window) != FALSE);
        }
        ::SetDlgItemTextA(window, IDC_CHANGE_VALUE, "10000");
        ::SendMessageA(window, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("Polling period (ms)", prompt);
    EXPECT_EQ("4000", initial);
    EXPECT_EQ(std::vector<bool>(5, true), stayed);
    const auto records = prompts.Records();
    ASSERT_EQ(5u, records.size());
    for (const auto& record : records) {
        EXPECT_EQ("Value outside specified range(100 to 10000)", record.text);
        EXPECT_EQ("Drive Polling", record.caption);
    }
    std::uint32_t value = 0;
    EXPECT_TRUE(dialog.GetValue(value));
    EXPECT_EQ(10000u, value);
    std::int32_t other = 1;
    EXPECT_FALSE(dialog.GetValue(other)) << "not the dialog's kind";
    EXPECT_EQ(0, other);
}

TEST(ChangeValueDialog, EveryKindTakesItsValuesAndCancelShowsNothing)
{
    CWinApp app("change value kinds");
    struct Case {
        int kind;
        double minimum, maximum;
        const char* text;
        INT_PTR result;
        double value;
    } const cases[] = {
        {kValueUnsigned, 100, 10000, "100", IDOK, 100},
        {kValueUnsigned, 100, 10000, " 10000 ", IDOK, 10000},
        {kValueSigned, -50, 50, "-50", IDOK, -50},
        {kValueFloat, -1, 1, "0.5", IDOK, 0.5},
        {kValueDouble, 0, 1e12, "1e11", IDOK, 1e11},
        {kValueUnsigned, 100, 10000, "50", IDCANCEL, 0}, // cancelled: the value stays
    };
    for (const Case& c : cases) {
        ScriptedPrompts prompts;
        CChangeValueDialog dialog(nullptr, c.kind);
        dialog.SetTitle("Change value");
        ASSERT_TRUE(dialog.SetRange(c.minimum, c.maximum));
        const INT_PTR result = RunDriven(dialog, "Change value", [&](HWND window) {
            ::SetDlgItemTextA(window, IDC_CHANGE_VALUE, c.text);
            if (c.result == IDCANCEL) {
                // Leaving the field for Cancel shows nothing.
                const DWORD dialogThread = ::GetWindowThreadProcessId(window, nullptr);
                ::AttachThreadInput(::GetCurrentThreadId(), dialogThread, TRUE);
                ::SetFocus(::GetDlgItem(window, IDC_CHANGE_VALUE));
                ::SetFocus(::GetDlgItem(window, IDCANCEL));
                ::AttachThreadInput(::GetCurrentThreadId(), dialogThread, FALSE);
                ::SendMessageA(window, WM_NULL, 0, 0); // the posted check has run
                ::SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
            } else {
                ::SendMessageA(window, WM_COMMAND, IDOK, 0);
            }
        });
        EXPECT_EQ(c.result, result) << c.text;
        EXPECT_TRUE(prompts.Records().empty()) << c.text;
        double value = -1;
        dialog.GetValue(value);
        EXPECT_EQ(c.value, value) << c.text;
    }
}

// Clicks an item of the axis list as the list reports it.
void ClickAxis(HWND dialog, int axis)
{
    HWND list = ::GetDlgItem(dialog, IDC_AXES_LIST);
    RECT item = {};
    item.left = LVIR_BOUNDS;
    ::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(axis), reinterpret_cast<LPARAM>(&item));
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_AXES_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = axis;
    click.ptAction = {item.left + 2, (item.top + item.bottom) / 2};
    ::SendMessageA(dialog, WM_NOTIFY, IDC_AXES_LIST, reinterpret_cast<LPARAM>(&click));
}

std::vector<int> SelectedInList(HWND dialog)
{
    HWND list = ::GetDlgItem(dialog, IDC_AXES_LIST);
    std::vector<int> selected;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (((::SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK) >> 12) & 0xF) == 2)
            selected.push_back(i);
    return selected;
}

TEST(SelectAxesDialog, LimitOnOpeningAndOnClicks)
{
    CWinApp app("select axes");
    ScriptedPrompts prompts;
    CSelectAxes dialog(nullptr, 10, 8, TRUE);
    for (int axis = 0; axis < 10; ++axis)
        dialog.SetSelected(axis, 1);
    dialog.SetInterval(250);
    std::vector<int> opened, afterLimit, afterFree;
    std::string interval, firstItem;
    const INT_PTR result = RunDriven(dialog, "Enable/Disable Axes", [&](HWND window) {
        opened = SelectedInList(window);
        interval = ItemText(window, IDC_AXES_INTERVAL);
        char text[16] = {};
        ListView_GetItemText(::GetDlgItem(window, IDC_AXES_LIST), 0, 0, text, sizeof text);
        firstItem = text;
        ClickAxis(window, 8);
        afterLimit = SelectedInList(window);
        ClickAxis(window, 2);
        ClickAxis(window, 9);
        afterFree = SelectedInList(window);
        ::SetDlgItemTextA(window, IDC_AXES_INTERVAL, "100");
        ::SendMessageA(window, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}), opened);
    EXPECT_EQ("250", interval);
    EXPECT_EQ("0", firstItem);
    EXPECT_EQ(opened, afterLimit) << "a 9th axis is refused";
    ASSERT_EQ(1u, prompts.Records().size());
    EXPECT_EQ("It is not possible to select more than 8 axes", prompts.Records()[0].text);
    EXPECT_EQ("Select Axes", prompts.Records()[0].caption);
    EXPECT_EQ((std::vector<int>{0, 1, 3, 4, 5, 6, 7, 9}), afterFree);
    EXPECT_EQ(100, dialog.GetInterval());
    EXPECT_EQ(0, dialog.IsSelected(2));
    EXPECT_EQ(1, dialog.IsSelected(9));
}

TEST(SelectAxesDialog, TwoHundredAxesMake128ItemsAndTheIntervalCanBeHidden)
{
    CWinApp app("select many axes");
    CSelectAxes dialog(nullptr, 200, 12, FALSE);
    int items = 0;
    bool intervalShown = true;
    RunDriven(dialog, "Enable/Disable Axes", [&](HWND window) {
        items = static_cast<int>(::SendDlgItemMessageA(window, IDC_AXES_LIST, LVM_GETITEMCOUNT, 0, 0));
        intervalShown = ::IsWindowVisible(::GetDlgItem(window, IDC_AXES_INTERVAL)) != FALSE;
    });
    EXPECT_EQ(128, items);
    EXPECT_FALSE(intervalShown);
}

} // namespace
