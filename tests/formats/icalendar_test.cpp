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
    IcsReason reason = icsRuleNotHeld;
    for (;;) {
        const auto item = reader.Next(event, reason);
        out += std::to_string(item) + "@" + std::to_string(event.line) + " ";
        if (item == CICalendarReader::itemEnd || item == CICalendarReader::itemFailed)
            return out + std::to_string(static_cast<int>(reader.Error())) + "@" + std::to_string(reader.ErrorLine());
        if (item == CICalendarReader::itemRejected) out += std::to_string(reason) + "\n";
        else out += IcsEventText(event, "X");
    }
}

std::string ItemsOf(const std::string& text, std::size_t chunk = 1 << 16) {
    CICalendarReader reader;
    reader.SetReadChunkSize(chunk);
    reader.OpenMemory(text);
    return Items(reader);
}

std::string Calendar(const std::string& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + body + "END:VCALENDAR\r\n";
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

TEST(ICalendarReader, FilesThatAreNoWholeCalendarFail) {
    const struct {
        std::string text;
        IcsError error;
        int line;
    } cases[] = {
        {"", IcsError::notICalendar, 1},
        {"\"Date\",\"Text\"\r\n\"1/1/2026\",\"x\"\r\n", IcsError::notICalendar, 1},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20260101\r\n", IcsError::truncated, 2},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nBEGIN:VALARM\r\nEND:VEVENT\r\n", IcsError::badStructure, 4},
        {"BEGIN:VCALENDAR\r\n", IcsError::truncated, 1},
        {"BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\nrest\r\n", IcsError::badStructure, 3},
        {"BEGIN:VCALENDAR\r\nX:" + std::string(1 << 20, 'a') + "\r\n", IcsError::lineTooLong, 2},
    };
    for (const auto& c : cases) {
        const std::string items = ItemsOf(c.text, 7);
        EXPECT_EQ(items.substr(items.rfind(' ') + 1), std::to_string(static_cast<int>(c.error)) + "@" + std::to_string(c.line))
            << c.text.substr(0, 80);
    }
}

// One event of each kind the datebook cannot hold, and forms of those it can, read in UTC.
TEST(ICalendarReader, EventsMapToTheDatebooksRulesOrAreRejected) {
    SetEnv("TZ", "UTC");
    ReloadTimeZone();
    const std::string zone =
        "BEGIN:VTIMEZONE\r\nTZID:Berlin\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\nTZOFFSETFROM:+0200\r\n"
        "TZOFFSETTO:+0100\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\n"
        "DTSTART:19700329T020000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
        "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n";
    const struct {
        std::string body;
        std::string expected;   // a line of the event written again, or the reason
    } cases[] = {
        {"DTSTART;TZID=Berlin:20260701T100000\r\nDTEND;TZID=Berlin:20260701T113000", "DTSTART:20260701T080000"},
        {"DTSTART;TZID=Berlin:20260105T100000\r\nDTEND;TZID=Berlin:20260105T113000", "DTEND:20260105T103000"},
        {"DTSTART;TZID=Later:20260105T100000", "DTSTART:20260105T150000"},   // described after it
        {"DTSTART;TZID=Nowhere:20260105T100000", std::to_string(icsUnknownZone)},
        {"DTSTART:20260105T100000\r\nRRULE:FREQ=MONTHLY;BYDAY=-1FR;INTERVAL=2", "RRULE:FREQ=MONTHLY;INTERVAL=2;BYDAY=-1FR"},
        {"DTSTART:20260105T100000\r\nRRULE:FREQ=YEARLY;UNTIL=20300105", "RRULE:FREQ=YEARLY;UNTIL=20300105T235959;BYMONTH=1;BYMONTHDAY=5"},
        {"DTSTART:20260105T100000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,TH;WKST=MO", "BYDAY=MO,TH;WKST=MO"},
        {"DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=DAILY\r\nEXDATE;VALUE=DATE:20260107,20260109", "EXDATE;VALUE=DATE:20260107,20260109"},
        {"DTSTART:20260105T100000\r\nRRULE:FREQ=MONTHLY;BYDAY=FR;BYSETPOS=-1", std::to_string(icsRuleSetPos)},
        {"DTSTART:20260105T100000\r\nRRULE:FREQ=YEARLY;BYMONTH=1,7", std::to_string(icsRuleSeveralMonths)},
        {"DTSTART:20260105T100000\r\nRRULE:FREQ=MONTHLY;BYDAY=5FR", std::to_string(icsRuleNotHeld)},
        {"DTSTART:20260105T100000\r\nRRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=5", std::to_string(icsRuleNotHeld)},
        {"DTSTART:20260105T100000\r\nRRULE:FREQ=HOURLY", std::to_string(icsRuleNotHeld)},
        {"DTSTART:20260105T100000\r\nRDATE:20260107T100000", std::to_string(icsRDate)},
        {"DTSTART:20260105T230000\r\nDURATION:PT2H", std::to_string(icsOverMidnight)},
        {"DTSTART:20261305T100000", std::to_string(icsBadTime)},
        {"SUMMARY:no start", std::to_string(icsNoStart)},
    };
    std::string body;
    for (const auto& c : cases) body += "BEGIN:VEVENT\r\nSUMMARY:s\r\n" + c.body + "\r\nEND:VEVENT\r\n";
    body += "BEGIN:VJOURNAL\r\nEND:VJOURNAL\r\n" + zone;
    body += "BEGIN:VTIMEZONE\r\nTZID:Later\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nTZOFFSETTO:-0500\r\n"
            "END:STANDARD\r\nEND:VTIMEZONE\r\n";
    const std::string items = ItemsOf(Calendar(zone + body));
    // Items come in file order, deferred ones at the end of the calendar.
    std::size_t at = 0;
    for (const auto& c : cases) {
        if (c.body.find("TZID=Berlin") == std::string::npos && c.body.find("TZID") != std::string::npos) continue;
        const std::size_t found = items.find(c.expected, at);
        EXPECT_NE(found, std::string::npos) << c.body << "\n" << items;
        if (found != std::string::npos) at = found;
    }
    EXPECT_NE(items.find(std::to_string(icsJournal), at), std::string::npos);
    EXPECT_NE(items.find("DTSTART:20260105T150000", at), std::string::npos);
    EXPECT_NE(items.find(std::to_string(icsUnknownZone), at), std::string::npos);
}

TEST(ICalendarWriter, FoldsAtOctetsWithoutSplittingCharactersAndTextSurvives) {
    IcsEvent e;
    e.uid = "u";
    e.summary = "Ölwechsel; Räder, \\Reifen\\ und Bremsen\nprüfen – " + std::string(60, 'x') + "€€€€€€€€€€€€€€€€€€€€";
    e.start = e.end = {2026, 1, 5};
    e.allDay = true;
    const std::string text = IcsEventText(e, "20260101T000000Z");
    for (std::size_t from = 0, crlf; (crlf = text.find("\r\n", from)) != std::string::npos; from = crlf + 2) {
        EXPECT_LE(crlf - from, 75u);
        EXPECT_NE(static_cast<unsigned char>(text[from + (text[from] == ' ' ? 1 : 0)]) & 0xC0, 0x80u);
    }
    CICalendarReader reader;
    reader.OpenMemory(Calendar(text));
    IcsEvent back;
    IcsReason reason;
    ASSERT_EQ(reader.Next(back, reason), CICalendarReader::itemEvent);
    EXPECT_EQ(back.summary, e.summary);
}

}  // namespace
}  // namespace vemra::test
