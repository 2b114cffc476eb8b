// What several foundation test files share: a scratch folder per test,
// whole-file reads and writes, and a global log that writes into a file
// the test can read back.
#pragma once

#include <windows.h>

#include <string>

#include "foundation/logfile.h"

// A fresh folder under the temporary folder, removed with everything in it
// when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "\" + name.
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void RemoveTree(const std::string& folder);
// The whole file, bytes as they are; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& content);

// Installs a log of its own as the global log for the object's lifetime:
// enabled, every category, file only, no time stamps, writing into a
// scratch file.
class CapturedGlobalLog {
public:
    CapturedGlobalLog();
    ~CapturedGlobalLog();
    CapturedGlobalLog(const CapturedGlobalLog&) = delete;
    CapturedGlobalLog& operator=(const CapturedGlobalLog&) = delete;

    // What has been written so far.
    std::string Text() const { return ReadWholeFile(m_path); }

private:
    ScratchFolder m_folder;
    std::string m_path;
    CLogFile m_log;
    CLogFile* m_previous;
};
