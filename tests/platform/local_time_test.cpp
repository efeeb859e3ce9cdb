#include "platform/local_time.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/test_support.h"

using namespace vemra;

// Day, hour and minute are checked through the datebook's occurrences; the weekday is not.
TEST(LocalTime, WeekdaysAndNegativeTimes) {
    const struct { int y, m, d, weekday; } cases[] = {{1970, 1, 2, 5}, {2024, 2, 29, 4}, {2026, 3, 29, 0}, {2026, 11, 1, 0}};
    LocalParts p;
    for (const auto& c : cases) {
        ASSERT_TRUE(BreakLocal(MakeLocal(c.y, c.m, c.d, 12), p));
        EXPECT_EQ(p.weekday, c.weekday) << c.y << "-" << c.m << "-" << c.d;
    }
    EXPECT_FALSE(BreakLocal(-1, p));
    EXPECT_EQ(LocalMidnight(-5), -1);
}

// The dates of tests/data/platform/ole_dates.txt, and the days of months.
TEST(LocalTime, OleDatesAndMonths) {
    for (const auto& c : test::DataRows("platform/ole_dates.txt", "|", 3)) {
        const double date = std::stod(c[0]);
        LocalParts p;
        ASSERT_EQ(PartsFromOleDate(date, p), c[1] != "refused") << c[0];
        if (c[1] == "refused") continue;
        std::ostringstream parts;
        parts << p.year << ' ' << p.month << ' ' << p.day << ' ' << p.hour << ' ' << p.minute << ' ' << p.second;
        EXPECT_EQ(parts.str(), c[1]) << c[0];
        EXPECT_TRUE(c[2] == "0" || OleDateFromParts(p.year, p.month, p.day, p.hour, p.minute, p.second) == date) << c[0];
    }
    LocalParts p;
    EXPECT_TRUE(PartsFromOleDate(37319.0, p) && p.weekday == 1);   // a Monday
    EXPECT_EQ((std::vector<int>{DaysInMonth(1900, 2), DaysInMonth(2000, 2), DaysInMonth(2023, 2), DaysInMonth(2024, 4)}),
              (std::vector<int>{28, 29, 28, 30}));
}
