// Reads arbitrary bytes as an iCalendar file: the first byte sets the read chunk, the rest is
// the file. The items must not depend on where the chunks end, every event must be writable
// again, and its rules expand to starts in order within the bounds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/icalendar.h"
#include "formats/ics_expand.h"

namespace {

void CheckExpansion(const vemra::IcsEvent& event, const vemra::CIcsZones& zones) {
    const long long start = vemra::IcsLocalSeconds(event.startWall.date, event.startWall.seconds);
    const long long last = start + 400LL * 86400;
    for (const vemra::IcsRecurrence& rule : event.recurrences) {
        std::optional<long long> until;
        if (vemra::IcsUntilWall(zones, event, rule, until) != vemra::IcsTimeCheck::ok) std::abort();
        std::vector<long long> starts;
        const auto result = vemra::ExpandIcsRecurrence(rule, start, event.startWall.isDate, until, last, 500, starts);
        if (result == vemra::IcsExpandResult::notExpandable) continue;
        if (starts.empty() || starts.front() != start || starts.size() > 500) std::abort();
        for (std::size_t i = 1; i < starts.size(); ++i)
            if (starts[i] <= starts[i - 1] || starts[i] > last || (until && starts[i] > *until)) std::abort();
    }
}

// Every item of the file in one text, as far as it gets.
std::string Items(std::string_view bytes, std::size_t chunk) {
    vemra::CICalendarReader reader;
    reader.SetReadChunkSize(chunk);
    reader.OpenMemory(bytes);
    std::string out;
    vemra::IcsEvent event;
    vemra::IcsReason reason = vemra::IcsReason::ruleNotHeld;
    for (int n = 0; n < 10000; ++n) {
        const auto item = reader.Next(event, reason);
        out += std::to_string(item) + ":" + std::to_string(event.line) + ";";
        if (item == vemra::CICalendarReader::itemEnd || item == vemra::CICalendarReader::itemFailed) {
            out += std::to_string(static_cast<int>(reader.Error())) + "@" + std::to_string(reader.ErrorLine());
            break;
        }
        if (item == vemra::CICalendarReader::itemRejected) {
            out += std::to_string(vemra::IcsReasonMessageId(reason)) + ";";
            continue;
        }
        CheckExpansion(event, reader.Zones());
        event.uid = "u";
        out += vemra::IcsEventText(event, "20260101T000000Z");
    }
    return out;
}

}  // namespace

// A fixed time zone with daylight saving keeps conversions cheap and still exercised.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (Items(bytes, 1 + data[0] % 64) != Items(bytes, 1 << 16)) std::abort();
    return 0;
}
