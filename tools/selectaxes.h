// CSelectAxes: the modal "Enable/Disable Axes" dialog in which the user
// ticks the axes a tool window shows, up to the caller's limit, and
// optionally edits an update interval in milliseconds. The choice lives in
// a CAxisSelection (axisselection.h); the list shows it as state images.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/dialog.h"
#include "tools/axisselection.h"

class CSelectAxes : public CDialog {
    DECLARE_DYNAMIC(CSelectAxes)
public:
    // Counts above 128 are cut to 128.
    CSelectAxes(CWnd* pParent, int axisCount, int mostSelectable, BOOL showInterval);
    ~CSelectAxes() override;

    int IsSelected(int axis) const { return m_selection.IsSelected(axis); }
    void SetSelected(int axis, int flag) { m_selection.SetSelected(axis, flag); }
    int CountSelected() const { return m_selection.CountSelected(); }
    int GetInterval() const { return m_nInterval; }
    void SetInterval(int interval) { m_nInterval = interval; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnListClick(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

private:
    void ShowState(int axis);

    CAxisSelection m_selection;
    int m_nInterval = 0;
    BOOL m_bShowInterval;
    HIMAGELIST m_hStateImages = nullptr;
};
