// The date span of the simple layout across daylight-saving changes, with "now" fixed: export,
// counting and remove all take exactly the calendar days of the span.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/local_time.h"
#include "platform/process.h"
#include "settings/settings.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/transfer.h"

namespace vemra::test {
namespace {

class SpanTest : public ::testing::Test {
protected:
    ~SpanTest() override {
        SetFixedNow(-1);
        UseZone("UTC");
    }
    // False when the C library does not know the zone (no daylight saving in July).
    static bool UseZone(const char* zone) {
        SetEnv("TZ", zone);
        ReloadTimeZone();
        LocalParts july;
        return BreakLocal(MakeLocal(2026, 7, 1, 12), july) && july.isdst > 0;
    }
    static std::vector<std::string> Texts(const std::string& path) {
        std::vector<std::string> texts;
        for (const auto& row : DataRows(path, 6)) texts.push_back(row[5]);
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    ScratchDir dir;
    MessageCapture capture;
};

TEST_F(SpanTest, SpansOverDaylightSavingChangesTakeWholeCalendarDays) {
    struct Case {
        const char* zone;
        int y, mo, d;          // today
        int back, ahead;
        int fy, fmo, fd;       // the span's first day
        int ly, lmo, ld;       // and its last
    };
    const Case cases[] = {
        {"Europe/Berlin", 2026, 4, 1, 5, 0, 2026, 3, 27, 2026, 4, 1},          // begins before spring
        {"Europe/Berlin", 2026, 3, 25, 0, 10, 2026, 3, 25, 2026, 4, 4},        // ends after spring
        {"Europe/Berlin", 2026, 10, 28, 4, 0, 2026, 10, 24, 2026, 10, 28},     // begins before autumn
        {"Europe/Berlin", 2026, 10, 20, 0, 10, 2026, 10, 20, 2026, 10, 30},    // ends after autumn
        {"America/New_York", 2026, 3, 10, 5, 0, 2026, 3, 5, 2026, 3, 10},
        {"America/New_York", 2026, 3, 5, 1, 5, 2026, 3, 4, 2026, 3, 10},
        {"America/New_York", 2026, 11, 3, 5, 0, 2026, 10, 29, 2026, 11, 3},
        {"America/New_York", 2026, 10, 25, 0, 10, 2026, 10, 25, 2026, 11, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.mo) + "/" + std::to_string(c.d));
        if (!UseZone(c.zone)) GTEST_SKIP() << "this C library does not know " << c.zone;
        SetFixedNow(MakeLocal(c.y, c.mo, c.d, 12, 0));
        CSettings settings;
        settings.m_bFullFormat = false;
        settings.m_nDaysBack = c.back;
        settings.m_nDaysAhead = c.ahead;
        EXPECT_EQ(settings.GetSpanStart(), MakeLocal(c.fy, c.fmo, c.fd, 0, 0, 0));
        EXPECT_EQ(settings.GetSpanEnd(), MakeLocal(c.ly, c.lmo, c.ld, 23, 59, 0));

        // Single appointments just inside and just outside the span, and a daily series.
        CDateBkTable table;
        AddAppt(table, Timed("before", c.fy, c.fmo, c.fd - 1, 23, 30, 23, 45));
        AddAppt(table, Timed("first", c.fy, c.fmo, c.fd, 0, 30, 1, 0));
        AddAppt(table, Timed("last", c.ly, c.lmo, c.ld, 23, 30, 23, 45));
        AddAppt(table, Timed("after", c.ly, c.lmo, c.ld + 1, 0, 30, 0, 45));
        CDateBkRecord daily(table, 1);
        table.AppendBlankRecord(daily);
        SetAppt(daily, Timed("daily", c.fy, c.fmo, c.fd - 10, 8, 0, 9, 0));
        daily.SetRepDaily(CDayName(eSunday, 1, -1, eSunday));
        const std::string db = dir.File("datebook.dat");
        ASSERT_EQ(table.SaveAs(db), 0);
        settings.m_strDatebookFile = db;

        std::vector<std::string> expected(static_cast<std::size_t>(c.back + c.ahead + 1), "daily");
        expected.insert(expected.begin(), "first");
        expected.push_back("last");
        std::sort(expected.begin(), expected.end());
        const std::string out = dir.File("simple.csv");
        EXPECT_EQ(ExportSimple(db, out.c_str(), settings.GetSpanStart(), settings.GetSpanEnd(), settings, nullptr),
                  static_cast<int>(expected.size()));
        EXPECT_EQ(Texts(out), expected);
        EXPECT_EQ(CountInSpan(settings), static_cast<int>(expected.size()));
        EXPECT_EQ(RemoveAll(db, settings, nullptr), static_cast<int>(expected.size()));
        EXPECT_EQ(LiveTexts(db), (std::vector<std::string>{"before", "after"}));
    }
}

}  // namespace
}  // namespace vemra::test
