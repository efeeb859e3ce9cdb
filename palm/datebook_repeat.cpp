// Repeat rules, exception dates and the occurrences of repeating appointments.
//
// Occurrences are computed on local calendar days (day numbers), never by adding seconds, so
// that days of 23 or 25 hours do not shift them; the time of day of the start is put back on
// the occurrence's date with the daylight-saving decision left to the platform.
//
// Rules, with an interval n (below 1 counts as 1) counted from the start date:
// - daily: every n-th day;
// - weekly: the days of the mask in every n-th week, weeks beginning on the rule's first day of
//   the week and counted from the week of the start date;
// - monthly by date: that day of every n-th month; months without that day (the 31st in a month
//   of 30 days, the 30th in February) have no occurrence;
// - monthly by weekday: that weekday of the first to fourth week, or the last one of the month;
// - yearly: that month and day every n-th year; 29 February occurs in leap years only.
// No occurrence lies before the start date or after the end date (by local day, inclusive), nor
// after 2031, the last year the file can hold.

#include "palm/datebook_repeat.h"

#include "platform/local_time.h"

long NoEndDate() { return vemra::MakeLocal(kDatebookLastYear, kNoEndMonth, kNoEndDay); }

#include <algorithm>

using namespace datebook;

namespace datebook {

long DaysFromCivil(int year, int month, int day) { return static_cast<long>(vemra::DaysFromCivil(year, month, day)); }

void CivilFromDays(long days, int& year, int& month, int& day) { vemra::CivilFromDays(days, year, month, day); }

bool LocalDay(long t, long& day) {
    vemra::LocalParts p;
    if (!vemra::BreakLocal(t, p)) return false;
    day = DaysFromCivil(p.year, p.month, p.day);
    return true;
}

long NoEndThreshold() { return vemra::MakeLocal(kDatebookLastYear, kNoEndMonth, kNoEndDay, 0, 0, 0, -1); }
long NoEndFileValue() { return vemra::MakeLocal(kDatebookLastYear, kNoEndMonth, kNoEndDay, 23, 59, 59, -1); }

const char* ClassNameOfBrand(int brand) {
    switch (brand) {
    case eRepeatDaily: return "CDayName";
    case eRepeatWeekly: return "CWeekly";
    case eRepeatMonthlyByDay: return "CDayOfMonth";
    case eRepeatMonthlyByDate: return "CDateOfMonth";
    case eRepeatYearlyByDate: return "CDateOfYear";
    default: return nullptr;
    }
}

std::unique_ptr<CRepeateDayInfo> MakeRule(std::uint32_t brand, std::uint32_t interval, long endDate,
                                          std::uint32_t firstDay, std::uint32_t value1,
                                          std::uint32_t value2, unsigned char mask) {
    // Values are kept as they stand (cast back they give the same bits); the recurrence code
    // copes with values outside their ranges by finding no occurrence.
    const int n = static_cast<int>(interval);
    const auto fdw = static_cast<eDayIndex>(static_cast<int>(firstDay));
    switch (brand) {
    case eRepeatDaily:
        return std::make_unique<CDayName>(static_cast<eDayIndex>(static_cast<int>(value1)), n, endDate, fdw);
    case eRepeatWeekly: {
        auto rule = std::make_unique<CWeekly>(mask, n, endDate, fdw);
        rule->SetDayIndexValue(value1);
        return rule;
    }
    case eRepeatMonthlyByDay:
        return std::make_unique<CDayOfMonth>(static_cast<eWeekIndex>(static_cast<int>(value2)),
                                             static_cast<eDayIndex>(static_cast<int>(value1)), n, endDate, fdw);
    case eRepeatMonthlyByDate:
        return std::make_unique<CDateOfMonth>(static_cast<int>(value1), n, endDate, fdw);
    case eRepeatYearlyByDate:
        return std::make_unique<CDateOfYear>(static_cast<eMonthIndex>(static_cast<int>(value2)),
                                             static_cast<int>(value1), n, endDate, fdw);
    default:
        return nullptr;
    }
}

}  // namespace datebook

// ---- repeat descriptors ----

CRepeateDayInfo::CRepeateDayInfo(int interval, long endDate, eDayIndex firstDayOfWeek)
    : m_nInterval(interval), m_lEndDate(-1), m_eFirstDayOfWeek(firstDayOfWeek) {
    SetEndDate(endDate);
}

