#include "foundation/logfile.h"

#include <cstdarg>
#include <cstring>

#include "foundation/bytenames.h"
#include "foundation/fileutil.h"
#include "framework/prompt.h"

namespace {

const char kBufferFullMarker[] = "** BUFFER FULL ERROR **";
const char kLineEnd[] = "\r\n";
const char kTxPrefix[] = "Tx: ";
const char kRxPrefix[] = "Rx: ";

ILogSettings g_defaultSettings;
std::atomic<ILogSettings*> g_settings{nullptr};
std::atomic<CLogFile*> g_installedLog{nullptr};

CLogFile& ProgramLog()
{
    static CLogFile log;
    return log;
}

bool StartsWith(LPCSTR text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace

ILogSettings& GetLogSettings()
{
    ILogSettings* settings = g_settings.load();
    return settings ? *settings : g_defaultSettings;
}

ILogSettings* SetLogSettings(ILogSettings* settings)
{
    ILogSettings* previous = g_settings.exchange(settings);
    // The program's log may have been made (and a line written) before the
    // settings came: it takes them now, not at its next start.
    ProgramLog().LoadSettings(GetLogSettings());
    return previous;
}

CString FormatLogTimeStamp(const SYSTEMTIME& time)
{
    static const char* const kMonths[13] = {"???", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* month = time.wMonth <= 12 ? kMonths[time.wMonth] : kMonths[0];
    CString text;
    text.Format("%02u-%s-%04u @ %02u:%02u:%02u.%03u", time.wDay, month, time.wYear, time.wHour, time.wMinute,
                time.wSecond, time.wMilliseconds);
    return text;
}

CLogFile::CLogFile()
{
    LoadSettings(GetLogSettings());
}

CLogFile::CLogFile(const ILogSettings& settings)
{
    LoadSettings(settings);
}

CLogFile::~CLogFile()
{
    Close();
}

void CLogFile::LoadSettings(const ILogSettings& settings)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    const CString path = settings.GetLogFileName();
    if (m_open && path != m_path)
        Close(); // the next line opens the new file
    m_mask = settings.GetLogFlags();
    m_enabled = settings.GetEnableCommsLogging() != FALSE;
    m_toFile = settings.GetLogToFile() != FALSE;
    m_debugPrint = settings.GetLogWithDebugPrint() != FALSE;
    m_timeStamp = settings.GetTimeStampLogEntries() != FALSE;
    m_txRxOnly = settings.GetLogTxRxDataOnly() != FALSE;
    m_path = path;
}

CString CLogFile::GetLogFilePath() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_path;
}

void CLogFile::SetFilePath(LPCSTR path)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_open) {
        Close();
        m_path = path;
        Open(FALSE, FALSE);
    } else {
        m_path = path;
    }
}

BOOL CLogFile::Open(BOOL truncate, BOOL force)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_path.IsEmpty()) {
        DebugPrint("Empty file path for log file\n");
        return FALSE;
    }
    if (!m_toFile && (!force || !PathExists(m_path, 0)))
        return TRUE;
    if (m_open)
        return TRUE;

    UINT flags = CFile::modeReadWrite | CFile::modeCreate | CFile::shareExclusive;
    if (!truncate)
        flags |= CFile::modeNoTruncate;
    if (!m_file.Open(m_path, flags)) {
        DebugPrint("Failed to open log file\n");
        return FALSE;
    }
    if (!truncate) {
        try {
            m_file.SeekToEnd();
        } catch (CException* e) {
            e->Delete();
            m_file.Abort();
            DebugPrint("Failed to open log file\n");
            return FALSE;
        }
    }
    m_open = true;
    return TRUE;
}

void CLogFile::Close()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_open)
        m_file.Abort();
    m_open = false;
}

DWORD CLogFile::SetLogMask(DWORD mask)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_mask = mask;
    return mask;
}

INT_PTR CLogFile::GetPendingLineCount() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_pending.GetCount();
}

