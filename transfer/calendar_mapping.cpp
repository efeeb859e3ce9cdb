#include "transfer/calendar.h"

#include <algorithm>
#include <climits>
#include <set>

#include "formats/appt_values.h"
#include "formats/icalendar.h"
#include "formats/ics_expand.h"
#include "formats/value_text.h"
#include "palm/datebook.h"
#include "platform/codepage.h"
#include "platform/utf8.h"
#include "platform/local_time.h"
#include "platform/locale_dates.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "transfer/transfer.h"

using namespace vemra;

namespace {

IcsDate DateOf(long t) {
    LocalParts p;
    BreakLocal(t, p);
    return {p.year, p.month, p.day};
}

long TimeOf(const IcsDate& d, int minute = 0) { return MakeLocal(d.year, d.month, d.day, minute / 60, minute % 60); }

std::string SystemToUtf8(const std::string& text) { return Utf16ToUtf8(SystemTextToUtf16(text)); }

// Whether the record occurs on the day of its own start (a weekly rule need not include the
// start's weekday; in iCalendar the start always occurs).
bool StartOccurs(const CDateBkRecord& record, long start) {
    long next = 0;
    return record.CalcNextOccurrance(LocalMidnight(start), next) == 0 && LocalMidnight(next) == LocalMidnight(start);
}

std::optional<Rejection> BaseValues(const IcsEvent& e, CApptValues& values);

// A note's first line as the import writes a place (in either language) is the event's
// LOCATION again, its last line as it writes an address the URL.
void TakePlacesFromNote(IcsEvent& e) {
    std::string& note = e.description;
    const std::size_t firstEnd = note.find('\n');
    const std::string first = note.substr(0, firstEnd == std::string::npos ? note.size() : firstEnd);
    for (const std::string& label : Split(LoadResString(IDS_NOTE_LOCATION_LABELS), '|')) {
        if (label.empty() || first.rfind(label, 0) != 0) continue;
        e.location = TrimRight(first.substr(label.size()));
        note.erase(0, firstEnd == std::string::npos ? note.size() : firstEnd + 1);
        break;
    }
    const std::string urlLabel = FormatText(LoadResString(IDS_NOTE_URL).c_str(), "");
    const std::size_t lastStart = note.rfind('\n') == std::string::npos ? 0 : note.rfind('\n') + 1;
    if (!urlLabel.empty() && note.compare(lastStart, urlLabel.size(), urlLabel) == 0) {
        e.url = TrimRight(note.substr(lastStart + urlLabel.size()));
        note.erase(lastStart > 0 ? lastStart - 1 : 0);
        if (!note.empty() && note.back() == '\r') note.pop_back();
    }
}

}  // namespace

bool Utf8ToDatebookText(const std::string& utf8, std::string& out) {
    const std::u16string wide = Utf8ToUtf16(utf8, BadBytes::latin1);
    out = Utf16ToSystemText(wide);
    if (SystemTextToUtf16(out) != wide) return false;
    return FileTextToSystem(SystemTextToFile(out)) == out;
}

