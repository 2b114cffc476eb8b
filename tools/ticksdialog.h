// CTicksDialog: the ticks monitor (tool 1058), a modeless tool dialog that
// reads the controller's TICKS counter once a second ("?TICKS[0];") and
// shows it as read, or relative to a zero point the user sets with Zero.
// The mode is kept in the saved window record (1 at byte 40 when relative).
#pragma once

#include <windows.h>

#include "tools/base/tooldialog.h"
#include "tools/tickscounter.h"

constexpr UINT kToolIdTicks = 1058;
constexpr int kCommandTicks = 201;

class CTicksDialog : public tools::CToolDialog {
    DECLARE_DYNAMIC(CTicksDialog)
public:
    explicit CTicksDialog(HWND hWndProject = nullptr);

    // One reading now (the timer's work); FALSE when none was taken.
    BOOL ReadTicks();

protected:
    BOOL OnInitTool() override;
    void WriteOwnData(SWindowParameters& record) override;
    void ReadOwnData(const SWindowParameters& record) override;

    void OnTimer(UINT_PTR nIDEvent);
    void OnZero();
    void OnAbsolute();
    void OnRelative();
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

private:
    void ShowValue();
    void ShowMode();

    CTicksCounter m_counter;
    BOOL m_bReading = FALSE;
    BOOL m_bTimer = FALSE;
};
