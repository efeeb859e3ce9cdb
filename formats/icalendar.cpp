#include "formats/icalendar.h"

#include <algorithm>

#include "platform/local_time.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

unsigned IcsReasonMessageId(IcsReason reason) {
    switch (reason) {
    case IcsReason::ruleSetPos: return IDS_ICS_RULE_SETPOS;
    case IcsReason::ruleSeveralMonths: return IDS_ICS_RULE_SEVERAL_MONTHS;
    case IcsReason::overMidnight: return IDS_ICS_OVER_MIDNIGHT;
    case IcsReason::rDate: return IDS_ICS_RDATE;
    case IcsReason::recurrenceId: return IDS_ICS_RECURRENCE_ID;
    case IcsReason::todo: return IDS_ICS_TODO;
    case IcsReason::journal: return IDS_ICS_JOURNAL;
    case IcsReason::ruleNotHeld: return IDS_ICS_RULE_NOT_HELD;
    case IcsReason::badTime: return IDS_ICS_BAD_TIME;
    case IcsReason::unknownZone: return IDS_ICS_UNKNOWN_ZONE;
    case IcsReason::noStart: return IDS_ICS_NO_START;
    case IcsReason::textNotHeld: return IDS_ICS_TEXT_NOT_HELD;
    }
    return IDS_ICS_RULE_NOT_HELD;
}

namespace {

// The texts and the properties beyond the datebook's fields, kept as the file gives them.
void KeepSource(const IcsComponent& c, IcsEvent& e) {
    auto text = [&c](const char* name) {
        const IcsProperty* p = c.Find(name);
        return p ? IcsUnescape(p->value) : std::string();
    };
    auto keep = [&c](const char* name, std::optional<IcsProperty>& to) {
        if (const IcsProperty* p = c.Find(name)) to = *p;
    };
    if (const IcsProperty* p = c.Find("UID")) e.uid = p->value;
    e.summary = text("SUMMARY");
    e.description = text("DESCRIPTION");
    e.location = text("LOCATION");
    if (const IcsProperty* p = c.Find("STATUS")) e.status = ToUpperAscii(Trim(p->value));
    if (const IcsProperty* p = c.Find("URL")) e.url = Trim(p->value);
    keep("DTSTART", e.dtStart);
    keep("DTEND", e.dtEnd);
    keep("RECURRENCE-ID", e.recurrenceId);
    for (const IcsProperty& p : c.props) {
        if (p.name == "RRULE") e.recurrences.push_back(ParseIcsRecurrence(p.value));
        else if (p.name == "EXRULE") e.exclusionRules.push_back(ParseIcsRecurrence(p.value));
        else if (p.name == "RDATE") e.addedDates.push_back(p);
        else if (p.name == "EXDATE") e.excludedDates.push_back(p);
    }
}

// The first alarm that goes off before the start, in the largest unit that holds it whole.
void ReadAlarm(const IcsComponent& c, IcsEvent& e) {
    for (const IcsComponent& alarm : c.children) {
        if (alarm.name != "VALARM") continue;
        const IcsProperty* trigger = alarm.Find("TRIGGER");
        long long seconds = 0;
        if (!trigger || EqualsNoCase(trigger->Param("VALUE"), "DATE-TIME") ||
            EqualsNoCase(trigger->Param("RELATED"), "END") || !ParseIcsDuration(Trim(trigger->value), seconds) ||
            seconds > 0)
            continue;
        const long long advance = -seconds;
        e.alarm = true;
        if (advance > 0 && advance % 86400 == 0) {
            e.alarmAdvance = static_cast<long>(std::min(advance / 86400, 999LL));
            e.alarmUnit = 2;
        } else if (advance > 0 && advance % 3600 == 0) {
            e.alarmAdvance = static_cast<long>(std::min(advance / 3600, 999LL));
            e.alarmUnit = 1;
        } else {
            e.alarmAdvance = static_cast<long>(std::min(advance / 60, 999LL));
            e.alarmUnit = 0;
        }
        break;
    }
}

}  // namespace

