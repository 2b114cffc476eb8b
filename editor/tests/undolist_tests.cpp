#include "editor/undolist.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

CUndoRecord* Add(CUndoList& list, int line)
{
    CUndoRecord* r = list.AddRecord();
    r->m_kind = CUndoRecord::kReplace;
    r->m_line = line;
    return r;
}

TEST(UndoList, KeepsTheLast128Records)
{
    CUndoList list;
    for (int i = 0; i < 130; ++i)
        Add(list, i);
    EXPECT_EQ(128, list.Count());
    for (int i = 129; i >= 2; --i) {
        CUndoRecord* r = list.StepBack();
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(i, r->m_line);
    }
    EXPECT_EQ(nullptr, list.StepBack());
    EXPECT_FALSE(list.CanUndo());
    EXPECT_TRUE(list.CanRedo());
    EXPECT_EQ(2, list.StepForward()->m_line);
}

TEST(UndoList, NewRecordAfterUndoEndsRedo)
{
    CUndoList list;
    Add(list, 1);
    Add(list, 2);
    Add(list, 3);
    list.StepBack();
    list.StepBack();
    EXPECT_TRUE(list.CanRedo());
    Add(list, 4);
    EXPECT_FALSE(list.CanRedo());
    EXPECT_EQ(2, list.Count());
    EXPECT_EQ(4, list.StepBack()->m_line);
    EXPECT_EQ(1, list.StepBack()->m_line);

    // Everything undone: a new record replaces the whole history.
    Add(list, 5);
    EXPECT_EQ(1, list.Count());
}

TEST(UndoList, GroupMarkers)
{
    CUndoList list;
    CUndoRecord* first = list.AddGroupMarker();
    EXPECT_EQ(first, list.AddGroupMarker());
    EXPECT_EQ(1, list.Count());
    EXPECT_TRUE(list.IsAtGroupMarker());
    Add(list, 0);
    EXPECT_FALSE(list.IsAtGroupMarker());
    EXPECT_NE(first, list.AddGroupMarker());
    EXPECT_EQ(3, list.Count());
    EXPECT_EQ(nullptr, list.StepForward());
}

} // namespace
} // namespace editor
