// CLogFile: the program-wide diagnostic log.
//
// Every subsystem writes lines to the one global log with a category bit
// (foundation/logline.h); the category mask decides which lines are
// written. Lines go to a text file, to the debugger output, or both,
// optionally behind a time stamp ("05-Mar-2024 @ 07:08:09.045: "). A
// Tx/Rx-only mode keeps just the link's "Tx: " and "Rx: " data lines.
//
// The file is normally open only while one line is written, so other
// programs can read it between lines. While it cannot be opened, up to 1024
// lines wait in memory; the next line is replaced by the marker
// "** BUFFER FULL ERROR **" and later ones are lost until the file opens
// again, when every waiting line is written first, in order.
//
// The log's own failures go to the debugger output; only Reset reports to
// the user (through the prompt service).
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

#include "framework/collections.h"
#include "framework/cstring.h"
#include "framework/file.h"
#include "foundation/logline.h"

// The log's switches as the settings store keeps them: "LogFlags" under
// "Comms"; "EnableCommsLogging", "LogToFile", "LogWithDebugPrint",
// "TimeStampLogEntries", "LogTxRxDataOnly" and "LogFileName" under
// "Config". The settings store implements this; the base class answers the
// defaults of a missing value.
class ILogSettings {
public:
    virtual ~ILogSettings() = default;
    virtual DWORD GetLogFlags() const { return 0; }
    virtual BOOL GetEnableCommsLogging() const { return FALSE; }
    virtual BOOL GetLogToFile() const { return TRUE; }
    virtual BOOL GetLogWithDebugPrint() const { return FALSE; }
    virtual BOOL GetTimeStampLogEntries() const { return TRUE; }
    virtual BOOL GetLogTxRxDataOnly() const { return FALSE; }
    virtual CString GetLogFileName() const { return CString(); }
};

// The settings the log reads when it is made (the defaults until the
// settings store installs itself). Installing (null puts the defaults
// back) also makes the program's own log take the settings at once, so
// lines logged before the install do not fix it at the defaults. The
// result is the source installed before (null for the defaults).
ILogSettings& GetLogSettings();
ILogSettings* SetLogSettings(ILogSettings* settings);

// The log's time stamp: "%02u-%s-%04u @ %02u:%02u:%02u.%03u" with day,
// month abbreviation ("Jan".."Dec", "???" for any other month number),
// year, hour, minute, second and millisecond.
CString FormatLogTimeStamp(const SYSTEMTIME& time);

class CLogFile : public CObject {
public:
    // Reads the switches once from the installed settings (or from the
    // given ones). The file is not opened here.
    CLogFile();
    explicit CLogFile(const ILogSettings& settings);
    ~CLogFile() override;
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Takes every switch from settings again; an open file whose path
    // changes is closed.
    void LoadSettings(const ILogSettings& settings);

    CString GetLogFilePath() const;
    // An open file is closed, and the new path opened for appending.
    void SetFilePath(LPCSTR path);

    // Opens the file for reading and writing, exclusively, created when
    // missing; truncate empties it, else writing continues at the end.
    // While log-to-file is off nothing happens (result TRUE) unless force
    // is set and the file exists. TRUE on success or when there was nothing
    // to do; an empty path or a failed open give FALSE.
    BOOL Open(BOOL truncate = FALSE, BOOL force = FALSE);
    void Close();
    BOOL IsOpen() const { return m_open.load(); }

    // Writes text (a line end is added) when the category has a bit in the
    // mask (or, in Tx/Rx-only mode, when it begins with "Tx: " or "Rx: ").
    // A closed file is opened for this one line when openIfClosed is set;
    // otherwise the line waits for the next opening. Returns 0 when the
    // line was refused (log disabled, null text, neither file nor debugger
    // output on, or lost because the waiting lines are full), non-zero
    // otherwise, also when the mask filtered the line out.
    int LogLine(LPCSTR text, DWORD category, BOOL openIfClosed = TRUE);
    // One line of prefix (may be null) followed by the printable name of
    // each byte ("<STX>A<Sp><0xf6>"). 0 when the log is disabled, data is
    // null or the category is not in the mask; otherwise LogLine's result.
    int LogData(LPCSTR prefix, const BYTE* data, int count, DWORD category, BOOL openIfClosed = TRUE);

    // Empties the log file. TRUE when it was emptied or does not exist;
    // a failure is also shown to the user ("Faild to reset log file").
    BOOL Reset(BOOL force = FALSE);

    // Lines waiting for the file (at most 1025, the last then the marker).
    INT_PTR GetPendingLineCount() const;

    DWORD SetLogMask(DWORD mask);
    DWORD GetLogMask() const { return m_mask.load(); }
    BOOL SetEnabled(BOOL enabled)
    {
        m_enabled = enabled != FALSE;
        return enabled;
    }
    BOOL IsEnabled() const { return m_enabled.load(); }
    BOOL SetLogToFile(BOOL on)
    {
        m_toFile = on != FALSE;
        return on;
    }
    BOOL GetLogToFile() const { return m_toFile.load(); }
    BOOL SetLogWithDebugPrint(BOOL on)
    {
        m_debugPrint = on != FALSE;
        return on;
    }
    BOOL GetLogWithDebugPrint() const { return m_debugPrint.load(); }
    BOOL SetTimeStampEntries(BOOL on)
    {
        m_timeStamp = on != FALSE;
        return on;
    }
    BOOL GetTimeStampEntries() const { return m_timeStamp.load(); }
    BOOL SetLogTxRxDataOnly(BOOL on)
    {
        m_txRxOnly = on != FALSE;
        return on;
    }
    BOOL GetLogTxRxDataOnly() const { return m_txRxOnly.load(); }

    // Most lines the log keeps while its file cannot be opened.
    static const int kMaxPendingLines = 1024;

protected:
    // The local time of a time stamp.
    virtual void GetStampTime(SYSTEMTIME& now) const;
    // Text for the debugger output.
    virtual void DebugPrint(LPCSTR text) const;

private:
    // Keeps a line for the next opening; 0 when it was lost.
    int KeepPending(const CString& line);
    // Writes the waiting lines and then line; false when the write failed
    // (everything is kept for the next opening then).
    bool WriteLines(const CString& line);

    CFile m_file;
    mutable std::recursive_mutex m_lock;
    std::atomic<DWORD> m_mask{0};
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_enabled{false};
    std::atomic<bool> m_toFile{true};
    std::atomic<bool> m_debugPrint{false};
    std::atomic<bool> m_timeStamp{true};
    std::atomic<bool> m_txRxOnly{false};
    CString m_path;
    CStringList m_pending;
};

// The global log. Tests may install their own instance (null puts the
// program's own back); the result is the instance installed before, null
// for the program's own.
CLogFile& GetGlobalLog();
CLogFile* SetGlobalLog(CLogFile* log);
