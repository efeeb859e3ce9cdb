#include "platform/time_zone.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "platform/local_time.h"
#include "platform/text.h"

namespace vemra {

namespace {

struct ZoneNamePair {
    const char* key;
    const char* value;
};
#include "platform/windows_zones.inc"

// Keeps the day arithmetic far from overflow (about 300,000 years either way).
constexpr long long kInstantLimit = 10'000'000'000'000LL;
long long Clamp(long long t) { return std::clamp(t, -kInstantLimit, kInstantLimit); }

// Day number (since 1970-01-01) of a change in a year.
long long ChangeDay(long long year, const ZoneChangeDay& c) {
    const long long january1 = DaysFromCivil(year, 1, 1);
    switch (c.kind) {
    case ZoneChangeDay::Kind::julianNoLeap: return january1 + c.day - 1 + (IsLeapYear(year) && c.day >= 60 ? 1 : 0);
    case ZoneChangeDay::Kind::zeroBasedDay: return january1 + c.day;
    case ZoneChangeDay::Kind::fixedDate:
        return DaysFromCivil(year, c.month, std::min(c.day, DaysInMonth(year, c.month)));
    case ZoneChangeDay::Kind::monthWeekDay: break;
    }
    const long long first = DaysFromCivil(year, c.month, 1);
    const long long last = first + DaysInMonth(year, c.month) - 1;
    long long day = first + (c.weekday - WeekdayOfDays(first) + 7) % 7 + 7LL * (c.week - 1);
    while (day > last) day -= 7;   // week 5: the last such weekday
    return day;
}

long long YearOf(long long utc, int offset) {
    int year = 1970, month = 1, day = 1;
    CivilFromDays(FloorDiv(utc + offset, 86400), year, month, day);
    return year;
}

}  // namespace

int ZoneYearRule::OffsetAt(long long utc) const {
    if (!hasDaylight) return standardOffset;
    utc = Clamp(utc);
    const long long year = YearOf(utc, standardOffset);
    const long long start = ChangeDay(year, daylightStart) * 86400 + daylightStart.time - standardOffset;
    const long long end = ChangeDay(year, daylightEnd) * 86400 + daylightEnd.time - daylightOffset;
    // Southern zones have daylight time across the new year.
    const bool daylight = start < end ? utc >= start && utc < end : !(utc >= end && utc < start);
    return daylight ? daylightOffset : standardOffset;
}

int ZoneData::OffsetAt(long long utc) const {
    if (!transitions.empty() && (rules.empty() || utc < transitions.back().utc)) {
        const auto after = std::upper_bound(transitions.begin(), transitions.end(), utc,
                                            [](long long t, const ZoneTransition& z) { return t < z.utc; });
        return after == transitions.begin() ? initialOffset : std::prev(after)->offset;
    }
    if (rules.empty()) return initialOffset;
    const long long year = YearOf(Clamp(utc), rules.front().second.standardOffset);
    const ZoneYearRule* rule = &rules.front().second;
    for (const auto& [first, r] : rules)
        if (first <= year) rule = &r;
    return rule->OffsetAt(utc);
}

bool CNamedZone::Open(std::string_view name) {
    m_name.clear();
    m_data = ZoneData();
    for (const std::string& candidate : zone::NameCandidates(name)) {
        std::string found;
        ZoneData data;
        if (zone::LoadSystemZone(candidate, found, data) && !found.empty()) {
            m_name = std::move(found);
            m_data = std::move(data);
            return true;
        }
    }
    return false;
}

int CNamedZone::OffsetAt(long long utc) const { return m_data.OffsetAt(utc); }

long long CNamedZone::ToUtc(long long wallSeconds) const {
    const long long wall = Clamp(wallSeconds);
    // The offsets in force within a day either way: an instant that reads `wall` has one of them.
    long long earliest = LLONG_MAX;
    for (const long long probe : {wall - 86400, wall, wall + 86400}) {
        const int offset = OffsetAt(probe);
        if (OffsetAt(wall - offset) == offset) earliest = std::min(earliest, wall - offset);
    }
    if (earliest != LLONG_MAX) return earliest;
    // In a gap: read with the offset before it, the smaller one.
    const int offset = OffsetAt(wall);
    return wall - std::min(offset, OffsetAt(wall - offset));
}

namespace zone {

namespace {

bool IsZoneNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '+' ||
           c == '-' || c == '.';
}

// "mozilla.org", "softwarestudio.org": a dotted host name, which no IANA name part is.
bool IsVendorPart(std::string_view part) {
    const size_t dot = part.find('.');
    if (dot == std::string_view::npos || dot == 0 || part.back() == '.') return false;
    return std::all_of(part.begin(), part.end(), [](char c) { return IsZoneNameChar(c) && c != '_' && c != '+'; }) &&
           part.find("..") == std::string_view::npos;
}

}  // namespace

std::vector<std::string> NameCandidates(std::string_view tzid) {
    std::string name = Trim(tzid);
    const size_t start = name.find_first_not_of('/');
    if (start == std::string::npos || name.size() > 255) return {};
    name.erase(0, start);
    std::vector<std::string> candidates{name};
    const size_t slash = name.find('/');
    if (slash != std::string::npos && IsVendorPart(std::string_view(name).substr(0, slash))) {
        // The IANA name is the longest tail after the vendor's own parts.
        for (size_t at = slash; at != std::string::npos; at = name.find('/', at + 1))
            if (at + 1 < name.size()) candidates.push_back(name.substr(at + 1));
    }
    return candidates;
}

bool IsPlainZonePath(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    for (const std::string& part : Split(name, '/'))
        if (part.empty() || part == "." || part == ".." || !std::all_of(part.begin(), part.end(), IsZoneNameChar))
            return false;
    return true;
}

bool IanaForWindows(std::string_view windowsName, std::string& iana, std::string& windowsSpelling) {
    for (const ZoneNamePair& z : kWindowsToIana)
        if (EqualsNoCase(windowsName, z.key)) {
            iana = z.value;
            windowsSpelling = z.key;
            return true;
        }
    return false;
}

namespace {
const char* Lookup(const ZoneNamePair* begin, const ZoneNamePair* end, std::string_view key) {
    const auto found = std::find_if(begin, end, [key](const ZoneNamePair& z) { return key == z.key; });
    return found == end ? nullptr : found->value;
}
}  // namespace

std::string WindowsForIana(std::string_view iana) {
    if (const char* w = Lookup(std::begin(kIanaToWindows), std::end(kIanaToWindows), iana)) return w;
    const std::string current = CurrentIanaName(iana);
    if (!current.empty()) return WindowsForIana(current);
    // A newer name than CLDR's: its older spelling.
    for (const ZoneNamePair& z : kOldIanaNames)
        if (iana == z.value)
            if (const char* w = Lookup(std::begin(kIanaToWindows), std::end(kIanaToWindows), z.key)) return w;
    return "";
}

std::string CurrentIanaName(std::string_view old) {
    const char* current = Lookup(std::begin(kOldIanaNames), std::end(kOldIanaNames), old);
    return current ? current : "";
}

// ---- POSIX TZ rules ("<+0530>-5:30", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,0/0,J365/25") ----

namespace {

class CRuleReader {
public:
    explicit CRuleReader(std::string_view text) : m_text(text) {}
    bool AtEnd() const { return m_pos == m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++m_pos;
        return true;
    }
    bool Number(int& value, int max) {
        if (!(Peek() >= '0' && Peek() <= '9')) return false;
        value = 0;
        while (Peek() >= '0' && Peek() <= '9') {
            value = value * 10 + (m_text[m_pos++] - '0');
            if (value > max) return false;
        }
        return true;
    }
    // "CET" or "<+0530>".
    bool ZoneAbbreviation() {
        const size_t from = m_pos;
        if (Take('<')) {
            while (!AtEnd() && Peek() != '>') {
                const char c = Peek();
                if (!(IsZoneNameChar(c) && c != '.' && c != '_')) return false;
                ++m_pos;
            }
            return Take('>') && m_pos - from >= 3;
        }
        while ((Peek() >= 'A' && Peek() <= 'Z') || (Peek() >= 'a' && Peek() <= 'z')) ++m_pos;
        return m_pos - from >= 3;
    }
    // [+-]hh[:mm[:ss]] in seconds; hours up to maxHours.
    bool Duration(int& seconds, int maxHours) {
        const bool negative = Take('-');
        if (!negative) Take('+');
        int hours = 0, minutes = 0, secs = 0;
        if (!Number(hours, maxHours)) return false;
        if (Take(':') && (!Number(minutes, 59) || (Take(':') && !Number(secs, 59)))) return false;
        seconds = (hours * 3600 + minutes * 60 + secs) * (negative ? -1 : 1);
        return true;
    }
    bool Change(ZoneChangeDay& change) {
        change = ZoneChangeDay();
        if (Take('M')) {
            change.kind = ZoneChangeDay::Kind::monthWeekDay;
            if (!Number(change.month, 12) || change.month < 1 || !Take('.') || !Number(change.week, 5) ||
                change.week < 1 || !Take('.') || !Number(change.weekday, 6))
                return false;
        } else if (Take('J')) {
            change.kind = ZoneChangeDay::Kind::julianNoLeap;
            if (!Number(change.day, 365) || change.day < 1) return false;
        } else {
            change.kind = ZoneChangeDay::Kind::zeroBasedDay;
            if (!Number(change.day, 365)) return false;
        }
        return !Take('/') || Duration(change.time, 167);
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

}  // namespace

bool ParsePosixRule(std::string_view text, ZoneYearRule& rule) {
    CRuleReader in(text);
    rule = ZoneYearRule();
    int offset = 0;
    if (!in.ZoneAbbreviation() || !in.Duration(offset, 24)) return false;
    rule.standardOffset = -offset;   // POSIX counts west
    if (in.AtEnd()) return true;
    if (!in.ZoneAbbreviation()) return false;
    rule.hasDaylight = true;
    rule.daylightOffset = rule.standardOffset + 3600;
    if (in.Peek() != ',' && !in.AtEnd()) {
        if (!in.Duration(offset, 24)) return false;
        rule.daylightOffset = -offset;
    }
    if (in.AtEnd()) {   // no dates: the US rule, as the C library assumes
        rule.daylightStart = {ZoneChangeDay::Kind::monthWeekDay, 3, 2, 0, 0, 7200};
        rule.daylightEnd = {ZoneChangeDay::Kind::monthWeekDay, 11, 1, 0, 0, 7200};
        return true;
    }
    return in.Take(',') && in.Change(rule.daylightStart) && in.Take(',') && in.Change(rule.daylightEnd) && in.AtEnd();
}

// ---- Windows' REG_TZI_FORMAT: Bias, StandardBias, DaylightBias, StandardDate, DaylightDate ----

namespace {

int32_t Int32At(std::string_view b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return static_cast<int32_t>(v);
}
int Word(std::string_view b, size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

// A SYSTEMTIME change: the day of wDay (1..5, 5 = last) weekday wDayOfWeek of wMonth, or with a
// year the date itself; wMonth 0 means none.
bool ChangeFromSystemTime(std::string_view b, size_t at, ZoneChangeDay& change, bool& present) {
    const int year = Word(b, at), month = Word(b, at + 2), weekday = Word(b, at + 4), day = Word(b, at + 6);
    const int hour = Word(b, at + 8), minute = Word(b, at + 10), second = Word(b, at + 12), ms = Word(b, at + 14);
    present = month != 0;
    if (!present) return true;
    if (month > 12 || weekday > 6 || day < 1 || day > (year ? 31 : 5) || hour > 23 || minute > 59 || second > 59 ||
        ms > 999)
        return false;
    change.kind = year ? ZoneChangeDay::Kind::fixedDate : ZoneChangeDay::Kind::monthWeekDay;
    change.month = month;
    change.week = day;
    change.day = day;
    change.weekday = weekday;
    // 23:59:59.999 stands for the end of the day.
    change.time = hour * 3600 + minute * 60 + second + (ms ? 1 : 0);
    return true;
}

}  // namespace

bool RuleFromTzi(std::string_view tzi, ZoneYearRule& rule) {
    if (tzi.size() != 44) return false;
    const long long bias = Int32At(tzi, 0), standardBias = Int32At(tzi, 4), daylightBias = Int32At(tzi, 8);
    constexpr long long limit = 26 * 60;   // minutes
    if (std::abs(bias + standardBias) > limit || std::abs(bias + daylightBias) > limit) return false;
    rule = ZoneYearRule();
    rule.standardOffset = static_cast<int>(-(bias + standardBias) * 60);   // Windows counts west
    rule.daylightOffset = static_cast<int>(-(bias + daylightBias) * 60);
    bool hasEnd = false, hasStart = false;
    if (!ChangeFromSystemTime(tzi, 12, rule.daylightEnd, hasEnd) ||
        !ChangeFromSystemTime(tzi, 28, rule.daylightStart, hasStart))
        return false;
    rule.hasDaylight = hasEnd && hasStart;
    return true;
}

}  // namespace zone

}  // namespace vemra
