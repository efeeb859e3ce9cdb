// Occurrences of repeating appointments, exception dates and the comparison of two repeats.

#include "palm/datebook.h"

#include "datebook_bytes.h"

#include "platform/local_time.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

using namespace dbtest;
using vemra::test::LocalText;
using vemra::test::LocalTimeOf;

namespace {

// Occurrences as the export walks them: from a day on, one call per day after the last one
// (from its next local midnight).
std::string Walk(CDateBkRecord& rec, long from, std::size_t max) {
    std::string out;
    long t = from;
    for (std::size_t n = 0; n < max && rec.CalcNextOccurrance(t, t) == 0; ++n, t = vemra::ShiftLocalDays(t, 1, 0, 0, 0))
        out += (n ? ", " : "") + LocalText(t);
    return out;
}

TEST(DatebookRepeat, Occurrences) {
    for (auto f : vemra::test::DataRows("palm/occurrences.txt")) {
        f.resize(6);
#ifdef _WIN32
        if (f[0] != "-") continue;
#endif
        ScopedTimeZone tz(f[0]);
        CDateBkTable table;
        CDateBkRecord rec(table, 1);
        table.AppendBlankRecord(rec);
        ASSERT_EQ(rec.SetStartTime(LocalTimeOf(f[1])), 0) << f[2];
        SetRule(rec, f[2]);
        EXPECT_EQ(Walk(rec, LocalTimeOf(f[3]), std::stoul(f[4])), f[5]) << f[0] << " " << f[1] << " " << f[2];
    }
}

// The exceptions as "count: day, day...".
std::string Exceptions(CDateBkRecord& rec) {
    std::string out = std::to_string(rec.GetNumExceptions()) + ":";
    CDateException e;
    for (long r = rec.FindFirstException(e); r == 0 && out.size() < 200; r = rec.FindNextException(e))
        out += (out.back() == ':' ? " " : ", ") + LocalText(e.m_time);
    return out;
}

TEST(DatebookRepeat, ExceptionDates) {
    ScopedTimeZone tz("Europe/Berlin");
    CDateBkTable table;
    CDateBkRecord rec(table, 1);
    table.AppendBlankRecord(rec);
    rec.SetStartTime(L(2024, 3, 1, 10));
    SetRule(rec, "daily 1 1 - 0");
    for (const auto& row : vemra::test::DataRows("palm/exceptions.txt")) {
        const long t = row.at(1) == "-5" ? -5 : LocalTimeOf(row[1]);
        std::string got = Exceptions(rec);
        if (row[0] == "add") got = std::to_string(rec.AddException(t) != 0);
        if (row[0] == "remove") got = std::to_string(rec.RemoveException(t) != 0);
        if (row[0] == "is") got = std::to_string(rec.IsException(t) != 0);
        EXPECT_EQ(got, row.at(2)) << row[0] << " " << row[1];
    }
}

TEST(DatebookRepeat, SameRepeatingEvent) {
    CDateBkTable user, scratch;
    for (const auto& row : vemra::test::DataRows("palm/same-repeat.txt")) {
        const bool same = row.at(2) == "same";
        CDateBkRecord a(user, 1), b(scratch, 1);
        user.AppendBlankRecord(a);
        scratch.AppendBlankRecord(b);
        for (CDateBkRecord* r : {&a, &b}) r->SetStartTime(L(2024, 1, 1, 10));
        SetRule(a, row[0]);
        SetRule(b, row[1]);
        EXPECT_EQ(a.IsSameRepeatingEvent(b) != 0, same) << row[0] << " / " << row[1];
        EXPECT_EQ(b.IsSameRepeatingEvent(a) != 0, same) << row[0] << " / " << row[1];
    }
}

// Negative end dates mean "no end"; 0 is a date; so is local midnight of 2031-12-31 (the
// importer's "no end") in the zone of the moment only.
TEST(DatebookRepeat, NoEnd) {
    for (long end : {-7L, 0L}) EXPECT_EQ(CDateOfMonth(1, 1, end, eSunday).GetEndDate(), end < 0 ? -1 : end);
    ScopedTimeZone ny("America/New_York");
    EXPECT_EQ(CDateOfMonth(1, 1, L(2031, 12, 31), eSunday).GetEndDate(), -1);
    EXPECT_EQ(CDateOfMonth(1, 1, L(2031, 12, 30, 23), eSunday).GetEndDate(), L(2031, 12, 30, 23));
}

}  // namespace
