// Occurrences of repeating appointments, exception dates and the comparison of two repeats.

#include "palm/datebook.h"

#include "platform/local_time.h"
#include "platform/process.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

long L(int y, int m, int d, int h = 0, int mi = 0) { return vemra::MakeLocal(y, m, d, h, mi); }

std::string Text(long t) {
    vemra::LocalParts p;
    if (!vemra::BreakLocal(t, p)) return "?";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
    return buf;
}

// The callers' day step: the next local midnight, robust against days of 23 and 25 hours.
long NextLocalMidnight(long t) {
    vemra::LocalParts p;
    vemra::BreakLocal(t, p);
    long m = vemra::MakeLocal(p.year, p.month, p.day, 0, 0, 0, p.isdst) + 90000;
    vemra::BreakLocal(m, p);
    return vemra::MakeLocal(p.year, p.month, p.day);
}

// Occurrences as the export walks them: from a day on, one call per day after the last one.
std::vector<std::string> Walk(CDateBkRecord& rec, long from, std::size_t max) {
    std::vector<std::string> out;
    long t = from;
    while (out.size() < max && rec.CalcNextOccurrance(t, t) == 0) {
        out.push_back(Text(t));
        t = NextLocalMidnight(t);
    }
    return out;
}

struct Case {
    const char* name;
    int y, m, d, h, mi;                        // start
    std::function<void(CDateBkRecord&)> rule;
    long from;
    std::size_t count;
    std::vector<std::string> expected;
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        CDateBkTable table;
        CDateBkRecord rec(table, 1);
        table.AppendBlankRecord(rec);
        ASSERT_EQ(rec.SetStartTime(L(c.y, c.m, c.d, c.h, c.mi)), 0) << c.name;
        c.rule(rec);
        EXPECT_EQ(Walk(rec, c.from, c.count), c.expected) << c.name;
    }
}