CICalendarReader::CICalendarReader() = default;
CICalendarReader::~CICalendarReader() = default;

CICalendarReader::Item CICalendarReader::Next(IcsEvent& event, IcsReason& reason) {
    for (;;) {
        if (m_lexer.Failed()) return itemFailed;
        if (m_bFlushing) {
            if (m_nPendingPos < m_pending.size())
                return Interpret(m_pending[m_nPendingPos++], event, reason) == Outcome::event ? itemEvent : itemRejected;
            m_bFlushing = false;
            m_pending.clear();
            m_nPendingPos = 0;
        }
        IcsComponent c;
        if (!NextComponent(c)) {
            if (m_lexer.Failed()) return itemFailed;
            if (m_bFlushing) continue;
            return itemEnd;
        }
        if (c.name == "VTIMEZONE") {
            m_zones.Add(c);
            continue;
        }
        if (c.name == "VTODO" || c.name == "VJOURNAL") {
            event = IcsEvent();
            event.line = c.line;
            if (const IcsProperty* s = c.Find("SUMMARY")) event.summary = IcsUnescape(s->value);
            reason = c.name == "VTODO" ? IcsReason::todo : IcsReason::journal;
            return itemRejected;
        }
        if (c.name != "VEVENT") continue;
        const Outcome outcome = Interpret(c, event, reason);
        if (outcome == Outcome::defer) {
            m_pending.push_back(std::move(c));
            continue;
        }
        return outcome == Outcome::event ? itemEvent : itemRejected;
    }
}

// The next component of the calendar, read whole; false at the end of the calendar while events
// wait for zones described after them, at the end of the file and on failure.
bool CICalendarReader::NextComponent(IcsComponent& c) {
    std::string text;
    int lineNo = 0;
    IcsProperty p;
    for (;;) {
        if (!m_lexer.ReadLine(text, lineNo)) {
            if (m_lexer.Failed()) return false;
            if (m_state == State::beforeCalendar) m_lexer.Fail(IcsError::notICalendar, 1);
            else if (m_state == State::inCalendar) m_lexer.Fail(IcsError::truncated, m_lexer.PhysicalLine());
            return false;
        }
        if (Trim(text).empty()) continue;
        const bool parsed = ParseIcsContentLine(text, p);
        const bool begin = parsed && p.name == "BEGIN";
        const std::string what = parsed ? ToUpperAscii(Trim(p.value)) : std::string();
        if (m_state != State::inCalendar) {
            if (begin && what == "VCALENDAR") {
                m_state = State::inCalendar;
                continue;
            }
            return m_lexer.Fail(m_state == State::beforeCalendar ? IcsError::notICalendar : IcsError::badStructure, lineNo);
        }
        if (!parsed) continue;
        if (p.name == "END") {
            if (what != "VCALENDAR") return m_lexer.Fail(IcsError::badStructure, lineNo);
            m_state = State::afterCalendar;
            m_bFlushing = !m_pending.empty();
            if (m_bFlushing) return false;
            continue;
        }
        if (begin) return m_lexer.ReadComponent(c, what, lineNo, 1);   // else a calendar property
    }
}

// A zone the file has not described yet defers the event to the end of the calendar.
CICalendarReader::Outcome CICalendarReader::Resolve(IcsTimeCheck check, IcsReason& reason) const {
    switch (check) {
    case IcsTimeCheck::ok: return Outcome::event;
    case IcsTimeCheck::bad: break;
    case IcsTimeCheck::unknownZone:
        if (!m_bFlushing) return Outcome::defer;
        reason = IcsReason::unknownZone;
        return Outcome::rejected;
    }
    reason = IcsReason::badTime;
    return Outcome::rejected;
}

