#include "editor/undolist.h"

namespace editor {

CUndoRecord* CUndoList::AddRecord()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_records.resize(static_cast<size_t>(m_current + 1));
    m_records.push_back(std::make_unique<CUndoRecord>());
    while (m_records.size() > static_cast<size_t>(kLimit))
        m_records.pop_front();
    m_current = static_cast<int>(m_records.size()) - 1;
    return m_records.back().get();
}

CUndoRecord* CUndoList::AddGroupMarker()
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_current >= 0 && m_records[static_cast<size_t>(m_current)]->m_kind == CUndoRecord::kGroupMarker)
            return m_records[static_cast<size_t>(m_current)].get();
    }
    CUndoRecord* marker = AddRecord();
    marker->m_kind = CUndoRecord::kGroupMarker;
    return marker;
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

bool CUndoList::CanUndo() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_current >= 0;
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

int CUndoList::Count() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<int>(m_records.size());
}

void CUndoList::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_records.clear();
    m_current = -1;
}

} // namespace editor
