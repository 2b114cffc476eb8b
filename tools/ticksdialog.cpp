#include "tools/ticksdialog.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "tools/watchdialogs_resource.h"

namespace {

constexpr UINT_PTR kReadTimer = 1;
constexpr UINT kReadPeriodMs = 1000;

} // namespace

using tools::CToolDialog;

IMPLEMENT_DYNAMIC(CTicksDialog, CToolDialog)

BEGIN_MESSAGE_MAP(CTicksDialog, CToolDialog)
ON_WM_TIMER()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_TICKS_ZERO, OnZero)
ON_BN_CLICKED(IDC_TICKS_ABS, OnAbsolute)
ON_BN_CLICKED(IDC_TICKS_REL, OnRelative)
END_MESSAGE_MAP()

CTicksDialog::CTicksDialog(HWND hWndProject) : tools::CToolDialog(IDD_TICKS, kToolIdTicks, "Ticks", 1, hWndProject) {}

BOOL CTicksDialog::OnInitTool()
{
    m_bTimer = SetTimer(kReadTimer, kReadPeriodMs, nullptr) != 0;
    ShowMode();
    ShowValue();
    ReadTicks();
    return TRUE;
}

void CTicksDialog::WriteOwnData(SWindowParameters& record)
{
    tools::SetRecordWord(record, tools::kRecordOwnOffset, m_counter.IsRelative() ? 1 : 0);
}

void CTicksDialog::ReadOwnData(const SWindowParameters& record)
{
    m_counter.SetRelative(tools::GetRecordWord(record, tools::kRecordOwnOffset) != 0);
}

BOOL CTicksDialog::ReadTicks()
{
    if (m_bReading || IsClosing())
        return FALSE;
    m_bReading = TRUE;
    std::vector<ControllerMessage> replies;
    BOOL taken = FALSE;
    if (Send({CommandItem(kCommandTicks)}, &replies)) {
        for (const ControllerMessage& reply : replies)
            if (reply.m_nCommandId == kCommandTicks) {
                m_counter.Take(reply.GetInteger());
                taken = TRUE;
            }
    }
    m_bReading = FALSE;
    // Without an answer the value shown stays.
    if (taken && m_hWnd)
        ShowValue();
    return taken;
}

void CTicksDialog::ShowValue()
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64, m_counter.Shown());
    SetDlgItemText(IDC_TICKS_VALUE, text);
}

void CTicksDialog::ShowMode()
{
    CheckRadioButton(IDC_TICKS_ABS, IDC_TICKS_REL, m_counter.IsRelative() ? IDC_TICKS_REL : IDC_TICKS_ABS);
}

void CTicksDialog::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kReadTimer)
        ReadTicks();
    else
        tools::CToolDialog::OnTimer(nIDEvent);
}

void CTicksDialog::OnZero()
{
    m_counter.Zero();
    ShowMode();
}

void CTicksDialog::OnAbsolute()
{
    m_counter.SetRelative(false);
}

void CTicksDialog::OnRelative()
{
    m_counter.SetRelative(true);
}

void CTicksDialog::OnDestroy()
{
    if (m_bTimer)
        KillTimer(kReadTimer);
    m_bTimer = FALSE;
    tools::CToolDialog::OnDestroy();
}
