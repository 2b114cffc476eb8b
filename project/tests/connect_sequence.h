// The commands a connect sends to a controller of the scripted kind (QC116,
// 8 axes, one module slot), in order, as the controller takes them: the
// channel-mode opening, the post-connect reads and the hardware scan.
#pragma once

#include <string>
#include <vector>

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