bool EventFromRecord(CDateBkRecord& record, const CApptValues& values, std::uint32_t userId, IcsEvent& e) {
    long id = 0;
    record.GetRecordId(id);
    e.uid = FormatText("palm-%lu-%lu@vemra", static_cast<unsigned long>(userId), static_cast<unsigned long>(id));
    e.summary = SystemToUtf8(values.m_strText);
    e.description = SystemToUtf8(values.m_strNote);
    TakePlacesFromNote(e);
    e.isPrivate = values.m_bPrivate != 0;
    e.allDay = values.m_bUntimed != 0;
    LocalParts start;
    BreakLocal(values.m_timeStart, start);
    e.start = e.end = {start.year, start.month, start.day};
    if (!e.allDay) {
        LocalParts end;
        BreakLocal(values.m_timeEnd, end);
        e.startMinute = start.hour * 60 + start.minute;
        e.endMinute = end.hour * 60 + end.minute;
        // An end before the start (or on another day) makes no event; it is written as a point.
        if (end.year != start.year || end.month != start.month || end.day != start.day || e.endMinute < e.startMinute)
            e.endMinute = e.startMinute;
    }
    long advance = -1;
    if (record.IsAlarmSet() && record.GetAlarmAdvTime(advance) == 0 && advance >= 0) {
        eAlarmUnit unit = eMinutes;
        record.GetAlarmAdvUnit(unit);
        e.alarm = true;
        e.alarmAdvance = advance;
        e.alarmUnit = unit;
    }

    const CRepeateDayInfo* info = nullptr;
    if (!record.IsRepeatingEvt() || record.GetRepeateInfo(info) != 0 || !info) return true;
    IcsRule& r = e.rule;
    r.interval = info->GetInterval() < 1 ? 1 : info->GetInterval();
    if (info->GetEndDate() > 0) {
        r.hasEnd = true;
        r.end = DateOf(info->GetEndDate());
    }
    if (const auto* weekly = dynamic_cast<const CWeekly*>(info)) {
        r.kind = IcsRule::weekly;
        r.weekDays = weekly->GetWeekDays();
        r.firstDayOfWeek = weekly->GetFirstDayOfWeek();
    } else if (const auto* byDay = dynamic_cast<const CDayOfMonth*>(info)) {
        r.kind = IcsRule::monthlyByWeekday;
        r.weekOfMonth = byDay->GetWeekNum() == eLastWeek ? -1 : byDay->GetWeekNum() + 1;
        r.weekday = byDay->GetDay();
    } else if (const auto* byDate = dynamic_cast<const CDateOfMonth*>(info)) {
        r.kind = IcsRule::monthlyByDate;
        r.monthDay = byDate->GetDayOfMonth();
    } else if (const auto* yearly = dynamic_cast<const CDateOfYear*>(info)) {
        r.kind = IcsRule::yearly;
        r.month = yearly->GetMonth() + 1;
        r.monthDay = yearly->GetDayOfMonth();
    } else {
        r.kind = IcsRule::daily;
    }
    if (r.kind == IcsRule::weekly && r.weekDays == 0) {
        r.kind = IcsRule::none;   // a rule without days never occurs: the start alone remains
        return true;
    }
    if (!StartOccurs(record, values.m_timeStart)) e.exceptions.push_back(e.start);
    CDateException exception;
    for (long x = record.FindFirstException(exception); x == 0; x = record.FindNextException(exception)) {
        const IcsDate d = DateOf(exception.m_time);
        if (!(d == e.start) || StartOccurs(record, values.m_timeStart)) e.exceptions.push_back(d);
    }
    return true;
}

std::optional<Rejection> RecordFromEvent(const IcsEvent& e, CDateBkRecord& record) {
    const auto calendar = [](IcsReason reason) { return Rejection::Calendar(reason); };
    const auto row = [](long reason) { return Rejection::Row(static_cast<int>(reason)); };
    CApptValues values;
    if (const std::optional<Rejection> why = BaseValues(e, values)) return why;
    values.m_bUntimed = e.allDay ? 1 : 0;
    values.m_timeDate = TimeOf(e.start);
    values.m_timeStart = TimeOf(e.start, e.startMinute);
    values.m_timeEnd = TimeOf(e.start, e.endMinute);
    if (values.m_timeDate == -1 || values.m_timeStart == -1 || values.m_timeEnd == -1) return calendar(IcsReason::badTime);
    values.m_bRepeat = e.rule.kind != IcsRule::none ? 1 : 0;
    if (const long r = ValuesToRecord(record, values)) return row(r);
    if (!values.m_bRepeat) return std::nullopt;

    const IcsRule& rule = e.rule;
    long end = NoEndDate();
    if (rule.hasEnd) {
        end = TimeOf(rule.end);
        if (end == -1 || end < values.m_timeDate) return row(reasonInvalidRepeatEndDate);
    }
    const auto first = static_cast<eDayIndex>(rule.firstDayOfWeek % 7);
    long r = 0;
    switch (rule.kind) {
    case IcsRule::daily: r = record.SetRepDaily(CDayName(static_cast<eDayIndex>(e.start.day), rule.interval, end, eSunday)); break;
    case IcsRule::weekly:
        r = record.SetRepWeekly(CWeekly(static_cast<unsigned char>(rule.weekDays), rule.interval, end, first));
        break;
    case IcsRule::monthlyByWeekday: {
        const eWeekIndex week = rule.weekOfMonth < 0 ? eLastWeek : static_cast<eWeekIndex>(rule.weekOfMonth - 1);
        r = record.SetRepMonthlyByDay(CDayOfMonth(week, static_cast<eDayIndex>(rule.weekday), rule.interval, end, eSunday));
        break;
    }
    case IcsRule::monthlyByDate: r = record.SetRepMonthlyByDate(CDateOfMonth(rule.monthDay, rule.interval, end, eSunday)); break;
    default:
        r = record.SetRepYearlyByDate(CDateOfYear(static_cast<eMonthIndex>(rule.month - 1), rule.monthDay, rule.interval, end, eSunday));
        break;
    }
    if (r != 0) return calendar(IcsReason::ruleNotHeld);

    const bool startOccurs = StartOccurs(record, values.m_timeStart);
    if (rule.count > 0) {
        // The start counts as the first occurrence even where the rule would not give it.
        long left = rule.count - (startOccurs ? 0 : 1), last = values.m_timeStart, t = values.m_timeStart;
        for (long next = 0; left > 0 && record.CalcNextOccurrance(t, next) == 0; --left) {
            last = next;
            t = NextLocalMidnight(next);
            if (t <= next) break;
        }
        CRepeateDayInfo* info = nullptr;
        if (left == 0 && record.GetRepeateInfo(info) == 0 && info) info->SetEndDate(LocalMidnight(last));
    }
    for (const IcsDate& d : e.exceptions) {
        // The start's own day, excluded where the rule does not give it, is no exception.
        if (d == e.start && !startOccurs) continue;
        const long t = TimeOf(d);
        if (t == -1 || record.AddException(t) != 0) return calendar(IcsReason::badTime);
    }
    return std::nullopt;
}

