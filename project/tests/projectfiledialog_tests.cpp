// The project chooser, created on the test thread and driven by messages;
// the dialogs it opens itself (new folder name, recent projects) are
// answered by a helper thread, as a user would.
#include <gtest/gtest.h>

#include <objbase.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "foundation/fileutil.h"
#include "foundation/registry.h"
#include "framework/app.h"
#include "project/project_resource.h"
#include "project/projectfiledialog.h"
#include "project/tests/dialog_answer.h"
#include "settings/vqregistry.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

class FakeController : public IConnectedController {
public:
    CString GetConnectedModelName() override { return model; }
    void GetControllerProgramNames(CStringList& names) override
    {
        for (const char* name : programs)
            names.AddTail(name);
    }
    CString model = "None";
    std::vector<const char*> programs;
};

// Finds a visible top-level window of this process by its caption.
HWND WaitForDialog(const char* caption)
{
    HWND window = nullptr;
    const bool shown = WaitUntil([&] {
        window = ::FindWindowA(nullptr, caption);
        return window && ::IsWindowVisible(window);
    });
    return shown ? window : nullptr;
}

class ProjectChooserTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        ::CreateDirectoryA((m_folder / "Work").c_str(), nullptr);
        MakeProject("Axis", "[Controller]\r\nType=QC110\r\n[Programs]\r\nProgram00=MAIN\r\nProgram01=AUX\r\n");
        ::CreateDirectoryA((m_folder / "Loose").c_str(), nullptr);
        WriteWholeFile(m_folder / "Loose\\Other.prj", "[Controller]\r\nType=QC110\r\n");
        MakeProject("NoModel", "[Programs]\r\nProgram00=MAIN\r\n");
    }
    void TearDown() override
    {
        if (m_dialog && ::IsWindow(m_dialog->m_hWnd))
            m_dialog->DestroyWindow();
        m_dialog.reset();
        ::CoUninitialize();
    }
    void MakeProject(const std::string& name, const std::string& text)
    {
        ::CreateDirectoryA((m_folder / name).c_str(), nullptr);
        WriteWholeFile(m_folder / (name + "\\" + name + ".prj"), text);
    }
    HWND Open(int mode, const std::string& start)
    {
        m_dialog = std::make_unique<CProjectFileDialog>(nullptr, mode, start.c_str(), &m_controller);
        if (!m_dialog->Create(IDD_PROJECT_FILE, nullptr))
            return nullptr;
        m_dialog->ShowWindow(SW_SHOW);
        return m_dialog->m_hWnd;
    }
    HWND Item(int id) const { return ::GetDlgItem(m_dialog->m_hWnd, id); }
    std::string Text(int id) const { return WindowText(Item(id)); }
    void Press(int id) { ::SendMessageA(m_dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    bool Ended() const { return !::IsWindowVisible(m_dialog->m_hWnd); }
    UINT DefaultButton() const { return LOWORD(::SendMessageA(m_dialog->m_hWnd, DM_GETDEFID, 0, 0)); }
    // The texts of the contents tree, depth first, indented by level.
    std::vector<std::string> Contents() const
    {
        std::vector<std::string> texts;
        const HWND tree = Item(IDC_CHOOSER_CONTENTS);
        std::function<void(HTREEITEM, std::string)> walk = [&](HTREEITEM item, std::string indent) {
            for (; item; item = TreeView_GetNextSibling(tree, item)) {
                char text[128] = {};
                TVITEMA tv = {};
                tv.mask = TVIF_TEXT | TVIF_IMAGE;
                tv.hItem = item;
                tv.pszText = text;
                tv.cchTextMax = sizeof text;
                ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
                texts.push_back(indent + text + " " + std::to_string(tv.iImage));
                walk(TreeView_GetChild(tree, item), indent + "  ");
            }
        };
        walk(TreeView_GetRoot(tree), "");
        return texts;
    }

    CWinApp m_app{"project chooser"};
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    FakeController m_controller;
    std::unique_ptr<CProjectFileDialog> m_dialog;
};

} // namespace