TEST(DatebookRepeat, Occurrences) {
    const long none = -1;
    RunCases({
        {"daily", 2024, 1, 30, 10, 0, [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(30), 1, none, eSunday)); },
         L(2024, 1, 1), 4, {"2024-01-30 10:00", "2024-01-31 10:00", "2024-02-01 10:00", "2024-02-02 10:00"}},
        {"every third day, from inside the series", 2024, 1, 1, 8, 0,
         [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(1), 3, none, eSunday)); },
         L(2024, 1, 5), 3, {"2024-01-07 08:00", "2024-01-10 08:00", "2024-01-13 08:00"}},
        {"interval 0 counts as 1", 2024, 3, 1, 0, 0, [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(1), 0, none, eSunday)); },
         L(2024, 3, 1), 3, {"2024-03-01 00:00", "2024-03-02 00:00", "2024-03-03 00:00"}},
        {"end date inclusive by day", 2024, 1, 1, 10, 0,
         [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(1), 1, L(2024, 1, 3), eSunday)); },
         L(2023, 12, 1), 10, {"2024-01-01 10:00", "2024-01-02 10:00", "2024-01-03 10:00"}},
        {"end before start", 2024, 5, 1, 10, 0,
         [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(1), 1, L(2024, 4, 1), eSunday)); }, L(2024, 1, 1), 5, {}},
        {"huge interval", 2024, 5, 1, 10, 0,
         [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(1), INT_MAX, none, eSunday)); }, L(2024, 1, 1), 5,
         {"2024-05-01 10:00"}},
        {"nothing after 2031", 2031, 12, 29, 7, 0, [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(29), 1, none, eSunday)); },
         L(2031, 1, 1), 10, {"2031-12-29 07:00", "2031-12-30 07:00", "2031-12-31 07:00"}},
        {"weekly on three days", 2024, 1, 3, 9, 0, [&](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x2A, 1, none, eSunday)); },
         L(2024, 1, 1), 4, {"2024-01-03 09:00", "2024-01-05 09:00", "2024-01-08 09:00", "2024-01-10 09:00"}},
        {"weekly: only the mask's days, not the start day", 2024, 1, 3, 9, 0,
         [&](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x02, 1, none, eSunday)); }, L(2024, 1, 1), 2,
         {"2024-01-08 09:00", "2024-01-15 09:00"}},
        {"every second week, weeks from Sunday", 2024, 1, 7, 9, 0,
         [&](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x03, 2, none, eSunday)); }, L(2024, 1, 1), 4,
         {"2024-01-07 09:00", "2024-01-08 09:00", "2024-01-21 09:00", "2024-01-22 09:00"}},
        {"every second week, weeks from Monday", 2024, 1, 7, 9, 0,
         [&](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x03, 2, none, eMonday)); }, L(2024, 1, 1), 4,
         {"2024-01-07 09:00", "2024-01-15 09:00", "2024-01-21 09:00", "2024-01-29 09:00"}},
        {"monthly on the 31st skips shorter months", 2024, 1, 31, 12, 0,
         [&](CDateBkRecord& r) { r.SetRepMonthlyByDate(CDateOfMonth(31, 1, none, eSunday)); }, L(2024, 1, 1), 5,
         {"2024-01-31 12:00", "2024-03-31 12:00", "2024-05-31 12:00", "2024-07-31 12:00", "2024-08-31 12:00"}},
        {"monthly on the 30th, interval 0, no February", 2024, 1, 30, 12, 0,
         [&](CDateBkRecord& r) { r.SetRepMonthlyByDate(CDateOfMonth(30, 0, none, eSunday)); }, L(2024, 1, 1), 3,
         {"2024-01-30 12:00", "2024-03-30 12:00", "2024-04-30 12:00"}},
        {"every second month, first one after the start", 2024, 1, 20, 12, 0,
         [&](CDateBkRecord& r) { r.SetRepMonthlyByDate(CDateOfMonth(15, 2, none, eSunday)); }, L(2024, 1, 1), 3,
         {"2024-03-15 12:00", "2024-05-15 12:00", "2024-07-15 12:00"}},
        {"second Tuesday", 2024, 1, 9, 18, 0,
         [&](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eSecondWeek, eTuesday, 1, none, eSunday)); },
         L(2024, 1, 1), 3, {"2024-01-09 18:00", "2024-02-13 18:00", "2024-03-12 18:00"}},
        {"last Friday", 2024, 1, 26, 18, 0,
         [&](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eLastWeek, eFriday, 1, none, eSunday)); },
         L(2024, 1, 1), 4, {"2024-01-26 18:00", "2024-02-23 18:00", "2024-03-29 18:00", "2024-04-26 18:00"}},
        {"fourth Thursday", 2024, 11, 28, 18, 0,
         [&](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eFourthWeek, eThursday, 1, none, eSunday)); },
         L(2024, 11, 1), 3, {"2024-11-28 18:00", "2024-12-26 18:00", "2025-01-23 18:00"}},
        {"29 February: leap years only", 2024, 2, 29, 0, 0,
         [&](CDateBkRecord& r) { r.SetRepYearlyByDate(CDateOfYear(eFebruary, 29, 0, none, eSunday)); }, L(2024, 1, 1), 2,
         {"2024-02-29 00:00", "2028-02-29 00:00"}},
        {"every second year", 2023, 7, 4, 20, 0,
         [&](CDateBkRecord& r) { r.SetRepYearlyByDate(CDateOfYear(eJuly, 4, 2, none, eSunday)); }, L(2024, 1, 1), 2,
         {"2025-07-04 20:00", "2027-07-04 20:00"}},
        {"earlier on from's day: the next one", 2024, 1, 1, 10, 0,
         [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(1), 1, none, eSunday)); }, L(2024, 1, 2, 15), 1,
         {"2024-01-03 10:00"}},
        {"at from exactly", 2024, 1, 1, 10, 0,
         [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(1), 1, none, eSunday)); }, L(2024, 1, 2, 10), 1,
         {"2024-01-02 10:00"}},
        {"earlier on from's day, the last one", 2024, 1, 1, 10, 0,
         [&](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(1), 1, L(2024, 1, 2), eSunday)); },
         L(2024, 1, 2, 15), 1, {}},
    });
}