namespace {

constexpr std::size_t kMostSingles = 500;        // single appointments of one event at most
constexpr std::size_t kMostOccurrences = 20000;  // a daily rule to the datebook's last day, with room

// The instant of a wall-clock time of the event's zone (floating: the machine's own), as the
// datebook's times can hold it.
bool InstantOf(const CIcsZones& zones, const std::string& tzid, bool utc, long long wall, long& t) {
    long long instant = 0;
    if (zones.WallToUtc(utc ? "UTC" : tzid, wall, instant) != IcsTimeCheck::ok || instant < 0 || instant > 0x7FFFFFFF)
        return false;
    t = static_cast<long>(instant);
    return true;
}

struct Occurrence {
    long start = 0, end = 0;   // instants; all-day: local midnights
};

// What the datebook can hold of the times of one event: occurrences of one source each.
struct Timing {
    const IcsEvent& e;
    const CIcsZones& zones;

    // An occurrence starting at wall (in the event's zone), lasting the event's length.
    bool At(long long wall, Occurrence& o) const {
        if (e.allDay) {
            int y, m, d;
            CivilFromDays(wall / 86400, y, m, d);
            o.start = MakeLocal(y, m, d);
            const long long days = std::max<long long>(1, e.durationSeconds / 86400);
            CivilFromDays(wall / 86400 + days, y, m, d);
            o.end = MakeLocal(y, m, d);
            return o.start != -1 && o.end != -1;
        }
        long end = 0;
        if (!InstantOf(zones, e.tzid, e.startWall.utc, wall, o.start) ||
            !InstantOf(zones, e.tzid, e.startWall.utc, wall + e.durationSeconds, end))
            return false;
        o.end = std::max(end, o.start);
        return true;
    }
};

// The pieces of an occurrence, a day each: the first from its start (to 11:59 PM when it runs
// on), whole days between untimed, the last from 12:00 AM to its end.
void PiecesOf(const Occurrence& o, bool allDay, std::vector<OccurrencePiece>& first, std::vector<OccurrencePiece>& rest) {
    if (allDay) {
        for (long day = o.start; day < o.end && day > 0; day = NextLocalMidnight(day))
            (day == o.start ? first : rest).push_back({day, day, true});
        if (o.end <= o.start) first.push_back({o.start, o.start, true});
        return;
    }
    const long midnight = NextLocalMidnight(o.start);
    if (o.end <= midnight || midnight <= 0) {
        // One that ends at midnight ends the day, at 11:59 PM.
        first.push_back({o.start, o.end == midnight ? midnight - 60 : o.end, false});
        return;
    }
    first.push_back({o.start, midnight - 60, false});
    long day = midnight;
    for (long next = NextLocalMidnight(day); next > 0 && next <= o.end; day = next, next = NextLocalMidnight(day))
        rest.push_back({day, day, true});
    if (o.end > day) rest.push_back({day, o.end, false});
}

// The datebook kind a rule repeats in, when its parts are ones several series can hold.
std::optional<RepeatHint> HintOf(const IcsRecurrence& rule) {
    RepeatHint hint;
    switch (rule.freq) {
    case IcsRecurrence::Freq::daily: hint.kind = RepeatHint::daily; break;
    case IcsRecurrence::Freq::weekly: hint.kind = RepeatHint::weekly; break;
    case IcsRecurrence::Freq::monthly: hint.kind = RepeatHint::monthlyByDate; break;
    case IcsRecurrence::Freq::yearly: hint.kind = RepeatHint::yearly; break;
    default: return std::nullopt;
    }
    if (!rule.wellFormed || rule.interval < 1 || rule.interval > 99) return std::nullopt;
    for (const IcsRecurrence::Part& part : rule.parts) {
        static const char* const kHeld[] = {"FREQ", "INTERVAL", "COUNT", "UNTIL", "BYDAY", "BYMONTHDAY", "BYMONTH", "WKST"};
        if (std::none_of(std::begin(kHeld), std::end(kHeld), [&](const char* k) { return part.key == k; })) return std::nullopt;
    }
    for (const IcsRecurrence::Weekday& w : rule.byDay) {
        if (w.ordinal == 0) continue;
        // Weekdays by their place in the month: one series for each place.
        if (hint.kind != RepeatHint::monthlyByDate || w.ordinal < -1 || w.ordinal > 4) return std::nullopt;
        hint.kind = RepeatHint::monthlyByWeekday;
        hint.lastWeek = hint.lastWeek || w.ordinal == -1;
    }
    if (hint.kind == RepeatHint::monthlyByWeekday && rule.byDay.size() > 1 && hint.lastWeek) return std::nullopt;
    if (hint.kind == RepeatHint::yearly && !rule.byDay.empty()) return std::nullopt;
    hint.interval = static_cast<int>(rule.interval);
    hint.firstDayOfWeek = rule.weekStart < 0 ? 1 : rule.weekStart;
    return hint;
}

// The note with the event's place as its first line and its address as its last.
std::string NoteWithPlaces(const std::string& note, const std::string& location, const std::string& url) {
    std::string text;
    if (!location.empty()) text = FormatText(LoadResString(IDS_NOTE_LOCATION).c_str(), location.c_str()) + "\n";
    text += note;
    if (!url.empty()) {
        if (!text.empty()) text += '\n';
        text += FormatText(LoadResString(IDS_NOTE_URL).c_str(), url.c_str());
    }
    return text;
}

// The first line of the note of an event's pieces: the whole event's start and end.
std::string SpanLine(const Occurrence& o, bool allDay, bool repeats, std::size_t days) {
    const long last = allDay ? ShiftLocalDays(o.end, -1, 0, 0, 0) : o.end;
    // A series gives times only: its dates are each occurrence's own.
    const auto moment = [&](long t) {
        if (repeats) return allDay ? std::string() : TimeText(t);
        std::string text = DateText(t);
        if (!allDay) text.append(" ").append(TimeText(t));
        return text;
    };
    const std::string from = moment(o.start), to = moment(last);
    return repeats ? FormatText(LoadResString(IDS_ICS_SPAN_DAYS).c_str(), from.c_str(), to.c_str(), static_cast<int>(days))
                   : FormatText(LoadResString(IDS_ICS_SPAN).c_str(), from.c_str(), to.c_str());
}

// Text, note, private and alarm of an event; why they cannot be held, or nothing.
std::optional<Rejection> BaseValues(const IcsEvent& e, CApptValues& values) {
    std::string location, url;
    if (!Utf8ToDatebookText(e.summary, values.m_strText) || !Utf8ToDatebookText(e.description, values.m_strNote) ||
        !Utf8ToDatebookText(e.location, location) || !Utf8ToDatebookText(e.url, url))
        return Rejection::Calendar(IcsReason::textNotHeld);
    values.m_strText = ExpandLineBreaks(values.m_strText);
    if (Trim(values.m_strText).empty()) return Rejection::Row(reasonNoText);
    values.m_strNote = ExpandLineBreaks(NoteWithPlaces(values.m_strNote, location, url));
    values.m_bPrivate = e.isPrivate ? 1 : 0;
    values.m_bAlarm = e.alarm ? 1 : 0;
    values.m_nAlarmTime = static_cast<int32_t>(e.alarmAdvance);
    values.m_nAlarmUnit = e.alarmUnit;
    return std::nullopt;
}

long long WallOf(const IcsTime& t) { return IcsLocalSeconds(t.date, t.isDate ? 0 : t.seconds); }

class CItemMapping {
public:
    CItemMapping(const IcsEvent& e, const CIcsZones& zones) : m_e(e), m_zones(zones), m_timing{e, zones} {}

