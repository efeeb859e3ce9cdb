#pragma once
// iCalendar (RFC 5545) text for appointments: a writer of VEVENTs and a streaming reader that
// turns a calendar file into events the datebook can hold, or into rejected items with a
// reason. Text is UTF-8 on both sides; times are local wall-clock times without a zone, as the
// datebook keeps them.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"

namespace vemra {

struct IcsDate {
    int year = 0, month = 0, day = 0;
    bool operator==(const IcsDate&) const = default;
};

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
};

// Writer. Texts are whole calendar lines with CRLF, folded and escaped. dtstamp is the UTC
// time of the export as 20260101T120000Z.
std::string IcsCalendarBegin();
std::string IcsEventText(const IcsEvent& event, const std::string& dtstamp);
std::string IcsCalendarEnd();
// One content line, folded at 75 octets without splitting a UTF-8 character, CRLF at the end.
std::string IcsFoldLine(std::string_view line);
std::string IcsEscapeText(std::string_view text);

// UTF-8 to UTF-16 (the datebook's text passes through UTF-16 on its way to the code page; the
// other way is platform/utf8). Bytes that are not UTF-8 are taken as Latin-1 characters of their own.
std::u16string Utf8ToUtf16(std::string_view text);

// Why a whole file cannot be read; the text comes from the string table.
enum class IcsError { none, readFailed, notICalendar, truncated, badStructure, lineTooLong };
std::string IcsErrorText(IcsError error);

// Why one component is not imported; each value is the string ID of its message.
enum IcsReason : unsigned {
    icsRuleSetPos = 40221, icsRuleSeveralMonths, icsOverMidnight, icsRDate, icsRecurrenceId,
    icsTodo, icsJournal, icsRuleNotHeld, icsBadTime, icsUnknownZone, icsNoStart, icsTextNotHeld
};
// The string ID of a reason's message.
unsigned IcsReasonMessageId(IcsReason reason);

class CICalendarReader {
public:
    CICalendarReader();
    ~CICalendarReader();
    CICalendarReader(const CICalendarReader&) = delete;
    CICalendarReader& operator=(const CICalendarReader&) = delete;

    // Bytes asked of the source per read (tests use small sizes to move the boundaries).
    void SetReadChunkSize(std::size_t size) { m_nChunkSize = size ? size : 1; }
    bool Open(const std::string& path, std::string* error = nullptr);
    void OpenMemory(std::string_view bytes);

    enum Item { itemEvent, itemRejected, itemEnd, itemFailed };
    // The next event, or the next component that cannot be held (event.line, event.summary and
    // reason set), the end, or a failure of the whole file (Error()).
    Item Next(IcsEvent& event, IcsReason& reason);

    IcsError Error() const { return m_error; }
    const std::string& ErrorDetail() const { return m_strErrorDetail; }   // the system's reason
    int ErrorLine() const { return m_nErrorLine; }
    std::uint64_t Position() const { return m_nConsumed; }
    std::uint64_t Length() const;

    struct Property {
        std::string name;
        std::vector<std::pair<std::string, std::string>> params;   // names upper case
        std::string value;
        int line = 0;
        std::string Param(const char* key) const;
    };
    struct Component {
        std::string name;
        int line = 0;
        std::vector<Property> props;
        std::vector<Component> children;
        const Property* Find(const char* key) const;
    };
    struct Zone;

private:
    bool ReadLine(std::string& line, int& lineNo);   // one unfolded content line
    bool ReadPhysical(std::string& line);
    bool Fill();
    bool ReadComponent(Component& out, const std::string& name, int line, int depth);
    bool Fail(IcsError error, int line);
    int Interpret(const Component& c, IcsEvent& event, IcsReason& reason);

    vemra::CPlatformFile m_file;
    bool m_bFromMemory = false;
    std::string m_memory;
    std::size_t m_nMemoryPos = 0;
    std::size_t m_nChunkSize = 64 * 1024;
    std::string m_buffer;
    std::vector<char> m_readArea;
    std::size_t m_nBufferPos = 0;
    bool m_bEof = false;
    std::uint64_t m_nConsumed = 0;
    int m_nPhysicalLine = 0;
    bool m_bHavePeek = false;
    std::string m_peek;
    int m_nPeekLine = 0;

    enum State { beforeCalendar, inCalendar, afterCalendar, failed } m_state = beforeCalendar;
    IcsError m_error = IcsError::none;
    std::string m_strErrorDetail;
    int m_nErrorLine = 0;
    std::map<std::string, std::shared_ptr<Zone>> m_zones;
    std::vector<Component> m_pending;   // events naming a zone the file describes later
    std::size_t m_nPendingPos = 0;
    bool m_bFlushing = false;
};

}  // namespace vemra
