// The program file import (a program file put into the project folder and
// loaded into the controller) and the tools' file requests.
#include "project/projectwnd.h"

#include "foundation/logline.h"

BOOL CProjectWnd::ImportProgramFile(LPCSTR, LPCSTR, int, BOOL)
{
    return FALSE;
}

bool CProjectWnd::HandleImportMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message) {
    case PWM_LOAD_FILE:
    case PWM_SAVE_FILE: {
        // The texts are heap copies of the sender's.
        auto* first = reinterpret_cast<char*>(wParam);
        auto* second = reinterpret_cast<char*>(lParam);
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "File operation %d: %s %s", message == PWM_LOAD_FILE ? 1 : 3,
                        first ? first : "", second ? second : "");
        delete[] first;
        delete[] second;
        return true;
    }
    default:
        return false;
    }
}