void CRepeateDayInfo::SetEndDate(long endDate) {
    // Local 2031-12-31 lies within 15 hours of UTC 2031-12-31 00:00: only dates near it need the
    // (slower) local conversion.
    const long utc = DaysFromCivil(kDatebookLastYear, kNoEndMonth, kNoEndDay) * 86400L;
    if (endDate < 0 || endDate >= utc + 54000) {
        m_lEndDate = -1;
    } else if (endDate < utc - 54000) {
        m_lEndDate = endDate;
    } else {
        m_lEndDate = endDate >= NoEndThreshold() ? -1 : endDate;
    }
}

namespace {

int EffectiveInterval(int interval) { return interval < 1 ? 1 : interval; }

bool SameEndDay(long a, long b) {
    if (a == -1 || b == -1) return a == b;
    long da = 0;
    long db = 0;
    if (!LocalDay(a, da) || !LocalDay(b, db)) return a == b;
    return da == db;
}

}  // namespace

bool CRepeateDayInfo::SameRule(const CRepeateDayInfo& other) const {
    return GetBrand() == other.GetBrand() &&
           EffectiveInterval(m_nInterval) == EffectiveInterval(other.m_nInterval) &&
           SameEndDay(m_lEndDate, other.m_lEndDate);
}

CDayName::CDayName(eDayIndex day, int interval, long endDate, eDayIndex firstDayOfWeek)
    : CRepeateDayInfo(interval, endDate, firstDayOfWeek), m_eDay(day) {}
std::unique_ptr<CRepeateDayInfo> CDayName::Clone() const { return std::make_unique<CDayName>(*this); }
// The day value plays no part in a daily rule's occurrences.
bool CDayName::SameRule(const CRepeateDayInfo& other) const { return CRepeateDayInfo::SameRule(other); }

CWeekly::CWeekly(unsigned char weekDays, int interval, long endDate, eDayIndex firstDayOfWeek)
    : CRepeateDayInfo(interval, endDate, firstDayOfWeek), m_byWeekDays(weekDays) {}
std::unique_ptr<CRepeateDayInfo> CWeekly::Clone() const { return std::make_unique<CWeekly>(*this); }
bool CWeekly::SameRule(const CRepeateDayInfo& other) const {
    return CRepeateDayInfo::SameRule(other) &&
           (static_cast<const CWeekly&>(other).m_byWeekDays & 0x7F) == (m_byWeekDays & 0x7F);
}

CDateOfMonth::CDateOfMonth(int dayOfMonth, int interval, long endDate, eDayIndex firstDayOfWeek)
    : CRepeateDayInfo(interval, endDate, firstDayOfWeek), m_nDayOfMonth(dayOfMonth) {}
std::unique_ptr<CRepeateDayInfo> CDateOfMonth::Clone() const { return std::make_unique<CDateOfMonth>(*this); }
bool CDateOfMonth::SameRule(const CRepeateDayInfo& other) const {
    return CRepeateDayInfo::SameRule(other) &&
           static_cast<const CDateOfMonth&>(other).m_nDayOfMonth == m_nDayOfMonth;
}

CDayOfMonth::CDayOfMonth(eWeekIndex week, eDayIndex day, int interval, long endDate, eDayIndex firstDayOfWeek)
    : CRepeateDayInfo(interval, endDate, firstDayOfWeek), m_eWeek(week), m_eDay(day) {}
std::unique_ptr<CRepeateDayInfo> CDayOfMonth::Clone() const { return std::make_unique<CDayOfMonth>(*this); }
// The base comparison checks the kind before the cast.
bool CDayOfMonth::SameRule(const CRepeateDayInfo& other) const {
    if (!CRepeateDayInfo::SameRule(other)) return false;
    const auto& o = static_cast<const CDayOfMonth&>(other);
    return o.m_eWeek == m_eWeek && o.m_eDay == m_eDay;
}

CDateOfYear::CDateOfYear(eMonthIndex month, int dayOfMonth, int interval, long endDate, eDayIndex firstDayOfWeek)
    : CRepeateDayInfo(interval, endDate, firstDayOfWeek), m_eMonth(month), m_nDayOfMonth(dayOfMonth) {}
std::unique_ptr<CRepeateDayInfo> CDateOfYear::Clone() const { return std::make_unique<CDateOfYear>(*this); }
bool CDateOfYear::SameRule(const CRepeateDayInfo& other) const {
    if (!CRepeateDayInfo::SameRule(other)) return false;
    const auto& o = static_cast<const CDateOfYear&>(other);
    return o.m_eMonth == m_eMonth && o.m_nDayOfMonth == m_nDayOfMonth;
}

