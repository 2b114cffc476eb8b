// The select program dialog on its own dialog thread, driven as a user
// would (tree selection, edit text, combo choice, OK) against a fake
// project window that answers its questions and records the program
// operations it is sent.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/app.h"
#include "link/modeltables.h"
#include "project/programoperation.h"
#include "project/programtypes.h"
#include "project/projectfile.h"
#include "project/project_resource.h"
#include "project/projectwndmessages.h"
#include "project/selectprogramdialog.h"
#include "project/tests/dialog_answer.h"
#include "project/tests/projectwnd_fixture.h"
#include "testsupport/captured_log.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

const char kInvalidName[] =
    "Invalid program name.\r\n\r\nMust be a maximum of 15 alphanumeric or underscore characters only";

// One program operation as the project window received it.
struct Request {
    WPARAM code;
    int operation;
    std::string program;
    std::string second;
    int type;
    int number;
    bool operator==(const Request& other) const
    {
        return code == other.code && operation == other.operation && program == other.program &&
               second == other.second && type == other.type && number == other.number;
    }
};

std::ostream& operator<<(std::ostream& out, const Request& r)
{
    return out << "{" << r.code << ", " << r.operation << ", " << r.program << ", " << r.second << ", " << r.type
               << ", " << r.number << "}";
}

