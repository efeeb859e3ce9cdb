#pragma once
// iCalendar (RFC 5545) text for appointments: a writer of VEVENTs and a streaming reader that
// turns a calendar file into events the datebook can hold, or into rejected items with a
// reason. Text is UTF-8 on both sides; times are local wall-clock times without a zone, as the
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
};

// Writer. Texts are whole calendar lines with CRLF, folded and escaped. dtstamp is the UTC
// time of the export as 20260101T120000Z.
std::string IcsCalendarBegin();
std::string IcsEventText(const IcsEvent& event, const std::string& dtstamp);
std::string IcsCalendarEnd();
// One content line, folded at 75 octets without splitting a UTF-8 character, CRLF at the end.
std::string IcsFoldLine(std::string_view line);
std::string IcsEscapeText(std::string_view text);

// Why one component is not imported.
enum class IcsReason {
    ruleSetPos, ruleSeveralMonths, overMidnight, rDate, recurrenceId, todo, journal, ruleNotHeld, badTime,
    unknownZone, noStart, textNotHeld
};
// The string ID of the reason's message.
unsigned IcsReasonMessageId(IcsReason reason);

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
    // The next event, or the next component that cannot be held (event.line, event.summary and
    // reason set), the end, or a failure of the whole file (Error()).
    Item Next(IcsEvent& event, IcsReason& reason);

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
    Outcome ReadRule(const IcsComponent& c, IcsEvent& e, IcsReason& reason, long long days) const;

    CIcsLexer m_lexer;
    enum class State { beforeCalendar, inCalendar, afterCalendar } m_state = State::beforeCalendar;
    CIcsZones m_zones;
    std::vector<IcsComponent> m_pending;   // events naming a zone the file describes later
    std::size_t m_nPendingPos = 0;
    bool m_bFlushing = false;
};

}  // namespace vemra