TEST_F(ProjectChooserTest, ModesSetTheirTexts)
{
    const struct {
        int mode;
        const char* caption;
        const char* action;
        const char* name;
    } cases[] = {
        {0, "New project", "&Create", "Untitled"},    {1, "Open project", "&Open", ""},
        {2, "Load Project", "&Load", ""},             {3, "Save project", "&Save", "Untitled"},
        {4, "Change project", "C&hange", ""},
    };
    for (const auto& c : cases) {
        ASSERT_NE(Open(c.mode, m_folder / "Work\\Untitled"), nullptr);
        EXPECT_EQ(WindowText(m_dialog->m_hWnd), c.caption);
        EXPECT_EQ(Text(IDC_CHOOSER_ACTION), c.action);
        EXPECT_EQ(Text(IDC_CHOOSER_FOLDER_TITLE), "Disk directory");
        EXPECT_EQ(Text(IDC_CHOOSER_FOLDER_HINT), "Select project directory");
        EXPECT_EQ(Text(IDC_CHOOSER_CONTENTS_TITLE), "Project contents");
        const bool names = c.mode == 0 || c.mode == 3;
        EXPECT_EQ(Text(IDC_CHOOSER_NAME), c.name) << c.mode;
        EXPECT_EQ(Text(IDC_CHOOSER_NAME_LABEL), names ? "Project name" : "") << c.mode;
        EXPECT_EQ(Text(IDC_CHOOSER_PROJECT_HINT), names ? "" : "Select project") << c.mode;
        EXPECT_EQ(::IsWindowEnabled(Item(IDC_CHOOSER_NAME)) != FALSE, names) << c.mode;
        m_dialog->DestroyWindow();
    }
}

TEST_F(ProjectChooserTest, NewProjectTakesATypedPathOrANameInTheSelectedFolder)
{
    const std::string work = m_folder / "Work";
    const struct {
        const char* typed;
        std::string result;
    } cases[] = {
        {"D:\\New\\Proj", "D:\\New\\Proj"},
        {"Proj", work + "\\Proj"},
        {"\\\\server\\share\\Proj", "\\\\server\\share\\Proj"},
    };
    for (const auto& c : cases) {
        // Mode 0 starts in the parent folder of the start path.
        ASSERT_NE(Open(CProjectFileDialog::MODE_NEW, work + "\\Untitled"), nullptr);
        ::SetDlgItemTextA(m_dialog->m_hWnd, IDC_CHOOSER_NAME, c.typed);
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_CHOOSER_ACTION)));
        Press(IDC_CHOOSER_ACTION);
        EXPECT_TRUE(Ended()) << c.typed;
        EXPECT_EQ(std::string(m_dialog->GetText()), c.result);
        m_dialog->DestroyWindow();
    }
}

TEST_F(ProjectChooserTest, AnOpenProjectAsTheStartIsNeverNestedInItself)
{
    // The project window starts the chooser with the open project's file.
    // Saving names that project by default; a new project goes beside it.
    const std::string project = m_folder / "Axis\\Axis.prj";
    const struct {
        int mode;
        const char* name;
        std::string result;
    } cases[] = {
        {CProjectFileDialog::MODE_SAVE, "Axis", m_folder / "Axis"},
        {CProjectFileDialog::MODE_NEW, "Untitled", m_folder / "Untitled"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(Open(c.mode, project), nullptr);
        EXPECT_EQ(c.name, Text(IDC_CHOOSER_NAME)) << c.mode;
        EXPECT_EQ(IDC_CHOOSER_ACTION, DefaultButton()) << c.mode;
        Press(IDC_CHOOSER_ACTION);
        EXPECT_TRUE(Ended()) << c.mode;
        EXPECT_EQ(c.result, std::string(m_dialog->GetText())) << c.mode;
        m_dialog->DestroyWindow();
    }
}

TEST_F(ProjectChooserTest, NewProjectRefusesNamesNoFolderCanHave)
{
    ASSERT_NE(Open(CProjectFileDialog::MODE_NEW, m_folder / "Work\\Untitled"), nullptr);
    const std::string tooLong(MAX_PATH, 'x');
    for (const std::string& typed : {std::string("a*b"), std::string("D:\\New\\a|b"), tooLong}) {
        ::SetDlgItemTextA(m_dialog->m_hWnd, IDC_CHOOSER_NAME, typed.c_str());
        Press(IDC_CHOOSER_ACTION);
        EXPECT_FALSE(Ended()) << typed;
    }
    EXPECT_EQ(m_prompts.Texts(), (std::vector<std::string>{"Invalid project name", "Invalid project name",
                                                           "The project path is too long"}));
    // An empty name leaves nothing to create: the action is off and Enter
    // means Cancel.
    ::SetDlgItemTextA(m_dialog->m_hWnd, IDC_CHOOSER_NAME, "");
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CHOOSER_ACTION)));
    EXPECT_EQ(DefaultButton(), static_cast<UINT>(IDCANCEL));
    ::SendMessageA(m_dialog->m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(std::string(m_dialog->GetText()), "");
}

