#include "platform/local_time.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(LocalTime, OleDatesAndMonths) {
    // y 0: refused. back: the parts give the date again (rounded ones do not).
    struct Case { double date; int y, m, d, h, mi, s; bool back; } cases[] = {
        {0.0, 1899, 12, 30, 0, 0, 0, true}, {2.0, 1900, 1, 1, 0, 0, 0, true}, {23451.0, 1964, 3, 15, 0, 0, 0, true},
        {37319.0 + 14.5 / 24, 2002, 3, 4, 14, 30, 0, true}, {-1.25, 1899, 12, 29, 6, 0, 0, true},
        {0.999999999, 1899, 12, 31, 0, 0, 0, false}, {-1.999999999, 1899, 12, 30, 0, 0, 0, false},
        {-657434.0, 100, 1, 1, 0, 0, 0, true}, {-657434.5, 100, 1, 1, 12, 0, 0, true},
        {2958465.0 + 86399.0 / 86400, 9999, 12, 31, 23, 59, 59, true}, {-657435.0, 0, 0, 0, 0, 0, 0, false},
        {2958466.0, 0, 0, 0, 0, 0, 0, false}, {2958465.9999999, 0, 0, 0, 0, 0, 0, false}, {std::nan(""), 0, 0, 0, 0, 0, 0, false}};
    for (const Case& c : cases) {
        LocalParts p;
        ASSERT_EQ(PartsFromOleDate(c.date, p), c.y != 0) << c.date;
        if (c.y == 0) continue;
        EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second}),
                  (std::vector<int>{c.y, c.m, c.d, c.h, c.mi, c.s})) << c.date;
        EXPECT_TRUE(!c.back || OleDateFromParts(c.y, c.m, c.d, c.h, c.mi, c.s) == c.date) << c.date;
    }
    LocalParts p;
    EXPECT_TRUE(PartsFromOleDate(37319.0, p) && p.weekday == 1);   // a Monday
    EXPECT_EQ((std::vector<int>{DaysInMonth(1900, 2), DaysInMonth(2000, 2), DaysInMonth(2023, 2), DaysInMonth(2024, 4)}),
              (std::vector<int>{28, 29, 28, 30}));
}
