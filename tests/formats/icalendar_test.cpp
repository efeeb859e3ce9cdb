#include <gtest/gtest.h>

#include "formats/icalendar.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

std::string WallText(const IcsTime& t) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.date.year, t.date.month, t.date.day);
    std::string out = buf;
    if (!t.isDate) {
        std::snprintf(buf, sizeof buf, "T%02d%02d%02d%s", t.seconds / 3600, t.seconds / 60 % 60, t.seconds % 60, t.utc ? "Z" : "");
        out += buf;
    }
    return out;
}

// An event in its own zone: where it is more than one appointment and why, start and length,
// added and left out dates, the occurrence it changes.
std::string WallFields(const IcsEvent& e) {
    std::string out = e.fitsOneAppointment ? "one" : "many " + std::to_string(IcsReasonMessageId(e.whyNotOne.value()));
    out += " [" + e.tzid + "] " + WallText(e.startWall) + " +" + std::to_string(e.durationSeconds) + (e.cancelled ? " cancelled" : "");
    for (const auto* list : {&e.rdates, &e.exdates}) {
        out += list == &e.rdates ? " rdate" : " exdate";
        for (const IcsEvent::Dated& d : *list)
            out += " " + d.tzid + ":" + WallText(d.wall) + (d.periodEndWall ? "/" + std::to_string(*d.periodEndWall) : "");
    }
    if (e.recurrenceIdTime)
        out += " id " + e.recurrenceIdTime->tzid + ":" + WallText(e.recurrenceIdTime->wall) + (e.thisAndFuture ? "+" : "");
    return out + "\n";
}

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
        else out += WallFields(event) + (event.fitsOneAppointment ? IcsEventText(event, "X") : "");
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

const char* const kBerlin =
    "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\nTZOFFSETFROM:+0200\r\n"
    "TZOFFSETTO:+0100\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\n"
    "DTSTART:19700329T020000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
    "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n";

// An event of more than one appointment, and one rejected, still carry what the file says.
TEST(ICalendarReader, EventsBeyondOneAppointmentKeepWhatTheFileSays) {
    const std::string text =
        std::string("BEGIN:VCALENDAR\r\n") + kBerlin +
        "BEGIN:VEVENT\r\nUID:a\r\nSUMMARY:Review\r\nLOCATION:Room 4\\, east\r\nSTATUS:tentative\r\n"
        "URL:https://example.org/r\r\nDTSTART;TZID=Europe/Berlin:20260302T090000\r\nDTEND:20260302T100000Z\r\n"
        "RRULE:FREQ=WEEKLY\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=2,16\r\nRDATE:20260310T090000\r\n"
        "EXDATE:20260309T090000\r\nRECURRENCE-ID;RANGE=THISANDFUTURE:20260302T090000\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nSUMMARY:Lost\r\nDTSTART;TZID=Nowhere:20260302T090000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    CICalendarReader reader;
    reader.OpenMemory(text);
    IcsEvent e;
    IcsReason reason = IcsReason::ruleNotHeld;
    ASSERT_EQ(reader.Next(e, reason), CICalendarReader::itemEvent);
    EXPECT_FALSE(e.fitsOneAppointment);
    EXPECT_EQ(e.whyNotOne, IcsReason::recurrenceId);
    EXPECT_EQ(e.summary + "|" + e.location + "|" + e.status + "|" + e.url, "Review|Room 4, east|TENTATIVE|https://example.org/r");
    ASSERT_TRUE(e.dtStart && e.dtEnd && e.recurrenceId);
    EXPECT_EQ(e.dtStart->Param("TZID") + " " + e.dtEnd->value, "Europe/Berlin 20260302T100000Z");
    EXPECT_EQ(e.tzid + " " + std::to_string(e.durationSeconds), "Europe/Berlin 7200");   // 08:00Z to 10:00Z
    EXPECT_EQ(e.recurrenceId->Param("RANGE"), "THISANDFUTURE");
    ASSERT_TRUE(e.recurrenceIdTime && e.thisAndFuture);
    ASSERT_EQ(e.recurrences.size(), 2u);
    EXPECT_EQ(e.recurrences[1].byMonthDay, (std::vector<int>{2, 16}));
    ASSERT_EQ(e.addedDates.size() + e.excludedDates.size() + e.rdates.size() + e.exdates.size(), 4u);
    EXPECT_EQ(e.addedDates[0].value, "20260310T090000");
    EXPECT_EQ(e.rdates[0].wall.date, (IcsDate{2026, 3, 10}));
    ASSERT_EQ(reader.Next(e, reason), CICalendarReader::itemRejected);
    EXPECT_EQ(e.summary, "Lost");
    EXPECT_EQ(reason, IcsReason::unknownZone);
    EXPECT_EQ(reader.Next(e, reason), CICalendarReader::itemEnd);
}

