#include "formats/ics_expand.h"

#include <algorithm>
#include <cstdint>

#include "platform/local_time.h"
#include "platform/text.h"

namespace vemra {

namespace {

using Freq = IcsRecurrence::Freq;

// More periods than minutes in ten thousand years means the rule has left the calendar.
constexpr long long kMaxSteps = 6'000'000'000LL;
constexpr int kLastYear = 9999;

bool Contains(const std::vector<int>& list, long long value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The rule checked, with the parts RFC 5545 takes from DTSTART where the rule gives none.
struct Plan {
    Freq freq = Freq::none;
    long long interval = 1;
    int weekStart = 1;
    unsigned months = 0;                              // bit m: month m
    std::uint64_t monthDays = 0, lastMonthDays = 0;   // bit d: day d, and the d-th from the end
    std::vector<int> yearDays, weekNos, setPos;
    std::vector<IcsRecurrence::Weekday> byDay;
    // Empty hours (HOURLY, MINUTELY) or minutes (MINUTELY): the period's own.
    std::vector<int> hours, minutes, seconds;
    std::vector<int> dayTimes;   // seconds of the day of each occurrence, DAILY and longer
    long long startDay = 0, startWall = 0;
};

bool InRange(const std::vector<int>& list, int lo, int hi, bool zero) {
    return std::all_of(list.begin(), list.end(), [&](int v) { return v >= lo && v <= hi && (zero || v != 0); });
}

// Values out of range, and parts RFC 5545 does not allow with the rule's FREQ.
bool Acceptable(const IcsRecurrence& r) {
    const Freq f = r.freq;
    if (!InRange(r.byMonth, 1, 12, false) || !InRange(r.byMonthDay, -31, 31, false) ||
        !InRange(r.byYearDay, -366, 366, false) || !InRange(r.byWeekNo, -53, 53, false) ||
        !InRange(r.bySetPos, -366, 366, false) || !InRange(r.byHour, 0, 23, true) ||
        !InRange(r.byMinute, 0, 59, true) || !InRange(r.bySecond, 0, 59, true))
        return false;
    if ((!r.byWeekNo.empty() && f != Freq::yearly) || (!r.byMonthDay.empty() && f == Freq::weekly) ||
        (!r.byYearDay.empty() && (f == Freq::daily || f == Freq::weekly || f == Freq::monthly)))
        return false;
    const bool ordinals = f == Freq::monthly || (f == Freq::yearly && r.byWeekNo.empty());
    for (const IcsRecurrence::Weekday& w : r.byDay)
        if (w.day < 0 || w.day > 6 || (w.ordinal != 0 && !ordinals)) return false;
    for (const IcsRecurrence::Part& p : r.parts) {
        if ((p.key == "RSCALE" && !EqualsNoCase(p.value, "GREGORIAN")) || (p.key == "SKIP" && !EqualsNoCase(p.value, "OMIT")) ||
            (p.key == "COUNT" && r.count < 1))
            return false;
    }
    return true;
}

std::vector<int> SortedOr(std::vector<int> list, bool useDefault, int value) {
    if (list.empty() && useDefault) list.push_back(value);
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
}

// The seconds of the day a period holds; hour and minute -1 where the period spans whole days.
void TimesOf(const Plan& p, int hour, int minute, std::vector<int>& out) {
    out.clear();
    for (int h : p.hours.empty() ? std::vector<int>{hour} : p.hours) {
        if (hour >= 0 && h != hour) continue;
        for (int m : p.minutes.empty() ? std::vector<int>{minute} : p.minutes) {
            if (minute >= 0 && m != minute) continue;
            for (int s : p.seconds) out.push_back(h * 3600 + m * 60 + s);
        }
    }
}

bool MakePlan(const IcsRecurrence& r, long long dtstart, bool allDay, Plan& p) {
    if (!r.wellFormed || r.freq < Freq::minutely || r.freq > Freq::yearly || r.interval < 1 || !Acceptable(r))
        return false;
    const bool timesGiven = !r.byHour.empty() || !r.byMinute.empty() || !r.bySecond.empty();
    if (allDay && (timesGiven || r.freq < Freq::daily)) return false;
    p.freq = r.freq;
    p.interval = r.interval;
    p.weekStart = r.weekStart < 0 ? 1 : r.weekStart;
    p.startWall = dtstart;
    p.startDay = FloorDiv(dtstart, 86400);
    int y, m, d;
    CivilFromDays(p.startDay, y, m, d);
    const int timeOfDay = static_cast<int>(dtstart - p.startDay * 86400);
    p.yearDays = r.byYearDay;
    p.weekNos = r.byWeekNo;
    p.setPos = r.bySetPos;
    p.byDay = r.byDay;
    for (int month : r.byMonth) p.months |= 1u << month;
    for (int day : r.byMonthDay) (day > 0 ? p.monthDays : p.lastMonthDays) |= std::uint64_t{1} << (day > 0 ? day : -day);
    if (r.byWeekNo.empty() && r.byYearDay.empty() && r.byMonthDay.empty() && r.byDay.empty()) {
        if (p.freq == Freq::yearly && !p.months) p.months = 1u << m;
        if (p.freq == Freq::yearly || p.freq == Freq::monthly) p.monthDays = std::uint64_t{1} << d;
        if (p.freq == Freq::weekly) p.byDay.push_back({0, WeekdayOfDays(p.startDay)});
    }
    p.hours = SortedOr(r.byHour, p.freq >= Freq::daily, timeOfDay / 3600);
    p.minutes = SortedOr(r.byMinute, p.freq >= Freq::hourly, timeOfDay / 60 % 60);
    p.seconds = SortedOr(r.bySecond, true, timeOfDay % 60);
    if (p.freq >= Freq::daily) TimesOf(p, -1, -1, p.dayTimes);
    return true;
}

// The first day of week 1 of a year: the week, begun on weekStart, with four days in the year.
long long FirstWeekStart(long long year, int weekStart) {
    const long long jan1 = DaysFromCivil(year, 1, 1);
    const int into = (WeekdayOfDays(jan1) - weekStart + 7) % 7;
    return into <= 3 ? jan1 - into : jan1 + 7 - into;
}

bool InWeeks(const Plan& p, long long day, int year) {
    long long weekYear = year;
    if (day < FirstWeekStart(year, p.weekStart)) weekYear = year - 1;
    else if (day >= FirstWeekStart(year + 1, p.weekStart)) weekYear = year + 1;
    const long long first = FirstWeekStart(weekYear, p.weekStart);
    const long long weeks = (FirstWeekStart(weekYear + 1, p.weekStart) - first) / 7;
    const long long n = (day - first) / 7 + 1;
    return Contains(p.weekNos, n) || Contains(p.weekNos, n - weeks - 1);
}

// Ordinals count within the month, or within the year for YEARLY without BYMONTH.
bool OnWeekday(const Plan& p, long long day, int year, int month) {
    const int weekday = WeekdayOfDays(day);
    const bool inYear = p.freq == Freq::yearly && !p.months;
    const long long first = inYear ? DaysFromCivil(year, 1, 1) : DaysFromCivil(year, month, 1);
    const long long last = inYear ? DaysFromCivil(year, 12, 31) : first + DaysInMonth(year, month) - 1;
    const long long n = (day - first) / 7 + 1, fromEnd = -((last - day) / 7 + 1);
    return std::any_of(p.byDay.begin(), p.byDay.end(), [&](const IcsRecurrence::Weekday& w) {
        return w.day == weekday && (w.ordinal == 0 || w.ordinal == n || w.ordinal == fromEnd);
    });
}

bool DayMatches(const Plan& p, long long day) {
    int y, m, d;
    CivilFromDays(day, y, m, d);
    if (p.months && !(p.months >> m & 1u)) return false;
    const int fromEnd = DaysInMonth(y, m) - d + 1;
    if ((p.monthDays | p.lastMonthDays) && !(p.monthDays >> d & 1u) && !(p.lastMonthDays >> fromEnd & 1u))
        return false;
    if (!p.yearDays.empty()) {
        const long long yearDay = day - DaysFromCivil(y, 1, 1) + 1;
        if (!Contains(p.yearDays, yearDay) && !Contains(p.yearDays, yearDay - (IsLeapYear(y) ? 366 : 365) - 1))
            return false;
    }
    if (!p.weekNos.empty() && !InWeeks(p, day, y)) return false;
    return p.byDay.empty() || OnWeekday(p, day, y, m);
}

struct Period {
    long long firstDay = 0, lastDay = 0, startWall = 0;
    int hour = -1, minute = -1;   // HOURLY, MINUTELY
};

long long StepSeconds(Freq f) { return f == Freq::hourly ? 3600 : 60; }

// The k-th period of the rule; false past the calendar's end.
bool PeriodAt(const Plan& p, long long k, Period& out) {
    if (k > kMaxSteps / p.interval) return false;
    const long long n = k * p.interval;
    int y, m, d;
    CivilFromDays(p.startDay, y, m, d);
    switch (p.freq) {
    case Freq::yearly:
        if (y + n > kLastYear) return false;
        out.firstDay = DaysFromCivil(y + n, 1, 1);
        out.lastDay = DaysFromCivil(y + n, 12, 31);
        break;
    case Freq::monthly: {
        const long long index = y * 12LL + (m - 1) + n;
        if (index / 12 > kLastYear) return false;
        out.firstDay = DaysFromCivil(index / 12, static_cast<int>(index % 12) + 1, 1);
        out.lastDay = out.firstDay + DaysInMonth(index / 12, static_cast<int>(index % 12) + 1) - 1;
        break;
    }
    case Freq::weekly:
        out.firstDay = p.startDay - (WeekdayOfDays(p.startDay) - p.weekStart + 7) % 7 + n * 7;
        out.lastDay = out.firstDay + 6;
        break;
    case Freq::daily: out.firstDay = out.lastDay = p.startDay + n; break;
    default: {
        const long long step = StepSeconds(p.freq);
        const long long wall = FloorDiv(p.startWall, step) * step + n * step;
        out.firstDay = out.lastDay = FloorDiv(wall, 86400);
        out.hour = static_cast<int>((wall - out.firstDay * 86400) / 3600);
        if (p.freq == Freq::minutely) out.minute = static_cast<int>((wall - out.firstDay * 86400) / 60 % 60);
        out.startWall = wall;
        CivilFromDays(out.firstDay, y, m, d);
        return y <= kLastYear;
    }
    }
    out.startWall = out.firstDay * 86400;
    CivilFromDays(out.firstDay, y, m, d);
    return y <= kLastYear;
}

// The first period of a HOURLY or MINUTELY rule that starts at or after wall.
long long PeriodFrom(const Plan& p, long long k, long long wall) {
    const long long step = StepSeconds(p.freq) * p.interval;
    const long long base = FloorDiv(p.startWall, StepSeconds(p.freq)) * StepSeconds(p.freq);
    return std::max(k + 1, FloorDiv(wall - base + step - 1, step));
}

enum class Step { more, stop, tooMany };

struct Emitter {
    long long start, stop;
    std::size_t count, maxCount;
    std::vector<long long>& starts;

    Step Offer(long long wall) {
        if (wall <= start) return Step::more;   // DTSTART is in already
        if (wall > stop) return Step::stop;
        if (starts.size() >= maxCount) return Step::tooMany;
        starts.push_back(wall);
        return count && starts.size() >= count ? Step::stop : Step::more;
    }
};

// The occurrences of one period, BYSETPOS picking among them in order.
Step OfferPeriod(const Plan& p, const std::vector<long long>& days, const std::vector<int>& times, Emitter& em) {
    const long long total = static_cast<long long>(days.size() * times.size());
    const auto at = [&](long long i) {
        return days[static_cast<std::size_t>(i) / times.size()] * 86400 + times[static_cast<std::size_t>(i) % times.size()];
    };
    std::vector<long long> picked;
    if (p.setPos.empty()) {
        for (long long i = 0; i < total; ++i)
            if (const Step s = em.Offer(at(i)); s != Step::more) return s;
        return Step::more;
    }
    for (int pos : p.setPos) {
        const long long i = pos > 0 ? pos - 1 : total + pos;
        if (i >= 0 && i < total) picked.push_back(i);
    }
    std::sort(picked.begin(), picked.end());
    picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
    for (long long i : picked)
        if (const Step s = em.Offer(at(i)); s != Step::more) return s;
    return Step::more;
}

IcsExpandResult Walk(const Plan& p, Emitter& em) {
    std::vector<long long> days;
    std::vector<int> times = p.dayTimes;
    const bool subDaily = p.freq < Freq::daily;
    Period per;
    for (long long k = 0; PeriodAt(p, k, per) && per.startWall <= em.stop;) {
        days.clear();
        for (long long d = per.firstDay; d <= per.lastDay; ++d)
            if (DayMatches(p, d)) days.push_back(d);
        if (subDaily) {
            // Periods of a day that does not match, or of an hour BYHOUR leaves out, are passed over.
            if (days.empty()) {
                k = PeriodFrom(p, k, (per.firstDay + 1) * 86400);
                continue;
            }
            TimesOf(p, per.hour, per.minute, times);
            if (times.empty()) {
                k = PeriodFrom(p, k, FloorDiv(per.startWall, 3600) * 3600 + 3600);
                continue;
            }
        }
        switch (OfferPeriod(p, days, times, em)) {
        case Step::more: ++k; break;
        case Step::stop: return IcsExpandResult::ok;
        case Step::tooMany: return IcsExpandResult::tooMany;
        }
    }
    return IcsExpandResult::ok;
}

}  // namespace

IcsExpandResult ExpandIcsRecurrence(const IcsRecurrence& rule, long long dtstartWall, bool allDay,
                                    std::optional<long long> untilWall, long long lastWall, std::size_t maxCount,
                                    std::vector<long long>& starts) {
    starts.clear();
    Plan plan;
    if (!MakePlan(rule, dtstartWall, allDay, plan)) return IcsExpandResult::notExpandable;
    if (dtstartWall > lastWall) return IcsExpandResult::ok;
    if (maxCount == 0) return IcsExpandResult::tooMany;
    starts.push_back(dtstartWall);
    const std::size_t count = static_cast<std::size_t>(rule.count);
    if (count == 1) return IcsExpandResult::ok;
    Emitter em{dtstartWall, untilWall ? std::min(*untilWall, lastWall) : lastWall, count, maxCount, starts};
    return Walk(plan, em);
}

}  // namespace vemra
