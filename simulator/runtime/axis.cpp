#include "simulator/runtime/axis.h"

#include <cmath>

namespace qcrt {

AxisRecord g_AxisRecords[kAxisCount];
int32_t g_DriveInterface[kAxisCount][2];
float g_ServoPeriod = 0.001f;

void SetAxisType(int axis, int type)
{
    if (axis < 0 || axis >= kAxisCount)
        return;
    AxisRecord& a = g_AxisRecords[axis];
    a.SetInt(kAxisVerify, 1);
    a.SetInt(kAxisServo, 0);
    switch (type) {
    case 1:
    case 2:
    case 3:
    case 6:
    case 10:
        a.SetInt(kAxisType, type);
        break;
    case 4:
        a.SetInt(kAxisType, 4);
        a.SetInt(kAxisVerify, 0);
        break;
    case 5:
        a.SetInt(kAxisType, 5);
        a.SetInt(kAxisMpos, a.GetInt(kAxisEncoder));
        break;
    case 7:
        a.SetInt(kAxisType, 7);
        a.SetInt(kAxisRepDist, 20000000);
        break;
    case 8:
        a.SetInt(kAxisType, 8);
        g_DriveInterface[axis][0] = 1;
        break;
    case 12:
        a.SetInt(kAxisType, 12);
        a.SetInt(kAxisOutLimit, 32767);
        a.SetInt(129, 0x3FFF);
        a.SetInt(130, 18);
        a.SetInt(131, -18);
        a.SetInt(44, 16397);
        g_DriveInterface[axis][1] = 8;
        break;
    default:
        a.SetInt(kAxisType, 0);
        a.SetInt(kAxisFeLimit, 20000);
        a.SetInt(kAxisOutLimit, 32767);
        break;
    }
    if (type == 1 || type == 4) {
        long microseconds = std::lround(g_ServoPeriod * 1000000.0f);
        a.SetInt(kAxisServoMode, microseconds == 250 ? 3 : (microseconds == 500 ? 1 : 0));
        a.SetInt(kAxisServo, 1);
    }
}

void ServoPeriodChanged() {}

} // namespace qcrt
