#include "platform/local_time.h"

#include <climits>
#include <cmath>
#include <ctime>

namespace vemra {

// Lets the platform's time zone handling prepare itself once (local_time_posix/_win.cpp).
void PrepareTimeZone();

namespace {
void EnsureTimeZone() {
    static const bool prepared = (PrepareTimeZone(), true);
    (void)prepared;
}
}  // namespace

bool BreakLocal(long t, LocalParts& out) {
    if (t < 0) return false;
    EnsureTimeZone();
    std::time_t tt = static_cast<std::time_t>(t);
    const std::tm* tm = std::localtime(&tt);
    if (!tm) return false;
    out.year = tm->tm_year + 1900;
    out.month = tm->tm_mon + 1;
    out.day = tm->tm_mday;
    out.hour = tm->tm_hour;
    out.minute = tm->tm_min;
    out.second = tm->tm_sec;
    out.weekday = tm->tm_wday;
    out.isdst = tm->tm_isdst;
    return true;
}

long MakeLocal(int year, int month, int day, int hour, int minute, int second, int isdst) {
    EnsureTimeZone();
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = isdst;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) || t < 0) return -1;
    return static_cast<long>(t);
}

long LocalMidnight(long t) {
    LocalParts p;
    if (!BreakLocal(t, p)) return -1;
    return MakeLocal(p.year, p.month, p.day);
}

namespace {
long g_fixedNow = -1;
}  // namespace

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

long long DaysFromCivil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

int WeekdayOfDays(long long days) { return static_cast<int>(((days % 7) + 11) % 7); }   // 1970-01-01: Thursday

bool IsLeapYear(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(long long year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

namespace {
const long long kOleDayZero = DaysFromCivil(1899, 12, 30);
const long long kOleFirstDay = DaysFromCivil(100, 1, 1);
const long long kOleLastDay = DaysFromCivil(9999, 12, 31);
}  // namespace

double OleDateFromParts(int year, int month, int day, int hour, int minute, int second) {
    const double days = static_cast<double>(DaysFromCivil(year, month, day) - kOleDayZero);
    const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return days < 0 ? days - fraction : days + fraction;
}

bool PartsFromOleDate(double date, LocalParts& parts) {
    // A first, rough bound keeps the conversions below defined; the exact one follows rounding.
    if (!(date > -657436.0 && date < 2958467.0)) return false;
    double whole = std::trunc(date);
    long long seconds = std::llround(std::fabs(date - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;   // the next calendar day, also before day zero, where day numbers count up too
    }
    const long long days = static_cast<long long>(whole) + kOleDayZero;
    if (days < kOleFirstDay || days > kOleLastDay) return false;
    CivilFromDays(days, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    parts.weekday = WeekdayOfDays(days);
    parts.isdst = -1;
    return true;
}

long ShiftLocalDays(long t, long long days, int hour, int minute, int second) {
    LocalParts p;
    if (!BreakLocal(t, p)) return t;
    constexpr long long kLimit = 1LL << 40;   // far beyond any calendar, still no overflow below
    if (days < -kLimit) return LONG_MIN;
    if (days > kLimit) return LONG_MAX;
    const long long day = DaysFromCivil(p.year, p.month, p.day) + days;
    if (day < DaysFromCivil(1970, 1, 2)) return LONG_MIN;
    if (day > DaysFromCivil(2037, 12, 31)) return LONG_MAX;
    int y = 0, m = 0, d = 0;
    CivilFromDays(day, y, m, d);
    const long result = MakeLocal(y, m, d, hour, minute, second);
    if (result < 0) return days < 0 ? LONG_MIN : LONG_MAX;
    return result;
}

long Now() { return g_fixedNow >= 0 ? g_fixedNow : static_cast<long>(std::time(nullptr)); }

void SetFixedNow(long t) { g_fixedNow = t; }

void ReloadTimeZone() { PrepareTimeZone(); }

}  // namespace vemra
