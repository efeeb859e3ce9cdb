#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "formats/csv_file.h"
#include "formats/icalendar.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/process.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "tests/child_process.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/icalendar_transfer.h"
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
    std::string Empty(const std::string& name) {
        EXPECT_TRUE(MakeDatebook(dir.File(name), {}));
        return dir.File(name);
    }
    std::string demo = dir.File("demo.dat");
};

// Each occurrence of a simple-layout file as "date start end|text".
std::vector<std::string> Occurrences(const std::string& csv) {
    std::vector<std::string> out;
    CCsvFile file;
    file.SetQuote("\"");
    file.SetSeparator(",");
    if (file.OpenRead(csv) != 0) return {"!"};
    while (file.NextReadRow() == 0) {
        long date = 0, start = 0, end = 0;
        std::string untimed, isPrivate, text;
        if (file.GetDate(date) != 0) continue;   // the header
        file.GetText(untimed);
        file.GetTime(start);
        file.GetTime(end);
        file.GetText(isPrivate);
        file.GetText(text);
        LocalParts d, s, e;
        BreakLocal(date, d);
        BreakLocal(start, s);
        BreakLocal(end, e);
        const std::string times = untimed.empty() ? FormatText("%02d:%02d %02d:%02d", s.hour, s.minute, e.hour, e.minute)
                                                  : std::string("all-day");
        out.push_back(FormatText("%04d-%02d-%02d ", d.year, d.month, d.day) + times + "|" + text);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(ICalendarTest, DemoExportMatchesTheGoldenFile) {
    EXPECT_EQ(ExportICalendar(demo, dir.File("demo.ics").c_str(), settings, nullptr, reporter), 23);
    EXPECT_EQ(ReadFile(dir.File("demo.ics")), ReadFile(DataFile("transfer/demo.ics")));
    EXPECT_TRUE(capture.messages.empty());
}

// An independent reader expands each rule of our calendar; it must give exactly the
// occurrences of our own simple export of the same span.
TEST_F(ICalendarTest, IndependentExpansionEqualsTheSimpleExport) {
    if (std::system("/usr/bin/python3 -c 'import icalendar, recurring_ical_events' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-icalendar and python3-recurring-ical-events are not installed";
    const std::string ics = dir.File("demo.ics"), csv = dir.File("simple.csv");
    ASSERT_EQ(ExportICalendar(demo, ics.c_str(), settings, nullptr, reporter), 23);
    ASSERT_GT(ExportSimple(demo, csv.c_str(), MakeLocal(2026, 1, 1), MakeLocal(2027, 12, 31, 23, 59, 59), settings, nullptr, reporter), 0);
    const ChildResult r = RunChild("/usr/bin/python3", {std::string(VEMRA_SOURCE_ROOT) + "/tests/transfer/ics_expand.py", ics,
                                               "2026-01-01", "2027-12-31"}, {}, dir.File("python"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> theirs;
    for (std::size_t from = 0, lf; (lf = r.out.find('\n', from)) != std::string::npos; from = lf + 1)
        theirs.push_back(r.out.substr(from, lf - from));
    const std::vector<std::string> ours = Occurrences(csv);
    EXPECT_GT(ours.size(), 100u);
    EXPECT_EQ(theirs, ours);
}

TEST_F(ICalendarTest, ImportOfTheExportGivesTheSameFullLayout) {
    const std::string ics = dir.File("demo.ics"), copy = Empty("copy.dat");
    ASSERT_EQ(ExportICalendar(demo, ics.c_str(), settings, nullptr, reporter), 23);
    int rejected = -1;
    EXPECT_EQ(ImportICalendar(copy, ics.c_str(), settings, nullptr, reporter, nullptr, &rejected), 23);
    EXPECT_EQ(rejected, 0);
    ASSERT_EQ(ExportFull(demo, dir.File("a.csv").c_str(), settings, nullptr, reporter), 23);
    ASSERT_EQ(ExportFull(copy, dir.File("b.csv").c_str(), settings, nullptr, reporter), 23);
    EXPECT_EQ(ReadFile(dir.File("b.csv")), ReadFile(dir.File("a.csv")));
    // Again with duplicates skipped: nothing is added twice.
    settings.m_bNoDuplicates = true;
    EXPECT_EQ(ImportICalendar(copy, ics.c_str(), settings, nullptr, reporter, nullptr, &rejected), 0);
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
    const std::string path = Empty("other.dat");
    int rejected = -1;
    settings.m_bIgnoreImportErrors = false;
    const int added = ImportICalendar(path, DataFile("transfer/calendar-programs.ics").c_str(), settings, nullptr, reporter,
                                      nullptr, &rejected);
    const std::string csv = dir.File("other.csv");
    const int rows = ExportFull(path, csv.c_str(), settings, nullptr, reporter);
    SetEnv("TZ", "UTC");
    ReloadTimeZone();
    EXPECT_EQ(added, 6);
    EXPECT_EQ(rows, 6);
    EXPECT_EQ(rejected, 5);
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"line 48", "BYSETPOS"}, {"line 82", "RECURRENCE-ID"}, {"line 123", "midnight"},
        {"line 130", "code page"}, {"line 136", "VTODO"}};
    ASSERT_EQ(capture.messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NE(capture.messages[i].find(expected[i].first), std::string::npos) << capture.messages[i];
        EXPECT_NE(capture.messages[i].find(expected[i].second), std::string::npos) << capture.messages[i];
    }
    // The CSV file is in the system's code page, the golden file in UTF-8.
    EXPECT_EQ(SystemTextToUtf16(ReadFile(csv)), Utf8ToUtf16(ReadFile(DataFile("transfer/calendar-programs-full.csv"))));
}

// A file that is not a whole calendar adds nothing, not even its readable events.
TEST_F(ICalendarTest, BrokenCalendarFailsWhole) {
    const std::string path = Empty("broken.dat");
    const std::string whole = ReadFile(DataFile("transfer/calendar-programs.ics"));
    for (const std::string& text : {whole.substr(0, whole.size() / 2), std::string("\"Date\",\"Text\"\r\n")}) {
        WriteFile(dir.File("broken.ics"), text);
        capture.messages.clear();
        EXPECT_EQ(ImportICalendar(path, dir.File("broken.ics").c_str(), settings, nullptr, reporter), -1);
        EXPECT_EQ(capture.messages.size(), 1u);
        EXPECT_TRUE(LiveTexts(path).empty());
    }
}

}  // namespace
}  // namespace vemra::test
