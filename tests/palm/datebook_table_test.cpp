// Records, status bits, copies and the start-time order of the datebook table.

#include "palm/datebook.h"

#include "datebook_bytes.h"
#include "platform/local_time.h"
#include "tests/record_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>

using dbtest::Sample;

namespace {

long Status(const CBaseRecord& r) {
    long s = -1;
    r.GetStatus(s);
    return s;
}

// The bytes saved after one change to the record at index.
std::string Changed(const std::string& bytes, long index, const std::function<void(CDateBkRecord&)>& change) {
    CDateBkTable table;
    EXPECT_EQ(table.OpenFromMemory(bytes), 0);
    CDateBkRecord rec(table, 1);
    EXPECT_EQ(CBaseIterator(table).GetAt(rec, index), 0);
    change(rec);
    std::string out;
    EXPECT_EQ(table.SaveToMemory(out), 0);
    return out;
}

// Switching the alarm off keeps amount and unit in the file, as Palm Desktop does: switched on
// again, the record is as before. (Stored amounts beside a clear flag: palm/sample.txt.)
TEST(DatebookTable, AlarmOffKeepsAmountAndUnit) {
    const auto on = [](CDateBkRecord& r) { EXPECT_EQ(r.SetAlarmFlag(1), 0); };
    const std::string off = Changed(Sample(), 4, [](CDateBkRecord& r) {   // 2 days ahead
        long advance = 0;
        ASSERT_EQ(r.SetAlarmAdvTime(-1), 0);
        EXPECT_TRUE(r.GetAlarmAdvTime(advance) == 0 && advance == -1 && !r.IsAlarmSet()) << advance;
    });
    EXPECT_FALSE(off == Sample());
    EXPECT_TRUE(Changed(off, 4, on) == Changed(Sample(), 4, on));
    // An amount alone does not switch the alarm on; the flag does.
    Changed(Sample(), 1, [&](CDateBkRecord& r) {
        long before = 0, after = 0;
        r.SetAlarmAdvTime(20);
        r.GetAlarmAdvTime(before);
        on(r);
        r.GetAlarmAdvTime(after);
        EXPECT_TRUE(before == -1 && after == 20) << before << " " << after;
    });
}

TEST(DatebookTable, SettersMarkUpdatedAndKeepUnknownBits) {
    using Setter = std::function<long(CDateBkRecord&)>;
    const std::vector<std::pair<const char*, Setter>> setters = {
        {"description", [](CDateBkRecord& r) { return r.SetDescription("d"); }},
        {"note", [](CDateBkRecord& r) { return r.SetNote("n"); }},
        {"start", [](CDateBkRecord& r) { return r.SetStartTime(1000000060); }},
        {"end", [](CDateBkRecord& r) { return r.SetEndTime(1000007200); }},
        {"untimed", [](CDateBkRecord& r) { return r.SetUnTimedFlag(1); }},
        {"alarm", [](CDateBkRecord& r) { return r.SetAlarmFlag(1); }},
        {"advance", [](CDateBkRecord& r) { return r.SetAlarmAdvTime(5); }},
        {"unit", [](CDateBkRecord& r) { return r.SetAlarmAdvUnit(eHours); }},
        {"private", [](CDateBkRecord& r) { return r.SetPrivate(1); }},
        {"exception", [](CDateBkRecord& r) { return r.AddException(1000000000); }},
        {"rule", [](CDateBkRecord& r) { return r.SetRepDaily(CDayName(eSunday, 1, -1, eSunday)); }},
    };
    for (const auto& [name, set] : setters) {
        Changed(Sample(), 0, [&](CDateBkRecord& rec) {
            EXPECT_EQ(set(rec), 0) << name;
            EXPECT_EQ(Status(rec), 0x42) << name;
        });
    }
}

TEST(DatebookTable, InvalidValuesAreRefused) {
    CDateBkTable table;
    CDateBkRecord rec(table, 1);
    EXPECT_NE(rec.SetDescription("x"), 0);   // not bound to a record yet
    long v = 0;
    const CRepeateDayInfo* info = nullptr;
    std::string text;
    EXPECT_TRUE(rec.GetStartTime(v) && rec.GetDescription(text) && rec.SetStatus(4) && rec.GetRepeateInfo(info));
    EXPECT_TRUE(rec.CalcNextOccurrance(0, v) && !rec.IsDeleted());
    table.AppendBlankRecord(rec);
    for (long bad : {-1L, -86400L}) EXPECT_NE(rec.SetStartTime(bad), 0) << bad;
    EXPECT_NE(rec.SetEndTime(-86400), 0);
    for (long unit : {3L, -1L}) EXPECT_NE(rec.SetAlarmAdvUnit(unit), 0) << unit;
    CBaseIterator it(table);
    for (long index : {1L, -1L}) EXPECT_NE(it.GetAt(rec, index), 0) << index;
}

TEST(DatebookTable, DuplicateCopiesEverything) {
    CDateBkTable scratch;   // the importer's unopened table
    CDateBkRecord src(scratch, 1);
    ASSERT_EQ(scratch.AppendBlankRecord(src), 0);
    src.SetStartTime(1000000000);
    src.SetEndTime(1000001800);
    src.SetDescription("Team");
    src.SetNote("Room 4");
    src.SetPrivate(1);
    src.SetAlarmFlag(1);
    src.SetAlarmAdvTime(3);
    src.SetAlarmAdvUnit(eDays);
    dbtest::SetRule(src, "mday 2 3 2 2004-11-09 0 except 2001-10-17");   // third Wednesday

    CDateBkTable user;
    ASSERT_EQ(user.OpenFromMemory(Sample()), 0);
    CDateBkRecord copy(user, 1);
    ASSERT_EQ(user.AppendDuplicateRecord(src, copy, 1), 0);
    EXPECT_EQ(user.GetRecordCount(), 11);
    long id = 0;
    copy.GetRecordId(id);
    EXPECT_EQ(id, 17);
    EXPECT_EQ(Status(copy), 0x01);
    EXPECT_EQ(vemra::test::RecordText(copy), vemra::test::RecordText(src));
    EXPECT_TRUE(copy.IsSameRepeatingEvent(src));

    // The copy owns its rule: a change through one pointer leaves the other record alone.
    CRepeateDayInfo* info = nullptr;
    ASSERT_EQ(copy.GetRepeateInfo(info), 0);
    info->SetInterval(5);
    EXPECT_FALSE(copy.IsSameRepeatingEvent(src));

    // A copy within the same table, whose storage grows meanwhile.
    CDateBkRecord self(user, 1);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(user.AppendDuplicateRecord(copy, self, 1), 0);
    EXPECT_EQ(vemra::test::RecordText(self), vemra::test::RecordText(copy));
}

TEST(DatebookTable, ChangesThroughTheRulePointerReachTheFile) {
    const auto rule = [](CDateBkRecord& rec) {
        CRepeateDayInfo* info = nullptr;
        EXPECT_EQ(rec.GetRepeateInfo(info), 0);
        return info;
    };
    // Unchanged, the file's own "no end" value stays (taking the pointer marks the record).
    const std::string taken = Changed(Sample(), 1, [&](CDateBkRecord& rec) { rule(rec); });
    EXPECT_TRUE(Changed(Sample(), 1, [&](CDateBkRecord& rec) { rule(rec)->SetEndDate(-1); }) == taken);
    const std::string changed = Changed(Sample(), 1, [&](CDateBkRecord& rec) {
        rule(rec)->SetInterval(3);
        rule(rec)->SetEndDate(vemra::MakeLocal(2026, 1, 1));
        static_cast<CWeekly*>(rule(rec))->SetWeekDays(0x41);
    });
    const std::string end = std::to_string(vemra::MakeLocal(2026, 1, 1));
    Changed(changed, 1, [&](CDateBkRecord& rec) {
        EXPECT_EQ(Status(rec), 0x02);
        EXPECT_EQ(vemra::test::RuleText(rec), "weekly days=65 index=1 every=3 end=" + end + " first=0");
    });
}

// ---- start-time order ----

std::vector<long> Order(CDateBkTable& table, CDateBkIterator& it) {
    std::vector<long> ids;
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        CDateBkRecord rec(table, 1);
        EXPECT_EQ(it.GetAt(rec, i), 0);
        long id = 0;
        rec.GetRecordId(id);
        ids.push_back(id);
    }
    return ids;
}