TEST_F(ProjectChooserTest, OpenShowsTheFoldersProjectAndWarnsOfAnotherController)
{
    m_controller.model = "QC116@192.168.0.1";
    ASSERT_NE(Open(CProjectFileDialog::MODE_OPEN, m_folder / "Axis"), nullptr);
    EXPECT_EQ(Text(IDC_CHOOSER_NAME), "Axis");
    EXPECT_EQ(Contents(), (std::vector<std::string>{"Axis 4", "  QC110@ 17", "    MAIN 6", "    AUX 6"}));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_CHOOSER_CONTROLLER_WARNING)));
    EXPECT_EQ(Text(IDC_CHOOSER_CONTROLLER_WARNING), "Warning: Controller (QC116) different to project (QC110)");
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_CHOOSER_PROGRAM_WARNING)));
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_CHOOSER_ACTION)));
    Press(IDC_CHOOSER_ACTION);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(std::string(m_dialog->GetText()), m_folder / "Axis\\Axis.prj");
}

TEST_F(ProjectChooserTest, WarningsFollowTheConnectedController)
{
    const struct {
        int mode;
        const char* model;
        std::vector<const char*> programs;
        bool controllerWarning;
        bool programWarning;
    } cases[] = {
        {1, "None", {}, false, false},             // no controller
        {1, "", {}, false, false},
        {1, "qc110", {"aux", "main"}, false, false}, // the same, in any case and order
        {1, "QC110", {"MAIN"}, false, true},
        {4, "QC110", {"MAIN", "AUX", "X"}, false, true},
        {2, "QC110", {"MAIN"}, false, false},      // loading replaces the programs
        {2, "QC116", {}, true, false},
        {1, "Unknown@1.2.3.4", {}, false, true},   // an unknown model is no difference
        {0, "QC116", {}, false, false},            // a new project has nothing to compare
    };
    for (const auto& c : cases) {
        m_controller.model = c.model;
        m_controller.programs = c.programs;
        ASSERT_NE(Open(c.mode, m_folder / "Axis"), nullptr);
        if (c.mode == 0) {
            ASSERT_TRUE(m_dialog->SelectFolder((m_folder / "Axis").c_str()));
        }
        EXPECT_EQ(::IsWindowVisible(Item(IDC_CHOOSER_CONTROLLER_WARNING)) != FALSE, c.controllerWarning)
            << c.mode << " " << c.model;
        EXPECT_EQ(::IsWindowVisible(Item(IDC_CHOOSER_PROGRAM_WARNING)) != FALSE, c.programWarning)
            << c.mode << " " << c.model;
        m_dialog->DestroyWindow();
    }
}

