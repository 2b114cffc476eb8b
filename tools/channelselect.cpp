#include "tools/channelselect.h"

#include <cerrno>
#include <cstdlib>

#include "framework/collections.h"
#include "framework/controls.h"
#include "tools/tools_resource.h"

namespace tools {

namespace {

const UINT WM_PW_FREE_CHANNELS = WM_APP + 0x16E;  // first channel, CStringList*
const UINT WM_PW_CHOOSER_TOOL = WM_APP + 0x16F;   // the tool that asked
const UINT WM_PW_CHOSEN_CHANNEL = WM_APP + 0x170; // lParam the channel
const UINT WM_PW_OPEN_TOOL = WM_APP + 0x14C;      // tool id, 1 chosen
const UINT WM_PW_CHOOSER_CLOSED = WM_APP + 0x1A9; // posted

} // namespace

bool ParseOfferedChannel(const char* text, int& channel)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < -1 || value > 9)
        return false;
    channel = static_cast<int>(value);
    return true;
}

IMPLEMENT_DYNAMIC(CChannelSelectDlg, CToolDialog)

BEGIN_MESSAGE_MAP(CChannelSelectDlg, CToolDialog)
ON_WM_DESTROY()
ON_CONTROL(LBN_SELCHANGE, IDC_CHANNEL_LIST, OnSelectionChange)
ON_CONTROL(LBN_DBLCLK, IDC_CHANNEL_LIST, OnDoubleClick)
END_MESSAGE_MAP()

CChannelSelectDlg::CChannelSelectDlg(HWND hWndProject)
    : CToolDialog(IDD_CHANNEL_SELECT, TOOL_ID_CHANNEL_SELECT, "Channel select", 4, hWndProject)
{
}

bool CChannelSelectDlg::OnRegistered()
{
    const HWND project = GetProjectWindow();
    m_nToolKind = static_cast<int>(::SendMessageA(project, WM_PW_CHOOSER_TOOL, 0, 0));
    if (m_nToolKind != static_cast<int>(TOOL_ID_KEYPAD) && m_nToolKind != static_cast<int>(TOOL_ID_TERMINAL))
        return false;
    m_nFirstChannel = m_nToolKind == static_cast<int>(TOOL_ID_KEYPAD) ? 5 : 0;
    CStringList list;
    ::SendMessageA(project, WM_PW_FREE_CHANNELS, static_cast<WPARAM>(m_nFirstChannel), reinterpret_cast<LPARAM>(&list));
    for (POSITION position = list.GetHeadPosition(); position;)
        m_offered.push_back(list.GetNext(position).GetString());
    return true;
}

BOOL CChannelSelectDlg::OnInitTool()
{
    m_nChosen = -101;
    SetDlgItemText(IDC_CHANNEL_TOOL, m_nToolKind == static_cast<int>(TOOL_ID_KEYPAD) ? "Keypad" : "Terminal");
    const HWND list = ::GetDlgItem(m_hWnd, IDC_CHANNEL_LIST);
    int selected = -1;
    for (const std::string& text : m_offered) {
        int channel = 0;
        if (!ParseOfferedChannel(text.c_str(), channel))
            continue;
        const int index = static_cast<int>(::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
        ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(channel));
        if (selected < 0 && channel >= m_nFirstChannel)
            selected = index;
    }
    if (selected >= 0)
        ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    UpdateOk();
    return TRUE;
}

void CChannelSelectDlg::UpdateOk()
{
    const bool chosen = SendDlgItemMessage(IDC_CHANNEL_LIST, LB_GETCURSEL) != LB_ERR;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), chosen ? TRUE : FALSE);
    // OK is the default button only while it can be pressed.
    SendMessage(DM_SETDEFID, chosen ? IDOK : IDCANCEL);
}

void CChannelSelectDlg::OnSelectionChange()
{
    UpdateOk();
}

void CChannelSelectDlg::OnDoubleClick()
{
    OnOK();
}

void CChannelSelectDlg::OnOK()
{
    const LRESULT index = SendDlgItemMessage(IDC_CHANNEL_LIST, LB_GETCURSEL);
    if (index == LB_ERR) {
        Ask("You must select an item", "Error", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_nChosen = static_cast<int>(SendDlgItemMessage(IDC_CHANNEL_LIST, LB_GETITEMDATA, static_cast<WPARAM>(index)));
    const HWND project = GetProjectWindow();
    if (project && ::IsWindow(project)) {
        ::SendMessageA(project, WM_PW_CHOSEN_CHANNEL, 0, static_cast<LPARAM>(m_nChosen));
        ::SendMessageA(project, WM_PW_OPEN_TOOL, static_cast<WPARAM>(m_nToolKind), 1);
    }
    OnClose();
}

void CChannelSelectDlg::OnDestroy()
{
    const HWND project = GetProjectWindow();
    if (project && ::IsWindow(project))
        ::PostMessageA(project, WM_PW_CHOOSER_CLOSED, 0, 0);
    CToolDialog::OnDestroy();
}

} // namespace tools