// An event as the file says it, and as the datebook can hold it where one appointment can.
CICalendarReader::Outcome CICalendarReader::Interpret(const IcsComponent& c, IcsEvent& e, IcsReason& reason) const {
    e = IcsEvent();
    e.line = c.line;
    KeepSource(c, e);
    long long days = 1;   // an all-day event's days
    if (const Outcome o = ReadTimes(c, e, reason, days); o != Outcome::event) return o;
    if (const Outcome o = ReadWall(c, e, reason, days); o != Outcome::event) return o;
    if (const IcsProperty* cls = c.Find("CLASS"))
        e.isPrivate = EqualsNoCase(Trim(cls->value), "PRIVATE") || EqualsNoCase(Trim(cls->value), "CONFIDENTIAL");
    ReadAlarm(c, e);
    // What keeps it from one appointment, in the order that decided it when such events were rejected.
    if (c.Find("RECURRENCE-ID")) e.whyNotOne = IcsReason::recurrenceId;
    else if (c.Find("RDATE")) e.whyNotOne = IcsReason::rDate;
    else if (c.Find("EXRULE")) e.whyNotOne = IcsReason::ruleNotHeld;
    if (const Outcome o = ReadRule(c, e, reason, days); o != Outcome::event) return o;
    e.fitsOneAppointment = !e.whyNotOne;
    return Outcome::event;
}

CICalendarReader::Outcome CICalendarReader::ReadTimes(const IcsComponent& c, IcsEvent& e, IcsReason& reason,
                                                      long long& days) const {
    const IcsProperty* dtstart = c.Find("DTSTART");
    if (!dtstart) {
        reason = IcsReason::noStart;
        return Outcome::rejected;
    }
    IcsTime start, end;
    if (const Outcome o = Resolve(m_zones.ToLocal(*dtstart, dtstart->value, start), reason); o != Outcome::event)
        return o;
    bool haveEnd = false;
    if (const IcsProperty* dtend = c.Find("DTEND")) {
        if (const Outcome o = Resolve(m_zones.ToLocal(*dtend, dtend->value, end), reason); o != Outcome::event) return o;
        haveEnd = true;
    } else if (const IcsProperty* duration = c.Find("DURATION")) {
        long long seconds = 0;
        if (!ParseIcsDuration(Trim(duration->value), seconds) || seconds < 0) return Resolve(IcsTimeCheck::bad, reason);
        const long long at = IcsLocalSeconds(start.date, start.seconds) + seconds;
        CivilFromDays(at / 86400, end.date.year, end.date.month, end.date.day);
        end.seconds = static_cast<int>(at % 86400);
        end.isDate = start.isDate;
        haveEnd = true;
    }
    const auto dayOf = [](const IcsDate& d) { return DaysFromCivil(d.year, d.month, d.day); };
    e.allDay = start.isDate;
    e.start = start.date;
    if (e.allDay) {
        if (haveEnd) days = std::max(1LL, dayOf(end.date) - dayOf(start.date));
        e.end = e.start;
        return Outcome::event;
    }
    e.startMinute = start.seconds / 60;
    e.end = start.date;
    e.endMinute = e.startMinute;
    if (haveEnd && !end.isDate) {
        const long long length = IcsLocalSeconds(end.date, end.seconds) - IcsLocalSeconds(start.date, start.seconds);
        if (length > 0) e.endMinute = end.seconds / 60;
        if (length > 0 && !(end.date == start.date)) {
            e.whyNotOne = IcsReason::overMidnight;
            e.end = end.date;
        }
    }
    return Outcome::event;
}

