#pragma once
// Calendar files (.ics) as appointment sources and sinks, and the one place that maps a
// calendar event to what a datebook can hold, and an appointment back to an event.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/icalendar.h"
#include "transfer/appointments.h"

std::unique_ptr<CAppointmentSource> MakeCalendarSource(const TransferJob& job);
std::unique_ptr<CAppointmentSink> MakeCalendarSink(const TransferJob& job);

// An event with the changed occurrences of it that the file has.
struct CalendarItem {
    vemra::IcsEvent event;
    std::vector<vemra::IcsEvent> changes;
};
// The appointments an item becomes, appended to out (bound to scratch): a series or several,
// single appointments, a changed occurrence's own; why the datebook cannot hold it, or nothing.
std::optional<vemra::Rejection> RecordsFromItem(const CalendarItem& item, const vemra::CIcsZones& zones,
                                                CDateBkTable& scratch, std::vector<CDateBkRecord>& out);

// The event of a live appointment (values are the record's); false when it has none.
bool EventFromRecord(CDateBkRecord& record, const CApptValues& values, std::uint32_t userId, vemra::IcsEvent& event);
// Fills a blank record from an event; why it cannot be held, or nothing.
std::optional<vemra::Rejection> RecordFromEvent(const vemra::IcsEvent& event, CDateBkRecord& record);
// One day's part of an occurrence, in local time: an appointment of its own in the datebook.
struct OccurrencePiece {
    long start = 0;   // untimed: local midnight of the day
    long end = 0;
    bool untimed = false;
};
// How the occurrences repeat, where a datebook repeat may hold them.
struct RepeatHint {
    enum Kind { daily, weekly, monthlyByDate, monthlyByWeekday, yearly };
    Kind kind = daily;
    int interval = 1;
    bool lastWeek = false;     // monthly by weekday: counted from the month's end
    int firstDayOfWeek = 1;    // weekly: the day weeks begin on, 0 Sunday
};
// Appointments (values give text, note, private and alarm) that occur exactly at the pieces:
// series of the hint's kind for runs of them, single appointments for the rest. Without a hint
// only single ones, and false when there would be more than maxSingles; false also when a
// record cannot be made.
bool AppointmentsAt(std::vector<OccurrencePiece> pieces, const std::optional<RepeatHint>& hint,
                    const CApptValues& values, CDateBkTable& scratch, std::vector<CDateBkRecord>& out,
                    std::size_t maxSingles);

// UTF-8 to the datebook's code page (or the system's); false when a character cannot be held.
bool Utf8ToDatebookText(const std::string& utf8, std::string& out);
