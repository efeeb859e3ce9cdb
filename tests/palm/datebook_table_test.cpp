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

using namespace dbtest;

namespace {

long Status(const CBaseRecord& r) {
    long s = -1;
    r.GetStatus(s);
    return s;
}

// A file with two records: one plain with unknown status bits, one weekly.
std::string TwoRecords() {
    std::string s = Header(2);
    Rec r;
    r.id = 40; r.status = 0x40; r.start = 1000000000; r.end = 1000003600; r.description = "kept";
    s += Record(r);
    r = Rec{};
    r.id = 41; r.start = 1000000000; r.description = "weekly";
    r.repeat = RepeatStart({}, NewClass("CWeekly"), 2, 1, 0x749EA1EF).U32(1).U8(0x02).Str();
    s += Record(r);
    return s;
}

// The alarm flag decides: an amount stored beside a clear flag is no alarm, and switching the
// alarm off keeps amount and unit in the file, as Palm Desktop does.
TEST(DatebookTable, AlarmFlagDecidesTheAdvance) {
    struct Case {
        std::uint32_t flag, advance;
        long expected;
    } const cases[] = {{0, 5, -1}, {0, 0, -1}, {0, 0xFFFFFFFF, -1}, {1, 5, 5}, {1, 0, 0}, {1, 0xFFFFFFFF, -1}};
    for (const Case& c : cases) {
        Rec r;
        r.start = 1000000000; r.end = 1000003600; r.alarm = c.flag; r.advance = c.advance; r.unit = 1;
        CDateBkTable table;
        ASSERT_EQ(table.OpenFromMemory(Header(1) + Record(r)), 0);
        CDateBkRecord rec(table, 1);
        ASSERT_EQ(CBaseIterator(table).GetAt(rec, 0), 0);
        long advance = 1234;
        EXPECT_EQ(rec.GetAlarmAdvTime(advance), 0);
        EXPECT_EQ(advance, c.expected) << c.flag << " " << c.advance;

        // Switched off: only the flag (and the "updated" bit) change.
        ASSERT_EQ(rec.SetAlarmAdvTime(-1), 0);
        EXPECT_EQ(rec.GetAlarmAdvTime(advance), 0);
        EXPECT_EQ(advance, -1);
        EXPECT_FALSE(rec.IsAlarmSet());
        std::string saved;
        table.SaveToMemory(saved);
        r.alarm = 0;
        r.status = 0x02;
        EXPECT_EQ(saved, Header(1) + Record(r));
    }
    // An amount alone does not switch the alarm on; the flag does.
    CDateBkTable table;
    CDateBkRecord rec(table, 1);
    table.AppendBlankRecord(rec);
    long advance = 0;
    rec.SetAlarmAdvTime(20);
    rec.GetAlarmAdvTime(advance);
    EXPECT_EQ(advance, -1);
    rec.SetAlarmFlag(1);
    rec.GetAlarmAdvTime(advance);
    EXPECT_EQ(advance, 20);
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
        CDateBkTable table;
        ASSERT_EQ(table.OpenFromMemory(TwoRecords()), 0);
        CDateBkRecord rec(table, 1);
        CBaseIterator(table).GetAt(rec, 0);
        EXPECT_EQ(set(rec), 0) << name;
        EXPECT_EQ(Status(rec), 0x42) << name;
    }
}

