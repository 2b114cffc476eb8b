// The memory card's directory tree: path splitting, paths of items, finding
// by path, children's entries, and deleting trees deeper than the
// recursion goes without leaving an entry behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app.h"
#include "project/qcdirectorytree.h"
#include "testsupport/test_window.h"

namespace {

std::vector<std::string> Split(const char* path, bool& ok)
{
    CStringList list;
    ok = SplitDirectoryPath(path, list);
    std::vector<std::string> parts;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        parts.push_back(std::string(list.GetNext(pos)));
    return parts;
}

class DirectoryTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_parent.Attach(m_window);
        ASSERT_TRUE(m_tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASLINES, CRect(0, 0, 200, 200), &m_parent, 100));
    }
    void TearDown() override
    {
        if (m_tree.m_hWnd)
            m_tree.DestroyWindow();
        m_parent.Detach();
    }
    HTREEITEM Add(HTREEITEM parent, const char* name, std::uint32_t directory = 1, std::uint32_t size = 0)
    {
        CQCDirectoryEntry entry;
        entry.m_strName = name;
        entry.m_nDirectory = directory;
        entry.m_nSize = size;
        return m_tree.InsertEntry(parent, entry);
    }

    CWinApp m_app{"directory tree"};
    TestWindow m_window;
    CWnd m_parent;
    CQCDirectoryTreeCtrl m_tree;
};

} // namespace

TEST(SplitDirectoryPath, CutsAtSeparatorsAndRefusesEmptyPieces)
{
    const struct {
        const char* path;
        bool ok;
        std::vector<std::string> parts;
    } cases[] = {
        {"\\", true, {"\\"}},
        {"\\DATA\\LOGS", true, {"\\", "DATA", "LOGS"}},
        {"DATA\\LOGS", true, {"DATA", "LOGS"}},
        {"DATA\\LOGS\\", true, {"DATA", "LOGS"}},
        {"", true, {}},
        {"\\\\DATA", false, {}},
        {"DATA\\\\LOGS", false, {}},
    };
    for (const auto& c : cases) {
        bool ok = false;
        EXPECT_EQ(Split(c.path, ok), c.parts) << c.path;
        EXPECT_EQ(ok, c.ok) << c.path;
    }
    CStringList list;
    EXPECT_FALSE(SplitDirectoryPath(nullptr, list));
}

TEST_F(DirectoryTreeTest, PathsAndLookUps)
{
    const HTREEITEM root = Add(TVI_ROOT, "\\");
    const HTREEITEM data = Add(root, "DATA");
    const HTREEITEM logs = Add(data, "Logs");
    Add(data, "run.bas", 0, 1234);
    Add(root, "OTHER");
    ASSERT_TRUE(logs);
    EXPECT_STREQ(m_tree.GetItemPath(logs), "\\DATA\\Logs");
    EXPECT_STREQ(m_tree.GetItemPath(root), "\\");
    EXPECT_EQ(m_tree.FindItemByPath("\\data\\LOGS"), logs);
    EXPECT_EQ(m_tree.FindItemByPath("\\DATA\\none"), nullptr);
    EXPECT_EQ(m_tree.FindItemByPath("\\\\DATA"), nullptr);
    EXPECT_EQ(m_tree.FindChild(root, "other"), m_tree.GetNextSiblingItem(data));

    CQCDirectoryList list;
    list.m_strVolume = "old";
    list.m_entries.AddTail(CQCDirectoryEntry());
    EXPECT_EQ(m_tree.GetChildren(data, list), 2);
    EXPECT_STREQ(list.m_strVolume, "");
    ASSERT_EQ(list.m_entries.GetCount(), 2);
    EXPECT_STREQ(list.m_entries.GetAt(1)->m_strName, "run.bas");
    EXPECT_EQ(list.m_entries.GetAt(1)->m_nSize, 1234u);
    EXPECT_EQ(list.m_entries.GetAt(1)->m_nDirectory, 0u);

    // Each item keeps a copy of its own.
    CQCDirectoryEntry entry;
    entry.m_strName = "COPY";
    const HTREEITEM copy = m_tree.InsertEntry(root, entry);
    entry.m_strName = "changed";
    ASSERT_NE(m_tree.GetItemEntry(copy), nullptr);
    EXPECT_STREQ(m_tree.GetItemEntry(copy)->m_strName, "COPY");
    EXPECT_EQ(m_tree.GetItemEntry(nullptr), nullptr);
    EXPECT_EQ(m_tree.GetEntryCount(), 6);

    EXPECT_TRUE(m_tree.DeleteChildren(data));
    EXPECT_EQ(m_tree.GetChildItem(data), nullptr);
    EXPECT_EQ(m_tree.GetEntryCount(), 4);
}

TEST_F(DirectoryTreeTest, DeepTreesGoWholeWithoutDeepRecursion)
{
    for (int depth : {CQCDirectoryTreeCtrl::kMaxDepth, CQCDirectoryTreeCtrl::kMaxDepth + 1, 60}) {
        HTREEITEM item = TVI_ROOT;
        for (int level = 0; level < depth; ++level)
            item = Add(item, ("L" + std::to_string(level)).c_str());
        Add(TVI_ROOT, "beside");
        ASSERT_EQ(m_tree.GetEntryCount(), depth + 1);
        EXPECT_TRUE(m_tree.DeleteAll()) << depth;
        EXPECT_EQ(m_tree.GetCount(), 0u) << depth;
        EXPECT_EQ(m_tree.GetEntryCount(), 0) << depth;
        EXPECT_LE(m_tree.GetDeepestRecursion(), CQCDirectoryTreeCtrl::kMaxDepth + 1) << depth;
    }
}

TEST_F(DirectoryTreeTest, DestroyingTheWindowFreesEveryEntry)
{
    const HTREEITEM root = Add(TVI_ROOT, "\\");
    Add(Add(root, "A"), "B");
    ASSERT_EQ(m_tree.GetEntryCount(), 3);
    m_tree.DestroyWindow();
    EXPECT_EQ(m_tree.GetEntryCount(), 0);
}
