// A file dialog service for tests: records every open and save dialog and
// answers from a script (first in, first out): a path means the user chose
// it (IDOK), a cancel means IDCANCEL. With the script empty it cancels.
// Installed for the lifetime of the object; safe to use from any thread.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "framework/filedialog.h"

class ScriptedFileDialogs : public IFileDialogService {
public:
    struct Record {
        bool open;
        std::string defExt;
        std::string fileName;
        std::string filter;
        DWORD flags;
    };

    ScriptedFileDialogs();
    ~ScriptedFileDialogs() override;
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    void Choose(const std::string& path);
    void Cancel();
    std::vector<Record> Records() const;

    INT_PTR Run(const CFileDialogRequest& request, CString& rPathName) override;

private:
    mutable std::mutex m_lock;
    std::deque<std::optional<std::string>> m_answers;
    std::vector<Record> m_records;
};
