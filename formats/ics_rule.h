#pragma once
// Repeat rules: an RRULE as the file writes it (every part, also those the datebook has no
// place for), and the datebook's five repeat kinds, with the decision whether one holds the other.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ics_lexer.h"

namespace vemra {

// A repeat rule in the datebook's five kinds.
struct IcsRule {
    enum Kind { none, daily, weekly, monthlyByWeekday, monthlyByDate, yearly };
    Kind kind = none;
    int interval = 1;
    bool hasEnd = false;
    IcsDate end;              // last day of the repeat, inclusive
    long count = 0;           // reader: COUNT when the rule gave one (then hasEnd is false)
    unsigned weekDays = 0;    // weekly: bit 0 Sunday .. bit 6 Saturday
    int weekOfMonth = 1;      // monthlyByWeekday: 1..4, or -1 for the last
    int weekday = 0;          // monthlyByWeekday: 0 Sunday .. 6 Saturday
    int monthDay = 1;         // monthlyByDate, yearly
    int month = 1;            // yearly, 1..12
    int firstDayOfWeek = 0;   // weekly: the day weeks begin on, 0 Sunday
};

// An RRULE or EXRULE value. Lists keep an item that is no number of its kind as 0 (a weekday
// as day -1) and clear wellFormed, so that no item goes missing unnoticed.
struct IcsRecurrence {
    enum class Freq { none, secondly, minutely, hourly, daily, weekly, monthly, yearly, unknown };
    struct Part {
        std::string key, value;   // key upper case, both trimmed
    };
    struct Weekday {
        int ordinal = 0;   // 0: every such weekday of the period; negative from its end
        int day = 0;       // 0 Sunday .. 6 Saturday
    };
    std::vector<Part> parts;   // as written, in order
    Freq freq = Freq::none;
    long interval = 1;
    long count = 0;            // 0 when the rule gives none
    bool hasUntil = false;
    std::string untilText;     // a time in the zone of DTSTART, or UTC
    IcsTime until;
    std::vector<Weekday> byDay;
    std::vector<int> byMonthDay, byYearDay, byWeekNo, byMonth, bySetPos, byHour, byMinute, bySecond;
    int weekStart = -1;        // WKST; -1 when not given (Monday then) or not a weekday
    bool wellFormed = true;
};

IcsRecurrence ParseIcsRecurrence(std::string_view text);

// Whether the datebook's repeats hold a rule that starts on start; held fills out. until turns
// an UNTIL text into the last day, false when it is no time the datebook can take; the first
// part in the order written that cannot be held decides.
enum class IcsRuleFit { held, notHeld, bySetPos, severalMonths, untilNotHeld };
using IcsUntilDay = std::function<bool(const std::string& text, IcsDate& day)>;
IcsRuleFit FitDatebookRule(const IcsRecurrence& rule, const IcsDate& start, const IcsUntilDay& until,
                           IcsRule& out);

}  // namespace vemra
