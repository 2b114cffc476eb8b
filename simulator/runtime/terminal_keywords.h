// The terminal keywords: PRINT and the string functions it prints (CHR, HEX,
// CURSOR, VRSTRING, TIME$, DATE$, DAY$), the input statements INPUT, GET and
// LINPUT, KEY, the clock (TIME, DATE, DAY), BATTERY_LOW and VQE.
//
// PRINT, INPUT, GET, LINPUT and KEY take an optional "#n" channel for the one
// statement. PRINT #n: n 0 to 7 is channel n; n 10 to 24 is the terminal
// window n on channel 3, its output wrapped in the window's selection codes
// 129 + 8 (n - 9) and 128 + 8 (n - 9); any other n is error 71. The input
// statements read channels 0 to 9 and take 10 to 24 as channel 3 too; other
// numbers are error 19.
#pragma once

#include <cstdint>

namespace qcrt {

// Sets one of a process's channels for a statement and puts it back after,
// on every way out of the statement.
class ChannelScope {
public:
    ChannelScope(int32_t& channel, int32_t value) : m_channel(channel), m_saved(channel) { channel = value; }
    ~ChannelScope() { m_channel = m_saved; }
    ChannelScope(const ChannelScope&) = delete;
    ChannelScope& operator=(const ChannelScope&) = delete;

private:
    int32_t& m_channel;
    int32_t m_saved;
};

// The local date and time, from the runtime's clock.
struct LocalDateTime {
    int year;  // four digits
    int month; // 1 to 12
    int day;   // 1 to 31
    int hour;
    int minute;
    int second;
    int weekday; // 0 Sunday
};
LocalDateTime ReadLocalDateTime();

// The day number of a date: days since 31 December 1899 (1 January 2000 is
// 36525). Years before 1900 give the count of the Gregorian calendar too
// (0 and below).
int32_t DayNumber(int year, int month, int day);
// The days of a month; February has 29 when the year is divisible by 4.
int DaysInMonth(int month, int year);

// Keyword handlers.
void KeywordPrint(const uint8_t* text, int& position, int limit, int process);
void KeywordInput(const uint8_t* text, int& position, int limit, int process);
void KeywordGet(const uint8_t* text, int& position, int limit, int process);
void KeywordLineInput(const uint8_t* text, int& position, int limit, int process); // LINPUT
void KeywordKey(const uint8_t* text, int& position, int limit, int process);
void KeywordChr(const uint8_t* text, int& position, int limit, int process);
void KeywordHex(const uint8_t* text, int& position, int limit, int process);
void KeywordCursor(const uint8_t* text, int& position, int limit, int process);
void KeywordVrString(const uint8_t* text, int& position, int limit, int process);
void KeywordTimeText(const uint8_t* text, int& position, int limit, int process); // TIME$
void KeywordDateText(const uint8_t* text, int& position, int limit, int process); // DATE$
void KeywordDayText(const uint8_t* text, int& position, int limit, int process);  // DAY$
void KeywordTime(const uint8_t* text, int& position, int limit, int process);
void KeywordDate(const uint8_t* text, int& position, int limit, int process);
void KeywordDay(const uint8_t* text, int& position, int limit, int process);
void KeywordBatteryLow(const uint8_t* text, int& position, int limit, int process);
void KeywordVqe(const uint8_t* text, int& position, int limit, int process);

// VQE with an argument clears the command line's history through this hook
// (installed by the command line).
using HistoryClear = void (*)();
void SetHistoryClear(HistoryClear clear);

} // namespace qcrt