// ---- recurrence on day numbers ----

namespace {

using Day = long long;

using vemra::DaysInMonth;

Day CivilDay(long long y, int m, int d) { return DaysFromCivil(static_cast<int>(y), m, d); }

// The day of the rule's occurrence in month m (1-12) of year y, or -1 when that month has none.
Day DayInMonth(const CRepeateDayInfo& rule, long long y, int m) {
    const int dim = DaysInMonth(y, m);
    if (rule.GetBrand() == eRepeatMonthlyByDate) {
        const int dd = static_cast<const CDateOfMonth&>(rule).GetDayOfMonth();
        return dd >= 1 && dd <= dim ? CivilDay(y, m, dd) : -1;
    }
    const auto& r = static_cast<const CDayOfMonth&>(rule);
    const int wd = r.GetDay();
    const int week = r.GetWeekNum();
    if (wd < 0 || wd > 6 || week < 0 || week > eLastWeek) return -1;
    if (week == eLastWeek) {
        const Day last = CivilDay(y, m, dim);
        return last - (vemra::WeekdayOfDays(last) - wd + 7) % 7;
    }
    const Day first = CivilDay(y, m, 1);
    return first + (wd - vemra::WeekdayOfDays(first) + 7) % 7 + 7 * week;
}

}  // namespace

namespace datebook {

bool NextDay(const CRepeateDayInfo& rule, Day startDay, Day from, Day last, Day& out) {
    const long long n = EffectiveInterval(rule.GetInterval());
    if (from < startDay) from = startDay;
    if (from > last) return false;
    int sy, sm, sd, fy, fm, fd;
    CivilFromDays(static_cast<long>(startDay), sy, sm, sd);
    CivilFromDays(static_cast<long>(from), fy, fm, fd);
    switch (rule.GetBrand()) {
    case eRepeatDaily: {
        const Day k = (from - startDay + n - 1) / n;
        out = startDay + k * n;
        return out <= last;
    }
    case eRepeatWeekly: {
        const unsigned mask = static_cast<const CWeekly&>(rule).GetWeekDays() & 0x7F;
        if (mask == 0) return false;
        int fdw = rule.GetFirstDayOfWeek();
        if (fdw < 0 || fdw > 6) fdw = 0;
        auto weekStart = [fdw](Day d) { return d - (vemra::WeekdayOfDays(d) - fdw + 7) % 7; };
        const Day ws0 = weekStart(startDay);
        long long k = (weekStart(from) - ws0) / 7;
        if (k % n != 0) k += n - k % n;
        for (; ws0 + 7 * k <= last; k += n) {
            const Day ws = ws0 + 7 * k;
            for (Day d = std::max(ws, from); d < ws + 7 && d <= last; ++d) {
                if (mask & (1u << vemra::WeekdayOfDays(d))) {
                    out = d;
                    return true;
                }
            }
        }
        return false;
    }
    case eRepeatMonthlyByDate:
    case eRepeatMonthlyByDay: {
        const long long m0 = sy * 12LL + (sm - 1);
        long long k = (fy * 12LL + (fm - 1)) - m0;
        if (k % n != 0) k += n - k % n;
        for (;; k += n) {
            const long long mi = m0 + k;
            const long long y = mi / 12;
            const int m = static_cast<int>(mi % 12) + 1;
            if (CivilDay(y, m, 1) > last) return false;
            const Day d = DayInMonth(rule, y, m);
            if (d >= from && d <= last) {
                out = d;
                return true;
            }
        }
    }
    case eRepeatYearlyByDate: {
        const auto& r = static_cast<const CDateOfYear&>(rule);
        const int month = r.GetMonth() + 1;
        const int dd = r.GetDayOfMonth();
        if (month < 1 || month > 12 || dd < 1 || dd > 31) return false;
        long long k = fy - sy;
        if (k % n != 0) k += n - k % n;
        for (;; k += n) {
            const long long y = sy + k;
            if (CivilDay(y, 1, 1) > last) return false;
            if (dd > DaysInMonth(y, month)) continue;
            const Day d = CivilDay(y, month, dd);
            if (d >= from && d <= last) {
                out = d;
                return true;
            }
        }
    }
    default:
        return false;
    }
}

}  // namespace datebook
