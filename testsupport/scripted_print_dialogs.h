// A print dialog service for tests: records every print dialog and answers
// from a script (first in, first out): a printer name means the user chose
// that printer (IDOK, with fresh DEVMODE and DEVNAMES handles for it, the
// ones passed in freed as the system's dialog may do), a cancel means
// IDCANCEL with the handles left as they were. With the script empty it
// cancels. Installed for the lifetime of the object; safe from any thread.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "framework/printdialog.h"

class ScriptedPrintDialogs : public IPrintDialogService {
public:
    struct Record {
        HWND owner;
        DWORD flags;
        std::string printer; // of the DEVMODE passed in; empty without one
        bool hadDevNames;
    };

    ScriptedPrintDialogs();
    ~ScriptedPrintDialogs() override;
    ScriptedPrintDialogs(const ScriptedPrintDialogs&) = delete;
    ScriptedPrintDialogs& operator=(const ScriptedPrintDialogs&) = delete;

    void Choose(const std::string& printer);
    void Cancel();
    std::vector<Record> Records() const;

    // The device name in a DEVMODE handle; empty for null.
    static std::string PrinterOf(HGLOBAL hDevMode);

    INT_PTR Run(PRINTDLGA& pd) override;

private:
    mutable std::mutex m_lock;
    std::deque<std::optional<std::string>> m_answers;
    std::vector<Record> m_records;
};
