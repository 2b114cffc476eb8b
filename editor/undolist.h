// The editor document's history of line edits with a current position. It
// stores what changed; applying a record is the document's work. Plain
// C++, no Win32.
//
// The history is bounded by the memory its records take, and it is trimmed
// by whole actions (the records between two group markers), never inside
// one: an Undo takes back a whole action or nothing. An action that alone
// needs more than the bound is not kept at all: its records and everything
// before them are dropped, and the list says so (TooLargeToUndo) until the
// next action begins.
#pragma once
#include <cstddef>
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
    // The oldest actions go once the records take more than this.
    static constexpr size_t kDefaultMemoryLimit = size_t{64} << 20;
    // What one record counts beside its texts.
    static constexpr size_t kRecordCost = sizeof(CUndoRecord) + 16;
    // Actions kept at most; the newest action is never cut.
    static constexpr int kActionLimit = 128;

    explicit CUndoList(size_t memoryLimit = kDefaultMemoryLimit) : m_memoryLimit(memoryLimit) {}
    virtual ~CUndoList() = default;

    // Discards the redo history, appends an empty record and makes it
    // current. The caller fills the record and then calls Recorded, which
    // counts its texts and trims the history. None while the action in
    // progress is too large to keep (the caller records nothing).
    CUndoRecord* AddRecord();
    void Recorded(CUndoRecord* record);
    // The current record when it is a marker already, else a new marker.
    // A marker begins a new action.
    CUndoRecord* AddGroupMarker();
    // The current record, and the one before it becomes current.
    CUndoRecord* StepBack();
    // The record after the current one, which becomes current.
    CUndoRecord* StepForward();
    // A record to undo: not only a marker with nothing before it.
    bool CanUndo() const;
    bool CanRedo() const;
    bool IsAtGroupMarker() const;
    // The last action was too large to keep: nothing can be undone.
    bool TooLargeToUndo() const;
    int Count() const;
    size_t MemoryUsed() const;
    void SetMemoryLimit(size_t limit);
    void Clear();

private:
    static size_t Cost(const CUndoRecord& record);
    int ActionsLocked() const;
    void TrimLocked();
    void DropOldestActionLocked();
    void DropRedoLocked();
    CUndoRecord* AppendLocked(int kind);
    void ClearLocked();

    mutable std::mutex m_lock;
    std::deque<std::unique_ptr<CUndoRecord>> m_records; // oldest first
    std::deque<size_t> m_costs;                          // one per record
    int m_markers = 0;                                   // group markers held
    int m_current = -1;                                  // -1: none
    size_t m_memoryLimit;
    size_t m_memoryUsed = 0;
    bool m_tooLarge = false;
};

} // namespace editor
