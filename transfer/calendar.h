#pragma once
// Calendar files (.ics) as appointment sources and sinks, and the one place that maps a
// calendar event to what a datebook can hold, and an appointment back to an event.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "formats/icalendar.h"
#include "transfer/appointments.h"

std::unique_ptr<CAppointmentSource> MakeCalendarSource(const TransferJob& job);
std::unique_ptr<CAppointmentSink> MakeCalendarSink(const TransferJob& job);

// The event of a live appointment (values are the record's); false when it has none.
bool EventFromRecord(CDateBkRecord& record, const CApptValues& values, std::uint32_t userId, vemra::IcsEvent& event);
// Fills a blank record from an event; why it cannot be held, or nothing.
std::optional<vemra::Rejection> RecordFromEvent(const vemra::IcsEvent& event, CDateBkRecord& record);
// UTF-8 to the datebook's code page (or the system's); false when a character cannot be held.
bool Utf8ToDatebookText(const std::string& utf8, std::string& out);
