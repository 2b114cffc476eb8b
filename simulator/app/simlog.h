// The simulator's program-wide log: what crosses the link, the peer search
// and the task switches, each line stamped with the UTC time. Off unless the
// user enables it. Lines are formatted into fixed buffers, so the sequencer
// and the runtime's threads log without heap allocation.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Log categories (bits of the mask).
constexpr unsigned kLogComms = 1;       // bytes crossing the link
constexpr unsigned kLogChannel = 2;
constexpr unsigned kLogTaskSwitch = 4;  // sequencer switches
constexpr unsigned kLogFindWindow = 8;  // the peer search

// Writes "DD-Mon-YYYY @ hh:mm:ss.mmm" of time into out (at least 32 bytes).
void FormatLogStamp(const SYSTEMTIME& time, char* out, size_t size);
// The name a logged byte is written as ("<CR>", "A", "<0x80>"...).
const char* LogByteName(uint8_t byte);

// The simulator's settings: HKEY_CURRENT_USER\Software\VexoLabs\QCSimulation
// with "\Config" or "\Comms"; a DWORD of another type counts as absent.
DWORD ReadSimSettingDword(const char* subkey, const char* name, DWORD fallback);
void WriteSimSettingDword(const char* subkey, const char* name, DWORD value);
std::string ReadSimSettingString(const char* subkey, const char* name);
void WriteSimSettingString(const char* subkey, const char* name, const std::string& value);

// In a namespace of its own: the development environment's foundation
// library has a log class of the same name.
namespace qcsim {

class CLogFile {
public:
    CLogFile();
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Reads the enable flags, the mask and the file name from the settings.
    void ReadSettings();

    // 0 when nothing is written (disabled, no text, no output); 1 otherwise,
    // also when the category is masked out.
    int LogLine(const char* text, unsigned category, bool openWhenClosed = true);
    int LogData(const char* prefix, const uint8_t* data, int length, unsigned category, bool openWhenClosed = true);
    // printf-style line into a fixed buffer.
    int LogFormat(unsigned category, const char* format, ...);

    bool Open(bool truncate);
    void Close();
    bool Reset();
    void SetFilePath(const std::string& name);
    void SetLogMask(unsigned mask) { m_mask = mask; }
    void SetEnabled(bool on) { m_enabled = on; }
    void SetLogToFile(bool on) { m_toFile = on; }
    void SetDebugOutput(bool on) { m_debugOutput = on; }
    bool IsEnabled() const { return m_enabled; }
    bool WritesToFile() const { return m_toFile; }
    bool WritesDebugOutput() const { return m_debugOutput; }
    unsigned GetLogMask() const { return m_mask; }
    const std::string& GetFilePath() const { return m_fileName; }

private:
    bool OpenLocked(bool truncate);
    void CloseLocked();

    HANDLE m_mutex = nullptr;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    volatile bool m_enabled = false;
    volatile unsigned m_mask = 0;
    volatile bool m_toFile = true;
    volatile bool m_debugOutput = false;
    std::string m_fileName;
};

} // namespace qcsim

qcsim::CLogFile& SimLog();