    // The instant of a date or time of the event (its own zone, or one given with it).
    bool Instant(const IcsTime& t, const std::string& tzid, long& out) const {
        if (m_e.allDay || t.isDate) {
            out = MakeLocal(t.date.year, t.date.month, t.date.day);
            return out != -1;
        }
        return InstantOf(m_zones, tzid.empty() ? m_e.tzid : tzid, t.utc, WallOf(t), out);
    }

    void Remove(const IcsTime& t, const std::string& tzid, bool andLater) {
        long at = 0;
        if (!Instant(t, tzid, at)) return;
        if (andLater) m_nCutFrom = std::min(m_nCutFrom, at);
        else m_removed.push_back(at);
    }

    // The occurrences of one rule, less those taken out; why not, or nothing.
    std::optional<IcsReason> Expand(const IcsRecurrence& rule, std::vector<Occurrence>& out) const {
        const IcsReason why = m_e.whyNotOne.value_or(IcsReason::ruleNotHeld);
        if (!HintOf(rule) && rule.count == 0 && !rule.hasUntil) return why;   // endless singles
        std::optional<long long> untilWall;
        if (IcsUntilWall(m_zones, m_e, rule, untilWall) != IcsTimeCheck::ok) return IcsReason::badTime;
        std::vector<long long> starts;
        const long long last = IcsLocalSeconds({kDatebookLastYear, kNoEndMonth, kNoEndDay}, 86399);
        if (ExpandIcsRecurrence(rule, WallOf(m_e.startWall), m_e.allDay, untilWall, last, kMostOccurrences, starts) !=
            IcsExpandResult::ok)
            return why;
        long until = LONG_MAX;
        if (rule.hasUntil && rule.until.utc) until = static_cast<long>(std::min<long long>(WallOf(rule.until), LONG_MAX));
        for (const long long wall : starts) {
            Occurrence o;
            if (!m_timing.At(wall, o)) return IcsReason::badTime;
            if (o.start <= until && Kept(o.start)) out.push_back(o);
        }
        return std::nullopt;
    }

