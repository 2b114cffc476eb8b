#include "framework/datetime.h"

#include <vector>

#include "framework/exceptions.h"

namespace {

// 100 ns intervals from 1601-01-01 (FILETIME's origin) to 1970-01-01.
const ULONGLONG kFileTimeUnixEpoch = 116444736000000000ULL;
const ULONGLONG kFileTimeTicksPerSecond = 10000000ULL;

__time64_t MakeLocalTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST)
{
    if (nYear < 1900 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31 || nHour < 0 || nHour > 23 || nMin < 0 ||
        nMin > 59 || nSec < 0 || nSec > 59)
        AfxThrowInvalidArgException();
    struct tm t = {};
    t.tm_year = nYear - 1900;
    t.tm_mon = nMonth - 1;
    t.tm_mday = nDay;
    t.tm_hour = nHour;
    t.tm_min = nMin;
    t.tm_sec = nSec;
    t.tm_isdst = nDST;
    __time64_t result = _mktime64(&t);
    if (result == -1)
        AfxThrowInvalidArgException();
    return result;
}

CString FormatTm(const struct tm* ptm, LPCTSTR pFormat)
{
    if (!ptm || !pFormat || !*pFormat)
        return CString();
    // strftime reports 0 both for an empty result and for a buffer that is
    // too small, so grow a few times before taking the result as empty.
    std::vector<char> buffer(256);
    while (buffer.size() <= 65536) {
        size_t n = strftime(buffer.data(), buffer.size(), pFormat, ptm);
        if (n > 0)
            return CString(buffer.data(), static_cast<int>(n));
        buffer.resize(buffer.size() * 4);
    }
    return CString();
}

} // namespace

CTimeSpan::CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs)
    : m_timeSpan(nSecs + 60 * (nMins + 60 * (nHours + 24 * static_cast<__time64_t>(lDays))))
{
}

CString CTimeSpan::Format(LPCTSTR pFormat) const
{
    CString result;
    if (!pFormat)
        return result;
    for (const char* p = pFormat; *p; ++p) {
        if (*p != '%' || p[1] == '\0') {
            result += *p;
            continue;
        }
        ++p;
        switch (*p) {
        case 'D':
            result.AppendFormat("%lld", static_cast<long long>(GetDays()));
            break;
        case 'H':
            result.AppendFormat("%02ld", static_cast<long>(GetHours()));
            break;
        case 'M':
            result.AppendFormat("%02ld", static_cast<long>(GetMinutes()));
            break;
        case 'S':
            result.AppendFormat("%02ld", static_cast<long>(GetSeconds()));
            break;
        case '%':
            result += '%';
            break;
        default:
            result += '%';
            result += *p;
            break;
        }
    }
    return result;
}

CTime CTime::GetCurrentTime()
{
    return CTime(_time64(nullptr));
}

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST)
    : m_time(MakeLocalTime(nYear, nMonth, nDay, nHour, nMin, nSec, nDST))
{
}

CTime::CTime(const SYSTEMTIME& st, int nDST)
    : m_time(st.wYear < 1900 ? 0 : MakeLocalTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, nDST))
{
}

CTime::CTime(const FILETIME& ft, int /*nDST*/)
{
    ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    m_time = ticks < kFileTimeUnixEpoch
                 ? 0
                 : static_cast<__time64_t>((ticks - kFileTimeUnixEpoch) / kFileTimeTicksPerSecond);
}

struct tm* CTime::GetLocalTm(struct tm* ptm) const
{
    if (!ptm || _localtime64_s(ptm, &m_time) != 0)
        return nullptr;
    return ptm;
}

struct tm* CTime::GetGmtTm(struct tm* ptm) const
{
    if (!ptm || _gmtime64_s(ptm, &m_time) != 0)
        return nullptr;
    return ptm;
}

BOOL CTime::GetAsSystemTime(SYSTEMTIME& st) const
{
    struct tm t;
    if (!GetLocalTm(&t))
        return FALSE;
    st = {};
    st.wYear = static_cast<WORD>(t.tm_year + 1900);
    st.wMonth = static_cast<WORD>(t.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(t.tm_wday);
    st.wDay = static_cast<WORD>(t.tm_mday);
    st.wHour = static_cast<WORD>(t.tm_hour);
    st.wMinute = static_cast<WORD>(t.tm_min);
    st.wSecond = static_cast<WORD>(t.tm_sec);
    return TRUE;
}

int CTime::LocalField(int tm::*field) const
{
    struct tm t;
    return GetLocalTm(&t) ? t.*field : 0;
}

int CTime::GetYear() const
{
    struct tm t;
    return GetLocalTm(&t) ? t.tm_year + 1900 : 0;
}

int CTime::GetMonth() const
{
    struct tm t;
    return GetLocalTm(&t) ? t.tm_mon + 1 : 0;
}

int CTime::GetDay() const
{
    return LocalField(&tm::tm_mday);
}

int CTime::GetHour() const
{
    return LocalField(&tm::tm_hour);
}

int CTime::GetMinute() const
{
    return LocalField(&tm::tm_min);
}

int CTime::GetSecond() const
{
    return LocalField(&tm::tm_sec);
}

int CTime::GetDayOfWeek() const
{
    struct tm t;
    return GetLocalTm(&t) ? t.tm_wday + 1 : 0;
}

CString CTime::Format(LPCTSTR pFormat) const
{
    struct tm t;
    return FormatTm(GetLocalTm(&t), pFormat);
}

CString CTime::FormatGmt(LPCTSTR pFormat) const
{
    struct tm t;
    return FormatTm(GetGmtTm(&t), pFormat);
}
