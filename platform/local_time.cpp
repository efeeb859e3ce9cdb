#include "platform/local_time.h"

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

long Now() { return static_cast<long>(std::time(nullptr)); }

}  // namespace vemra
