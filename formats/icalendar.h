#pragma once
// iCalendar (RFC 5545) text for appointments: a writer of VEVENTs and a streaming reader that
// turns a calendar file into events, each as the datebook holds it where one appointment can,
// and always as the file says it; or into rejected items with a reason. Text is UTF-8 on both sides; times are local wall-clock times without a zone, as the
// datebook keeps them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ics_lexer.h"
#include "formats/ics_rule.h"
#include "formats/ics_zones.h"

namespace vemra {

// Why one component is not imported, or (whyNotOne) not as one appointment.
enum class IcsReason {
    ruleSetPos, ruleSeveralMonths, overMidnight, rDate, recurrenceId, todo, journal, ruleNotHeld, badTime,
    unknownZone, noStart, textNotHeld
};
// The string ID of the reason's message.
unsigned IcsReasonMessageId(IcsReason reason);

// The fields up to rule and exceptions are the event as one datebook appointment; where it is
// none (fitsOneAppointment false) they hold its first day and times as far as they go, and the
// wall-clock fields below describe it.
struct IcsEvent {
    std::string uid;
    std::string summary, description;   // UTF-8
    bool isPrivate = false;
    bool alarm = false;
    long alarmAdvance = 0;
    int alarmUnit = 0;                  // 0 minutes, 1 hours, 2 days
    bool allDay = false;
    IcsDate start, end;                 // all-day: end is the last day (inclusive)
    int startMinute = 0, endMinute = 0; // minutes after midnight, timed events only
    IcsRule rule;
    std::vector<IcsDate> exceptions;
    int line = 0;                       // reader: the line of BEGIN:VEVENT

    // Reader: what the file says beyond the fields above, also of items it rejects, for those
    // who take more of a calendar than the datebook holds. Times keep TZID, VALUE and RANGE.
    std::vector<IcsRecurrence> recurrences, exclusionRules;   // RRULE, EXRULE
    std::vector<IcsProperty> addedDates, excludedDates;       // RDATE, EXDATE
    std::optional<IcsProperty> dtStart, dtEnd, recurrenceId;
    std::string status, location, url;

    // The event in its own zone, as the file gives it. Wall times are IcsLocalSeconds.
    std::string tzid;                  // of DTSTART: "" floating or a date, "UTC" for UTC times
    IcsTime startWall;                 // DTSTART as written (VALUE=DATE makes it a date)
    long long durationSeconds = 0;     // DTEND - DTSTART in the wall clock of tzid, or DURATION;
                                       // all-day: whole days * 86400, at least one day
    bool fitsOneAppointment = false;   // the fields up to exceptions describe it fully
    std::optional<IcsReason> whyNotOne;
    bool cancelled = false;            // STATUS:CANCELLED
    struct Dated {
        IcsTime wall;                  // as written
        std::string tzid;              // as tzid above
        std::optional<long long> periodEndWall;   // a PERIOD's end, in the same wall clock
    };
    std::vector<Dated> rdates, exdates;   // each value of each RDATE and EXDATE
    std::optional<Dated> recurrenceIdTime;
    bool thisAndFuture = false;           // RANGE=THISANDFUTURE
};

// The UNTIL of one of the event's rules in the wall clock of its DTSTART (none without UNTIL).
// A date is its day's last second; a UTC time the latest wall that may still be before it, so
// that the exact test of a start against a UTC UNTIL is WallToUtc(start) <= until.
IcsTimeCheck IcsUntilWall(const CIcsZones& zones, const IcsEvent& event, const IcsRecurrence& rule,
                          std::optional<long long>& untilWall);

// Writer. Texts are whole calendar lines with CRLF, folded and escaped. dtstamp is the UTC
// time of the export as 20260101T120000Z.
std::string IcsCalendarBegin();
std::string IcsEventText(const IcsEvent& event, const std::string& dtstamp);
std::string IcsCalendarEnd();
// One content line, folded at 75 octets without splitting a UTF-8 character, CRLF at the end.
std::string IcsFoldLine(std::string_view line);
std::string IcsEscapeText(std::string_view text);

class CICalendarReader {
public:
    CICalendarReader();
    ~CICalendarReader();
    CICalendarReader(const CICalendarReader&) = delete;
    CICalendarReader& operator=(const CICalendarReader&) = delete;

    // Bytes asked of the source per read (tests use small sizes to move the boundaries).
    void SetReadChunkSize(std::size_t size) { m_lexer.SetReadChunkSize(size); }
    bool Open(const std::string& path, std::string* error = nullptr) { return m_lexer.Open(path, error); }
    void OpenMemory(std::string_view bytes) { m_lexer.OpenMemory(bytes); }

    enum Item { itemEvent, itemRejected, itemEnd, itemFailed };
    // The next event, or the next component that cannot be taken (event.line, event.summary and
    // reason set: a to-do, a journal, an event without start, with an invalid time or a zone it
    // cannot resolve), the end, or a failure of the whole file (Error()).
    Item Next(IcsEvent& event, IcsReason& reason);
    // The zones of the file read so far; all of them once Next has returned itemEnd.
    const CIcsZones& Zones() const { return m_zones; }

    IcsError Error() const { return m_lexer.Error(); }
    const std::string& ErrorDetail() const { return m_lexer.ErrorDetail(); }   // the system's reason
    int ErrorLine() const { return m_lexer.ErrorLine(); }
    std::uint64_t Position() const { return m_lexer.Position(); }
    std::uint64_t Length() const { return m_lexer.Length(); }

private:
    enum class Outcome { event, rejected, defer };   // of one VEVENT; event also: read on

    bool NextComponent(IcsComponent& c);
    Outcome Interpret(const IcsComponent& c, IcsEvent& e, IcsReason& reason) const;
    Outcome Resolve(IcsTimeCheck check, IcsReason& reason) const;
    Outcome ReadTimes(const IcsComponent& c, IcsEvent& e, IcsReason& reason, long long& days) const;
    Outcome ReadWall(const IcsComponent& c, IcsEvent& e, IcsReason& reason, long long days) const;
    Outcome ReadDated(const IcsProperty& p, std::vector<IcsEvent::Dated>& out, IcsReason& reason) const;
    Outcome ReadRule(const IcsComponent& c, IcsEvent& e, IcsReason& reason, long long days) const;

    CIcsLexer m_lexer;
    enum class State { beforeCalendar, inCalendar, afterCalendar } m_state = State::beforeCalendar;
    CIcsZones m_zones;
    std::vector<IcsComponent> m_pending;   // events naming a zone the file describes later
    std::size_t m_nPendingPos = 0;
    bool m_bFlushing = false;
};

}  // namespace vemra