TEST_F(ProjectChooserTest, OnlyAFileNamedAfterItsFolderMakesAProject)
{
    m_controller.model = "QC116";
    for (const char* folder : {"Loose", "Work"}) {
        ASSERT_NE(Open(CProjectFileDialog::MODE_OPEN, m_folder / folder), nullptr);
        EXPECT_TRUE(Contents().empty()) << folder;
        EXPECT_EQ(Text(IDC_CHOOSER_NAME), "") << folder;
        EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CHOOSER_ACTION))) << folder;
        EXPECT_EQ(DefaultButton(), static_cast<UINT>(IDCANCEL));
        EXPECT_FALSE(::IsWindowVisible(Item(IDC_CHOOSER_CONTROLLER_WARNING)));
        m_dialog->DestroyWindow();
    }
    // A project file without a model shows the project alone.
    ASSERT_NE(Open(CProjectFileDialog::MODE_OPEN, m_folder / "NoModel\\NoModel.prj"), nullptr);
    EXPECT_EQ(Contents(), std::vector<std::string>{"NoModel 4"});
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_CHOOSER_ACTION)));
    m_dialog->DestroyWindow();
    // A file cut short or full of rubbish is still that folder's project.
    MakeProject("Broken", std::string("[Controller]\r\nType=QC1\0\xff\xfe[Programs\r\nProgram00", 40));
    ASSERT_NE(Open(CProjectFileDialog::MODE_OPEN, m_folder / "Broken"), nullptr);
    const auto contents = Contents();
    ASSERT_FALSE(contents.empty());
    EXPECT_EQ(contents[0], "Broken 4");
}

TEST_F(ProjectChooserTest, AStartPathThatIsNotThereLeavesNothingToOpen)
{
    for (const std::string& start : {m_folder / "Missing", std::string(""), std::string("Q:\\<>|")}) {
        ASSERT_NE(Open(CProjectFileDialog::MODE_OPEN, start), nullptr);
        EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CHOOSER_ACTION))) << start;
        Press(IDC_CHOOSER_ACTION);
        EXPECT_TRUE(Ended());
        EXPECT_EQ(std::string(m_dialog->GetText()), "");
        m_dialog->DestroyWindow();
    }
}

