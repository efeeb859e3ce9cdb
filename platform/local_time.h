#pragma once
// Calendar times as the datebook keeps them: seconds since 1970-01-01 00:00 UTC, broken into
// local time with the daylight-saving decision left to the C library. Both builds run a
// single thread, so the C library's static conversions are safe here.

namespace vemra {

struct LocalParts {
    int year = 1970;   // e.g. 2002
    int month = 1;     // 1..12
    int day = 1;       // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;   // 0 = Sunday .. 6 = Saturday
    int isdst = 0;     // as the platform reports it for this instant
};

// Local calendar parts of t; false when the platform cannot convert it (negative times on Windows).
bool BreakLocal(long t, LocalParts& out);

// The time of a local wall-clock moment; isdst -1 lets the platform decide. -1 when it cannot be built.
long MakeLocal(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int isdst = -1);

// Local 00:00:00 of the day of t (-1 when t cannot be converted).
long LocalMidnight(long t);

// a / b rounded towards minus infinity (b > 0): the day of a second count before 1970 too.
long long FloorDiv(long long a, long long b);
// Days since 1970-01-01 of a date of the (proleptic Gregorian) calendar, and back.
long long DaysFromCivil(long long year, int month, int day);
void CivilFromDays(long long days, int& year, int& month, int& day);
// 0 = Sunday .. 6 = Saturday of a day number as above.
int WeekdayOfDays(long long days);
bool IsLeapYear(long long year);
int DaysInMonth(long long year, int month);   // month 1..12

// OLE dates (days since 1899-12-30, the time of day as fraction) from and to calendar parts, no
// time zone involved. Before day zero the fraction still counts forward from the day's start:
// -1.25 is 1899-12-29 06:00. PartsFromOleDate rounds to the second and is false for NaN and for
// moments outside 0100-01-01 00:00:00 .. 9999-12-31 23:59:59; it sets weekday, isdst is -1.
double OleDateFromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
bool PartsFromOleDate(double date, LocalParts& parts);

// The local time hour:minute:second of the day that lies `days` calendar days after (before,
// when negative) the local day of t; days of 23 or 25 hours count as one. LONG_MIN or LONG_MAX
// when that day is before 1970-01-02 or after 2037, where the time cannot hold it.
long ShiftLocalDays(long t, long long days, int hour, int minute, int second);

// The current time; a time fixed with SetFixedNow (tests), else the system clock.
long Now();
// Fixes what Now returns; -1 lets it follow the system clock again.
void SetFixedNow(long t);

// Takes a changed TZ variable into account (the C library reads it once on some systems).
void ReloadTimeZone();

}  // namespace vemra
