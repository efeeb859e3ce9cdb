#include "platform/pacer.h"

#include <gtest/gtest.h>

#include <vector>

// Whether each of a few calls in quick succession is let through, for intervals far longer and
// far shorter than the calls take.
TEST(Pacer, LetsCallsThroughByTheClock) {
    const struct {
        std::chrono::steady_clock::duration interval;
        std::vector<bool> due;
    } cases[] = {
        {std::chrono::hours(1), {true, false, false, false}},
        {std::chrono::nanoseconds(0), {true, true, true, true}},
    };
    for (const auto& c : cases) {
        vemra::CPacer pacer(c.interval);
        std::vector<bool> due;
        for (std::size_t i = 0; i < c.due.size(); ++i) due.push_back(pacer.Due());
        EXPECT_EQ(due, c.due);
    }
}