TEST(DatebookRepeat, ValuesOutOfRangeGiveNoOccurrence) {
    const std::vector<std::function<void(CDateBkRecord&)>> rules = {
        [](CDateBkRecord& r) { r.SetRepMonthlyByDate(CDateOfMonth(0, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepMonthlyByDate(CDateOfMonth(32, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepYearlyByDate(CDateOfYear(eMonthIndex(12), 1, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepYearlyByDate(CDateOfYear(eMarch, 40, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x00, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x80, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eWeekIndex(7), eMonday, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eFirstWeek, eDayIndex(9), -5, -1, eSunday)); },
    };
    for (std::size_t i = 0; i < rules.size(); ++i) {
        CDateBkTable table;
        CDateBkRecord rec(table, 1);
        table.AppendBlankRecord(rec);
        rec.SetStartTime(L(2024, 1, 1, 9));
        rules[i](rec);
        long next = 0;
        EXPECT_NE(rec.CalcNextOccurrance(L(2024, 1, 1), next), 0) << i;
    }
}

TEST(DatebookRepeat, SingleAppointmentAndUnboundRecord) {
    CDateBkTable table;
    CDateBkRecord rec(table, 1);
    long next = 0;
    EXPECT_NE(rec.CalcNextOccurrance(L(2024, 1, 1), next), 0);   // not bound
    table.AppendBlankRecord(rec);
    rec.SetStartTime(L(2024, 3, 5, 14));
    ASSERT_EQ(rec.CalcNextOccurrance(L(2024, 3, 5), next), 0);
    EXPECT_EQ(next, L(2024, 3, 5, 14));
    EXPECT_NE(rec.CalcNextOccurrance(L(2024, 3, 6), next), 0);
}

TEST(DatebookRepeat, ExceptionDates) {
    CDateBkTable table;
    CDateBkRecord rec(table, 1);
    table.AppendBlankRecord(rec);
    rec.SetStartTime(L(2024, 1, 1, 10));
    rec.SetRepDaily(CDayName(eDayIndex(1), 1, -1, eSunday));
    CDateException e;
    EXPECT_NE(rec.FindFirstException(e), 0);

    EXPECT_EQ(rec.AddException(L(2024, 1, 3, 17, 45)), 0);
    EXPECT_EQ(rec.AddException(L(2024, 1, 3, 8)), 0);   // same day: kept once
    EXPECT_EQ(rec.AddException(L(2024, 1, 2)), 0);
    EXPECT_EQ(rec.GetNumExceptions(), 2);
    ASSERT_EQ(rec.FindFirstException(e), 0);
    EXPECT_EQ(e.m_time, L(2024, 1, 3));   // local midnight, in the order added
    ASSERT_EQ(rec.FindNextException(e), 0);
    EXPECT_EQ(e.m_time, L(2024, 1, 2));
    EXPECT_NE(rec.FindNextException(e), 0);

    EXPECT_TRUE(rec.IsException(L(2024, 1, 3, 23, 59)));
    EXPECT_FALSE(rec.IsException(L(2024, 1, 4)));
    // Occurrences on exception days are still reported; callers test them.
    long next = 0;
    ASSERT_EQ(rec.CalcNextOccurrance(L(2024, 1, 2), next), 0);
    EXPECT_EQ(next, L(2024, 1, 2, 10));

    EXPECT_EQ(rec.RemoveException(L(2024, 1, 3, 12)), 0);
    EXPECT_EQ(rec.RemoveException(L(2024, 2, 3)), 0);   // not there: no error
    EXPECT_EQ(rec.GetNumExceptions(), 1);
    EXPECT_FALSE(rec.IsException(L(2024, 1, 3, 10)));
    EXPECT_NE(rec.AddException(-5), 0);
}

TEST(DatebookRepeat, NoEndDate) {
    const std::vector<std::pair<long, long>> cases = {
        {-1, -1},
        {L(2031, 12, 31), -1},
        {L(2031, 12, 31, 23, 59), -1},
        {-7, -1},
        {L(2031, 12, 30, 23, 59), L(2031, 12, 30, 23, 59)},
        {L(2025, 6, 1), L(2025, 6, 1)},
        {0, 0},
    };
    for (const auto& [in, out] : cases) {
        CDateOfMonth rule(1, 1, in, eSunday);
        EXPECT_EQ(rule.GetEndDate(), out) << in;
        rule.SetEndDate(L(2024, 1, 1));
        rule.SetEndDate(in);
        EXPECT_EQ(rule.GetEndDate(), out) << in;
    }
}

TEST(DatebookRepeat, SameRepeatingEvent) {
    const long end = L(2025, 6, 30);
    const auto base = [&](CDateBkRecord& r) {
        r.SetRepWeekly(CWeekly(0x2A, 2, end, eSunday));
        r.AddException(L(2024, 2, 5));
        r.AddException(L(2024, 2, 7));
    };
    struct Variant {
        const char* name;
        std::function<void(CDateBkRecord&)> make;
        bool same;
    };
    const std::vector<Variant> variants = {
        {"identical", base, true},
        {"exceptions in another order and hour",
         [&](CDateBkRecord& r) {
             r.SetRepWeekly(CWeekly(0x2A, 2, end, eSunday));
             r.AddException(L(2024, 2, 7, 13));
             r.AddException(L(2024, 2, 5, 9));
         },
         true},
        {"end later that day", [&](CDateBkRecord& r) { base(r); r.SetRepWeekly(CWeekly(0x2A, 2, L(2025, 6, 30, 18), eSunday)); }, true},
        {"other day index value and first day",
         [&](CDateBkRecord& r) {
             base(r);
             CWeekly w(0x2A, 2, end, eMonday);
             w.SetDayIndexValue(7);
             r.SetRepWeekly(w);
         },
         true},
        {"one exception more", [&](CDateBkRecord& r) { base(r); r.AddException(L(2024, 2, 9)); }, false},
        {"one exception less", [&](CDateBkRecord& r) { base(r); r.RemoveException(L(2024, 2, 9)); r.RemoveException(L(2024, 2, 7)); }, false},
        {"interval", [&](CDateBkRecord& r) { base(r); r.SetRepWeekly(CWeekly(0x2A, 3, end, eSunday)); }, false},
        {"end date", [&](CDateBkRecord& r) { base(r); r.SetRepWeekly(CWeekly(0x2A, 2, L(2025, 7, 1), eSunday)); }, false},
        {"no end", [&](CDateBkRecord& r) { base(r); r.SetRepWeekly(CWeekly(0x2A, 2, -1, eSunday)); }, false},
        {"days", [&](CDateBkRecord& r) { base(r); r.SetRepWeekly(CWeekly(0x2B, 2, end, eSunday)); }, false},
        {"kind", [&](CDateBkRecord& r) { base(r); r.SetRepDaily(CDayName(eDayIndex(1), 2, end, eSunday)); }, false},
        {"not repeating", [&](CDateBkRecord& r) { base(r); r.StopRepeatingEvt(); }, false},
    };
    CDateBkTable user, scratch;
    CDateBkRecord existing(user, 1);
    user.AppendBlankRecord(existing);
    existing.SetStartTime(L(2024, 1, 1, 10));
    base(existing);
    for (const Variant& v : variants) {
        CDateBkRecord candidate(scratch, 1);
        scratch.AppendBlankRecord(candidate);
        candidate.SetStartTime(L(2024, 1, 1, 10));
        v.make(candidate);
        EXPECT_EQ(existing.IsSameRepeatingEvent(candidate) != 0, v.same) << v.name;
        EXPECT_EQ(candidate.IsSameRepeatingEvent(existing) != 0, v.same) << v.name;
    }

    // Interval 0 and 1 repeat alike; "no end" given as -1 or as 2031-12-31 alike.
    CDateBkRecord a(scratch, 1), b(scratch, 1);
    scratch.AppendBlankRecord(a);
    scratch.AppendBlankRecord(b);
    a.SetRepYearlyByDate(CDateOfYear(eMay, 5, 0, -1, eSunday));
    b.SetRepYearlyByDate(CDateOfYear(eMay, 5, 1, L(2031, 12, 31), eSunday));
    EXPECT_TRUE(a.IsSameRepeatingEvent(b));
    b.SetRepYearlyByDate(CDateOfYear(eMay, 6, 1, -1, eSunday));
    EXPECT_FALSE(a.IsSameRepeatingEvent(b));
    // Every kind against every other kind.
    const std::vector<std::function<void(CDateBkRecord&)>> kinds = {
        [](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(5), 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x20, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepMonthlyByDate(CDateOfMonth(5, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eFirstWeek, eFriday, 1, -1, eSunday)); },
        [](CDateBkRecord& r) { r.SetRepYearlyByDate(CDateOfYear(eMay, 5, 1, -1, eSunday)); },
    };
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        for (std::size_t j = 0; j < kinds.size(); ++j) {
            kinds[i](a);
            kinds[j](b);
            EXPECT_EQ(a.IsSameRepeatingEvent(b) != 0, i == j) << i << " " << j;
        }
    }
    a.StopRepeatingEvt();
    b.StopRepeatingEvt();
    EXPECT_FALSE(a.IsSameRepeatingEvent(b));   // only repeating records compare
}

#ifndef _WIN32
// Occurrences across daylight-saving changes, in zones set for the test.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) : m_old(vemra::GetEnv("TZ")) { Set(tz); }
    ~ScopedTimeZone() { Set(m_old); }

private:
    static void Set(const std::string& tz) {
        vemra::SetEnv("TZ", tz);
        tzset();
    }
    std::string m_old;
};

TEST(DatebookRepeat, DaylightSavingBerlin) {
    ScopedTimeZone tz("Europe/Berlin");
    RunCases({
        {"daily over the spring change", 2024, 3, 29, 9, 30,
         [](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(29), 1, -1, eSunday)); }, L(2024, 3, 29), 4,
         {"2024-03-29 09:30", "2024-03-30 09:30", "2024-03-31 09:30", "2024-04-01 09:30"}},
        {"untimed daily over the autumn change", 2024, 10, 26, 0, 0,
         [](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(26), 1, -1, eSunday)); }, L(2024, 10, 1), 3,
         {"2024-10-26 00:00", "2024-10-27 00:00", "2024-10-28 00:00"}},
        {"weekly Sunday at the repeated hour", 2024, 10, 20, 2, 30,
         [](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x01, 1, -1, eMonday)); }, L(2024, 10, 20), 3,
         {"2024-10-20 02:30", "2024-10-27 02:30", "2024-11-03 02:30"}},
        {"last Sunday of the month", 2024, 1, 28, 23, 0,
         [](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eLastWeek, eSunday, 1, -1, eSunday)); }, L(2024, 2, 1), 3,
         {"2024-02-25 23:00", "2024-03-31 23:00", "2024-04-28 23:00"}},
        {"end date on the change day", 2024, 3, 30, 12, 0,
         [](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(30), 1, L(2024, 3, 31), eSunday)); }, L(2024, 3, 1), 5,
         {"2024-03-30 12:00", "2024-03-31 12:00"}},
    });
    // A time of day that the spring change skips stays on its date.
    CDateBkTable table;
    CDateBkRecord rec(table, 1);
    table.AppendBlankRecord(rec);
    rec.SetStartTime(L(2024, 3, 30, 2, 30));
    rec.SetRepDaily(CDayName(eDayIndex(30), 1, -1, eSunday));
    const auto walk = Walk(rec, L(2024, 3, 30), 3);
    ASSERT_EQ(walk.size(), 3u);
    EXPECT_EQ(walk[0], "2024-03-30 02:30");
    EXPECT_EQ(walk[1].substr(0, 10), "2024-03-31");
    EXPECT_EQ(walk[2], "2024-04-01 02:30");
    // Occurrences on either side of the change are 23 hours apart.
    long a = 0, b = 0;
    rec.SetStartTime(L(2024, 3, 30, 9));
    rec.CalcNextOccurrance(L(2024, 3, 30), a);
    rec.CalcNextOccurrance(L(2024, 3, 31), b);
    EXPECT_EQ(b - a, 23 * 3600);
    // Exceptions compare by local day.
    rec.AddException(L(2024, 3, 31, 12));
    EXPECT_TRUE(rec.IsException(L(2024, 3, 31, 0, 30)));
    EXPECT_FALSE(rec.IsException(L(2024, 3, 30, 23, 59)));
    EXPECT_FALSE(rec.IsException(L(2024, 4, 1)));
}

