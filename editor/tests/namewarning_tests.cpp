#include "editor/namewarning.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "editor/editbuffer.h"
#include "framework/app.h"
#include "settings/vqregistry.h"
#include "testsupport/registry_sandbox.h"

namespace editor {
namespace {

class NameWarningTest : public RegistrySandboxTest {
protected:
    CWinApp m_app{"editor tests"};
};

TEST_F(NameWarningTest, WarnsWhileTheSettingIsOn)
{
    std::vector<std::string> shown;
    CLongNameWarner warner([&](const std::string& text) { shown.push_back(text); });
    CEditRLine line;
    line.SetFileType(kFileTypeBasic);
    line.SetText("abcdefghijklmnopq=1", true, &warner);
    line.SetText("abcdefghijklmnopq=2", true, &warner);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("Warning\n\nVariable name \"abcdefghijklmnopq\" is longer than the maximum unique variable name (16 "
              "characters).\nOnly the first 16 characters will be used for the variable name on the controller.",
              shown[0]);

    CVQRegistry().SetShowlongVariableWarnings(0);
    line.ClearFlags();
    line.SetText("abcdefghijklmnopq=3", true, &warner);
    EXPECT_EQ(1u, shown.size());
}

// Drives the real dialog: a helper thread finds it, ticks the box (or
// not) and presses OK.
void PressOk(bool tick, std::atomic<bool>& seen, std::string& text)
{
    for (int i = 0; i < 500; ++i) {
        HWND dialog = FindWindowA(nullptr, "Editor");
        if (dialog && IsWindowVisible(dialog)) {
            char buffer[512] = {};
            GetDlgItemTextA(dialog, 1194, buffer, sizeof buffer);
            text = buffer;
            if (tick)
                SendDlgItemMessageA(dialog, 1698, BM_SETCHECK, BST_CHECKED, 0);
            seen = true;
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return;
        }
        Sleep(10);
    }
}

TEST_F(NameWarningTest, DialogWritesTheSettingOnlyWhenTicked)
{
    for (bool tick : {false, true}) {
        CVQRegistry().SetShowlongVariableWarnings(1);
        std::atomic<bool> seen{false};
        std::string text;
        std::thread helper(PressOk, tick, std::ref(seen), std::ref(text));
        CVariableLengthWarningDialog dialog;
        dialog.SetMessageText("long name");
        const INT_PTR result = dialog.DoModal();
        helper.join();
        ASSERT_TRUE(seen);
        EXPECT_EQ(IDOK, result);
        EXPECT_EQ("long name", text);
        EXPECT_EQ(tick ? 0 : 1, static_cast<int>(CVQRegistry().GetShowlongVariableWarnings())) << tick;
    }
}

} // namespace
} // namespace editor
