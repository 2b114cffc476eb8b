// The log's settings read from the settings store: "LogFlags" under
// "\Comms"; "EnableCommsLogging", "LogToFile", "LogWithDebugPrint",
// "TimeStampLogEntries", "LogTxRxDataOnly" and "LogFileName" under
// "\Config". Every call reads the registry afresh.
#pragma once

#include "foundation/logfile.h"

class CVQLogSettings : public ILogSettings {
public:
    DWORD GetLogFlags() const override;
    BOOL GetEnableCommsLogging() const override;
    BOOL GetLogToFile() const override;
    BOOL GetLogWithDebugPrint() const override;
    BOOL GetTimeStampLogEntries() const override;
    BOOL GetLogTxRxDataOnly() const override;
    CString GetLogFileName() const override;
};

// Makes the settings store the source the log reads its settings from
// (SetLogSettings of foundation/logfile.h); the program calls it at
// start-up, before the global log is made. Returns the source installed
// before.
ILogSettings* InstallVQLogSettings();
