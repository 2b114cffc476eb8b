#include "ui/shelltree.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "toolkit_test_support.h"

namespace {

TEST(StringTree, SortedInsertAndDelete)
{
    CStringTree tree;
    auto* parent = tree.InsertItem("root");
    for (const char* text : {"b", "A", "c"})
        tree.InsertItem(text, parent, TVI_SORT);
    std::string order;
    for (auto* node = tree.GetChildItem(parent); node; node = tree.GetNextSiblingItem(node))
        order += std::string(tree.GetItemText(node)) + ",";
    EXPECT_EQ("A,b,c,", order);
    tree.InsertItem("first", parent, TVI_FIRST);
    EXPECT_STREQ("first", tree.GetItemText(tree.GetChildItem(parent)));
    tree.DeleteItem(tree.GetChildItem(parent));
    EXPECT_STREQ("A", tree.GetItemText(tree.GetChildItem(parent)));
    EXPECT_EQ(nullptr, tree.GetNextSiblingItem(nullptr));
    EXPECT_STREQ("", tree.GetItemText(nullptr));
    tree.DeleteAllItems();
    EXPECT_EQ(nullptr, tree.GetRootItem());
}

TEST(StringTree, SortedInsertsKeepEveryHandleOnItsItem)
{
    const char* const orders[][5] = {
        {"delta", "Bravo", "echo", "alpha", "charlie"},
        {"echo", "delta", "charlie", "Bravo", "alpha"},
        {"alpha", "Bravo", "charlie", "delta", "echo"},
    };
    for (const auto& texts : orders) {
        SCOPED_TRACE(texts[0]);
        CStringTree tree;
        std::vector<std::pair<CStringTree::NODE, std::string>> handles;
        for (const char* text : texts) {
            auto* node = tree.InsertItem(text, nullptr, TVI_SORT);
            node->m_wData = static_cast<WORD>(handles.size());
            // Each item has a child of its own, which must stay with it.
            tree.InsertItem((std::string(text) + " child").c_str(), node);
            handles.emplace_back(node, text);
        }
        for (size_t i = 0; i < handles.size(); ++i) {
            const auto& [node, text] = handles[i];
            EXPECT_EQ(text, std::string(tree.GetItemText(node)));
            EXPECT_EQ(i, node->m_wData);
            auto* child = tree.GetChildItem(node);
            ASSERT_NE(nullptr, child);
            EXPECT_EQ(text + " child", std::string(tree.GetItemText(child)));
            EXPECT_EQ(node, child->m_pParent);
        }
        std::string order;
        for (auto* node = tree.GetRootItem(); node; node = tree.GetNextSiblingItem(node))
            order += std::string(tree.GetItemText(node)) + ",";
        EXPECT_EQ("alpha,Bravo,charlie,delta,echo,", order);
    }
    // Equal texts keep their order of insertion.
    CStringTree tree;
    auto* first = tree.InsertItem("same", nullptr, TVI_SORT);
    auto* second = tree.InsertItem("SAME", nullptr, TVI_SORT);
    EXPECT_EQ(first, tree.GetRootItem());
    EXPECT_EQ(second, tree.GetNextSiblingItem(first));
}

TEST(ShellPidl, ListHelpers)
{
    CShellPidl pidls;
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    LPITEMIDLIST pidl = pidls.PidlFromPath(temp);
    ASSERT_NE(nullptr, pidl);
    const UINT count = CShellPidl::GetItemCount(pidl);
    ASSERT_GE(count, 2u);
    EXPECT_EQ(nullptr, pidls.CopyItemAt(pidl, count));
    LPITEMIDLIST first = pidls.CopyItem(pidl);
    EXPECT_EQ(pidl->mkid.cb + 2u, CShellPidl::GetSize(first));
    LPITEMIDLIST parent = pidls.CopyParent(pidl);
    EXPECT_EQ(count - 1, CShellPidl::GetItemCount(parent));
    LPITEMIDLIST last = pidls.CopyItemAt(pidl, count - 1);
    LPITEMIDLIST joined = pidls.Concat(parent, last);
    EXPECT_EQ(CShellPidl::GetSize(pidl), CShellPidl::GetSize(joined));
    EXPECT_EQ(0, memcmp(pidl, joined, CShellPidl::GetSize(pidl)));
    CStringList names;
    EXPECT_TRUE(pidls.GetLevelNames(pidl, names));
    EXPECT_EQ(static_cast<INT_PTR>(count), names.GetCount());
    for (LPITEMIDLIST p : {first, parent, last, joined, pidl})
        pidls.Free(p);
}

class ShellTreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        m_root = std::string(temp) + "vexo_shelltree_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(m_root.c_str(), nullptr);
        ::CreateDirectoryA((m_root + "\\Proj").c_str(), nullptr);
        ::CreateDirectoryA((m_root + "\\Other").c_str(), nullptr);
        Touch(m_root + "\\Proj\\Proj.prj");
        Touch(m_root + "\\Proj\\MAIN.BAS");
        Touch(m_root + "\\Other\\Proj.prj");
        ASSERT_TRUE(
            m_tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES, CRect(0, 0, 380, 280), &m_parent, 30));
        m_tree.InitImageList();
    }
    void TearDown() override
    {
        m_tree.DestroyWindow();
        for (const char* file : {"\\Proj\\Proj.prj", "\\Proj\\MAIN.BAS", "\\Other\\Proj.prj"})
            ::DeleteFileA((m_root + file).c_str());
        ::RemoveDirectoryA((m_root + "\\Proj").c_str());
        ::RemoveDirectoryA((m_root + "\\Other").c_str());
        ::RemoveDirectoryA(m_root.c_str());
        ::CoUninitialize();
    }
    static void Touch(const std::string& path)
    {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ::CloseHandle(h);
    }
    BOOL Select(const std::string& path)
    {
        LPITEMIDLIST pidl = m_tree.PidlFromPath(path.c_str());
        const BOOL ok = pidl && m_tree.SelectPath(pidl);
        m_tree.Free(pidl);
        return ok;
    }
    RecordingParent m_parent;
    CVQShellTree m_tree;
    std::string m_root;
};

