#include "settings/vqlogsettings.h"

#include "settings/vqregistry.h"

DWORD CVQLogSettings::GetLogFlags() const
{
    return CVQRegistry().GetLogFlags();
}

BOOL CVQLogSettings::GetEnableCommsLogging() const
{
    return CVQRegistry().GetEnableCommsLogging();
}

BOOL CVQLogSettings::GetLogToFile() const
{
    return CVQRegistry().GetLogToFile();
}

BOOL CVQLogSettings::GetLogWithDebugPrint() const
{
    return CVQRegistry().GetLogWithDebugPrint();
}

BOOL CVQLogSettings::GetTimeStampLogEntries() const
{
    return CVQRegistry().GetTimeStampLogEntries();
}

BOOL CVQLogSettings::GetLogTxRxDataOnly() const
{
    return CVQRegistry().GetLogTxRxDataOnly();
}

CString CVQLogSettings::GetLogFileName() const
{
    return CVQRegistry().GetLogFileName();
}

ILogSettings* InstallVQLogSettings()
{
    static CVQLogSettings settings;
    return SetLogSettings(&settings);
}
