#include "platform/local_time.h"

#include <gtest/gtest.h>

using namespace vemra;

TEST(LocalTime, MakeAndBreakAgree) {
    struct Case { int y, mo, d, h, mi, weekday; } cases[] = {
        {1970, 1, 2, 0, 0, 5}, {2002, 3, 4, 14, 30, 1}, {2024, 2, 29, 23, 59, 4}, {2031, 12, 31, 23, 59, 3},
        {2026, 3, 29, 12, 0, 0}, {2026, 10, 25, 12, 0, 0}, {2026, 11, 1, 12, 0, 0}};
    for (const auto& c : cases) {
        const long t = MakeLocal(c.y, c.mo, c.d, c.h, c.mi, 0);
        ASSERT_GT(t, 0);
        LocalParts p;
        ASSERT_TRUE(BreakLocal(t, p));
        EXPECT_EQ(p.year, c.y);
        EXPECT_EQ(p.month, c.mo);
        EXPECT_EQ(p.day, c.d);
        EXPECT_EQ(p.hour, c.h);
        EXPECT_EQ(p.minute, c.mi);
        EXPECT_EQ(p.weekday, c.weekday);
        const long m = LocalMidnight(t);
        ASSERT_TRUE(BreakLocal(m, p));
        EXPECT_EQ(p.day, c.d);
        EXPECT_EQ(p.hour, 0);
        EXPECT_EQ(p.minute, 0);
    }
}

TEST(LocalTime, NegativeTimesDoNotConvert) {
    LocalParts p;
    EXPECT_FALSE(BreakLocal(-1, p));
    EXPECT_EQ(LocalMidnight(-5), -1);
}