// The tree's root, the text of an item, and the root's child of a text
// (the root itself for a null text).
HTREEITEM TreeRoot(HWND tree)
{
    return reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM TreeNext(HWND tree, HTREEITEM item, UINT code)
{
    return reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

std::string TreeText(HWND tree, HTREEITEM item)
{
    char text[64] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

std::vector<std::string> TreePrograms(HWND tree)
{
    std::vector<std::string> names;
    for (HTREEITEM item = TreeNext(tree, TreeRoot(tree), TVGN_CHILD); item; item = TreeNext(tree, item, TVGN_NEXT))
        names.push_back(TreeText(tree, item));
    return names;
}

HTREEITEM TreeItem(HWND tree, const char* text)
{
    if (!text)
        return TreeRoot(tree);
    for (HTREEITEM item = TreeNext(tree, TreeRoot(tree), TVGN_CHILD); item; item = TreeNext(tree, item, TVGN_NEXT))
        if (TreeText(tree, item) == text)
            return item;
    return nullptr;
}

class SelectProgramTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        std::memset(&m_model, 0, sizeof m_model);
        std::memcpy(m_model.m_szName, "QC110", 5);
        m_project.SetFeature(0, true);
        m_project.SetAnswer(PWM_MODEL_INFO, reinterpret_cast<LRESULT>(&m_model));
        m_project.SetHandler(PWM_PROGRAM_NAMES, [this](WPARAM filter, LPARAM list) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_lock);
            m_asked.push_back({PWM_PROGRAM_NAMES, static_cast<int>(filter)});
            return FillList(list, m_programs);
        });
        m_project.SetHandler(PWM_RUNNING_PROGRAMS, [this](WPARAM filter, LPARAM list) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_lock);
            m_asked.push_back({PWM_RUNNING_PROGRAMS, static_cast<int>(filter)});
            FillList(list, m_running);
            return 1;
        });
        m_project.SetHandler(PWM_FREE_PROCESSES, [this](WPARAM, LPARAM list) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_lock);
            return FillList(list, m_free);
        });
        m_project.SetHandler(PWM_SELECTED_PROGRAM, [this](WPARAM, LPARAM text) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_lock);
            *reinterpret_cast<CString*>(text) = m_selected.c_str();
            return 1;
        });
        m_project.SetHandler(PWM_PROJECT_FILE_PATH, [this](WPARAM, LPARAM text) -> LRESULT {
            *reinterpret_cast<CString*>(text) = ProjectFile().c_str();
            return 1;
        });
        m_project.SetHandler(PWM_PROGRAM_TYPE, [this](WPARAM, LPARAM name) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_lock);
            auto it = m_types.find(reinterpret_cast<LPCSTR>(name));
            return it == m_types.end() ? 0 : it->second;
        });
        m_project.SetHandler(PWM_QUEUE_OPERATION, [this](WPARAM code, LPARAM record) { return Record(code, record); });
        WriteWholeFile(ProjectFile(), "[RunOnProcess]\r\nMAIN=5\r\n");
    }
    void TearDown() override
    {
        if (::IsWindow(m_dialog))
            ::PostMessageA(m_dialog, PWM_DESTROY, 0, 0);
        WaitUntil([this] { return !::IsWindow(m_dialog); });
    }

    // The record lives on the dialog's stack: it is read during the send.
    LRESULT Record(WPARAM code, LPARAM record)
    {
        const auto* data = reinterpret_cast<const CProgramOperationData*>(record);
        std::lock_guard<std::mutex> guard(m_lock);
        m_requests.push_back({code, data->m_nOperation, data->m_strProgram.GetString(), data->m_strSecond.GetString(),
                              data->m_nType, data->m_nNumber});
        return 1;
    }
    static LRESULT FillList(LPARAM list, const std::vector<std::string>& items)
    {
        auto* out = reinterpret_cast<CStringList*>(list);
        out->RemoveAll();
        for (const std::string& item : items)
            out->AddTail(item.c_str());
        return out->GetCount();
    }
    std::string ProjectFile() const { return m_folder / "Demo.prj"; }

    // Starts the dialog as the main frame does and waits until it shows.
    HWND Open(int purpose, const char* program = "")
    {
        auto* dialog = new CSelectProgramExDialog(nullptr, purpose, program);
        if (!dialog->Start(nullptr)) {
            delete dialog;
            return nullptr;
        }
        m_dialog = m_project.WaitForRegistration(TOOL_ID_SELECT_PROGRAM);
        if (!m_dialog || !WaitUntil([this] { return ::IsWindowVisible(m_dialog) || !::IsWindow(m_dialog); }))
            return nullptr;
        return m_dialog;
    }
    HWND Item(int id) const { return ::GetDlgItem(m_dialog, id); }
    std::string Text(int id) const { return WindowText(Item(id)); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    bool Visible(int id) const { return ::IsWindowVisible(Item(id)) != FALSE; }

    // The user clicks an item of the tree (the root when name is null).
    void Select(const char* name)
    {
        const HTREEITEM target = TreeItem(Item(IDC_SELECT_TREE), name);
        ASSERT_NE(target, nullptr) << name;
        ::SendMessageA(Item(IDC_SELECT_TREE), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(target));
    }
    void Type(const char* text) { ::SetDlgItemTextA(m_dialog, IDC_SELECT_NAME, text); }
    // The user picks an entry of the combo box.
    void Choose(const char* text)
    {
        const HWND combo = Item(IDC_SELECT_CHOICE);
        ASSERT_NE(::SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)),
                  CB_ERR)
            << text;
        ::SendMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(IDC_SELECT_CHOICE, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(combo));
    }
    std::vector<std::string> Choices() const
    {
        std::vector<std::string> texts;
        const HWND combo = Item(IDC_SELECT_CHOICE);
        const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[64] = {};
            ::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            texts.push_back(text);
        }
        return texts;
    }
    std::string Chosen() const { return WindowText(Item(IDC_SELECT_CHOICE)); }
    // The user presses OK, which must be enabled for that.
    void Ok()
    {
        ASSERT_TRUE(Enabled(IDOK));
        ::SendMessageA(m_dialog, WM_COMMAND, IDOK, 0);
    }
    bool WaitClosed() const
    {
        return WaitUntil([this] { return !::IsWindow(m_dialog); });
    }
    std::vector<Request> Requests()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_requests;
    }
    std::vector<std::pair<UINT, int>> Asked()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return std::exchange(m_asked, {});
    }

    CWinApp m_app{"select program"};
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
    ControllerModelInfo m_model;
    HWND m_dialog = nullptr;

    std::mutex m_lock;
    std::vector<std::string> m_programs = {"MAIN", "AUX", "TRAJ"};
    std::vector<std::string> m_running;
    std::vector<std::string> m_free = {"  3", " 12", "  5", "  1"};
    std::string m_selected;
    std::map<std::string, int> m_types = {{"MAIN", 0}, {"AUX", 0}, {"TRAJ", 0}};
    std::vector<std::pair<UINT, int>> m_asked;
    std::vector<Request> m_requests;
};

} // namespace

