// A global log that writes into a file the test can read back.
#pragma once

#include <string>

#include "foundation/logfile.h"
#include "testsupport/scratch_folder.h"

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