    // RDATEs: single dates (or periods) of their own.
    bool Added(std::vector<Occurrence>& out) const {
        for (const IcsEvent::Dated& d : m_e.rdates) {
            Occurrence o;
            const bool ownZone = d.tzid.empty() || d.tzid == m_e.tzid;
            if (m_e.allDay || (ownZone && !d.periodEndWall)) {
                if (!m_timing.At(WallOf(d.wall), o)) return false;
            } else {
                long end = 0;
                const long long endWall = d.periodEndWall.value_or(WallOf(d.wall) + m_e.durationSeconds);
                if (!Instant(d.wall, d.tzid, o.start) || !InstantOf(m_zones, d.tzid.empty() ? m_e.tzid : d.tzid, d.wall.utc, endWall, end)) return false;
                o.end = std::max(end, o.start);
            }
            if (Kept(o.start)) out.push_back(o);
        }
        return true;
    }

    bool Kept(long start) const {
        return start < m_nCutFrom && std::find(m_removed.begin(), m_removed.end(), start) == m_removed.end();
    }

private:
    const IcsEvent& m_e;
    const CIcsZones& m_zones;
    Timing m_timing;
    std::vector<long> m_removed;
    long m_nCutFrom = LONG_MAX;
};

// The appointments of occurrences: the first day's pieces with the alarm, the others without.
bool AddOccurrences(const std::vector<Occurrence>& occurrences, bool allDay, const std::optional<RepeatHint>& hint,
                    const CApptValues& base, CDateBkTable& scratch, std::vector<CDateBkRecord>& out) {
    std::vector<OccurrencePiece> first, rest;
    for (const Occurrence& o : occurrences) PiecesOf(o, allDay, first, rest);
    CApptValues values = base;
    if (!rest.empty()) {
        const std::size_t days = (first.size() + rest.size()) / occurrences.size();
        const std::string line = SpanLine(occurrences.front(), allDay, hint.has_value(), days);
        values.m_strNote = values.m_strNote.empty() ? line : line + "\r\n" + values.m_strNote;
    }
    if (!AppointmentsAt(first, hint, values, scratch, out, kMostSingles)) return false;
    values.m_bAlarm = 0;
    return rest.empty() || AppointmentsAt(rest, hint, values, scratch, out, kMostSingles);
}

// Whether the event's own fields describe it as the one appointment the datebook holds: in the
// machine's wall clock (floating, or whole days) and ending by day, not at a time of day.
bool HeldAsWritten(const CalendarItem& item) {
    const IcsEvent& e = item.event;
    if (!e.fitsOneAppointment || !item.changes.empty() || !e.rdates.empty()) return false;
    if (e.recurrences.empty()) return true;
    return (e.allDay || e.tzid.empty()) &&
           std::none_of(e.recurrences.begin(), e.recurrences.end(), [](const IcsRecurrence& r) {
               // 23:59:59 in the wall clock ends the day as a date does (our own export writes it).
               return r.hasUntil && !r.until.isDate && (r.until.utc || r.until.seconds != 86399);
           });
}

}  // namespace