TEST(DatebookTable, InvalidValuesAreRefused) {
    CDateBkTable table;
    CDateBkRecord rec(table, 1);
    EXPECT_NE(rec.SetDescription("x"), 0);   // not bound to a record yet
    long v = 0;
    const CRepeateDayInfo* info = nullptr;
    std::string text;
    EXPECT_TRUE(rec.GetStartTime(v) && rec.GetDescription(text) && rec.SetStatus(4) && rec.GetRepeateInfo(info) && !rec.IsDeleted());
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
    src.SetRepMonthlyByDay(CDayOfMonth(eThirdWeek, eWednesday, 2, 1100000000, eSunday));
    src.AddException(vemra::MakeLocal(2001, 10, 17));

    CDateBkTable user;
    ASSERT_EQ(user.OpenFromMemory(TwoRecords()), 0);
    CDateBkRecord copy(user, 1);
    ASSERT_EQ(user.AppendDuplicateRecord(src, copy, 1), 0);
    EXPECT_EQ(user.GetRecordCount(), 3);
    long id = 0;
    copy.GetRecordId(id);
    EXPECT_EQ(id, 42);
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
    CDateBkTable table;
    const std::string original = TwoRecords();
    ASSERT_EQ(table.OpenFromMemory(original), 0);
    CDateBkRecord rec(table, 1);
    CBaseIterator(table).GetAt(rec, 1);
    CRepeateDayInfo* info = nullptr;
    ASSERT_EQ(rec.GetRepeateInfo(info), 0);
    EXPECT_EQ(info->GetEndDate(), -1);
    info->SetEndDate(-1);   // unchanged: the file's own "no end" value stays
    std::string bytes;
    table.SaveToMemory(bytes);
    EXPECT_EQ(bytes.substr(bytes.size() - 13), original.substr(original.size() - 13));

    info->SetInterval(3);
    info->SetEndDate(vemra::MakeLocal(2026, 1, 1));
    static_cast<CWeekly*>(info)->SetWeekDays(0x41);
    table.SaveToMemory(bytes);
    Bytes tail;
    tail.U32(3).U32(static_cast<std::uint32_t>(vemra::MakeLocal(2026, 1, 1))).U32(0).U32(1).U8(0x41);
    EXPECT_EQ(bytes.substr(bytes.size() - 17), tail.Str());
    EXPECT_EQ(Status(rec), 0x02);
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

std::vector<long> ExpectedOrder(CDateBkTable& table) {
    std::vector<std::pair<long, long>> v;   // (start, id); ids grow with the stored order
    CBaseIterator plain(table);
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        CDateBkRecord rec(table, 1);
        plain.GetAt(rec, i);
        long start = 0, id = 0;
        rec.GetStartTime(start);
        rec.GetRecordId(id);
        v.push_back({start, id});
    }
    std::stable_sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<long> ids;
    for (const auto& e : v) ids.push_back(e.second);
    return ids;
}

TEST(DatebookTable, SortByStartTimeTiesInStoredOrder) {
    CDateBkTable table;
    for (long start : {500, 100, 300, 100, 200, 100}) {
        CDateBkRecord rec(table, 1);
        table.AppendBlankRecord(rec);
        rec.SetStartTime(start);
    }
    CDateBkIterator it(table);
    EXPECT_EQ(Order(table, it), (std::vector<long>{1, 2, 3, 4, 5, 6}));   // unsorted: stored order
    it.SortByStartDate();
    EXPECT_EQ(Order(table, it), (std::vector<long>{2, 4, 6, 5, 3, 1}));

    // Appended after the sort: seen at the end until the next sort places them.
    CDateBkRecord late(table, 1);
    table.AppendBlankRecord(late);
    late.SetStartTime(150);
    EXPECT_EQ(Order(table, it), (std::vector<long>{2, 4, 6, 5, 3, 1, 7}));
    it.SortByStartDate();
    EXPECT_EQ(Order(table, it), (std::vector<long>{2, 4, 6, 7, 5, 3, 1}));

    // Opening another file replaces records and order.
    ASSERT_EQ(table.OpenFromMemory(TwoRecords()), 0);
    EXPECT_EQ(Order(table, it), (std::vector<long>{40, 41}));
}

TEST(DatebookTable, SortedOrderStaysRightThroughAppendsAndChanges) {
    // Appends, sorts and start changes in random mix, checked against a plain stable sort.
    std::mt19937 rng(12345);
    CDateBkTable table;
    CDateBkIterator it(table);
    CDateBkIterator other(table);
    for (int step = 0; step < 3000; ++step) {
        const int what = static_cast<int>(rng() % 200);
        if (what < 140 || table.GetRecordCount() == 0) {
            CDateBkRecord rec(table, 1);
            table.AppendBlankRecord(rec);
            rec.SetStartTime(static_cast<long>(rng() % 500));   // many ties
        } else if (what < 141) {
            CDateBkRecord rec(table, 1);
            CBaseIterator(table).GetAt(rec, static_cast<long>(rng() % table.GetRecordCount()));
            rec.SetStartTime(static_cast<long>(rng() % 500));
        } else {
            CDateBkIterator& which = what % 2 ? it : other;
            which.SortByStartDate();
            ASSERT_EQ(Order(table, which), ExpectedOrder(table)) << step;
        }
    }
    it.SortByStartDate();
    EXPECT_EQ(Order(table, it), ExpectedOrder(table));
}

}  // namespace
