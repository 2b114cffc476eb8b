// CChannelSelectDlg: before a terminal or keypad opens on a controller
// channel, the user picks one of the channels no other tool window uses.
// A tool window of its own (tool id 1019, routing class 4: no controller
// traffic); the project window says which tool asked (0x816F) and lists
// the free channels (0x816E); the choice goes back as 0x8170 and the
// project window is asked to open the tool with it (0x814C, lParam 1).
// When it goes it tells the project window (0x81A9) that a new chooser may
// open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/base/tooldialog.h"

namespace tools {

const UINT TOOL_ID_CHANNEL_SELECT = 1019;
const UINT TOOL_ID_KEYPAD = 1031;
const UINT TOOL_ID_TERMINAL = 1042;
// The launcher's key of the chooser.
const UINT TOOL_KEY_CHANNEL_SELECT = 2001;

// The channel a list text names, when it is one this dialog offers (-1 to
// 9); false for any other text.
bool ParseOfferedChannel(const char* text, int& channel);

class CChannelSelectDlg : public CToolDialog {
    DECLARE_DYNAMIC(CChannelSelectDlg)
public:
    explicit CChannelSelectDlg(HWND hWndProject = nullptr);

    int GetToolKind() const { return m_nToolKind; }
    int GetChosenChannel() const { return m_nChosen; }

protected:
    bool OnRegistered() override;
    BOOL OnInitTool() override;
    void OnOK() override;
    void OnDestroy();
    void OnSelectionChange();
    void OnDoubleClick();

    DECLARE_MESSAGE_MAP()

private:
    void UpdateOk();

    int m_nToolKind = 0;
    int m_nFirstChannel = 0;
    int m_nChosen = -101;
    std::vector<std::string> m_offered;
};

} // namespace tools
