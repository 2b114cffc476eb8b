#include "testsupport/captured_log.h"

namespace {

class CaptureSettings : public ILogSettings {
public:
    explicit CaptureSettings(std::string path) : m_path(std::move(path)) {}
    DWORD GetLogFlags() const override { return 0xFFFFFFFF; }
    BOOL GetEnableCommsLogging() const override { return TRUE; }
    BOOL GetTimeStampLogEntries() const override { return FALSE; }
    CString GetLogFileName() const override { return m_path.c_str(); }

private:
    std::string m_path;
};

} // namespace

CapturedGlobalLog::CapturedGlobalLog()
    : m_path(m_folder / "global.log"), m_log(CaptureSettings(m_path)), m_previous(SetGlobalLog(&m_log))
{
}

CapturedGlobalLog::~CapturedGlobalLog()
{
    SetGlobalLog(m_previous);
}