TEST(DatebookRepeat, DaylightSavingNewYork) {
    ScopedTimeZone tz("America/New_York");
    RunCases({
        {"untimed daily over the spring change", 2024, 3, 9, 0, 0,
         [](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(9), 1, -1, eSunday)); }, L(2024, 3, 1), 3,
         {"2024-03-09 00:00", "2024-03-10 00:00", "2024-03-11 00:00"}},
        {"daily over the autumn change", 2024, 11, 2, 23, 30,
         [](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(2), 1, -1, eSunday)); }, L(2024, 11, 2), 3,
         {"2024-11-02 23:30", "2024-11-03 23:30", "2024-11-04 23:30"}},
        {"second Sunday of March", 2023, 3, 12, 8, 0,
         [](CDateBkRecord& r) { r.SetRepMonthlyByDay(CDayOfMonth(eSecondWeek, eSunday, 12, -1, eSunday)); },
         L(2023, 3, 13), 2, {"2024-03-10 08:00", "2025-03-09 08:00"}},
        {"yearly on the autumn change day", 2024, 11, 3, 1, 30,
         [](CDateBkRecord& r) { r.SetRepYearlyByDate(CDateOfYear(eNovember, 3, 1, -1, eSunday)); }, L(2024, 1, 1), 2,
         {"2024-11-03 01:30", "2025-11-03 01:30"}},
        {"weekly on weekdays, two weeks", 2024, 3, 8, 17, 0,
         [](CDateBkRecord& r) { r.SetRepWeekly(CWeekly(0x3E, 1, L(2024, 3, 12), eSunday)); }, L(2024, 3, 1), 10,
         {"2024-03-08 17:00", "2024-03-11 17:00", "2024-03-12 17:00"}},
    });
    // "No end" is local midnight of 2031-12-31 in the zone of the moment.
    EXPECT_EQ(CDateOfMonth(1, 1, L(2031, 12, 31), eSunday).GetEndDate(), -1);
    EXPECT_EQ(CDateOfMonth(1, 1, L(2031, 12, 30, 23), eSunday).GetEndDate(), L(2031, 12, 30, 23));
}

TEST(DatebookRepeat, MidnightThatDoesNotExist) {
    // Sao Paulo moved its clocks at midnight: 2018-11-04 began at 01:00.
    ScopedTimeZone tz("America/Sao_Paulo");
    RunCases({
        {"untimed daily", 2018, 11, 2, 0, 0, [](CDateBkRecord& r) { r.SetRepDaily(CDayName(eDayIndex(2), 1, -1, eSunday)); },
         L(2018, 11, 1), 4, {"2018-11-02 00:00", "2018-11-03 00:00", "2018-11-04 01:00", "2018-11-05 00:00"}},
    });
}
#endif

}  // namespace
