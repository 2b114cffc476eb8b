// The STARTUP data: controller values stored as BASIC lines in the
// project's STARTUP program.
#include "project/projectwnd.h"

BOOL CProjectWnd::WriteStartupData()
{
    return FALSE;
}
