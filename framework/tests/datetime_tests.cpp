#include "framework/datetime.h"

#include <gtest/gtest.h>

#include "framework/exceptions.h"

namespace {

struct LocalDate {
    int year, month, day, hour, minute, second;
    int dayOfWeek; // 1 = Sunday
};

// Dates away from daylight-saving changes, including a leap day and dates
// on both sides of the 32-bit time_t limit (2038-01-19).
const LocalDate kDates[] = {
    {1970, 1, 2, 0, 0, 0, 6},   {1999, 12, 31, 23, 59, 59, 6}, {2024, 2, 29, 13, 45, 7, 5},
    {2038, 1, 19, 3, 14, 8, 3}, {2040, 1, 1, 0, 0, 0, 1},
};

TEST(CTime, FieldsRoundTripThroughEveryConstructor)
{
    for (const LocalDate& d : kDates) {
        SCOPED_TRACE(testing::Message() << d.year << "-" << d.month << "-" << d.day);
        CTime t(d.year, d.month, d.day, d.hour, d.minute, d.second);
        EXPECT_EQ(d.year, t.GetYear());
        EXPECT_EQ(d.month, t.GetMonth());
        EXPECT_EQ(d.day, t.GetDay());
        EXPECT_EQ(d.hour, t.GetHour());
        EXPECT_EQ(d.minute, t.GetMinute());
        EXPECT_EQ(d.second, t.GetSecond());
        EXPECT_EQ(d.dayOfWeek, t.GetDayOfWeek());

        SYSTEMTIME st;
        ASSERT_TRUE(t.GetAsSystemTime(st));
        EXPECT_EQ(d.year, st.wYear);
        EXPECT_EQ(d.dayOfWeek - 1, st.wDayOfWeek);
        EXPECT_EQ(t, CTime(st));
        EXPECT_EQ(t, CTime(t.GetTime()));

        // Local SYSTEMTIME -> UTC FILETIME -> CTime is the same instant.
        SYSTEMTIME utc;
        FILETIME ft;
        ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &st, &utc));
        ASSERT_TRUE(SystemTimeToFileTime(&utc, &ft));
        EXPECT_EQ(t.GetTime(), CTime(ft).GetTime());
    }
}

TEST(CTime, FileTimeIsUtc)
{
    SYSTEMTIME utc = {};
    utc.wYear = 2001;
    utc.wMonth = 9;
    utc.wDay = 9;
    utc.wHour = 1;
    utc.wMinute = 46;
    utc.wSecond = 40;
    utc.wMilliseconds = 999;
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &ft));
    EXPECT_EQ(1000000000, CTime(ft).GetTime());
    EXPECT_EQ("2001-09-09 01:46:40", CTime(ft).FormatGmt("%Y-%m-%d %H:%M:%S"));

    FILETIME unset = {};
    EXPECT_EQ(0, CTime(unset).GetTime());
    SYSTEMTIME early = {};
    early.wYear = 1601;
    early.wMonth = 1;
    early.wDay = 1;
    EXPECT_EQ(0, CTime(early).GetTime());
}

TEST(CTime, Format)
{
    CTime t(2024, 2, 29, 13, 45, 7);
    struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"%Y-%m-%d %H:%M:%S", "2024-02-29 13:45:07"},
        {"%d.%m.%y", "29.02.24"},
        {"%A, %B %d", "Thursday, February 29"},
        {"%a %b %j", "Thu Feb 060"},
        {"%I %p", "01 PM"},
        {"100%%", "100%"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, t.Format(c.format)) << c.format;

    // Longer than the first buffer the formatter tries.
    CString many;
    for (int i = 0; i < 100; ++i)
        many += "%Y";
    EXPECT_EQ(400, t.Format(many).GetLength());
    EXPECT_EQ("2024", t.Format(many).Left(4));
}

TEST(CTime, RejectsFieldsOutOfRange)
{
    const int bad[][6] = {
        {2024, 13, 1, 0, 0, 0}, {2024, 0, 1, 0, 0, 0}, {2024, 1, 32, 0, 0, 0},
        {2024, 1, 1, 24, 0, 0}, {1899, 1, 1, 0, 0, 0},
    };
    for (const auto& f : bad) {
        try {
            CTime t(f[0], f[1], f[2], f[3], f[4], f[5]);
            ADD_FAILURE() << "accepted " << f[0] << "-" << f[1] << "-" << f[2] << " " << f[3];
        } catch (CException* e) {
            EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
            e->Delete();
        }
    }
}

TEST(CTime, ArithmeticWithSpans)
{
    CTime feb28(2024, 2, 28, 12, 0, 0);
    CTime mar1(2024, 3, 1, 0, 0, 0);
    EXPECT_EQ(CTimeSpan(1, 12, 0, 0), mar1 - feb28);
    EXPECT_EQ(29, (feb28 + CTimeSpan(1, 0, 0, 0)).GetDay());
    EXPECT_EQ(11, (feb28 - CTimeSpan(0, 1, 0, 0)).GetHour());
    EXPECT_LT(feb28, mar1);
    EXPECT_GT(mar1, feb28);
    EXPECT_NE(feb28, mar1);

    CTime t = feb28;
    t += CTimeSpan(0, 0, 0, 61);
    EXPECT_EQ(1, t.GetMinute());
    EXPECT_EQ(1, t.GetSecond());
    t -= CTimeSpan(0, 0, 1, 1);
    EXPECT_EQ(feb28, t);
}

TEST(CTimeSpan, PartsTotalsAndFormat)
{
    CTimeSpan span(1, 2, 3, 4);
    EXPECT_EQ(1, span.GetDays());
    EXPECT_EQ(2, span.GetHours());
    EXPECT_EQ(3, span.GetMinutes());
    EXPECT_EQ(4, span.GetSeconds());
    EXPECT_EQ(26, span.GetTotalHours());
    EXPECT_EQ(1563, span.GetTotalMinutes());
    EXPECT_EQ(93784, span.GetTotalSeconds());
    EXPECT_EQ("1 days 02:03:04 100%", span.Format("%D days %H:%M:%S 100%%"));
    EXPECT_EQ("%X 00", CTimeSpan(0).Format("%X %S"));

    // Beyond what 32 bits of seconds hold.
    CTimeSpan long_span(30000, 0, 0, 0);
    EXPECT_EQ(30000LL * 86400, long_span.GetTotalSeconds());
    EXPECT_EQ("30000", long_span.Format("%D"));

    EXPECT_EQ(CTimeSpan(0, 0, 1, 30), CTimeSpan(0, 0, 1, 0) + CTimeSpan(30));
    EXPECT_EQ(CTimeSpan(0, 0, 0, 30), CTimeSpan(0, 0, 1, 0) - CTimeSpan(30));
}

} // namespace
