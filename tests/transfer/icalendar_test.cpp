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
