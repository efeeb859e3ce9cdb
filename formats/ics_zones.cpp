#include "formats/ics_zones.h"

#include <algorithm>
#include <climits>

#include "platform/local_time.h"
#include "platform/text.h"

namespace vemra {

namespace {

// The day of the n-th (negative: from the end) weekday wd of a month; 0 when there is none.
int NthWeekday(int y, int m, int n, int wd) {
    const int last = DaysInMonth(y, m);
    if (n > 0) {
        const int first = WeekdayOfDays(DaysFromCivil(y, m, 1));
        const int d = 1 + (wd - first + 7) % 7 + (n - 1) * 7;
        return d <= last ? d : 0;
    }
    const int lastWd = WeekdayOfDays(DaysFromCivil(y, m, last));
    const int d = last - (lastWd - wd + 7) % 7 + (n + 1) * 7;
    return d >= 1 ? d : 0;
}

// The latest onset at or before bound (local seconds), or LLONG_MIN.
long long LatestOnset(const IcsZone::Observance& o, long long bound) {
    long long best = LLONG_MIN;
    if (o.start <= bound) best = o.start;
    for (long long d : o.dates)
        if (d <= bound) best = std::max(best, d);
    if (!o.yearly) return best;
    long long limit = bound;
    if (o.hasUntil) limit = std::min(limit, o.until);
    int y, m, d;
    CivilFromDays(FloorDiv(limit, 86400), y, m, d);
    for (int year = y; year >= y - 1; --year) {
        int day = o.byMonthDay;
        if (o.byDay >= 0) day = NthWeekday(year, o.month, o.byDayWeek, o.byDay);
        if (day < 1 || day > DaysInMonth(year, o.month)) continue;
        const long long onset = DaysFromCivil(year, o.month, day) * 86400 + o.startOfDay;
        if (onset >= o.start && onset <= limit) {
            best = std::max(best, onset);
            break;
        }
    }
    return best;
}

// The yearly onsets of an observance's RRULE, read leniently: what a zone needs of it, and no
// more, since zone rules are written by programs rather than people.
void ReadOnsetRule(std::string_view rule, IcsZone::Observance& obs) {
    for (const std::string& part : Split(rule, ';')) {
        const std::size_t eq = part.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = ToUpperAscii(part.substr(0, eq)), val = part.substr(eq + 1);
        if (key == "FREQ") {
            obs.yearly = EqualsNoCase(val, "YEARLY");
        } else if (key == "BYMONTH" && IsDigits(val)) {
            obs.month = static_cast<int>(std::clamp(IcsNumber(val.substr(0, 3)), 1LL, 12LL));
        } else if (key == "BYMONTHDAY" && IsDigits(val)) {
            obs.byMonthDay = static_cast<int>(std::min(IcsNumber(val.substr(0, 3)), 31LL));
        } else if (key == "BYDAY" && val.size() >= 2) {
            const std::string n = val.substr(0, val.size() - 2);
            const int wd = IcsWeekdayOf(val.substr(val.size() - 2));
            const bool neg = !n.empty() && n[0] == '-';
            const std::string digits = n.empty() || IsDigits(n) ? n : n.substr(1);
            if (wd >= 0 && IsDigits(digits) && digits.size() == 1 && digits != "0") {
                obs.byDay = wd;
                obs.byDayWeek = static_cast<int>(IcsNumber(digits)) * (neg ? -1 : 1);
            }
        } else if (key == "UNTIL") {
            IcsTime u;
            if (ParseIcsTime(val, u)) {
                obs.hasUntil = true;
                // An UNTIL in UTC is taken in the observance's old offset.
                obs.until = IcsLocalSeconds(u.date, u.isDate ? 86399 : u.seconds) + (u.utc ? obs.offsetFrom : 0);
            }
        }
    }
}

constexpr std::string_view kUtc = "UTC";

// The machine's wall-clock seconds of a UTC time; false where the platform cannot break it down.
bool LocalWallOf(long long utc, long long& wall) {
    LocalParts parts;
    if (static_cast<long long>(static_cast<long>(utc)) != utc || !BreakLocal(static_cast<long>(utc), parts)) return false;
    wall = IcsLocalSeconds({parts.year, parts.month, parts.day}, parts.hour * 3600 + parts.minute * 60 + parts.second);
    return true;
}

}  // namespace

long long IcsZone::OffsetAt(long long local) const {
    long long best = LLONG_MIN, offset = 0, earliest = LLONG_MAX;
    for (const Observance& o : observances) {
        const long long onset = LatestOnset(o, local);
        if (onset != LLONG_MIN && onset >= best) {
            best = onset;
            offset = o.offsetTo;
        }
        if (o.start < earliest) {
            earliest = o.start;
            if (best == LLONG_MIN) offset = o.offsetFrom;
        }
    }
    return offset;
}

long long IcsZone::WallAt(long long utc) const {
    long long latest = utc + OffsetAt(utc);
    for (const Observance& o : observances) {
        for (long long offset : {o.offsetFrom, o.offsetTo}) {
            if (OffsetAt(utc + offset) == offset) return utc + offset;
            latest = std::max(latest, utc + offset);
        }
    }
    return latest;
}

IcsZone ParseIcsZone(const IcsComponent& c) {
    IcsZone zone;
    for (const IcsComponent& o : c.children) {
        if (o.name != "STANDARD" && o.name != "DAYLIGHT") continue;
        IcsZone::Observance obs;
        IcsTime start;
        const IcsProperty* dt = o.Find("DTSTART");
        const IcsProperty* from = o.Find("TZOFFSETFROM");
        const IcsProperty* to = o.Find("TZOFFSETTO");
        if (!dt || !to || !ParseIcsTime(Trim(dt->value), start) || !ParseIcsOffset(Trim(to->value), obs.offsetTo))
            continue;
        if (!from || !ParseIcsOffset(Trim(from->value), obs.offsetFrom)) obs.offsetFrom = obs.offsetTo;
        obs.start = IcsLocalSeconds(start.date, start.seconds);
        obs.startOfDay = start.seconds;
        obs.month = start.date.month;
        obs.byMonthDay = start.date.day;
        for (const IcsProperty& q : o.props) {
            if (q.name == "RDATE") {
                for (const std::string& v : Split(q.value, ',')) {
                    IcsTime t;
                    if (ParseIcsTime(Trim(v), t)) obs.dates.push_back(IcsLocalSeconds(t.date, t.seconds));
                }
            } else if (q.name == "RRULE") {
                ReadOnsetRule(q.value, obs);
            }
        }
        zone.observances.push_back(std::move(obs));
    }
    return zone;
}

void CIcsZones::Add(const IcsComponent& vtimezone) {
    if (const IcsProperty* id = vtimezone.Find("TZID")) m_zones[id->value] = ParseIcsZone(vtimezone);
}

IcsTimeCheck CIcsZones::ToLocal(const IcsProperty& p, std::string_view value, IcsTime& t) const {
    if (!ParseIcsTime(Trim(value), t)) return IcsTimeCheck::bad;
    if (t.isDate || EqualsNoCase(p.Param("VALUE"), "DATE")) {
        t.isDate = true;
        t.seconds = 0;
        return IcsTimeCheck::ok;
    }
    long long utc = IcsLocalSeconds(t.date, t.seconds);
    const std::string tzid = p.Param("TZID");
    if (!t.utc && tzid.empty()) return IcsTimeCheck::ok;   // floating: the wall-clock time as it stands
    if (!t.utc) {
        if (const IcsTimeCheck check = Convert(tzid, utc, true, utc); check != IcsTimeCheck::ok) return check;
    }
    long long local;
    if (!LocalWallOf(utc, local)) return IcsTimeCheck::bad;
    CivilFromDays(FloorDiv(local, 86400), t.date.year, t.date.month, t.date.day);
    t.seconds = static_cast<int>(local - DaysFromCivil(t.date.year, t.date.month, t.date.day) * 86400);
    t.utc = false;
    return IcsTimeCheck::ok;
}

IcsTimeCheck CIcsZones::Convert(const std::string& tzid, long long time, bool toUtc, long long& out) const {
    if (tzid == kUtc) {
        out = time;
        return IcsTimeCheck::ok;
    }
    if (const auto zone = m_zones.find(tzid); zone != m_zones.end()) {
        out = toUtc ? time - zone->second.OffsetAt(time) : zone->second.WallAt(time);
        return IcsTimeCheck::ok;
    }
    // A zone the file only names: the system's zone data may know it.
    auto named = m_named.find(tzid);
    if (named == m_named.end()) {
        named = m_named.emplace(tzid, CNamedZone()).first;
        named->second.Open(tzid);
    }
    if (!named->second.IsOpen()) return IcsTimeCheck::unknownZone;
    out = toUtc ? named->second.ToUtc(time) : time + named->second.OffsetAt(time);
    return IcsTimeCheck::ok;
}

IcsTimeCheck CIcsZones::WallToUtc(const std::string& tzid, long long wall, long long& utc) const {
    if (!tzid.empty()) return Convert(tzid, wall, true, utc);
    int y, m, d;
    CivilFromDays(FloorDiv(wall, 86400), y, m, d);
    const long long s = wall - DaysFromCivil(y, m, d) * 86400;
    const long t = MakeLocal(y, m, d, static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    if (t == -1) return IcsTimeCheck::bad;
    utc = t;
    return IcsTimeCheck::ok;
}

IcsTimeCheck CIcsZones::UtcToWall(const std::string& tzid, long long utc, long long& wall) const {
    if (!tzid.empty()) return Convert(tzid, utc, false, wall);
    return LocalWallOf(utc, wall) ? IcsTimeCheck::ok : IcsTimeCheck::bad;
}

IcsTimeCheck CIcsZones::WallToLocal(const std::string& tzid, long long wall, long long& localWall) const {
    if (tzid.empty()) {
        localWall = wall;
        return IcsTimeCheck::ok;
    }
    long long utc;
    if (const IcsTimeCheck check = WallToUtc(tzid, wall, utc); check != IcsTimeCheck::ok) return check;
    return LocalWallOf(utc, localWall) ? IcsTimeCheck::ok : IcsTimeCheck::bad;
}

}  // namespace vemra
