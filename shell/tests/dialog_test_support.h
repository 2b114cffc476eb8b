// What the shell's dialog tests share: an application whose main window is
// the fake main frame with the fake project window behind it, an empty
// registry, scripted prompts and file dialogs, and a log that keeps its
// lines.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "testsupport/fake_windows.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_file_dialogs.h"
#include "testsupport/scripted_prompts.h"

class ShellDialogTest : public testing::Test {
protected:
    RegistrySandbox m_sandbox;
    CWinApp m_app{"Shell tests"};
    MemoryLog m_log{LOG_DESTROY_REQUESTS | LOG_WINDOW_REGISTRATION};
    ScriptedPrompts m_prompts;
    ScriptedFileDialogs m_files;
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
};

std::string ItemText(HWND hDlg, int id);
bool ItemEnabled(HWND hDlg, int id);
bool ItemChecked(HWND hDlg, int id);
// Clicks a button the way a user does (the click is posted).
void Click(HWND hDlg, int id);
// Waits for a shown top-level dialog with this caption; null after 5 s.
HWND WaitForDialog(const char* caption);
