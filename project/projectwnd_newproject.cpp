// A new project: the controller emptied and a new, empty project folder
// made the open project.
#include "project/projectwnd.h"

int CProjectWnd::CreateNewProject()
{
    return 0;
}
