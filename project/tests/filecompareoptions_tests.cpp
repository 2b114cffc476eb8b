// The file-compare options window: what it shows, what the browse button
// and OK store, against the fake project window and the scripted file
// dialogs. The program it names is the command-line recorder stand-in.
#include <windows.h>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "framework/app.h"
#include "project/filecompareoptions.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_windows.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_file_dialogs.h"
#include "testsupport/test_window.h"

namespace {

class FileCompareOptionsTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_recorder = std::string(GetProgramDirectory()) + "\\cmdline_recorder.exe";
        ASSERT_TRUE(PathExists(m_recorder.c_str())) << m_recorder;
    }
    HWND Open()
    {
        auto* dialog = new CFileCompareOptionsDialog;
        if (!dialog->IsCreated()) {
            delete dialog;
            return nullptr;
        }
        return dialog->m_hWnd;
    }
    std::string Field(HWND dialog, int id) { return WindowText(::GetDlgItem(dialog, id)); }
    // OK and Cancel close through the destroy request the window posts
    // itself.
    bool Closes(HWND dialog, int button)
    {
        ::SendMessageA(dialog, WM_COMMAND, button, 0);
        return PumpUntil([&] { return !::IsWindow(dialog); });
    }

    CWinApp m_app{"file compare options"};
    MemoryLog m_log{LOG_DESTROY_REQUESTS};
    ScriptedFileDialogs m_files;
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
    std::string m_recorder;
};

} // namespace

TEST_F(FileCompareOptionsTest, BrowseTakesAProgramAndResetsTheArguments)
{
    CVQRegistry().SetFileCompareProgramName("C:\\Old\\Merge.exe");
    CVQRegistry().SetFileCompareProgramArguments("/x %p %c");
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(m_project.WaitForRegistration(TOOL_ID_FILE_COMPARE_OPTIONS), dialog);
    EXPECT_TRUE(::IsWindowVisible(dialog));
    EXPECT_EQ(WindowText(dialog), "File Compare Options");
    EXPECT_EQ(Field(dialog, IDC_COMPARE_PROGRAM), "C:\\Old\\Merge.exe");
    EXPECT_EQ(Field(dialog, IDC_COMPARE_ARGUMENTS), "/x %p %c");
    EXPECT_EQ(::SendMessageA(dialog, WM_QUERY_REPLY_CLASS, 0, 0), REPLY_CLASS_NONE);

    m_files.Choose(m_recorder);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMPARE_BROWSE, BN_CLICKED), 0);
    const auto asked = m_files.Records();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].open);
    EXPECT_EQ(asked[0].defExt, "exe");
    EXPECT_EQ(asked[0].fileName, "C:\\Old\\Merge.exe");
    EXPECT_EQ(asked[0].filter.rfind("Program Files|*.exe", 0), 0u) << asked[0].filter;
    EXPECT_TRUE(asked[0].flags & OFN_FILEMUSTEXIST);
    EXPECT_EQ(Field(dialog, IDC_COMPARE_PROGRAM), m_recorder);
    EXPECT_EQ(Field(dialog, IDC_COMPARE_ARGUMENTS), "%c %p");

    ASSERT_TRUE(Closes(dialog, IDOK));
    EXPECT_STREQ(CVQRegistry().GetFileCompareProgramName(), m_recorder.c_str());
    EXPECT_STREQ(CVQRegistry().GetFileCompareProgramArguments(), "%c %p");
    EXPECT_TRUE(m_log.Contains("Destroy window request \"File Compare Options\""));
    EXPECT_TRUE(m_project.WaitForUnregistration(dialog));
}

TEST_F(FileCompareOptionsTest, OnlyAProgramThatExistsIsStored)
{
    CVQRegistry().SetFileCompareProgramName("C:\\Old\\Merge.exe");
    CVQRegistry().SetFileCompareProgramArguments("%c %p");
    const struct {
        std::string program;
        int button;
        bool stored;
    } cases[] = {
        {"C:\\No\\Such.exe", IDOK, false},
        {"", IDOK, false},
        {std::string(400, 'x'), IDOK, false},
        {"", IDCANCEL, false},
        {"", IDOK, true}, // m_recorder, filled in below
    };
    for (const auto& c : cases) {
        const std::string program = c.stored ? m_recorder : c.program;
        HWND dialog = Open();
        ASSERT_NE(dialog, nullptr);
        ::SetDlgItemTextA(dialog, IDC_COMPARE_PROGRAM, program.c_str());
        ::SetDlgItemTextA(dialog, IDC_COMPARE_ARGUMENTS, "-a %c -b %p");
        ASSERT_TRUE(Closes(dialog, c.button)) << program;
        EXPECT_STREQ(CVQRegistry().GetFileCompareProgramName(), c.stored ? m_recorder.c_str() : "C:\\Old\\Merge.exe");
        EXPECT_STREQ(CVQRegistry().GetFileCompareProgramArguments(), c.stored ? "-a %c -b %p" : "%c %p");
    }
}

TEST_F(FileCompareOptionsTest, ACancelledBrowseChangesNothing)
{
    CVQRegistry().SetFileCompareProgramArguments("/x");
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    m_files.Cancel();
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMPARE_BROWSE, BN_CLICKED), 0);
    // A chosen path that is not there (the dialog should not give one) is
    // not taken either.
    m_files.Choose("C:\\No\\Such.exe");
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMPARE_BROWSE, BN_CLICKED), 0);
    EXPECT_EQ(Field(dialog, IDC_COMPARE_PROGRAM), "");
    EXPECT_EQ(Field(dialog, IDC_COMPARE_ARGUMENTS), "/x");
    ::DestroyWindow(dialog);
}

TEST_F(FileCompareOptionsTest, ARefusedRegistrationFailsTheCreation)
{
    m_project.SetRegistrationAnswer(0);
    EXPECT_EQ(Open(), nullptr);
}
