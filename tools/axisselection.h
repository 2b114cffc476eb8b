// The choice of axes in the axis selection dialog, and the per-axis flags
// the axis tools keep. Plain C++.
#pragma once

#include <cstdint>
#include <memory>

constexpr int kMaxSelectableAxes = 128;

class CAxisSelection {
public:
    // Counts above 128 are cut to 128, below 0 raised to 0.
    CAxisSelection(int axisCount, int mostSelectable);

    int GetAxisCount() const { return m_axisCount; }
    int GetMostSelectable() const { return m_mostSelectable; }

    // 0 for an axis outside 0 .. axis count - 1.
    int IsSelected(int axis) const;
    // Ignored for an axis outside 0 .. axis count - 1.
    void SetSelected(int axis, int flag);
    int CountSelected() const;

    // Keeps the first set flags up to the most selectable, in axis order,
    // and clears the others (the dialog's opening).
    void ApplyLimit();

    enum ClickResult { kOutside, kSelected, kCleared, kLimitReached };
    // A click on an axis: selects it while fewer than the most selectable
    // are, clears a selected one; kLimitReached changes nothing.
    ClickResult Click(int axis);

private:
    int m_axisCount;
    int m_mostSelectable;
    std::int32_t m_flags[kMaxSelectableAxes] = {};
};

// The axis flags a tool window keeps for its own bookkeeping.
class CSelectArray {
public:
    explicit CSelectArray(int size = 0);
    int GetSize() const { return m_size; }
    void ClearAll();
    // True when no element is set (true for size 0).
    bool IsNoneSelected() const;
    // The element; an index outside the array throws CInvalidArgException.
    bool& At(int index);

private:
    int m_size;
    std::unique_ptr<bool[]> m_flags;
};