// The repeat rule and its exceptions, or several all-day days as a daily repeat over them.
CICalendarReader::Outcome CICalendarReader::ReadRule(const IcsComponent& c, IcsEvent& e, IcsReason& reason,
                                                     long long days) const {
    const long long startDay = DaysFromCivil(e.start.year, e.start.month, e.start.day);
    if (e.recurrences.empty()) {
        if (e.allDay && days > 1) {
            // Several days: a daily repeat over them, as the datebook's users enter such days.
            e.rule.kind = IcsRule::daily;
            e.rule.hasEnd = true;
            CivilFromDays(startDay + days - 1, e.rule.end.year, e.rule.end.month, e.rule.end.day);
        }
        return Outcome::event;
    }
    const auto notOne = [&e](IcsReason why) {
        if (!e.whyNotOne) e.whyNotOne = why;
        e.rule = IcsRule();
    };
    const IcsProperty& rrule = *c.Find("RRULE");
    IcsTimeCheck untilCheck = IcsTimeCheck::ok;
    const IcsUntilDay until = [&](const std::string& text, IcsDate& day) {
        IcsTime u;
        untilCheck = m_zones.ToLocal(rrule, text, u);
        day = u.date;
        return untilCheck == IcsTimeCheck::ok;
    };
    if (e.recurrences.size() > 1 || (e.allDay && days > 1)) {
        notOne(IcsReason::ruleNotHeld);
    } else {
        switch (FitDatebookRule(e.recurrences.front(), e.start, until, e.rule)) {
        case IcsRuleFit::held: break;
        case IcsRuleFit::notHeld: notOne(IcsReason::ruleNotHeld); break;
        case IcsRuleFit::bySetPos: notOne(IcsReason::ruleSetPos); break;
        case IcsRuleFit::severalMonths: notOne(IcsReason::ruleSeveralMonths); break;
        case IcsRuleFit::untilNotHeld: return Resolve(untilCheck, reason);
        }
    }
    for (const IcsProperty& p : e.excludedDates) {
        for (const std::string& v : Split(p.value, ',')) {
            IcsTime t;
            if (const Outcome o = Resolve(m_zones.ToLocal(p, v, t), reason); o != Outcome::event) return o;
            e.exceptions.push_back(t.date);
        }
    }
    return Outcome::event;
}

// The wall-clock fields: the event in its own zone, its added and left out dates.
CICalendarReader::Outcome CICalendarReader::ReadWall(const IcsComponent& c, IcsEvent& e, IcsReason& reason,
                                                     long long days) const {
    const IcsProperty& dtstart = *c.Find("DTSTART");
    IcsTime& t = e.startWall;
    if (!ParseIcsTime(Trim(dtstart.value), t)) return Resolve(IcsTimeCheck::bad, reason);
    if (EqualsNoCase(dtstart.Param("VALUE"), "DATE")) {
        t.isDate = true;
        t.seconds = 0;
    }
    e.tzid = t.isDate ? "" : t.utc ? "UTC" : dtstart.Param("TZID");
    e.cancelled = e.status == "CANCELLED";
    const long long start = IcsLocalSeconds(t.date, t.seconds);
    IcsTime end;
    const IcsProperty* dtend = c.Find("DTEND");
    if (t.isDate) {
        e.durationSeconds = days * 86400;
    } else if (dtend && ParseIcsTime(Trim(dtend->value), end) && !end.isDate && !EqualsNoCase(dtend->Param("VALUE"), "DATE")) {
        // An end in another zone counts in the wall clock of the start.
        const std::string zone = end.utc ? "UTC" : dtend->Param("TZID");
        long long wall = IcsLocalSeconds(end.date, end.seconds), utc = 0;
        if (zone != e.tzid) {
            IcsTimeCheck check = m_zones.WallToUtc(zone, wall, utc);
            if (check == IcsTimeCheck::ok) check = m_zones.UtcToWall(e.tzid, utc, wall);
            if (const Outcome o = Resolve(check, reason); o != Outcome::event) return o;
        }
        e.durationSeconds = std::max(0LL, wall - start);
    } else if (const IcsProperty* duration = c.Find("DURATION"); duration && !dtend) {
        if (!ParseIcsDuration(Trim(duration->value), e.durationSeconds)) return Resolve(IcsTimeCheck::bad, reason);
    }
    for (const IcsProperty& p : c.props) {
        Outcome o = Outcome::event;
        if (p.name == "RDATE") o = ReadDated(p, e.rdates, reason);
        else if (p.name == "EXDATE") o = ReadDated(p, e.exdates, reason);
        if (o != Outcome::event) return o;
    }
    if (const IcsProperty* id = c.Find("RECURRENCE-ID")) {
        std::vector<IcsEvent::Dated> one;
        if (const Outcome o = ReadDated(*id, one, reason); o != Outcome::event) return o;
        if (one.size() != 1 || one[0].periodEndWall) return Resolve(IcsTimeCheck::bad, reason);
        e.recurrenceIdTime = one[0];
        e.thisAndFuture = EqualsNoCase(Trim(id->Param("RANGE")), "THISANDFUTURE");
    }
    for (const std::vector<IcsRecurrence>* rules : {&e.recurrences, &e.exclusionRules}) {
        for (const IcsRecurrence& r : *rules) {
            std::optional<long long> untilWall;
            if (const Outcome o = Resolve(IcsUntilWall(m_zones, e, r, untilWall), reason); o != Outcome::event) return o;
        }
    }
    return Outcome::event;
}

