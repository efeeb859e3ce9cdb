#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/process.h"
#include "settings/settings.h"
#include "tests/palm/datebook_bytes.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/transfer.h"

namespace vemra::test {
namespace {

// Every test of this program reads times in UTC, the zone of the bundled sample.
class UtcEnvironment : public ::testing::Environment {
public:
    void SetUp() override { SetEnv("TZ", "UTC"); }
};
const auto* const g_utc = ::testing::AddGlobalTestEnvironment(new UtcEnvironment);

class ExportTest : public ::testing::Test {
protected:
    ExportTest() { capture.messages.clear(); }
    std::string Datebook(const std::vector<Appt>& appts) {
        const std::string path = dir.File("datebook.dat");
        EXPECT_TRUE(MakeDatebook(path, appts));
        return path;
    }
    // Text and date of each data row: which rows are written counts here, the cells' encoding
    // is the CSV tests' concern.
    static std::vector<std::string> Rows(const std::string& path) {
        std::vector<std::string> out;
        for (const auto& row : DataRows(path, 6)) out.push_back(row[5] + " " + row[0]);
        return out;
    }
    ScratchDir dir;
    MessageCapture capture;
    CSettings settings;
};

TEST_F(ExportTest, SimpleSpanTakesWholeDaysAndExpandsRepeats) {
    CDateBkTable table;
    AddAppt(table, Untimed("first day", 2026, 3, 10));
    AddAppt(table, Timed("day before", 2026, 3, 9, 23, 0, 23, 59));
    AddAppt(table, Timed("last day late", 2026, 3, 25, 23, 30, 23, 45));
    AddAppt(table, Timed("day after", 2026, 3, 26, 0, 0, 0, 30));
    {
        // Weekly on Wednesdays since a year before the span; one occurrence excepted.
        CDateBkRecord r(table, 1);
        table.AppendBlankRecord(r);
        SetAppt(r, Timed("weekly", 2025, 3, 5, 8, 0, 9, 0));
        r.SetRepWeekly(CWeekly(1 << eWednesday, 1, -1, eSunday));
        r.AddException(MakeLocal(2026, 3, 11));
    }
    {
        // Daily, ended before the span: no occurrence and no error.
        CDateBkRecord r(table, 1);
        table.AppendBlankRecord(r);
        SetAppt(r, Timed("ended", 2026, 1, 1, 8, 0, 9, 0));
        r.SetRepDaily(CDayName(static_cast<eDayIndex>(1), 1, MakeLocal(2026, 2, 1), eSunday));
    }
    Appt deleted = Untimed("deleted", 2026, 3, 12);
    deleted.status = 4;
    Appt archived = Untimed("archived", 2026, 3, 12);
    archived.status = 0x80;
    AddAppt(table, deleted);
    AddAppt(table, archived);
    const std::string db = dir.File("datebook.dat");
    ASSERT_EQ(table.SaveAs(db), 0);

    const std::string out = dir.File("simple.csv");
    const int rows = ExportSimple(db, out.c_str(), MakeLocal(2026, 3, 10), MakeLocal(2026, 3, 25, 23, 59),
                                  settings, nullptr);
    // In start order; a repeat's rows stand where its first start sorts, in date order.
    const std::vector<std::string> expected{"weekly 3/18/2026", "weekly 3/25/2026", "first day 3/10/2026",
                                            "last day late 3/25/2026"};
    EXPECT_EQ(Rows(out), expected);
    EXPECT_EQ(rows, 4);
    EXPECT_TRUE(capture.messages.empty());

}

class CountingProgress : public CProgress {
public:
    void SetRange(int lower, int upper) override { range = {lower, upper}; }
    void SetPos(int pos) override { positions.push_back(pos); }
    std::pair<int, int> range{-1, -1};
    std::vector<int> positions;
};

TEST_F(ExportTest, ProgressCountsRecordsNotRows) {
    CDateBkTable table;
    for (int i = 0; i < 5; ++i) AddAppt(table, Untimed(Numbered("a", i), 2026, 3, 10 + i));
    {
        CDateBkRecord r(table, 1);
        table.AppendBlankRecord(r);
        SetAppt(r, Untimed("daily", 2026, 3, 1));
        r.SetRepDaily(CDayName(static_cast<eDayIndex>(1), 1, -1, eSunday));
    }
    const std::string db = dir.File("datebook.dat");
    ASSERT_EQ(table.SaveAs(db), 0);
    CountingProgress progress;
    const std::string out = dir.File("simple.csv");
    EXPECT_EQ(ExportSimple(db, out.c_str(), MakeLocal(2026, 3, 1), MakeLocal(2026, 3, 31, 23, 59), settings,
                           &progress),
              5 + 31);
    EXPECT_EQ(progress.range, std::make_pair(0, 6));
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ExportTest, WriteFailureIsReportedAndTheFileStillClosed) {
    // A device that accepts the open and fails every write.
    if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    std::vector<Appt> many;
    for (int i = 0; i < 3000; ++i) many.push_back(Timed(std::string(60, 'x') + std::to_string(i), 2026, 3, 10, 9, 0, 10, 0));
    const std::string db = Datebook(many);
    EXPECT_EQ(ExportFull(db, "/dev/full", settings, nullptr), -1);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0].rfind("Error writing file\n", 0), 0u) << capture.messages[0];
}

