// The program file load and save window, driven by messages against the
// fake project window.
#include <gtest/gtest.h>

#include <objbase.h>

#include <mutex>

#include "foundation/fileutil.h"
#include "framework/app.h"
#include "project/loadsavefile.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
#include "project/tests/dialog_answer.h"
#include "shell/systemregistry.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

class LoadSaveFileTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        CSystemRegistry().SetHideFileExt(0);
        // The project window copies the texts of a file operation.
        for (UINT message : {WM_PW_LOAD_PROGRAM_FILE, WM_PW_SAVE_PROGRAM_FILE})
            m_project.SetHandler(message, [this, message](WPARAM name, LPARAM path) -> LRESULT {
                std::lock_guard<std::mutex> guard(m_lock);
                m_operations.push_back(std::to_string(message - WM_APP) + " " + reinterpret_cast<LPCSTR>(name) + " " +
                                       reinterpret_cast<LPCSTR>(path));
                return 0;
            });
    }
    void TearDown() override
    {
        if (::IsWindow(m_window))
            ::DestroyWindow(m_window);
        ::CoUninitialize();
    }
    HWND Open(int mode, const char* initial = "")
    {
        CStringList programs;
        programs.AddTail("MAIN");
        programs.AddTail("AUX");
        auto* window = new CLoadSaveFile(mode, programs, initial, "QC116");
        if (!window->Create())
            return nullptr;
        m_window = window->m_hWnd;
        EXPECT_TRUE(window->SelectFolder(m_folder.Path().c_str()));
        return m_window;
    }
    void Set(int id, const char* text) { ::SetDlgItemTextA(m_window, id, text); }
    void Ok() { ::SendMessageA(m_window, WM_COMMAND, IDOK, 0); }
    std::vector<std::string> Operations()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_operations;
    }

    CWinApp m_app{"load save file"};
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
    HWND m_window = nullptr;
    std::mutex m_lock;
    std::vector<std::string> m_operations;
};

} // namespace

TEST(ModelIcons, ByModelName)
{
    EXPECT_EQ(ModelNameToCode("Unknown@192.168.0.1"), 10);
    EXPECT_EQ(ModelNameToCode("NoSuchModel"), 10);
    EXPECT_EQ(ModelNameToCode("QC116"), 18);
    EXPECT_EQ(ModelNameToCode("qc110@x"), 17);
}

TEST_F(LoadSaveFileTest, LoadRefusesAnInvalidProgramName)
{
    WriteWholeFile(m_folder / "x.bas", "PRINT 1\r\n");
    ASSERT_NE(Open(CLoadSaveFile::MODE_LOAD), nullptr);
    Set(IDC_PROGRAM_NAME, "A-B");
    Set(IDC_PROGRAM_FILE, "x.bas");
    Ok();
    EXPECT_TRUE(::IsWindow(m_window)) << "the window stays open";
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    EXPECT_EQ(m_prompts.Records()[0].text,
              "Invalid program name.\r\n\r\nMust be a maximum of 15 alphanumeric or underscore characters only");
    EXPECT_EQ(m_prompts.Records()[0].caption, "Load program");
    EXPECT_TRUE(Operations().empty());

    Set(IDC_PROGRAM_NAME, "PROG_1");
    Ok();
    EXPECT_FALSE(::IsWindow(m_window));
    EXPECT_EQ(Operations(), std::vector<std::string>{"282 PROG_1 " + (m_folder / "x.bas")});
}

TEST_F(LoadSaveFileTest, LoadOverAnExistingProgramAsksFirst)
{
    m_project.SetAnswer(WM_PW_QUERY_HAS_PROGRAM, 1);
    ASSERT_NE(Open(CLoadSaveFile::MODE_LOAD), nullptr);
    Set(IDC_PROGRAM_NAME, "MAIN");
    Set(IDC_PROGRAM_FILE, "x.bas");
    m_prompts.Answer(IDNO);
    Ok();
    EXPECT_FALSE(::IsWindow(m_window));
    EXPECT_TRUE(Operations().empty());
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    EXPECT_EQ(m_prompts.Records()[0].text, "Program MAIN already exists in the current project.\n\nDo you want to "
                                           "overwrite it?");
}

TEST_F(LoadSaveFileTest, SaveAsksBeforeOverwritingAndTakesTheIecProjectFile)
{
    WriteWholeFile(m_folder / "MAIN.bas", "old");
    ASSERT_NE(Open(CLoadSaveFile::MODE_SAVE, "main"), nullptr);
    char name[32] = {};
    ::GetDlgItemTextA(m_window, IDC_PROGRAM_NAME, name, sizeof name);
    EXPECT_STREQ(name, "MAIN") << "the initial program is chosen";
    Set(IDC_PROGRAM_FILE, "MAIN.bas");
    m_prompts.Answer(IDNO);
    Ok();
    EXPECT_TRUE(Operations().empty());
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    EXPECT_EQ(m_prompts.Records()[0].caption, "Save program");

    ASSERT_NE(Open(CLoadSaveFile::MODE_SAVE), nullptr);
    Set(IDC_PROGRAM_NAME, "IEC");
    Set(IDC_PROGRAM_FILE, "IEC.zwa");
    Ok();
    EXPECT_EQ(Operations(), std::vector<std::string>{"283 IEC " + (m_folder / "IEC.mwe")});
}

TEST_F(LoadSaveFileTest, HiddenExtensionsAreAskedAbout)
{
    CSystemRegistry().SetHideFileExt(1);
    m_prompts.Answer(IDYES);
    ASSERT_NE(Open(CLoadSaveFile::MODE_LOAD), nullptr);
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    EXPECT_EQ(m_prompts.Records()[0].caption, "Warning");
    EXPECT_EQ(CSystemRegistry().GetHideFileExt(), 0u);
}

TEST_F(LoadSaveFileTest, CreateDirectoryMakesTheFolderBelowTheSelectedOne)
{
    ASSERT_NE(Open(CLoadSaveFile::MODE_SAVE, "MAIN"), nullptr);
    DialogAnswer answer("New directory", IDC_ENTER_TEXT, "Programs", IDOK);
    ::SendMessageA(m_window, WM_COMMAND, MAKEWPARAM(IDC_PROGRAM_NEW_DIR, BN_CLICKED), 0);
    EXPECT_TRUE(answer.Seen());
    EXPECT_TRUE(DirectoryExists((m_folder / "Programs").c_str()));
    Set(IDC_PROGRAM_FILE, "MAIN.bas");
    Ok();
    EXPECT_EQ(Operations(), std::vector<std::string>{"283 MAIN " + (m_folder / "Programs\\MAIN.bas")})
        << "the new folder is selected";
}