// Each value of a date list: DATE, DATE-TIME, or PERIOD as start/end or start/duration.
CICalendarReader::Outcome CICalendarReader::ReadDated(const IcsProperty& p, std::vector<IcsEvent::Dated>& out,
                                                      IcsReason& reason) const {
    const bool dates = EqualsNoCase(p.Param("VALUE"), "DATE");
    for (const std::string& value : Split(p.value, ',')) {
        const std::string item = Trim(value);
        const std::size_t slash = item.find('/');
        IcsEvent::Dated d;
        if (!ParseIcsTime(item.substr(0, slash), d.wall)) return Resolve(IcsTimeCheck::bad, reason);
        if (dates) {
            d.wall.isDate = true;
            d.wall.seconds = 0;
        }
        d.tzid = d.wall.isDate ? "" : d.wall.utc ? "UTC" : p.Param("TZID");
        const long long wall = IcsLocalSeconds(d.wall.date, d.wall.seconds);
        long long utc = wall;
        IcsTimeCheck check = d.tzid.empty() ? IcsTimeCheck::ok : m_zones.WallToUtc(d.tzid, wall, utc);
        if (check == IcsTimeCheck::ok && slash != std::string::npos) {
            const std::string rest = item.substr(slash + 1);
            IcsTime end;
            long long seconds = 0;
            check = IcsTimeCheck::bad;
            if (d.wall.isDate) {
                // A period needs times.
            } else if (ParseIcsTime(rest, end) && !end.isDate && (end.utc || !d.wall.utc)) {
                long long endWall = IcsLocalSeconds(end.date, end.seconds);
                check = end.utc == d.wall.utc ? IcsTimeCheck::ok : m_zones.UtcToWall(d.tzid, endWall, endWall);
                d.periodEndWall = endWall;
            } else if (ParseIcsDuration(rest, seconds) && seconds >= 0) {
                check = IcsTimeCheck::ok;
                d.periodEndWall = wall + seconds;
            }
        }
        if (const Outcome o = Resolve(check, reason); o != Outcome::event) return o;
        out.push_back(std::move(d));
    }
    return Outcome::event;
}

IcsTimeCheck IcsUntilWall(const CIcsZones& zones, const IcsEvent& event, const IcsRecurrence& rule,
                          std::optional<long long>& untilWall) {
    untilWall.reset();
    if (!rule.hasUntil) return IcsTimeCheck::ok;
    IcsTime u;
    if (!ParseIcsTime(rule.untilText, u)) return IcsTimeCheck::bad;
    long long wall = IcsLocalSeconds(u.date, u.isDate ? 86399 : u.seconds);
    if (u.utc) {
        if (const IcsTimeCheck check = zones.UtcToWall(event.tzid, wall, wall); check != IcsTimeCheck::ok) return check;
    }
    untilWall = wall;
    return IcsTimeCheck::ok;
}

}  // namespace vemra