// Wall times of a zone to UTC, back, and to the machine's clock (UTC here); an hour repeated at
// the change to winter time reads as its first pass, so its second pass has no wall of its own.
TEST(IcsZones, WallTimesConvertBothWays) {
    SetEnv("TZ", "UTC");
    ReloadTimeZone();
    CICalendarReader reader;
    reader.OpenMemory(std::string("BEGIN:VCALENDAR\r\n") + kBerlin + "END:VCALENDAR\r\n");
    IcsEvent e;
    IcsReason reason = IcsReason::ruleNotHeld;
    ASSERT_EQ(reader.Next(e, reason), CICalendarReader::itemEnd);
    const CIcsZones& zones = reader.Zones();
    const auto at = [](int month, int day, int hour, int minute) {
        return IcsLocalSeconds({2026, month, day}, hour * 3600 + minute * 60);
    };
    const struct {
        const char* tzid;
        long long wall, utc, utcWall;   // utcWall: UtcToWall(utc)
    } cases[] = {
        {"Europe/Berlin", at(7, 1, 10, 0), at(7, 1, 8, 0), at(7, 1, 10, 0)},
        {"Europe/Berlin", at(1, 5, 10, 0), at(1, 5, 9, 0), at(1, 5, 10, 0)},
        {"Europe/Berlin", at(10, 25, 2, 30), at(10, 25, 0, 30), at(10, 25, 2, 30)},
        {"Europe/Berlin", at(10, 25, 3, 30), at(10, 25, 2, 30), at(10, 25, 3, 30)},
        {"UTC", at(3, 1, 9, 0), at(3, 1, 9, 0), at(3, 1, 9, 0)},
        {"", at(3, 1, 9, 0), at(3, 1, 9, 0), at(3, 1, 9, 0)},
    };
    for (const auto& c : cases) {
        long long utc = 0, wall = 0, local = 0;
        EXPECT_EQ(zones.WallToUtc(c.tzid, c.wall, utc), IcsTimeCheck::ok);
        EXPECT_EQ(zones.UtcToWall(c.tzid, c.utc, wall), IcsTimeCheck::ok);
        EXPECT_EQ(zones.WallToLocal(c.tzid, c.wall, local), IcsTimeCheck::ok);
        EXPECT_EQ(std::vector<long long>({utc, wall, local}), std::vector<long long>({c.utc, c.utcWall, c.utc})) << c.tzid << " " << c.wall;
    }
    long long wall = 0;
    EXPECT_EQ(zones.UtcToWall("Europe/Berlin", at(10, 25, 1, 30), wall), IcsTimeCheck::ok);
    EXPECT_GE(wall, at(10, 25, 2, 30));   // the second 02:30 bounds the walls before it
    EXPECT_EQ(zones.WallToUtc("Nowhere", 0, wall), IcsTimeCheck::unknownZone);
    // UNTIL in the wall clock of the start: UTC converted, a date to its last second.
    e.tzid = "Europe/Berlin";
    std::optional<long long> until;
    EXPECT_EQ(IcsUntilWall(zones, e, ParseIcsRecurrence("FREQ=DAILY;UNTIL=20260701T080000Z"), until), IcsTimeCheck::ok);
    EXPECT_EQ(until, at(7, 1, 10, 0));
    EXPECT_EQ(IcsUntilWall(zones, e, ParseIcsRecurrence("FREQ=DAILY;UNTIL=20260701"), until), IcsTimeCheck::ok);
    EXPECT_EQ(until, at(7, 1, 23, 59) + 59);
    EXPECT_EQ(IcsUntilWall(zones, e, ParseIcsRecurrence("FREQ=DAILY;UNTIL=2026"), until), IcsTimeCheck::bad);
}

}  // namespace
}  // namespace vemra::test
