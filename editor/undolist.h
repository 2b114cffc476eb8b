// The editor document's bounded history of line edits with a current
// position. It stores what changed; applying a record is the document's
// work. Plain C++, no Win32.
#pragma once
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace editor {

class CUndoRecord {
public:
    enum Kind { kNew = 0, kInsert = 1, kDelete = 2, kReplace = 3, kGroupMarker = 4 };

    virtual ~CUndoRecord() = default;

    int m_kind = kNew;
    std::string m_newText; // after the edit (insert, replace)
    std::string m_oldText; // before the edit (delete, replace)
    int m_line = 0;
};

class CUndoList {
public:
    static constexpr int kLimit = 128;

    virtual ~CUndoList() = default;

    // Discards the redo history, appends an empty record, makes it current
    // and trims the list to its limit. The caller fills the record.
    CUndoRecord* AddRecord();
    // The current record when it is a marker already, else a new marker.
    CUndoRecord* AddGroupMarker();
    // The current record, and the one before it becomes current.
    CUndoRecord* StepBack();
    // The record after the current one, which becomes current.
    CUndoRecord* StepForward();
    bool CanUndo() const;
    bool CanRedo() const;
    bool IsAtGroupMarker() const;
    int Count() const;
    void Clear();

private:
    mutable std::mutex m_lock;
    std::deque<std::unique_ptr<CUndoRecord>> m_records; // oldest first
    int m_current = -1;                                  // -1: none
};

} // namespace editor