std::optional<Rejection> RecordsFromItem(const CalendarItem& item, const CIcsZones& zones, CDateBkTable& scratch,
                                         std::vector<CDateBkRecord>& out) {
    const IcsEvent& e = item.event;
    if (HeldAsWritten(item)) {
        out.emplace_back(scratch, 1);
        scratch.AppendBlankRecord(out.back());
        return RecordFromEvent(e, out.back());
    }
    CApptValues base;
    if (const std::optional<Rejection> why = BaseValues(e, base)) return why;
    CItemMapping mapping(e, zones);
    for (const IcsEvent::Dated& x : e.exdates) mapping.Remove(x.wall, x.tzid, false);
    for (const IcsEvent& change : item.changes)
        if (change.recurrenceIdTime) mapping.Remove(change.recurrenceIdTime->wall, change.recurrenceIdTime->tzid, change.thisAndFuture);

    std::set<long> seen;   // an occurrence two rules give is one appointment
    const auto unseen = [&](std::vector<Occurrence>& list) {
        std::erase_if(list, [&](const Occurrence& o) { return !seen.insert(o.start).second; });
    };
    std::vector<Occurrence> single;
    if (e.recurrences.empty()) {
        Occurrence o;
        if (!Timing{e, zones}.At(WallOf(e.startWall), o)) return Rejection::Calendar(IcsReason::badTime);
        if (mapping.Kept(o.start)) single.push_back(o);
    }
    for (const IcsRecurrence& rule : e.recurrences) {
        std::vector<Occurrence> occurrences;
        if (const std::optional<IcsReason> why = mapping.Expand(rule, occurrences)) return Rejection::Calendar(*why);
        unseen(occurrences);
        if (!AddOccurrences(occurrences, e.allDay, HintOf(rule), base, scratch, out))
            return Rejection::Calendar(e.whyNotOne.value_or(IcsReason::ruleNotHeld));
    }
    if (!mapping.Added(single)) return Rejection::Calendar(IcsReason::badTime);
    unseen(single);
    if (!AddOccurrences(single, e.allDay, std::nullopt, base, scratch, out))
        return Rejection::Calendar(e.whyNotOne.value_or(IcsReason::ruleNotHeld));

    for (const IcsEvent& change : item.changes) {
        if (change.cancelled) continue;
        CalendarItem alone{change, {}};
        alone.event.recurrenceIdTime.reset();
        if (change.thisAndFuture && alone.event.recurrences.empty()) alone.event.recurrences = e.recurrences;
        if (const std::optional<Rejection> why = RecordsFromItem(alone, zones, scratch, out)) return why;
    }
    return std::nullopt;
}