TEST_F(ProjectChooserTest, CancelEmptiesTheResult)
{
    ASSERT_NE(Open(CProjectFileDialog::MODE_OPEN, m_folder / "Axis"), nullptr);
    ::SendMessageA(m_dialog->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(std::string(m_dialog->GetText()), "");
}

TEST_F(ProjectChooserTest, NewDirectoryIsMadeInTheSelectedFolderAndSelected)
{
    ASSERT_NE(Open(CProjectFileDialog::MODE_NEW, m_folder / "Work\\Untitled"), nullptr);
    {
        DialogAnswer answer("New directory", IDC_ENTER_TEXT, "Fresh", IDOK);
        Press(IDC_CHOOSER_NEW_DIR);
        EXPECT_TRUE(answer.Seen());
    }
    EXPECT_TRUE(DirectoryExists((m_folder / "Work\\Fresh").c_str()));
    ::SetDlgItemTextA(m_dialog->m_hWnd, IDC_CHOOSER_NAME, "Proj");
    Press(IDC_CHOOSER_ACTION);
    EXPECT_EQ(std::string(m_dialog->GetText()), m_folder / "Work\\Fresh\\Proj") << "the new folder is selected";
}

TEST_F(ProjectChooserTest, NewDirectoryRefusesBadNamesAndCancel)
{
    ASSERT_NE(Open(CProjectFileDialog::MODE_NEW, m_folder / "Work\\Untitled"), nullptr);
    const struct {
        const char* name;
        int button;
        const char* message; // empty: none
    } cases[] = {
        {"..", IDOK, "Invalid directory name \"..\""},
        {"a\\b", IDOK, "Invalid directory name \"a\\b\""},
        {"Kept", IDCANCEL, ""},
        {"", IDOK, ""},
    };
    for (const auto& c : cases) {
        const size_t before = m_prompts.Texts().size();
        {
            DialogAnswer answer("New directory", IDC_ENTER_TEXT, c.name, c.button);
            Press(IDC_CHOOSER_NEW_DIR);
            EXPECT_TRUE(answer.Seen());
        }
        const auto texts = m_prompts.Texts();
        if (*c.message) {
            ASSERT_EQ(texts.size(), before + 1) << c.name;
            EXPECT_EQ(texts.back(), c.message);
        } else {
            EXPECT_EQ(texts.size(), before) << c.name;
        }
    }
    // A name too long for a path is refused before anything is made.
    const std::string longName(300, 'n');
    {
        DialogAnswer answer("New directory", IDC_ENTER_TEXT, longName.c_str(), IDOK);
        Press(IDC_CHOOSER_NEW_DIR);
        EXPECT_TRUE(answer.Seen());
    }
    EXPECT_EQ(m_prompts.Texts().back(), "Could not create directory " + (m_folder / "Work\\") + longName);
    EXPECT_FALSE(DirectoryExists((m_folder / "Kept").c_str()));
    EXPECT_FALSE(DirectoryExists((m_folder / "Work\\Kept").c_str()));
    // A folder that exists already is said so and left alone.
    {
        ::CreateDirectoryA((m_folder / "Work\\Taken").c_str(), nullptr);
        WriteWholeFile(m_folder / "Work\\Taken\\file.txt", "keep");
        DialogAnswer answer("New directory", IDC_ENTER_TEXT, "Taken", IDOK);
        Press(IDC_CHOOSER_NEW_DIR);
    }
    EXPECT_EQ(m_prompts.Texts().back(), "Directory " + (m_folder / "Work\\Taken") + " already exists");
    EXPECT_EQ(ReadWholeFile(m_folder / "Work\\Taken\\file.txt"), "keep");
}

TEST_F(ProjectChooserTest, ARecentProjectEndsTheDialogAtOnce)
{
    CRegistry key;
    ASSERT_TRUE(key.CreateAndOpen(HKEY_CURRENT_USER, CVQRegistry::KeyPath("\\Projects")));
    key.SetString("Project00", "C:\\Work\\B\\B.prj");
    ASSERT_NE(Open(CProjectFileDialog::MODE_OPEN, m_folder / "Work"), nullptr);
    {
        DialogAnswer answer("Recent Projects", 0, nullptr, IDCANCEL);
        Press(IDC_CHOOSER_RECENT);
        EXPECT_TRUE(answer.Seen());
    }
    EXPECT_FALSE(Ended()) << "a cancelled list changes nothing";
    {
        // A double click on the list's only project.
        std::thread chooser([] {
            HWND recent = WaitForDialog("Recent Projects");
            if (!recent)
                return;
            HWND list = ::GetDlgItem(recent, IDC_RECENT_LIST);
            ::SendMessageA(list, LB_SETCURSEL, 0, 0);
            ::PostMessageA(recent, WM_COMMAND, MAKEWPARAM(IDC_RECENT_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
        });
        Press(IDC_CHOOSER_RECENT);
        chooser.join();
    }
    EXPECT_TRUE(Ended());
    EXPECT_EQ(std::string(m_dialog->GetText()), "C:\\Work\\B\\B.prj");
}

// The whole modal run, as the project window makes it.
TEST_F(ProjectChooserTest, ModalRunReturnsTheTypedPath)
{
    const std::string start = m_folder / "Work\\Untitled";
    CString result;
    INT_PTR answer = 0;
    std::thread runner([&] {
        CProjectFileDialog dialog(nullptr, CProjectFileDialog::MODE_NEW, start.c_str(), nullptr);
        answer = dialog.DoModal();
        result = dialog.GetText();
    });
    HWND dialog = WaitForDialog("New project");
    ASSERT_NE(dialog, nullptr);
    ::SetDlgItemTextA(dialog, IDC_CHOOSER_NAME, "D:\\New\\Proj");
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_ACTION, BN_CLICKED), 0);
    runner.join();
    EXPECT_EQ(answer, IDOK);
    EXPECT_STREQ(result, "D:\\New\\Proj");
}
