// Saving a project: from the controller, or as a copy of the open project.
#include "project/projectwnd.h"

int CProjectWnd::SaveProject(BOOL, CCheckProject*, BOOL)
{
    return 0;
}

int CProjectWnd::SaveProjectInto(LPCSTR, BOOL, CCheckProject*, BOOL)
{
    return 0;
}
