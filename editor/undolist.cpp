#include "editor/undolist.h"

namespace editor {

size_t CUndoList::Cost(const CUndoRecord& record)
{
    return kRecordCost + record.m_newText.size() + record.m_oldText.size();
}

// The records after the current one (the redo history) go.
void CUndoList::DropRedoLocked()
{
    while (m_records.size() > static_cast<size_t>(m_current + 1)) {
        m_memoryUsed -= m_costs.back();
        if (m_records.back()->m_kind == CUndoRecord::kGroupMarker)
            --m_markers;
        m_records.pop_back();
        m_costs.pop_back();
    }
}

// Appends a record of kind after the current one and makes it current.
CUndoRecord* CUndoList::AppendLocked(int kind)
{
    DropRedoLocked();
    auto record = std::make_unique<CUndoRecord>();
    record->m_kind = kind;
    m_records.push_back(std::move(record));
    m_costs.push_back(kRecordCost);
    m_memoryUsed += kRecordCost;
    if (kind == CUndoRecord::kGroupMarker)
        ++m_markers;
    m_current = static_cast<int>(m_records.size()) - 1;
    CUndoRecord* added = m_records.back().get();
    TrimLocked();
    return m_tooLarge ? nullptr : added;
}

CUndoRecord* CUndoList::AddRecord()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_tooLarge ? nullptr : AppendLocked(CUndoRecord::kNew);
}

void CUndoList::Recorded(CUndoRecord* record)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!record || m_records.empty() || m_records.back().get() != record)
        return;
    const size_t cost = Cost(*record);
    m_memoryUsed += cost - m_costs.back();
    m_costs.back() = cost;
    TrimLocked();
}

CUndoRecord* CUndoList::AddGroupMarker()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_tooLarge = false;
    if (m_current >= 0 && m_records[static_cast<size_t>(m_current)]->m_kind == CUndoRecord::kGroupMarker)
        return m_records[static_cast<size_t>(m_current)].get();
    return AppendLocked(CUndoRecord::kGroupMarker);
}

// The records of one action are those from its marker up to the next
// marker; records before the first marker count as one action too.
int CUndoList::ActionsLocked() const
{
    const bool headless = !m_records.empty() && m_records.front()->m_kind != CUndoRecord::kGroupMarker;
    return m_markers + (headless ? 1 : 0);
}

void CUndoList::DropOldestActionLocked()
{
    do {
        m_memoryUsed -= m_costs.front();
        if (m_records.front()->m_kind == CUndoRecord::kGroupMarker)
            --m_markers;
        m_records.pop_front();
        m_costs.pop_front();
        --m_current;
    } while (!m_records.empty() && m_records.front()->m_kind != CUndoRecord::kGroupMarker);
}

void CUndoList::TrimLocked()
{
    while (ActionsLocked() > 1 && (ActionsLocked() > kActionLimit || m_memoryUsed > m_memoryLimit))
        DropOldestActionLocked();
    if (m_memoryUsed > m_memoryLimit) {
        // The action in progress alone is too large: keeping part of it
        // would let an Undo leave a text that never existed.
        ClearLocked();
        m_tooLarge = true;
    }
}

CUndoRecord* CUndoList::StepBack()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_current < 0)
        return nullptr;
    return m_records[static_cast<size_t>(m_current--)].get();
}

CUndoRecord* CUndoList::StepForward()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (static_cast<size_t>(m_current + 1) >= m_records.size())
        return nullptr;
    return m_records[static_cast<size_t>(++m_current)].get();
}

// A marker with nothing before it has nothing to undo.
bool CUndoList::CanUndo() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_current > 0 || (m_current == 0 && m_records.front()->m_kind != CUndoRecord::kGroupMarker);
}

bool CUndoList::CanRedo() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<size_t>(m_current + 1) < m_records.size();
}

bool CUndoList::IsAtGroupMarker() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_current >= 0 && m_records[static_cast<size_t>(m_current)]->m_kind == CUndoRecord::kGroupMarker;
}

bool CUndoList::TooLargeToUndo() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_tooLarge;
}

int CUndoList::Count() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<int>(m_records.size());
}

size_t CUndoList::MemoryUsed() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_memoryUsed;
}

void CUndoList::SetMemoryLimit(size_t limit)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_memoryLimit = limit;
    TrimLocked();
}

void CUndoList::ClearLocked()
{
    m_records.clear();
    m_costs.clear();
    m_current = -1;
    m_memoryUsed = 0;
    m_markers = 0;
}

void CUndoList::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    ClearLocked();
    m_tooLarge = false;
}

} // namespace editor