TEST_F(SelectProgramTest, EachPurposeShowsItsTitleListAndFields)
{
    struct Case {
        int purpose;
        const char* title;
        UINT listMessage;
        int filter;
        bool choice;
        const char* choiceLabel;
        const char* prompt;
        bool readOnly;
    } const cases[] = {
        {0, "New Program", PWM_PROGRAM_NAMES, 3, true, "Type", "Enter new program name", false},
        {1, "Select Program", PWM_PROGRAM_NAMES, 0, false, nullptr, "Select Program", true},
        {2, "Edit Program", PWM_PROGRAM_NAMES, 3, false, nullptr, "Select Program", true},
        {3, "Copy Program", PWM_PROGRAM_NAMES, 7, false, nullptr, "Select existing program and enter new name", false},
        {4, "Rename Program", PWM_PROGRAM_NAMES, 6, false, nullptr, "Select existing program and enter new name",
         false},
        {5, "Delete Program", PWM_PROGRAM_NAMES, 9, false, nullptr, "Select Program", true},
        {7, "Compile Program", PWM_PROGRAM_NAMES, 8, false, nullptr, "Select Program", true},
        {8, "Run Program", PWM_PROGRAM_NAMES, 4, true, "Process", "Select Program", true},
        {9, "Start Program Stepping", PWM_PROGRAM_NAMES, 5, true, "Process", "Select Program", true},
        {10, "Debug Program", PWM_PROGRAM_NAMES, 5, true, "Process", "Select Program", true},
        {13, "Stop Program", PWM_RUNNING_PROGRAMS, 4, false, nullptr, "Select Program", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        Asked();
        ASSERT_NE(Open(c.purpose), nullptr);
        EXPECT_EQ(WindowText(m_dialog), c.title);
        EXPECT_EQ(Asked(), (std::vector<std::pair<UINT, int>>{{c.listMessage, c.filter}}));
        EXPECT_EQ(TreeText(Item(IDC_SELECT_TREE), TreeRoot(Item(IDC_SELECT_TREE))), "QC110");
        EXPECT_EQ(TreePrograms(Item(IDC_SELECT_TREE)), c.purpose == 13 ? std::vector<std::string>{} : m_programs);
        EXPECT_EQ(Text(IDC_SELECT_TREE_LABEL), "Project");
        EXPECT_EQ(Text(IDC_SELECT_PROMPT), c.prompt);
        EXPECT_EQ(Visible(IDC_SELECT_CHOICE), c.choice);
        EXPECT_EQ(Visible(IDC_SELECT_CHOICE_LABEL), c.choice);
        if (c.choiceLabel) {
            EXPECT_EQ(Text(IDC_SELECT_CHOICE_LABEL), c.choiceLabel);
        }
        EXPECT_EQ((::GetWindowLongA(Item(IDC_SELECT_NAME), GWL_STYLE) & ES_READONLY) != 0, c.readOnly);
        EXPECT_FALSE(Enabled(IDOK)) << "nothing chosen yet";
        ::SendMessageA(m_dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitClosed());
        EXPECT_TRUE(m_project.WaitForUnregistration(m_dialog));
    }
    EXPECT_TRUE(Requests().empty());
}

TEST_F(SelectProgramTest, RequestsWhatTheUserChose)
{
    struct Case {
        const char* name;
        int purpose;
        const char* select; // tree item clicked
        const char* typed;  // text typed into the edit
        const char* chosen; // combo entry picked
        Request expected;
    } const cases[] = {
        {"a new program typed in lower case", 0, nullptr, "conv_1", nullptr, {0, 0, "CONV_1", "", 0, -1}},
        {"a new name of 15 characters", 0, nullptr, "ABCDEFGHIJKLMN_", nullptr,
         {0, 0, "ABCDEFGHIJKLMN_", "", 0, -1}},
        {"edit", 2, "AUX", nullptr, nullptr, {2, 2, "AUX", "", 0, -1}},
        {"copy to a new name", 3, "MAIN", "main2", nullptr, {3, 3, "MAIN", "MAIN2", 0, -1}},
        {"rename", 4, "AUX", "Aux_Old", nullptr, {4, 4, "AUX", "AUX_OLD", 0, -1}},
        {"delete", 5, "TRAJ", nullptr, nullptr, {5, 5, "TRAJ", "", 0, -1}},
        {"compile", 7, "MAIN", nullptr, nullptr, {7, 7, "MAIN", "", 0, -1}},
        {"run on a process", 8, "AUX", nullptr, "  3", {8, 8, "AUX", "", 0, 3}},
        {"run on the default process", 8, "MAIN", nullptr, "Default", {8, 8, "MAIN", "", 0, -1}},
        {"start stepping", 9, "AUX", nullptr, " 12", {9, 9, "AUX", "", 0, 12}},
        {"debug", 10, "AUX", nullptr, "  1", {10, 10, "AUX", "", 0, 1}},
        {"a plain selection", 1, "AUX", nullptr, nullptr, {1, 1, "AUX", "", 0, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_requests.clear();
        }
        ASSERT_NE(Open(c.purpose), nullptr);
        if (c.select)
            Select(c.select);
        if (c.typed)
            Type(c.typed);
        if (c.chosen)
            Choose(c.chosen);
        Ok();
        ASSERT_TRUE(WaitClosed());
        EXPECT_EQ(Requests(), std::vector<Request>{c.expected});
        EXPECT_TRUE(m_prompts.Records().empty());
    }
}

TEST_F(SelectProgramTest, StopTakesTheProgramAndProcessOfTheRunningEntry)
{
    struct Case {
        const char* entry;
        bool valid;
        std::string program;
        int process;
    } const cases[] = {
        {"MAIN,3", true, "MAIN", 3},
        {"MAIN, 7", true, "MAIN", 7},
        {"MAIN,2147483647", true, "MAIN", 2147483647},
        {"MAIN,2147483648", false, "", 0},
        {"MAIN,x", false, "", 0},
        {"MAIN", false, "", 0},
        {"TOO_LONG_A_NAME_X,1", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_running = {c.entry};
            m_requests.clear();
        }
        const size_t promptsBefore = m_prompts.Records().size();
        ASSERT_NE(Open(PROGRAM_OP_STOP), nullptr);
        Select(c.entry);
        EXPECT_EQ(Text(IDC_SELECT_NAME), c.entry);
        Ok();
        if (c.valid) {
            ASSERT_TRUE(WaitClosed());
            EXPECT_EQ(Requests(), (std::vector<Request>{{13, 13, c.program, "", 0, c.process}}));
            EXPECT_EQ(m_prompts.Records().size(), promptsBefore);
            continue;
        }
        ASSERT_EQ(m_prompts.Records().size(), promptsBefore + 1);
        EXPECT_EQ(m_prompts.Records().back().text, kInvalidName);
        EXPECT_EQ(m_prompts.Records().back().caption, "Select program");
        EXPECT_TRUE(::IsWindowVisible(m_dialog)) << "the dialog stays open";
        EXPECT_TRUE(Requests().empty());
        ::SendMessageA(m_dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitClosed());
    }
}

TEST_F(SelectProgramTest, InvalidNewNamesAreRefusedAndTheDialogStays)
{
    for (const char* name : {"ABCDEFGHIJKLMNOP", "A-B", "MY PROG", "Ä"}) {
        SCOPED_TRACE(name);
        for (int purpose : {PROGRAM_OP_NEW, PROGRAM_OP_COPY, PROGRAM_OP_RENAME}) {
            const size_t promptsBefore = m_prompts.Records().size();
            ASSERT_NE(Open(purpose), nullptr);
            if (purpose != PROGRAM_OP_NEW)
                Select("MAIN");
            Type(name);
            Ok();
            ASSERT_EQ(m_prompts.Records().size(), promptsBefore + 1) << purpose;
            EXPECT_EQ(m_prompts.Records().back().text, kInvalidName);
            EXPECT_TRUE(::IsWindowVisible(m_dialog));
            ::SendMessageA(m_dialog, WM_COMMAND, IDCANCEL, 0);
            ASSERT_TRUE(WaitClosed());
        }
    }
    EXPECT_TRUE(Requests().empty());
}

TEST_F(SelectProgramTest, ANewNameThatExistsAsksBeforeOverwriting)
{
    ASSERT_NE(Open(PROGRAM_OP_NEW), nullptr);
    Type("main");
    m_prompts.Answer(IDNO);
    Ok();
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    EXPECT_EQ(m_prompts.Records()[0].text, "Program MAIN exists in project,\r\nDo you wish to overwrite it?");
    EXPECT_EQ(m_prompts.Records()[0].caption, "Select program");
    EXPECT_EQ(m_prompts.Records()[0].type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2));
    EXPECT_TRUE(::IsWindowVisible(m_dialog)) << "No leaves the dialog open, without an error";
    EXPECT_TRUE(Requests().empty());

    m_prompts.Answer(IDYES);
    Ok();
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(m_prompts.Records().size(), 2u);
    EXPECT_EQ(Requests(), (std::vector<Request>{{0, 0, "MAIN", "", 0, -1}}));
}

TEST_F(SelectProgramTest, OkNeedsAProgramNotTheControllerItself)
{
    // Purposes 2 to 13 need a program item: the model's name at the root is
    // none, though it would pass as a program name.
    for (int purpose : {1, 2, 5, 7, 10, 13}) {
        SCOPED_TRACE(purpose);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_running = {"MAIN,3"};
        }
        ASSERT_NE(Open(purpose), nullptr);
        Select(purpose == 13 ? "MAIN,3" : "MAIN");
        EXPECT_TRUE(Enabled(IDOK));
        EXPECT_EQ(::SendMessageA(m_dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
        Select(nullptr);
        EXPECT_EQ(Text(IDC_SELECT_NAME), "");
        EXPECT_FALSE(Enabled(IDOK));
        EXPECT_EQ(::SendMessageA(m_dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
        // Pressed all the same (Enter on a stale default): nothing goes.
        ::SendMessageA(m_dialog, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(::IsWindow(m_dialog));
        ::SendMessageA(m_dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitClosed());
    }
    EXPECT_TRUE(Requests().empty());

    // Copy and rename need a program and a new name; a new program only the
    // name.
    ASSERT_NE(Open(PROGRAM_OP_COPY), nullptr);
    Type("X");
    EXPECT_FALSE(Enabled(IDOK));
    Select("MAIN");
    EXPECT_EQ(Text(IDC_SELECT_NAME), "X") << "the new name stays";
    EXPECT_TRUE(Enabled(IDOK));
    Type("");
    EXPECT_FALSE(Enabled(IDOK));
    ::SendMessageA(m_dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitClosed());
}

TEST_F(SelectProgramTest, ProcessesAreSortedAfterDefaultAndTheProjectsProcessIsChosen)
{
    // MAIN runs on process 5 by the project file; AUX has no entry.
    ASSERT_NE(Open(PROGRAM_OP_RUN, "main"), nullptr);
    EXPECT_EQ(Text(IDC_SELECT_NAME), "MAIN") << "the given name is selected without regard to case";
    EXPECT_EQ(Choices(), (std::vector<std::string>{"Default", "  1", "  3", "  5", " 12"}));
    EXPECT_EQ(Chosen(), "  5");
    Select("AUX");
    EXPECT_EQ(Chosen(), "Default");
    Select("MAIN");
    EXPECT_EQ(Chosen(), "  5");
    Ok();
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(Requests(), (std::vector<Request>{{8, 8, "MAIN", "", 0, 5}}));

    // Without a free process Run and Start Stepping cannot go; Debug can,
    // on the default process.
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_free.clear();
        m_requests.clear();
        m_selected = "AUX";
    }
    for (int purpose : {PROGRAM_OP_RUN, PROGRAM_OP_STEP, PROGRAM_OP_DEBUG}) {
        SCOPED_TRACE(purpose);
        ASSERT_NE(Open(purpose), nullptr);
        EXPECT_EQ(Text(IDC_SELECT_NAME), "AUX") << "the project window's selected program";
        EXPECT_TRUE(Choices().empty());
        EXPECT_EQ(Enabled(IDOK), purpose == PROGRAM_OP_DEBUG);
        ::SendMessageA(m_dialog, WM_COMMAND, purpose == PROGRAM_OP_DEBUG ? IDOK : IDCANCEL, 0);
        ASSERT_TRUE(WaitClosed());
    }
    EXPECT_EQ(Requests(), (std::vector<Request>{{10, 10, "AUX", "", 0, -1}}));
}

TEST_F(SelectProgramTest, NewProgramTypes)
{
    // Only BASIC without the other types' features: no type list to speak
    // of, but BASIC is there.
    ASSERT_NE(Open(PROGRAM_OP_NEW), nullptr);
    EXPECT_EQ(Choices(), std::vector<std::string>{"BASIC"});
    EXPECT_EQ(Chosen(), "BASIC");
    ::SendMessageA(m_dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitClosed());

    // With G-Code (12) and the configuration program (37): types a new
    // program cannot have (FIFO, TempFile, Project) are not offered. A type
    // with a fixed name puts the name in the edit and locks it.
    m_project.SetFeature(12, true);
    m_project.SetFeature(37, true);
    ASSERT_NE(Open(PROGRAM_OP_NEW), nullptr);
    EXPECT_EQ(Choices(), (std::vector<std::string>{"BASIC", "G-Code", "QC_CONFIG"}));
    Type("mine");
    Choose("QC_CONFIG");
    EXPECT_EQ(Text(IDC_SELECT_NAME), "QC_CONFIG");
    EXPECT_FALSE(Enabled(IDC_SELECT_NAME));
    Choose("G-Code");
    EXPECT_EQ(Text(IDC_SELECT_NAME), "");
    EXPECT_TRUE(Enabled(IDC_SELECT_NAME));
    EXPECT_FALSE(Enabled(IDOK));
    Choose("QC_CONFIG");
    Ok();
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(Requests(), (std::vector<Request>{{0, 0, "QC_CONFIG", "", 9, -1}}));
}

TEST_F(SelectProgramTest, NothingGoesForATypeThatDoesNotAllowTheOperation)
{
    // The project window calls AUX a FIFO: it cannot be compiled.
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_types["AUX"] = PROGRAM_TYPE_FIFO;
    }
    ASSERT_NE(Open(PROGRAM_OP_COMPILE), nullptr);
    Select("AUX");
    Ok();
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(Requests().empty());
}

TEST_F(SelectProgramTest, AnUnknownPurposeShowsQuestionMarksAndClosesAtOnce)
{
    for (int purpose : std::vector<int>{PROGRAM_OP_DELETE_ALL, PROGRAM_OP_STEP_TOOLBAR, 12, PROGRAM_OP_HALT_ALL, -1,
                                        0x7fffffff}) {
        SCOPED_TRACE(purpose);
        const size_t before = m_project.RegisteredEver().size();
        auto* dialog = new CSelectProgramExDialog(nullptr, purpose);
        EXPECT_EQ(dialog->GetPurpose(), -99);
        ASSERT_TRUE(dialog->Start(nullptr));
        // It may be gone before the test looks: its title is read as it
        // unregisters.
        m_dialog = nullptr;
        ASSERT_TRUE(PumpUntil([&] {
            const auto ever = m_project.RegisteredEver();
            for (size_t i = before; i < ever.size(); ++i) {
                if (ever[i].toolId == TOOL_ID_SELECT_PROGRAM)
                    m_dialog = ever[i].hWnd;
            }
            return m_dialog != nullptr;
        }));
        ASSERT_TRUE(WaitClosed());
        EXPECT_TRUE(m_project.WaitForUnregistration(m_dialog));
        EXPECT_EQ(m_project.TextAtUnregistration(m_dialog), "???");
    }
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(m_project.Received(PWM_QUEUE_OPERATION).empty());
}

TEST_F(SelectProgramTest, ARefusedRegistrationMakesNoDialog)
{
    m_project.SetRegistrationAnswer(0);
    auto* dialog = new CSelectProgramExDialog(nullptr, PROGRAM_OP_EDIT);
    ASSERT_TRUE(dialog->Start(nullptr));
    ASSERT_TRUE(WaitUntil([this] { return !m_project.Received(PWM_REGISTER).empty(); }));
    const HWND refused = reinterpret_cast<HWND>(m_project.Received(PWM_REGISTER)[0].lParam);
    EXPECT_TRUE(WaitUntil([refused] { return !::IsWindow(refused); }));
    EXPECT_TRUE(m_project.Received(PWM_PROGRAM_NAMES).empty()) << "no set-up without a project window";
}

TEST_F(SelectProgramTest, ADestroyRequestWhileTheRequestIsSentWaitsForIt)
{
    // The project window asks the dialog to go while the dialog waits for
    // its answer to the program operation: the dialog must outlive the send.
    CapturedGlobalLog log;
    m_project.SetHandler(PWM_QUEUE_OPERATION, [this](WPARAM code, LPARAM record) -> LRESULT {
        ::SendMessageA(m_dialog, PWM_DESTROY, 0, 0);
        return Record(code, record);
    });
    ASSERT_NE(Open(PROGRAM_OP_EDIT), nullptr);
    Select("MAIN");
    Ok();
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(Requests(), (std::vector<Request>{{2, 2, "MAIN", "", 0, -1}}));
    const std::string text = log.Text();
    EXPECT_NE(text.find("Destroy window request \"Select Program\" (1)"), std::string::npos) << text;
    EXPECT_NE(text.find("Destroy window request \"Select Program\" (0)"), std::string::npos) << text;
}

namespace {

// The dialog against the real project window over the scripted controller:
// the window's own program list, running processes, free processes and
// project file feed it, and the operation it queues reaches the controller.
class SelectProgramWithProjectTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("PROCESS", ScriptedReply("3,1,MAIN,5"));
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        RegisterSelectProgramDialog();
        OpenLink(true);
        AddControllerProgram("MAIN");
        AddControllerProgram("AUX");
        m_window->Send(PWM_READ_PROCESSES);
        OpenProject(m_folder.Path());
    }
    void TearDown() override
    {
        CProjectWnd::ClearToolCreators();
        ProjectWndTest::TearDown();
    }
    // Opens the dialog through the window's tool launcher and waits until
    // it shows under its title.
    HWND Open(int purpose, const char* title)
    {
        EXPECT_TRUE(m_window->Object()->CreateTool(TOOL_ID_SELECT_PROGRAM, purpose));
        HWND dialog = nullptr;
        WaitUntil([&] {
            dialog = ::FindWindowA(nullptr, title);
            return dialog && ::IsWindowVisible(dialog);
        });
        return dialog;
    }
    // The user clicks the program item of that text and presses OK.
    void ChooseAndOk(HWND dialog, const char* text)
    {
        const HWND tree = ::GetDlgItem(dialog, IDC_SELECT_TREE);
        const HTREEITEM item = TreeItem(tree, text);
        ASSERT_NE(item, nullptr) << text;
        ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        ASSERT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog, IDOK)));
        ::SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([dialog] { return !::IsWindow(dialog); }));
        m_window->Settle();
    }

    ScratchFolder m_folder;
};

} // namespace

TEST_F(SelectProgramWithProjectTest, StopStopsTheChosenProcess)
{
    const HWND dialog = Open(PROGRAM_OP_STOP, "Stop Program");
    ASSERT_NE(dialog, nullptr);
    ChooseAndOk(dialog, "MAIN,3");
    ASSERT_TRUE(WaitUntil([this] { return !CommandsStarting("STOP").empty(); }));
    EXPECT_EQ(CommandsStarting("STOP"), std::vector<std::string>{"STOP \"MAIN\",3"});
}

TEST_F(SelectProgramWithProjectTest, RunTakesTheProgramsProcessFromTheProject)
{
    m_window->Object()->GetProjectFile().SetRunOnProcess("AUX", 5);
    const HWND dialog = Open(PROGRAM_OP_RUN, "Run Program");
    ASSERT_NE(dialog, nullptr);
    ChooseAndOk(dialog, "AUX");
    ASSERT_TRUE(WaitUntil([this] { return !CommandsStarting("RUN").empty(); }));
    EXPECT_EQ(CommandsStarting("RUN"), std::vector<std::string>{"RUN \"AUX\",5"});
}
