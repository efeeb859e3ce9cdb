#include <gtest/gtest.h>

#include "formats/icalendar.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

// Every item of a calendar in one text: kind, line, reason or the event written again.
std::string Items(CICalendarReader& reader) {
    std::string out;
    IcsEvent event;
    IcsReason reason = IcsReason::ruleNotHeld;
    for (;;) {
        const auto item = reader.Next(event, reason);
        out += std::to_string(item) + "@" + std::to_string(event.line) + " ";
        if (item == CICalendarReader::itemEnd || item == CICalendarReader::itemFailed)
            return out + std::to_string(static_cast<int>(reader.Error())) + "@" + std::to_string(reader.ErrorLine());
        if (item == CICalendarReader::itemRejected) out += std::to_string(IcsReasonMessageId(reason)) + "\n";
        else out += IcsEventText(event, "X");
    }
}

std::string ItemsOf(const std::string& text, std::size_t chunk = 1 << 16) {
    CICalendarReader reader;
    reader.SetReadChunkSize(chunk);
    reader.OpenMemory(text);
    return Items(reader);
}

TEST(ICalendarReader, ItemsHoldAtEveryChunkBoundary) {
    const std::string crlf = ReadFile(DataFile("transfer/calendar-programs.ics"));
    std::string lf;   // the same calendar with bare line feeds and no last line end
    for (char c : crlf)
        if (c != '\r') lf += c;
    lf.pop_back();
    ScratchDir dir;
    for (const std::string& text : {crlf, lf}) {
        WriteFile(dir.File("c.ics"), text);
        const std::string expected = ItemsOf(text);
        EXPECT_NE(expected.find("Planning (Berlin office)"), std::string::npos);
        // Chunk 1 puts a boundary after every byte; the others move them across line ends and
        // folds in every phase; the last ones end the file inside and after the first chunk.
        std::vector<std::size_t> chunks = {text.size() - 1, text.size(), text.size() + 1};
        for (std::size_t chunk = 1; chunk < 98; ++chunk) chunks.push_back(chunk);
        for (std::size_t chunk : chunks) {
            CICalendarReader reader;
            reader.SetReadChunkSize(chunk);
            ASSERT_TRUE(reader.Open(dir.File("c.ics")));
            ASSERT_EQ(Items(reader), expected) << "chunk " << chunk;
            ASSERT_EQ(reader.Position(), text.size());
        }
    }
}

// The files of tests/data/formats/broken_calendars.txt, and one with a line too long to be one.
TEST(ICalendarReader, FilesThatAreNoWholeCalendarFail) {
    auto cases = DataRows("formats/broken_calendars.txt", "|", 2);
    cases.push_back({"BEGIN:VCALENDAR\r\nX:" + std::string(1 << 20, 'a') + "\r\n", "5@2"});
    for (const auto& c : cases) {
        const std::string items = ItemsOf(Unescaped(c[0]), 7);
        EXPECT_EQ(items.substr(items.rfind(' ') + 1), c[1]) << c[0].substr(0, 80);
    }
}

// One event of each kind the datebook cannot hold, and forms of those it can, read in UTC and
// written again (a long text folds at 75 octets between characters). Items come in file order,
// those of zones described after them at the end of the calendar.
TEST(ICalendarReader, EventsMapToTheDatebooksRulesOrAreRejected) {
    SetEnv("TZ", "UTC");
    ReloadTimeZone();
    ExpectGolden("formats/calendar-events.txt", ItemsOf(ReadFile(DataFile("formats/calendar-events.ics"))));
}

}  // namespace
}  // namespace vemra::test
