#include <gtest/gtest.h>

#include <chrono>

#include "formats/ics_expand.h"
#include "platform/local_time.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

long long WallOf(const std::string& text) {
    IcsTime t;
    EXPECT_TRUE(ParseIcsTime(text, t)) << text;
    return IcsLocalSeconds(t.date, t.seconds);
}

std::string TextOf(long long wall, bool allDay) {
    int y, m, d;
    CivilFromDays(wall / 86400, y, m, d);
    const long long s = wall % 86400;
    char buf[32];
    if (allDay) std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    else std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02lld%02lld%02lld", y, m, d, s / 3600, s / 60 % 60, s % 60);
    return buf;
}

const char* ResultText(IcsExpandResult r) {
    return r == IcsExpandResult::ok ? "ok" : r == IcsExpandResult::tooMany ? "tooMany" : "notExpandable";
}

// The starts python3-dateutil gives for each rule (tests/data/formats/expand_cases.py).
TEST(IcsExpand, StartsAgreeWithAnIndependentExpander) {
    const auto cases = DataRows("formats/expand_cases.txt", "\t", 5);
    ASSERT_GT(cases.size(), 40u);
    for (const auto& c : cases) {
        const IcsRecurrence rule = ParseIcsRecurrence(c[1]);
        const bool allDay = c[0].size() == 8;
        std::optional<long long> until;
        if (rule.hasUntil) until = IcsLocalSeconds(rule.until.date, rule.until.seconds);
        std::vector<long long> starts;
        const IcsExpandResult r = ExpandIcsRecurrence(rule, WallOf(c[0]), allDay, until, WallOf(c[2]), 30, starts);
        std::string got;
        for (long long s : starts) {
            if (!got.empty()) got += ',';
            got += TextOf(s, allDay);
        }
        EXPECT_EQ(std::string(ResultText(r)) + " " + got, c[3] + " " + c[4]) << c[0] << " " << c[1];
    }
}

TEST(IcsExpand, RulesItCannotTakeAreSaidSo) {
    const struct {
        const char* rule;
        bool allDay;
    } cases[] = {
        {"FREQ=SECONDLY", false}, {"FREQ=DAILY;INTERVAL=0", false}, {"FREQ=YEARLY;BYMONTH=13", false},
        {"FREQ=WEEKLY;BYDAY=1MO", false}, {"FREQ=MONTHLY;BYWEEKNO=3", false}, {"FREQ=WEEKLY;BYMONTHDAY=3", false},
        {"FREQ=MONTHLY;BYYEARDAY=3", false}, {"FREQ=YEARLY;BYWEEKNO=3;BYDAY=1MO", false},
        {"FREQ=DAILY;BYSECOND=60", false}, {"FREQ=DAILY;BYHOUR=9", true}, {"FREQ=HOURLY", true},
        {"FREQ=MONTHLY;SKIP=FORWARD", false}, {"FREQ=MONTHLY;RSCALE=HEBREW", false}, {"FREQ=DAILY;COUNT=0", false},
        {"FREQ=DAILY;BYDAY=MO,X", false}, {"BYDAY=MO", false}, {"FREQ=FORTNIGHTLY", false},
    };
    for (const auto& c : cases) {
        std::vector<long long> starts{1};
        EXPECT_EQ(ExpandIcsRecurrence(ParseIcsRecurrence(c.rule), 0, c.allDay, {}, 86400 * 400, 100, starts),
                  IcsExpandResult::notExpandable)
            << c.rule;
        EXPECT_TRUE(starts.empty());
    }
}

// Where the limits fall: maxCount only counts when another start would follow; UNTIL and the
// last start are inclusive; a DTSTART after UNTIL is still the one start.
TEST(IcsExpand, LimitsAreExact) {
    const long long start = WallOf("20260105T100000"), day = 86400;
    const struct {
        const char* rule;
        std::optional<long long> until;
        long long last;
        std::size_t maxCount;
        IcsExpandResult result;
        std::size_t starts;
    } cases[] = {
        {"FREQ=DAILY;COUNT=5", {}, start + 100 * day, 5, IcsExpandResult::ok, 5},
        {"FREQ=DAILY;COUNT=5", {}, start + 100 * day, 4, IcsExpandResult::tooMany, 4},
        {"FREQ=DAILY", start + 4 * day, start + 100 * day, 5, IcsExpandResult::ok, 5},
        {"FREQ=DAILY", start + 4 * day - 1, start + 100 * day, 4, IcsExpandResult::ok, 4},
        {"FREQ=DAILY", {}, start + 4 * day, 5, IcsExpandResult::ok, 5},
        {"FREQ=DAILY", {}, start + 4 * day, 4, IcsExpandResult::tooMany, 4},
        {"FREQ=DAILY", start - day, start + 4 * day, 10, IcsExpandResult::ok, 1},
        {"FREQ=DAILY", {}, start - 1, 10, IcsExpandResult::ok, 0},
        {"FREQ=DAILY", {}, start, 0, IcsExpandResult::tooMany, 0},
    };
    for (const auto& c : cases) {
        std::vector<long long> starts;
        EXPECT_EQ(ExpandIcsRecurrence(ParseIcsRecurrence(c.rule), start, false, c.until, c.last, c.maxCount, starts),
                  c.result)
            << c.rule << " " << c.maxCount;
        EXPECT_EQ(starts.size(), c.starts) << c.rule << " " << c.maxCount;
    }
}

// Long series and rules that never match stay quick up to the horizon.
TEST(IcsExpand, LongAndEmptySeriesAreQuick) {
    const auto begin = std::chrono::steady_clock::now();
    const long long start = WallOf("20000101T090000"), last = WallOf("20310101T000000");
    std::vector<long long> starts;
    EXPECT_EQ(ExpandIcsRecurrence(ParseIcsRecurrence("FREQ=DAILY"), start, false, {}, last, 20000, starts),
              IcsExpandResult::ok);
    EXPECT_EQ(starts.size(), 11323u);
    for (const char* never : {"FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30", "FREQ=MINUTELY;BYHOUR=9;BYMINUTE=5;BYDAY=MO;BYMONTH=2;BYMONTHDAY=31",
                              "FREQ=YEARLY;BYMONTH=4;BYMONTHDAY=31;BYHOUR=1,2,3,4,5,6,7,8,9,10;BYSETPOS=-1"}) {
        EXPECT_EQ(ExpandIcsRecurrence(ParseIcsRecurrence(never), start, false, {}, last, 100, starts), IcsExpandResult::ok);
        EXPECT_EQ(starts, std::vector<long long>{start}) << never;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
}

}  // namespace
}  // namespace vemra::test
