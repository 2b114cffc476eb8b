// CTime, a point in time in whole seconds since 1970-01-01 00:00:00 UTC
// (64 bits, so dates past 2038 work), and CTimeSpan, a signed length of time
// in seconds. Fields are read in local time unless the name says GMT.
#pragma once

#include <windows.h>

#include <ctime>

#include "framework/cstring.h"

// <windows.h> defines GetCurrentTime() as a macro for GetTickCount(); it
// would rewrite CTime::GetCurrentTime.
#ifdef GetCurrentTime
#undef GetCurrentTime
#endif

class CTimeSpan {
public:
    CTimeSpan() = default;
    CTimeSpan(__time64_t seconds) : m_timeSpan(seconds) {}
    CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs);

    LONGLONG GetDays() const { return m_timeSpan / (24 * 3600); }
    LONGLONG GetTotalHours() const { return m_timeSpan / 3600; }
    LONG GetHours() const { return static_cast<LONG>(GetTotalHours() - GetDays() * 24); }
    LONGLONG GetTotalMinutes() const { return m_timeSpan / 60; }
    LONG GetMinutes() const { return static_cast<LONG>(GetTotalMinutes() - GetTotalHours() * 60); }
    LONGLONG GetTotalSeconds() const { return m_timeSpan; }
    LONG GetSeconds() const { return static_cast<LONG>(GetTotalSeconds() - GetTotalMinutes() * 60); }
    __time64_t GetTimeSpan() const { return m_timeSpan; }

    // %D days, %H hours (00-23), %M minutes, %S seconds (two digits each),
    // %% a percent sign; anything else is copied as it is.
    CString Format(LPCTSTR pFormat) const;

    CTimeSpan operator+(CTimeSpan span) const { return CTimeSpan(m_timeSpan + span.m_timeSpan); }
    CTimeSpan operator-(CTimeSpan span) const { return CTimeSpan(m_timeSpan - span.m_timeSpan); }
    CTimeSpan& operator+=(CTimeSpan span)
    {
        m_timeSpan += span.m_timeSpan;
        return *this;
    }
    CTimeSpan& operator-=(CTimeSpan span)
    {
        m_timeSpan -= span.m_timeSpan;
        return *this;
    }
    bool operator==(CTimeSpan span) const { return m_timeSpan == span.m_timeSpan; }
    auto operator<=>(CTimeSpan span) const { return m_timeSpan <=> span.m_timeSpan; }

private:
    __time64_t m_timeSpan = 0;
};

class CTime {
public:
    static CTime GetCurrentTime();

    CTime() = default;
    CTime(__time64_t time) : m_time(time) {}
    // Local time; nDST < 0 lets the C runtime decide whether daylight saving
    // applies. Throws CInvalidArgException for a time it cannot represent.
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);
    // A local SYSTEMTIME; years before 1900 give time 0.
    CTime(const SYSTEMTIME& st, int nDST = -1);
    // A FILETIME is UTC, counted in 100 ns units since 1601.
    CTime(const FILETIME& ft, int nDST = -1);

    __time64_t GetTime() const { return m_time; }

    // Null when the time cannot be broken down.
    struct tm* GetLocalTm(struct tm* ptm) const;
    struct tm* GetGmtTm(struct tm* ptm) const;
    BOOL GetAsSystemTime(SYSTEMTIME& st) const; // local time

    int GetYear() const;
    int GetMonth() const; // 1-12
    int GetDay() const;   // 1-31
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday .. 7 = Saturday

    // strftime conversions, in local time or UTC.
    CString Format(LPCTSTR pFormat) const;
    CString FormatGmt(LPCTSTR pFormat) const;

    CTime operator+(CTimeSpan span) const { return CTime(m_time + span.GetTimeSpan()); }
    CTime operator-(CTimeSpan span) const { return CTime(m_time - span.GetTimeSpan()); }
    CTimeSpan operator-(CTime time) const { return CTimeSpan(m_time - time.m_time); }
    CTime& operator+=(CTimeSpan span)
    {
        m_time += span.GetTimeSpan();
        return *this;
    }
    CTime& operator-=(CTimeSpan span)
    {
        m_time -= span.GetTimeSpan();
        return *this;
    }
    bool operator==(CTime time) const { return m_time == time.m_time; }
    auto operator<=>(CTime time) const { return m_time <=> time.m_time; }

private:
    int LocalField(int tm::*field) const;

    __time64_t m_time = 0;
};
