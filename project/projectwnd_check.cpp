// The project check: whether the controller holds the open project's
// programs, and the way to a state where it does.
#include "project/projectwnd.h"

BOOL CProjectWnd::RunProjectCheck(BOOL)
{
    return TRUE;
}

bool CProjectWnd::AreProgramsFixed()
{
    return false;
}

bool CProjectWnd::HandleCheckMessage(UINT, WPARAM, LPARAM, LRESULT& result)
{
    result = 0;
    return false;
}
