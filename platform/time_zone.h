#pragma once
// Time zones that a calendar file names without describing them (TZID "Europe/Berlin",
// "/mozilla.org/20050126_1/Europe/Berlin", "W. Europe Standard Time"), resolved from the system's
// own zone data: natively the TZif files of the zone database ($TZDIR, else /usr/share/zoneinfo),
// on Windows the registry's Time Zones key. IANA and Windows names map onto each other through
// CLDR's windowsZones table. Nothing here touches the process's TZ.
//
// Instants are seconds since 1970-01-01 00:00 UTC; wall seconds count the same way on the zone's
// wall clock, as if it were UTC.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vemra {

// The day and time of a daylight-saving change within a year, in the forms of POSIX TZ rules and
// Windows SYSTEMTIME rules.
struct ZoneChangeDay {
    enum class Kind { monthWeekDay, julianNoLeap, zeroBasedDay, fixedDate };
    Kind kind = Kind::monthWeekDay;
    int month = 1;     // 1..12 (monthWeekDay, fixedDate)
    int week = 1;      // 1..5, 5 = the last (monthWeekDay)
    int weekday = 0;   // 0 = Sunday (monthWeekDay)
    int day = 0;       // julianNoLeap 1..365, zeroBasedDay 0..365, fixedDate 1..31
    int time = 7200;   // seconds after midnight of the wall clock in force before the change
};

// One year's rule: standard time, and when present daylight time between two changes.
struct ZoneYearRule {
    int standardOffset = 0;   // seconds east of UTC
    int daylightOffset = 0;
    bool hasDaylight = false;
    ZoneChangeDay daylightStart, daylightEnd;

    int OffsetAt(long long utc) const;
};

struct ZoneTransition {
    long long utc;
    int offset;   // in force from utc on
};

// A zone: explicit transitions, and for the instants after the last of them rules by year.
struct ZoneData {
    int initialOffset = 0;                     // before the first transition
    std::vector<ZoneTransition> transitions;   // strictly ascending
    // (first year, rule), ascending; the first rule also stands for the years before it.
    std::vector<std::pair<int, ZoneYearRule>> rules;

    int OffsetAt(long long utc) const;
};

class CNamedZone {
public:
    // Resolves a TZID; false (and the zone left closed) for unknown names, names that are no
    // plain zone names and damaged zone data.
    bool Open(std::string_view name);
    bool IsOpen() const { return !m_name.empty(); }
    // The UTC offset in seconds east at a UTC instant (0 when closed).
    int OffsetAt(long long utc) const;
    // A wall-clock time of the zone as UTC: of the two instants of a time that occurs twice the
    // earlier, a time in a gap moved forward by the gap's length (RFC 5545).
    long long ToUtc(long long wallSeconds) const;
    // The zone's name as the system knows it ("Europe/Berlin", "W. Europe Standard Time").
    std::string Name() const { return m_name; }

private:
    std::string m_name;
    ZoneData m_data;
};

// The parts the platform sources and the tests share.
namespace zone {

// The names a TZID may stand for, most likely first: without surrounding blanks and leading
// slashes, and without a vendor prefix ("mozilla.org/20050126_1/").
std::vector<std::string> NameCandidates(std::string_view tzid);
// True for a relative path of plain name parts ("America/Argentina/Buenos_Aires"): no "." or
// ".." parts, no empty parts, only letters, digits and "_+-.".
bool IsPlainZonePath(std::string_view name);
// CLDR: the IANA zone of a Windows zone (any case), with the Windows name as CLDR spells it;
// false when unknown.
bool IanaForWindows(std::string_view windowsName, std::string& iana, std::string& windowsSpelling);
// CLDR: the Windows zone of an IANA zone, also under the older or newer IANA name; "" if unknown.
std::string WindowsForIana(std::string_view iana);
// The current IANA name of an older one CLDR still uses (Asia/Calcutta -> Asia/Kolkata); "" if none.
std::string CurrentIanaName(std::string_view old);
// A POSIX TZ rule as TZif files end with ("CET-1CEST,M3.5.0,M10.5.0/3"); false when malformed.
bool ParsePosixRule(std::string_view text, ZoneYearRule& rule);
// Windows' 44-byte REG_TZI_FORMAT (Bias, StandardBias, DaylightBias in minutes west, StandardDate,
// DaylightDate as SYSTEMTIME); false when it is not one.
bool RuleFromTzi(std::string_view tzi, ZoneYearRule& rule);

// The platform's part: the zone data of one candidate name and the name it goes by.
bool LoadSystemZone(const std::string& candidate, std::string& name, ZoneData& data);

}  // namespace zone

}  // namespace vemra