// Record ids (1, 2... in stored order) by start, ties in stored order.
std::vector<long> ExpectedOrder(const std::vector<long>& starts) {
    std::vector<long> ids(starts.size());
    std::iota(ids.begin(), ids.end(), 1L);
    std::stable_sort(ids.begin(), ids.end(), [&](long a, long b) { return starts[a - 1] < starts[b - 1]; });
    return ids;
}

// Appends, sorts and start changes in random mix. A sorted iterator shows the order of the last
// sort (by start, ties in stored order) with the records appended since at the end; an unsorted
// one, the stored order. Opening another file replaces records and order.
TEST(DatebookTable, SortedOrderThroughAppendsAndChanges) {
    std::mt19937 rng(12345);
    CDateBkTable table;
    CDateBkIterator it(table), other(table), plain(table);
    it.SortByStartDate();
    std::vector<long> starts, shown;
    for (int step = 0; step < 3000; ++step) {
        const int what = static_cast<int>(rng() % 200);
        if (what < 140 || starts.empty()) {
            CDateBkRecord rec(table, 1);
            table.AppendBlankRecord(rec);
            starts.push_back(static_cast<long>(rng() % 500));   // many ties
            rec.SetStartTime(starts.back());
            shown.push_back(static_cast<long>(starts.size()));
        } else if (what < 141) {
            const std::size_t i = rng() % starts.size();
            CDateBkRecord rec(table, 1);
            CBaseIterator(table).GetAt(rec, static_cast<long>(i));
            starts[i] = static_cast<long>(rng() % 500);
            rec.SetStartTime(starts[i]);
        } else {
            (what % 2 ? it : other).SortByStartDate();
            shown = ExpectedOrder(starts);
        }
        ASSERT_EQ(Order(table, it), shown) << step;
    }
    std::vector<long> stored(starts.size());
    std::iota(stored.begin(), stored.end(), 1L);
    EXPECT_EQ(Order(table, plain), stored);
    ASSERT_EQ(table.OpenFromMemory(Sample()), 0);
    EXPECT_EQ(Order(table, it), (std::vector<long>{7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

}  // namespace
