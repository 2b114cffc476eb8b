// What the dialog tests share: an application whose main window is the
// fake main frame, the fake project window behind it, a log that keeps its
// lines, and helpers that play the user on another thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "framework/geometry.h"
#include "testsupport/fake_windows.h"
#include "testsupport/memory_log.h"

class DialogTest : public testing::Test {
protected:
    CWinApp m_app{"UI tests"};
    MemoryLog m_log{LOG_DESTROY_REQUESTS | LOG_WINDOW_REGISTRATION};
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
};

// A control's rectangle in its dialog's client coordinates.
CRect ControlRect(HWND hDlg, int id);
std::string ControlText(HWND hDlg, int id);
bool ControlVisible(HWND hDlg, int id);

// Waits for a dialog to register under the dialog tool id and to be shown
// (a dialog registers while it is being created, before its controls
// exist); its window, or null.
HWND WaitForShownDialog(const FakeProjectWindow& project);

// Plays the user on a thread of its own: waits for the next dialog that
// registers under the dialog tool id and is shown, then runs action with
// its window.
class User {
public:
    User(FakeProjectWindow& project, std::function<void(HWND)> action);
    ~User();
    User(const User&) = delete;
    User& operator=(const User&) = delete;

    // Waits for the action to finish; the dialog it acted on (null when
    // none registered in time).
    HWND Finish();

private:
    std::thread m_thread;
    HWND m_hDlg = nullptr;
};

// What the user does.
void ClickButton(HWND hDlg, int id);
void PressEscape(HWND hDlg);
void RequestDestroy(HWND hDlg);
