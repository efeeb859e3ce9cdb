#pragma once
// The time zones a calendar file describes (VTIMEZONE), or names for the system's zone data to
// know, and the conversion of its times to the machine's local wall-clock time, which is what
// the datebook keeps.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ics_lexer.h"
#include "platform/time_zone.h"

namespace vemra {

// A VTIMEZONE: the offset from UTC at a local time, from the onsets of its observances.
struct IcsZone {
    struct Observance {
        long long start = 0;       // local seconds of the first onset
        long long offsetFrom = 0, offsetTo = 0;
        bool yearly = false;
        int month = 0, byDayWeek = 0, byDay = -1, byMonthDay = 0;
        long long startOfDay = 0;  // time of day of the onsets
        bool hasUntil = false;
        long long until = 0;       // local seconds
        std::vector<long long> dates;   // RDATE onsets
    };
    std::vector<Observance> observances;

    long long OffsetAt(long long local) const;   // seconds east of UTC
    // The wall time OffsetAt takes back to utc; where none does (an hour the zone repeats reads
    // as its first pass), the latest candidate, so that it still bounds earlier walls.
    long long WallAt(long long utc) const;
};

// The observances of a VTIMEZONE component; those without a start or an offset are left out.
IcsZone ParseIcsZone(const IcsComponent& vtimezone);

enum class IcsTimeCheck { ok, bad, unknownZone };

class CIcsZones {
public:
    void Add(const IcsComponent& vtimezone);   // under its TZID; a later one of the same name wins
    // A time of property p (value: one of its values) as a local date and second of the day:
    // UTC and zoned times converted, floating times and dates as written.
    IcsTimeCheck ToLocal(const IcsProperty& p, std::string_view value, IcsTime& t) const;

    // Wall-clock seconds (IcsLocalSeconds) in a zone: tzid "" is floating (the machine's own wall
    // clock), "UTC" is UTC (before any zone a file names so), else a zone of the file. To hold
    // a start against an UNTIL in UTC exactly, compare WallToUtc(start) with it; UtcToWall gives
    // a bound for the expansion.
    IcsTimeCheck WallToUtc(const std::string& tzid, long long wall, long long& utc) const;
    IcsTimeCheck UtcToWall(const std::string& tzid, long long utc, long long& wall) const;
    // The machine's local wall-clock seconds of a wall time in a zone.
    IcsTimeCheck WallToLocal(const std::string& tzid, long long wall, long long& localWall) const;

private:
    // A zone's wall time to UTC (toUtc) or back; unknownZone for a name it cannot resolve.
    IcsTimeCheck Convert(const std::string& tzid, long long time, bool toUtc, long long& out) const;

    std::map<std::string, IcsZone> m_zones;
    mutable std::map<std::string, CNamedZone> m_named;   // asked of the system, also in vain
};

}  // namespace vemra
