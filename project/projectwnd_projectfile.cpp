// The project window's operations on the project file: the controller
// model it was made for, the program list, choosing and converting a
// project.
#include "project/projectwnd.h"

BOOL CProjectWnd::ConfirmProjectController(LPCSTR)
{
    return FALSE;
}

BOOL CProjectWnd::MatchProjectController()
{
    return TRUE;
}

BOOL CProjectWnd::WriteProgramList(LPCSTR, BOOL)
{
    return FALSE;
}

int CProjectWnd::ChooseProjectFile(int)
{
    return 0;
}

BOOL CProjectWnd::ConvertProjectFile(LPCSTR)
{
    return FALSE;
}

bool CProjectWnd::HandleProjectMessage(UINT, WPARAM, LPARAM, LRESULT& result)
{
    result = 0;
    return false;
}
