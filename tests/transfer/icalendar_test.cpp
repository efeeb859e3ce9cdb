#include <gtest/gtest.h>

#include <filesystem>

#include "formats/icalendar.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/process.h"
#include "platform/utf8.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/runner.h"
#include "transfer/transfer.h"

namespace vemra::test {
namespace {

const std::string kSample = std::string(VEMRA_SOURCE_ROOT) + "/sample/Palm/Demo/datebook/datebook.dat";

class ICalendarTest : public TransferTest {
protected:
    ICalendarTest() {
        SetFixedNow(MakeLocal(2026, 12, 7, 4, 0, 0));
        settings.m_dwPalmUserId = 2468;
        settings.m_bIgnoreImportErrors = true;
        std::filesystem::copy_file(kSample, demo);
    }
    ~ICalendarTest() override { SetFixedNow(-1); }
    std::string demo = dir.File("demo.dat");
};

// The demo's calendar matches the golden file; imported again it gives the same full layout,
// and with duplicates skipped it adds nothing.
TEST_F(ICalendarTest, DemoExportMatchesTheGoldenFileAndImportsAsItWas) {
    const std::string ics = dir.File("demo.ics"), copy = db;
    ASSERT_EQ(ExportFull(demo, ics.c_str(), settings, nullptr, reporter), 23);
    EXPECT_EQ(ReadFile(ics), ReadFile(DataFile("transfer/demo.ics")));
    int rejected = -1;
    EXPECT_EQ(ImportFull(copy, ics.c_str(), settings, nullptr, reporter, nullptr, &rejected), 23);
    EXPECT_EQ(rejected, 0);
    ASSERT_EQ(ExportFull(demo, dir.File("a.csv").c_str(), settings, nullptr, reporter), 23);
    ASSERT_EQ(ExportFull(copy, dir.File("b.csv").c_str(), settings, nullptr, reporter), 23);
    EXPECT_EQ(ReadFile(dir.File("b.csv")), ReadFile(dir.File("a.csv")));
    settings.m_bNoDuplicates = true;
    EXPECT_EQ(ImportFull(copy, ics.c_str(), settings, nullptr, reporter, nullptr, &rejected), 0);
    EXPECT_TRUE(capture.messages.empty());
}

// A calendar as the common calendar programs write one, read in a zone of its own (New York)
// while the file's times are in UTC and in a described Berlin zone with daylight saving.
TEST_F(ICalendarTest, CalendarOfOtherProgramsImportsWhatTheDatebookCanHold) {
    SetEnv("TZ", "EST5EDT,M3.2.0,M11.1.0");
    ReloadTimeZone();
    LocalParts march;
    if (!BreakLocal(MakeLocal(2026, 3, 10, 12), march) || !march.isdst) {
        SetEnv("TZ", "UTC");
        ReloadTimeZone();
        GTEST_SKIP() << "this C library does not take the zone's rules";
    }
    int rejected = -1;
    settings.m_bIgnoreImportErrors = false;
    const int added = ImportFull(db, DataFile("transfer/calendar-programs.ics").c_str(), settings, nullptr, reporter,
                                      nullptr, &rejected);
    const std::string csv = dir.File("other.csv");
    const int rows = ExportFull(db, csv.c_str(), settings, nullptr, reporter);
    SetEnv("TZ", "UTC");
    ReloadTimeZone();
    EXPECT_EQ(added, 8);
    EXPECT_EQ(rows, 17);
    EXPECT_EQ(rejected, 2);
    const auto expected = Table("calendar-programs-rejected.txt", 2);
    ASSERT_EQ(capture.messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        for (const std::string& part : expected[i])
            EXPECT_NE(capture.messages[i].find(part), std::string::npos) << capture.messages[i];
    }
    // The CSV file is in the system's code page, the golden file in UTF-8.
    EXPECT_EQ(SystemTextToUtf16(ReadFile(csv)), Utf8ToUtf16(ReadFile(DataFile("transfer/calendar-programs-full.csv")), BadBytes::latin1));
}

// A place and an address go into the note and come back out as LOCATION and URL, also from a
// note written in the other language; the summary counts events, appointments and cancellations.
TEST_F(ICalendarTest, PlacesComeBackAndTheSummaryCountsEvents) {
    const auto event = [](const std::string& uid, const std::string& body) {
        return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20260101T000000Z\r\n" + body + "END:VEVENT\r\n";
    };
    const std::string ics = dir.File("in.ics"), out = dir.File("out.ics");
    WriteFile(ics, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" +
                       event("a", "DTSTART:20260302T100000\r\nDTEND:20260302T110000\r\nSUMMARY:Talk\r\n"
                                  "LOCATION:Room 3\r\nURL:https://example.org/t\r\nDESCRIPTION:Slides\r\n") +
                       event("b", "DTSTART:20260303T220000\r\nDTEND:20260304T010000\r\nSUMMARY:Late\r\n") +
                       event("c", "DTSTART:20260305T100000\r\nSUMMARY:Off\r\nSTATUS:CANCELLED\r\n") + "END:VCALENDAR\r\n");
    const TransferOutcome outcome = RunTransfer(Operation::importFile, settings, ics, nullptr, reporter,
                                                DesktopNotice::changesOnly);
    EXPECT_EQ(SummaryLine(Operation::importFile, outcome, "in.ics"),
              "2 events added as 3 appointments from in.ics, 1 cancelled event skipped");
    ASSERT_EQ(ExportFull(db, out.c_str(), settings, nullptr, reporter), 3);
    const std::string text = ReadFile(out);
    for (const char* line : {"LOCATION:Room 3\r\n", "URL:https://example.org/t\r\n", "DESCRIPTION:Slides\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    // A note of the German program's import.
    Appt german = Untimed("Essen", 2026, 4, 1);
    german.note = "Ort: Zum Anker\r\nTisch 4";
    ASSERT_TRUE(MakeDatebook(db, {german}));
    ASSERT_EQ(ExportFull(db, out.c_str(), settings, nullptr, reporter), 1);
    EXPECT_NE(ReadFile(out).find("DESCRIPTION:Tisch 4\r\nLOCATION:Zum Anker\r\n"), std::string::npos) << ReadFile(out);
}

// A file that is not a whole calendar adds nothing, not even its readable events.
TEST_F(ICalendarTest, BrokenCalendarFailsWhole) {
    const std::string whole = ReadFile(DataFile("transfer/calendar-programs.ics"));
    for (const std::string& text : {whole.substr(0, whole.size() / 2), std::string("\"Date\",\"Text\"\r\n")}) {
        WriteFile(dir.File("broken.ics"), text);
        capture.messages.clear();
        EXPECT_EQ(ImportFull(db, dir.File("broken.ics").c_str(), settings, nullptr, reporter), -1);
        EXPECT_EQ(capture.messages.size(), 1u);
        EXPECT_TRUE(LiveTexts(db).empty());
    }
}

}  // namespace
}  // namespace vemra::test
