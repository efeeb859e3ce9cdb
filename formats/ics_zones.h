#pragma once
// The time zones a calendar file describes (VTIMEZONE) and the conversion of its times to the
// machine's local wall-clock time, which is what the datebook keeps.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ics_lexer.h"

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

private:
    std::map<std::string, IcsZone> m_zones;
};

}  // namespace vemra