// The alarm flag is a field of its own in the file; Palm Desktop keeps the amount and unit when
// the user switches the alarm off. Cells 7-9: Alarm, Alarm Time, Alarm Unit.
TEST_F(ExportTest, SwitchedOffAlarmStaysOffThroughExportAndImport) {
    struct Case {
        std::uint32_t flag, advance, unit;
        std::vector<std::string> cells;
    };
    const Case cases[] = {
        {0, 5, 0, {"", "", ""}},
        {0, 2, 1, {"", "", ""}},
        {1, 5, 0, {"x", "5", "m"}},
        {1, 2, 1, {"x", "2", "h"}},
    };
    std::string bytes = dbtest::Header(std::size(cases));
    for (const Case& c : cases) {
        dbtest::Rec r;
        r.start = static_cast<std::uint32_t>(MakeLocal(2026, 3, 10, 9));
        r.end = r.start + 3600;
        r.description = "a";
        r.alarm = c.flag;
        r.advance = c.advance;
        r.unit = c.unit;
        bytes += dbtest::Record(r);
    }
    const std::string db = dir.File("bytes.dat");
    WriteFile(db, bytes);
    auto alarmCells = [](const std::string& path) {
        std::vector<std::vector<std::string>> rows;
        for (const auto& row : DataRows(path, 10)) rows.emplace_back(row.begin() + 7, row.end());
        return rows;
    };
    std::vector<std::vector<std::string>> expected;
    for (const Case& c : cases) expected.push_back(c.cells);

    const std::string full = dir.File("full.csv"), simple = dir.File("simple.csv");
    ASSERT_EQ(ExportFull(db, full.c_str(), settings, nullptr), 4);
    EXPECT_EQ(alarmCells(full), expected);
    ASSERT_EQ(ExportSimple(db, simple.c_str(), MakeLocal(2026, 3, 10), MakeLocal(2026, 3, 10, 23, 59), settings,
                           nullptr), 4);
    EXPECT_EQ(alarmCells(simple), expected);

    // Imported and exported again: the switched-off alarms are still off.
    const std::string copy = Datebook({});
    settings.m_bNoDuplicates = false;
    ASSERT_EQ(ImportFull(copy, full.c_str(), settings, nullptr), 4);
    const std::string again = dir.File("again.csv");
    ASSERT_EQ(ExportFull(copy, again.c_str(), settings, nullptr), 4);
    EXPECT_EQ(ReadFile(again), ReadFile(full));
}

TEST(NextLocalMidnight, StepsOneCalendarDayAcrossDaylightSaving) {
    struct Case {
        const char* zone;
        int y, mo, d, h;   // the starting local time
        int ny, nmo, nd;   // the expected next day
    };
    const Case cases[] = {
        {"UTC", 2026, 12, 31, 23, 2027, 1, 1},
        {"UTC", 2028, 2, 28, 0, 2028, 2, 29},
        {"Europe/Berlin", 2026, 3, 29, 12, 2026, 3, 30},    // a day of 23 hours
        {"Europe/Berlin", 2026, 10, 25, 23, 2026, 10, 26},  // a day of 25 hours, late evening
        {"America/New_York", 2026, 3, 7, 23, 2026, 3, 8},
        {"America/New_York", 2026, 11, 1, 0, 2026, 11, 2},
    };
    for (const Case& c : cases) {
        SetEnv("TZ", c.zone);
        LocalParts july;
        BreakLocal(MakeLocal(2026, 7, 1, 12), july);
        if (std::string(c.zone) != "UTC" && !july.isdst) {
            SetEnv("TZ", "UTC");
            GTEST_SKIP() << "this C library does not know zone names";
        }
        const long next = NextLocalMidnight(MakeLocal(c.y, c.mo, c.d, c.h));
        LocalParts p;
        ASSERT_TRUE(BreakLocal(next, p)) << c.zone;
        EXPECT_EQ(std::make_tuple(p.year, p.month, p.day, p.hour, p.minute, p.second),
                  std::make_tuple(c.ny, c.nmo, c.nd, 0, 0, 0))
            << c.zone << " " << c.y << "-" << c.mo << "-" << c.d;
    }
    SetEnv("TZ", "UTC");
}

}  // namespace
}  // namespace vemra::test