TEST_F(ShellTreeTest, SelectsAPathAndMarksProjectFolders)
{
    m_tree.PopulateTree();
    ASSERT_NE(nullptr, m_tree.GetRootItem());
    ASSERT_TRUE(Select(m_root + "\\Proj"));
    CString path;
    ASSERT_TRUE(m_tree.GetSelectedPath(path));
    EXPECT_EQ(0, path.CompareNoCase((m_root + "\\Proj").c_str()));
    EXPECT_FALSE(m_tree.IsSelectedFile());
    EXPECT_TRUE(m_tree.MarkSelectedProjectFolder());
    int image = -1, selected = -1;
    m_tree.GetItemImage(m_tree.GetSelectedItem(), image, selected);
    EXPECT_EQ(0, image);
    EXPECT_EQ(1, selected);

    // A project file named after another folder does not make a project.
    ASSERT_TRUE(Select(m_root + "\\Other"));
    EXPECT_FALSE(m_tree.MarkSelectedProjectFolder());
    EXPECT_FALSE(Select(m_root + "\\Missing"));
}

TEST_F(ShellTreeTest, ListsFilesThroughTheFilter)
{
    m_tree.SetFileFilter(TRUE, "*.prj");
    m_tree.PopulateTree();
    ASSERT_TRUE(Select(m_root + "\\Proj"));
    std::string names;
    for (HTREEITEM h = m_tree.GetChildItem(m_tree.GetSelectedItem()); h; h = m_tree.GetNextSiblingItem(h))
        names += std::string(m_tree.GetItemText(h)) + ",";
    EXPECT_EQ(std::string::npos, names.find("MAIN"));
    EXPECT_NE(std::string::npos, names.find("Proj"));
    ASSERT_TRUE(Select(m_root + "\\Proj\\Proj.prj"));
    EXPECT_TRUE(m_tree.IsSelectedFile());
}

} // namespace
