#include "tools/axisselection.h"

#include <algorithm>

#include "framework/throws.h"

namespace {

int CutCount(int count)
{
    return std::clamp(count, 0, kMaxSelectableAxes);
}

} // namespace

CAxisSelection::CAxisSelection(int axisCount, int mostSelectable)
    : m_axisCount(CutCount(axisCount)), m_mostSelectable(CutCount(mostSelectable))
{
}

int CAxisSelection::IsSelected(int axis) const
{
    return axis >= 0 && axis < m_axisCount ? m_flags[axis] : 0;
}

void CAxisSelection::SetSelected(int axis, int flag)
{
    if (axis >= 0 && axis < m_axisCount)
        m_flags[axis] = flag ? 1 : 0;
}

int CAxisSelection::CountSelected() const
{
    return static_cast<int>(std::count_if(std::begin(m_flags), std::end(m_flags), [](std::int32_t f) { return f != 0; }));
}

void CAxisSelection::ApplyLimit()
{
    int count = 0;
    for (std::int32_t& flag : m_flags) {
        if (!flag)
            continue;
        if (count >= m_mostSelectable)
            flag = 0;
        else
            ++count;
    }
}

CAxisSelection::ClickResult CAxisSelection::Click(int axis)
{
    if (axis < 0 || axis >= m_axisCount)
        return kOutside;
    if (m_flags[axis]) {
        m_flags[axis] = 0;
        return kCleared;
    }
    if (CountSelected() >= m_mostSelectable)
        return kLimitReached;
    m_flags[axis] = 1;
    return kSelected;
}

CSelectArray::CSelectArray(int size) : m_size(std::max(size, 0)), m_flags(new bool[static_cast<size_t>(m_size)]())
{
}

void CSelectArray::ClearAll()
{
    std::fill(m_flags.get(), m_flags.get() + m_size, false);
}

bool CSelectArray::IsNoneSelected() const
{
    return std::none_of(m_flags.get(), m_flags.get() + m_size, [](bool f) { return f; });
}

bool& CSelectArray::At(int index)
{
    if (index < 0 || index >= m_size)
        AfxThrowInvalidArgException();
    return m_flags[static_cast<size_t>(index)];
}
