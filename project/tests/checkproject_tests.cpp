// The "Check project" dialog, driven by messages.
#include <gtest/gtest.h>

#include "framework/app.h"
#include "project/checkproject.h"
#include "project/project_resource.h"

namespace {

class CheckProjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dialog.Create());
        m_window = m_dialog.m_hWnd;
    }
    void TearDown() override
    {
        if (::IsWindow(m_window))
            m_dialog.DestroyWindow();
    }
    void Click(int index, bool post = false)
    {
        const WPARAM command = MAKEWPARAM(IDC_CHECK_BUTTON0 + index, BN_CLICKED);
        const LPARAM control = reinterpret_cast<LPARAM>(::GetDlgItem(m_window, IDC_CHECK_BUTTON0 + index));
        if (post)
            ::PostMessageA(m_window, WM_COMMAND, command, control);
        else
            ::SendMessageA(m_window, WM_COMMAND, command, control);
    }
    bool Shown(int index) const
    {
        return (::GetWindowLongA(::GetDlgItem(m_window, IDC_CHECK_BUTTON0 + index), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    std::vector<std::string> Children(int treeId, std::vector<int>* images = nullptr)
    {
        const HWND tree = ::GetDlgItem(m_window, treeId);
        std::vector<std::string> names;
        const auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
        auto item = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root)));
        for (; item; item = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
            char text[64] = {};
            TVITEMA data = {};
            data.mask = TVIF_TEXT | TVIF_IMAGE;
            data.hItem = item;
            data.pszText = text;
            data.cchTextMax = sizeof text;
            ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
            names.emplace_back(text);
            if (images)
                images->push_back(data.iImage);
        }
        return names;
    }

    CWinApp m_app{"check project"};
    CCheckProject m_dialog;
    HWND m_window = nullptr;
};

} // namespace

TEST_F(CheckProjectTest, AnswersFromTheButtonsAndEnter)
{
    for (int i = 0; i < CCheckProject::kButtons; ++i)
        EXPECT_FALSE(Shown(i));
    m_dialog.SetQuestion("Load MAIN?");
    m_dialog.SetButton(0, "&Yes", 5, TRUE);
    m_dialog.SetButton(1, "&No", 6, FALSE);
    m_dialog.SetButton(6, "Never", 9, TRUE); // no such button: nothing changes
    EXPECT_TRUE(Shown(0));
    EXPECT_TRUE(Shown(1));
    EXPECT_FALSE(Shown(2));

    Click(1, true);
    EXPECT_EQ(m_dialog.WaitForAnswer(), 6);
    ::PostMessageA(m_window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(m_dialog.WaitForAnswer(), 5) << "Enter answers the default button's value";
    ::PostMessageA(m_window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(m_dialog.WaitForAnswer(), 2);

    Click(0);
    Click(1);
    EXPECT_EQ(m_dialog.GetAnswer(FALSE), 6) << "the second press counts";
    EXPECT_FALSE(Shown(0)) << "reading the answer clears the buttons";
    char question[64] = {};
    ::GetDlgItemTextA(m_window, IDC_CHECK_QUESTION, question, sizeof question);
    EXPECT_STREQ(question, "");
    EXPECT_TRUE(m_dialog.IsIdle());
}

TEST_F(CheckProjectTest, TreesAndMarks)
{
    m_dialog.AddProjectProgram("MAIN");
    m_dialog.AddProjectProgram("main");
    m_dialog.AddProjectProgram("AUX");
    EXPECT_EQ(Children(IDC_CHECK_PROJECT_TREE), (std::vector<std::string>{"AUX", "MAIN"}));
    m_dialog.ClearControllerTree(FALSE);
    m_dialog.AddControllerProgram("MAIN"); // the root comes back from the remembered text
    EXPECT_EQ(Children(IDC_CHECK_CONTROLLER_TREE), std::vector<std::string>{"MAIN"});

    m_dialog.MarkProgram("AUX", FALSE);
    m_dialog.MarkProgram("MAIN", TRUE);
    std::vector<int> project, controller;
    Children(IDC_CHECK_PROJECT_TREE, &project);
    Children(IDC_CHECK_CONTROLLER_TREE, &controller);
    EXPECT_EQ(project, (std::vector<int>{8, 7}));
    EXPECT_EQ(controller, std::vector<int>{7});

    EXPECT_TRUE(m_dialog.RemoveProjectProgram("NONE"));
    EXPECT_TRUE(m_dialog.RemoveProjectProgram("aux"));
    EXPECT_EQ(Children(IDC_CHECK_PROJECT_TREE), std::vector<std::string>{"MAIN"});
    EXPECT_TRUE(m_dialog.SelectControllerProgram("main"));
    EXPECT_FALSE(m_dialog.SelectControllerProgram("AUX"));
}

TEST_F(CheckProjectTest, LogLines)
{
    for (int i = 0; i < 30; ++i)
        m_dialog.AddMessage("Program %s checked (%d)", "MAIN", i);
    const CString log = m_dialog.GetLogText();
    EXPECT_EQ(std::string(log.Left(30)), "* Program MAIN checked (0)\r\n* ");
    EXPECT_GT(::SendDlgItemMessageA(m_window, IDC_CHECK_LOG, EM_GETFIRSTVISIBLELINE, 0, 0), 0)
        << "the log scrolls to its newest line";
    ::SendMessageA(m_window, WM_APP + 0x108, 0, 0);
    EXPECT_FALSE(::IsWindow(m_window));
}
