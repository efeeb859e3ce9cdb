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

// A rule keeps all it says, also what the datebook has no place for; an item that is no
// number or weekday stays in its list and marks the rule as not well formed.
TEST(IcsRecurrence, KeepsEveryPartOfTheRule) {
    const IcsRecurrence r = ParseIcsRecurrence(
        "FREQ=monthly;INTERVAL=2;COUNT=10;BYDAY=-1FR,+2MO,TU;BYMONTHDAY=1,-1;BYMONTH=3,9;BYSETPOS=-1;"
        "BYYEARDAY=-366;BYWEEKNO=53;BYHOUR=9;WKST=SU; UNTIL = 20261231T235959Z;X-NAME=1;NOVALUE");
    EXPECT_TRUE(r.wellFormed);
    EXPECT_EQ(r.freq, IcsRecurrence::Freq::monthly);
    EXPECT_EQ(r.interval * 100 + r.count, 210);
    ASSERT_EQ(r.byDay.size(), 3u);
    EXPECT_EQ((std::vector<int>{r.byDay[0].ordinal, r.byDay[0].day, r.byDay[1].ordinal, r.byDay[1].day,
                                r.byDay[2].ordinal, r.byDay[2].day}),
              (std::vector<int>{-1, 5, 2, 1, 0, 2}));
    EXPECT_EQ(r.byMonthDay, (std::vector<int>{1, -1}));
    EXPECT_EQ(r.byMonth, (std::vector<int>{3, 9}));
    EXPECT_EQ((std::vector<int>{r.bySetPos.at(0), r.byYearDay.at(0), r.byWeekNo.at(0), r.byHour.at(0), r.weekStart}),
              (std::vector<int>{-1, -366, 53, 9, 0}));
    EXPECT_TRUE(r.hasUntil && r.until.utc && !r.until.isDate);
    EXPECT_EQ(r.until.date, (IcsDate{2026, 12, 31}));
    EXPECT_EQ(r.until.seconds, 86399);
    ASSERT_EQ(r.parts.size(), 13u);
    EXPECT_EQ(r.parts[11].key + "=" + r.parts[11].value, "UNTIL=20261231T235959Z");
    EXPECT_EQ(r.parts[12].key, "X-NAME");
    for (const char* bad : {"BYDAY=0MO", "BYDAY=MO,X", "BYMONTHDAY=1,x", "BYMONTH=-1", "INTERVAL=two", "UNTIL=2026"})
        EXPECT_FALSE(ParseIcsRecurrence(bad).wellFormed) << bad;
    EXPECT_EQ(ParseIcsRecurrence("BYMONTHDAY=1,x").byMonthDay.size(), 2u);
}

// A rejected event still carries what the file says of it.
TEST(ICalendarReader, RejectedEventsKeepWhatTheFileSays) {
    const std::string text =
        "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:a\r\nSUMMARY:Review\r\nLOCATION:Room 4\\, east\r\nSTATUS:tentative\r\n"
        "URL:https://example.org/r\r\nDTSTART;TZID=Europe/Berlin:20260302T090000\r\nDTEND:20260302T100000Z\r\n"
        "RRULE:FREQ=WEEKLY\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=2,16\r\nRDATE:20260310T090000\r\n"
        "EXDATE:20260309T090000\r\nRECURRENCE-ID;RANGE=THISANDFUTURE:20260302T090000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    CICalendarReader reader;
    reader.OpenMemory(text);
    IcsEvent e;
    IcsReason reason = IcsReason::ruleNotHeld;
    ASSERT_EQ(reader.Next(e, reason), CICalendarReader::itemRejected);
    EXPECT_EQ(reason, IcsReason::recurrenceId);
    EXPECT_EQ(e.summary + "|" + e.location + "|" + e.status + "|" + e.url, "Review|Room 4, east|TENTATIVE|https://example.org/r");
    ASSERT_TRUE(e.dtStart && e.dtEnd && e.recurrenceId);
    EXPECT_EQ(e.dtStart->Param("TZID") + " " + e.dtEnd->value, "Europe/Berlin 20260302T100000Z");
    EXPECT_EQ(e.recurrenceId->Param("RANGE"), "THISANDFUTURE");
    ASSERT_EQ(e.recurrences.size(), 2u);
    EXPECT_EQ(e.recurrences[1].byMonthDay, (std::vector<int>{2, 16}));
    ASSERT_EQ(e.addedDates.size() + e.excludedDates.size(), 2u);
    EXPECT_EQ(e.addedDates[0].value, "20260310T090000");
    EXPECT_EQ(reader.Next(e, reason), CICalendarReader::itemEnd);
}

}  // namespace
}  // namespace vemra::test
