// Loading a project into the controller, and reverting a project to its
// backup.
#include "project/projectwnd.h"

int CProjectWnd::LoadProject(LPCSTR, CCheckProject*, BOOL, BOOL)
{
    return 0;
}

BOOL CProjectWnd::RevertProject()
{
    return FALSE;
}
