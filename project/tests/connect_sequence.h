// The commands a connect sends to a controller of the scripted kind (QC116,
// 8 axes, one module slot), in order, as the controller takes them: the
// channel-mode opening, the post-connect reads and the hardware scan; the
// replies that script such a controller, and a connect screen that is
// answered at once.
#pragma once

#include <string>
#include <vector>

#include "link/tests/support/scripted_controller.h"
#include "project/projectsearch.h"

inline std::vector<std::string> ExpectedConnectCommands()
{
    std::vector<std::string> expected = {"VQE(0)", "", "?CONTROL[0]", "?VERSION", "VQE(1)", "?POWER_UP[0];",
                                         "?POWER_UP[0];", "?WDOG[0];", "&C", "?FREE[0];", "?SERVO_PERIOD;"};
    for (int axis = 0; axis < 8; ++axis)
        expected.push_back("?ATYPE AXIS(" + std::to_string(axis) + ")[0];");
    expected.push_back("?COMMSTYPE SLOT(0)[0];");
    for (const char* io : {"?NIO[0];", "?NAIO[0];", "?N_ANA_OUT[0];"})
        expected.push_back(io);
    return expected;
}

// The post-connect reads' replies: no programs fixed, the watchdog on, no
// axes or modules fitted, 16 digital and 4 analogue inputs, 2 outputs.
inline void ScriptConnectReplies(CScriptedController& link)
{
    link.SetReply("?POWER_UP[0];", "0");
    link.SetReply("?WDOG[0];", "1");
    link.SetReply("?FREE[0];", "12345");
    link.SetReply("?SERVO_PERIOD;", "1000");
    link.SetReplyPattern("?ATYPE AXIS(%d)[0];", "0");
    link.SetReplyPattern("?COMMSTYPE SLOT(%d)[0];", "0");
    link.SetReply("?NIO[0];", "16");
    link.SetReply("?NAIO[0];", "4");
    link.SetReply("?N_ANA_OUT[0];", "2");
}

// A connect screen that shows nothing and answers OK.
class QuietScreen : public IConnectScreen {
public:
    void SetStatusText(LPCSTR) override {}
    void EnableOkButton(BOOL) override {}
    int WaitForUser() override { return IDOK; }
    void Cancel() override {}
};
