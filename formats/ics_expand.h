#pragma once
// The occurrences of a repeat rule (RFC 5545 RRULE) as wall-clock starts, for events whose rule
// the datebook's own repeats cannot hold and which are therefore laid out one by one.

#include <cstddef>
#include <optional>
#include <vector>

#include "formats/ics_rule.h"

namespace vemra {

// Wall-clock seconds: seconds since 1970-01-01 00:00 of a clock without zone (IcsLocalSeconds).
enum class IcsExpandResult { ok, tooMany, notExpandable };

// The starts of a rule's occurrences in order, from dtstart (wall seconds in the event's own
// zone), dtstart itself always the first (it counts towards COUNT even where the rule would not
// give it). untilWall: the rule's UNTIL in the same wall clock, inclusive. No start after
// lastWall; at most maxCount starts (tooMany when more would follow before lastWall, UNTIL or
// COUNT end them). notExpandable: a rule not well formed, FREQ=SECONDLY, INTERVAL 0, values out
// of range, parts in a FREQ that RFC 5545 forbids them in (BYWEEKNO outside YEARLY, BYYEARDAY in
// DAILY/WEEKLY/MONTHLY, BYMONTHDAY in WEEKLY, BYDAY ordinals outside MONTHLY/YEARLY), BYSECOND=60,
// times of day or HOURLY/MINUTELY for all-day events, RSCALE other than GREGORIAN, SKIP other
// than OMIT. A BYDAY of plain and ordinal weekdays matches either.
IcsExpandResult ExpandIcsRecurrence(const IcsRecurrence& rule, long long dtstartWall, bool allDay,
                                    std::optional<long long> untilWall, long long lastWall,
                                    std::size_t maxCount, std::vector<long long>& starts);

}  // namespace vemra
