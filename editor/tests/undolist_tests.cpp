#include "editor/undolist.h"

#include <gtest/gtest.h>

#include <vector>

namespace editor {
namespace {

CUndoRecord* Add(CUndoList& list, int line)
{
    CUndoRecord* r = list.AddRecord();
    r->m_kind = CUndoRecord::kReplace;
    r->m_line = line;
    return r;
}

// One action: a marker and its records.
void Action(CUndoList& list, int line, int records, const std::string& text = {})
{
    list.AddGroupMarker();
    for (int i = 0; i < records; ++i) {
        CUndoRecord* r = Add(list, line);
        if (!r)
            return;
        r->m_newText = text;
        list.Recorded(r);
    }
}

// The lines of the records one Undo command would take back, newest first.
std::vector<int> UndoOneAction(CUndoList& list)
{
    std::vector<int> lines;
    if (list.IsAtGroupMarker())
        list.StepBack();
    while (!list.IsAtGroupMarker()) {
        CUndoRecord* r = list.StepBack();
        if (!r)
            break;
        lines.push_back(r->m_line);
    }
    return lines;
}

TEST(UndoList, KeepsTheLast128ActionsWhole)
{
    CUndoList list;
    for (int i = 0; i < 130; ++i)
        Action(list, i, 1 + i % 3);
    for (int i = 129; i >= 2; --i)
        EXPECT_EQ(std::vector<int>(static_cast<size_t>(1 + i % 3), i), UndoOneAction(list)) << i;
    EXPECT_FALSE(list.CanUndo());
    EXPECT_TRUE(list.CanRedo());
}

TEST(UndoList, AnActionIsNeverCut)
{
    // Far more records than actions are kept for: one action of 20000
    // records comes back whole, after the small one before it.
    CUndoList list;
    Action(list, 1, 1);
    Action(list, 2, 20000);
    EXPECT_EQ(std::vector<int>(20000, 2), UndoOneAction(list));
    EXPECT_EQ(std::vector<int>{1}, UndoOneAction(list));
    EXPECT_FALSE(list.CanUndo());
}

TEST(UndoList, MemoryBoundDropsWholeOldActions)
{
    const std::string text(1000, 'x');
    const size_t perRecord = CUndoList::kRecordCost + text.size();
    const struct {
        int records[3]; // three actions of so many records each
        std::vector<size_t> undone; // records per Undo until none is left
        bool tooLarge;
    } cases[] = {
        {{2, 2, 2}, {2, 2, 2}, false},
        {{4, 4, 4}, {4, 4}, false},  // the first action goes whole
        {{2, 2, 9}, {9}, false},     // the newest alone fits: both older go
        {{2, 2, 11}, {}, true},      // the newest alone does not fit: nothing
    };
    for (const auto& c : cases) {
        CUndoList list(10 * perRecord + 4 * CUndoList::kRecordCost);
        for (int a = 0; a < 3; ++a)
            Action(list, a, c.records[a], text);
        std::vector<size_t> undone;
        while (list.CanUndo())
            undone.push_back(UndoOneAction(list).size());
        EXPECT_EQ(c.undone, undone) << c.records[2];
        EXPECT_EQ(c.tooLarge, list.TooLargeToUndo()) << c.records[2];
        EXPECT_LE(list.MemoryUsed(), 10 * perRecord + 4 * CUndoList::kRecordCost);
        // The next action starts a history again.
        Action(list, 7, 1);
        EXPECT_FALSE(list.TooLargeToUndo());
        EXPECT_EQ(std::vector<int>{7}, UndoOneAction(list));
    }
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