int CLogFile::LogLine(LPCSTR text, DWORD category, BOOL openIfClosed)
{
    if (!m_enabled || !text || (!m_toFile && !m_debugPrint))
        return 0;

    CString output;
    if (!m_txRxOnly) {
        if ((category & m_mask) == 0)
            return 1;
        output = text;
    } else {
        // Only the link's data lines; the category does not matter here.
        if (!StartsWith(text, kTxPrefix) && !StartsWith(text, kRxPrefix))
            return 1;
        if (text[std::strlen(kTxPrefix)] != '\0')
            output = text;
    }
    output += kLineEnd;

    std::lock_guard<std::recursive_mutex> lock(m_lock);
    CString line;
    if (m_timeStamp) {
        SYSTEMTIME now;
        GetStampTime(now);
        line = FormatLogTimeStamp(now) + ": " + output;
    } else {
        line = output;
    }

    int result = 1;
    if (m_toFile) {
        bool openedHere = false;
        if (!m_open && openIfClosed)
            openedHere = Open(FALSE, FALSE) && m_open;
        if (!m_open) {
            // The file cannot be written now: the line waits for it.
            result = KeepPending(line);
        } else {
            if (!WriteLines(line))
                result = KeepPending(line);
            if (openedHere)
                Close();
        }
    }
    if (m_debugPrint)
        DebugPrint(line);
    return result;
}

int CLogFile::LogData(LPCSTR prefix, const BYTE* data, int count, DWORD category, BOOL openIfClosed)
{
    if (!m_enabled || !data || (category & m_mask) == 0)
        return 0;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    CString line = prefix ? prefix : "";
    line += BufferToByteNames(data, count);
    return LogLine(line, category, openIfClosed);
}

BOOL CLogFile::Reset(BOOL force)
{
    std::unique_lock<std::recursive_mutex> lock(m_lock);
    if (m_path.IsEmpty() || !PathExists(m_path, 0))
        return TRUE;

    const bool wasOpen = m_open;
    Close();
    // Open reports success without opening while logging to file is off
    // and force is clear; the file is not emptied then, so that is a
    // failure here.
    bool ok = Open(TRUE, force) && m_open;
    if (ok) {
        try {
            m_file.SeekToBegin();
            m_file.SetLength(0);
        } catch (CException* e) {
            e->Delete();
            ok = false;
        }
        Close();
    }
    if (wasOpen)
        Open(FALSE, force);
    lock.unlock();

    if (!ok)
        AfxGetPromptService().PromptDetached("Faild to reset log file", "Logfile");
    return ok ? TRUE : FALSE;
}

void CLogFile::GetStampTime(SYSTEMTIME& now) const
{
    ::GetLocalTime(&now);
}

void CLogFile::DebugPrint(LPCSTR text) const
{
    ::OutputDebugStringA(text);
}

int CLogFile::KeepPending(const CString& line)
{
    const INT_PTR pending = m_pending.GetCount();
    if (pending < kMaxPendingLines) {
        m_pending.AddTail(line);
        return 1;
    }
    if (pending == kMaxPendingLines)
        m_pending.AddTail(CString(kBufferFullMarker) + kLineEnd);
    return 0;
}

bool CLogFile::WriteLines(const CString& line)
{
    CString block;
    for (POSITION pos = m_pending.GetHeadPosition(); pos;)
        block += m_pending.GetNext(pos);
    block += line;
    try {
        m_file.Write(block.GetString(), static_cast<UINT>(block.GetLength()));
    } catch (CException* e) {
        e->Delete();
        DebugPrint("Failed to write log file\n");
        return false;
    }
    m_pending.RemoveAll();
    return true;
}

CLogFile& GetGlobalLog()
{
    CLogFile* log = g_installedLog.load();
    return log ? *log : ProgramLog();
}

CLogFile* SetGlobalLog(CLogFile* log)
{
    return g_installedLog.exchange(log);
}

int GlobalLogLine(LPCSTR text, DWORD category)
{
    return GetGlobalLog().LogLine(text, category, TRUE);
}

int GlobalLogFormat(DWORD category, LPCSTR format, ...)
{
    CLogFile& log = GetGlobalLog();
    // Formatting costs more than the mask test; skip it for lines that
    // would not be written.
    if (!log.IsEnabled())
        return 0;
    CString text;
    va_list args;
    va_start(args, format);
    text.FormatV(format, args);
    va_end(args);
    return log.LogLine(text, category, TRUE);
}
