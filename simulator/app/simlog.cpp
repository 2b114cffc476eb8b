#include "simulator/app/simlog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "foundation/registry.h"

namespace {

const char kSettingsKey[] = "Software\\VexoLabs\\QCSimulation";

const char* const kControlNames[33] = {
    "<NUL>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>", "<BEL>", "<BS>",  "<HT>",  "<LF>",
    "<VT>",  "<FF>",  "<CR>",  "<SO>",  "<SI>",  "<SLE>", "<DC1>", "<DC2>", "<DC3>", "<DC4>", "<NAK>",
    "<SYN>", "<ETB>", "<CAN>", "<EM>",  "<SIB>", "<ESC>", "<FS>",  "<GS>",  "<RS>",  "<US>",  "<Sp>"};

// Every byte's name, made once: 256 entries of up to 7 characters.
struct ByteNames {
    char text[256][8];
    ByteNames()
    {
        for (int n = 0; n < 256; ++n) {
            if (n <= 32)
                std::snprintf(text[n], sizeof text[n], "%s", kControlNames[n]);
            else if (n == 34)
                text[n][0] = 0;
            else if (n < 127)
                std::snprintf(text[n], sizeof text[n], "%c", n);
            else if (n == 127)
                std::snprintf(text[n], sizeof text[n], "<DEL>");
            else
                std::snprintf(text[n], sizeof text[n], "<0x%02x>", n);
        }
    }
};
const ByteNames g_ByteNames;

std::string KeyPath(const char* subkey)
{
    return std::string(kSettingsKey) + subkey;
}

// Serialises the file; a writer that cannot have it within a second drops
// its line.
class MutexHold {
public:
    explicit MutexHold(HANDLE mutex) : m_mutex(mutex)
    {
        const DWORD result = mutex ? WaitForSingleObject(mutex, 1000) : WAIT_FAILED;
        m_held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~MutexHold()
    {
        if (m_held)
            ReleaseMutex(m_mutex);
    }
    bool Held() const { return m_held; }

private:
    HANDLE m_mutex;
    bool m_held;
};

} // namespace

void FormatLogStamp(const SYSTEMTIME& time, char* out, size_t size)
{
    static const char* const months[13] = {"???", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* month = time.wMonth <= 12 ? months[time.wMonth] : "???";
    std::snprintf(out, size, "%02u-%s-%04u @ %02u:%02u:%02u.%03u", time.wDay, month, time.wYear, time.wHour,
                  time.wMinute, time.wSecond, time.wMilliseconds);
}

const char* LogByteName(uint8_t byte)
{
    return g_ByteNames.text[byte];
}

DWORD ReadSimSettingDword(const char* subkey, const char* name, DWORD fallback)
{
    DWORD value = 0;
    return CRegistry(HKEY_CURRENT_USER, KeyPath(subkey).c_str()).GetDword(name, value) ? value : fallback;
}

void WriteSimSettingDword(const char* subkey, const char* name, DWORD value)
{
    const std::string path = KeyPath(subkey);
    if (CRegistry::CreatePath(HKEY_CURRENT_USER, path.c_str()))
        CRegistry(HKEY_CURRENT_USER, path.c_str()).SetDword(name, value);
}

std::string ReadSimSettingString(const char* subkey, const char* name)
{
    CString text;
    CRegistry(HKEY_CURRENT_USER, KeyPath(subkey).c_str()).GetString(name, text);
    return static_cast<LPCSTR>(text);
}

void WriteSimSettingString(const char* subkey, const char* name, const std::string& value)
{
    const std::string path = KeyPath(subkey);
    if (CRegistry::CreatePath(HKEY_CURRENT_USER, path.c_str()))
        CRegistry(HKEY_CURRENT_USER, path.c_str()).SetString(name, value.c_str());
}

namespace qcsim {

CLogFile::CLogFile() : m_mutex(CreateMutexA(nullptr, FALSE, nullptr))
{
    ReadSettings();
}

CLogFile::~CLogFile()
{
    Close();
    if (m_mutex)
        CloseHandle(m_mutex);
}

void CLogFile::ReadSettings()
{
    m_enabled = ReadSimSettingDword("\\Config", "EnableCommsLogging", 0) != 0;
    m_toFile = ReadSimSettingDword("\\Config", "LogToFile", 1) != 0;
    m_debugOutput = ReadSimSettingDword("\\Config", "LogWithDebugPrint", 0) != 0;
    m_mask = ReadSimSettingDword("\\Comms", "LogFlags", 0);
    MutexHold hold(m_mutex);
    if (hold.Held())
        m_fileName = ReadSimSettingString("\\Config", "LogFileName");
}

int CLogFile::LogLine(const char* text, unsigned category, bool openWhenClosed)
{
    if (!m_enabled || !text || !(m_toFile || m_debugOutput))
        return 0;
    if ((m_mask & category) == 0)
        return 1;
    SYSTEMTIME now;
    GetSystemTime(&now);
    char line[1200];
    FormatLogStamp(now, line, 40);
    size_t used = std::strlen(line);
    std::snprintf(line + used, sizeof line - used, ": %.1100s\r\n", text);
    used = std::strlen(line);
    if (m_toFile) {
        MutexHold hold(m_mutex);
        if (hold.Held()) {
            const bool wasOpen = m_file != INVALID_HANDLE_VALUE;
            if (!wasOpen && openWhenClosed)
                OpenLocked(false);
            if (m_file != INVALID_HANDLE_VALUE) {
                DWORD written = 0;
                WriteFile(m_file, line, static_cast<DWORD>(used), &written, nullptr);
            }
            if (!wasOpen)
                CloseLocked();
        }
    }
    if (m_debugOutput)
        OutputDebugStringA(line);
    return 1;
}

int CLogFile::LogData(const char* prefix, const uint8_t* data, int length, unsigned category, bool openWhenClosed)
{
    if (!m_enabled || !data || (m_mask & category) == 0)
        return 0;
    char text[1100];
    size_t used = static_cast<size_t>(std::snprintf(text, sizeof text, "%s", prefix ? prefix : ""));
    for (int n = 0; n < length && used + 8 < sizeof text; ++n) {
        const char* name = LogByteName(data[n]);
        const size_t size = std::strlen(name);
        std::memcpy(text + used, name, size);
        used += size;
    }
    text[used] = 0;
    return LogLine(text, category, openWhenClosed);
}

int CLogFile::LogFormat(unsigned category, const char* format, ...)
{
    if (!m_enabled || (m_mask & category) == 0)
        return 0;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return LogLine(text, category);
}

bool CLogFile::OpenLocked(bool truncate)
{
    if (!m_toFile || m_file != INVALID_HANDLE_VALUE || m_fileName.empty())
        return false;
    m_file = CreateFileA(m_fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         truncate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file == INVALID_HANDLE_VALUE)
        return false;
    if (!truncate)
        SetFilePointer(m_file, 0, nullptr, FILE_END);
    return true;
}

void CLogFile::CloseLocked()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
}

bool CLogFile::Open(bool truncate)
{
    MutexHold hold(m_mutex);
    return hold.Held() && OpenLocked(truncate);
}

void CLogFile::Close()
{
    MutexHold hold(m_mutex);
    if (hold.Held())
        CloseLocked();
}

bool CLogFile::Reset()
{
    MutexHold hold(m_mutex);
    if (!hold.Held())
        return false;
    if (GetFileAttributesA(m_fileName.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    const bool wasOpen = m_file != INVALID_HANDLE_VALUE;
    CloseLocked();
    // Emptied whether or not the log writes to the file now: the user may
    // reset the file before turning file output on.
    HANDLE file = CreateFileA(m_fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool truncated = file != INVALID_HANDLE_VALUE;
    if (truncated)
        CloseHandle(file);
    if (wasOpen)
        OpenLocked(false);
    return truncated;
}

void CLogFile::SetFilePath(const std::string& name)
{
    MutexHold hold(m_mutex);
    if (!hold.Held())
        return;
    const bool wasOpen = m_file != INVALID_HANDLE_VALUE;
    CloseLocked();
    m_fileName = name;
    if (wasOpen)
        OpenLocked(false);
}

} // namespace qcsim

qcsim::CLogFile& SimLog()
{
    static qcsim::CLogFile log;
    return log;
}
