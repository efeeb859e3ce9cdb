#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/appt_values.h"
#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "platform/local_time.h"
#include "settings/field_mapping.h"
#include "settings/settings.h"
#include "tests/formats/row_test_support.h"

using vemra::MakeLocal;

namespace {

// A blank record of an unopened table, starting on 2002-03-04 10:00 (a Monday).
struct Scratch {
    Scratch() {
        table.AppendBlankRecord(record);
        record.SetStartTime(MakeLocal(2002, 3, 4, 10, 0));
        record.SetEndTime(MakeLocal(2002, 3, 4, 11, 0));
    }
    CDateBkTable table;
    CDateBkRecord record{table, 1};
};

std::vector<long> Exceptions(CDateBkRecord& record) {
    std::vector<long> out;
    CDateException e;
    for (long r = record.FindFirstException(e); r == 0; r = record.FindNextException(e)) out.push_back(e.m_time);
    return out;
}

const CRepeateDayInfo* Rule(const CDateBkRecord& record) {
    const CRepeateDayInfo* info = nullptr;
    return record.GetRepeateInfo(info) == 0 ? info : nullptr;
}

}  // namespace

TEST(ApplyRepeatInfo, RulesAndRejections) {
    using Check = std::function<void(CDateBkRecord&)>;
    const struct Case {
        const char* name;
        const char* type;
        long date;
        uint8_t weekDays;
        int weekIndex;
        long repeatEnd;
        const char* exceptions;
        const char* separator;
        long result;
        const char* kept;   // row text afterwards ("last cell" when left alone)
        Check check;
    } cases[] = {
        {"daily", "Daily", MakeLocal(2002, 3, 4), 0, 0, 0, "", " ", 0, "last cell", [](CDateBkRecord& r) {
             const auto* d = dynamic_cast<const CDayName*>(Rule(r));
             ASSERT_TRUE(d);
             EXPECT_EQ(d->GetDay(), 4);
             EXPECT_EQ(d->GetInterval(), 2);
             EXPECT_EQ(d->GetEndDate(), -1);   // no end
         }},
        {"weekly", "Weekly", MakeLocal(2002, 3, 4), 0x12, 0, 0, "", " ", 0, "last cell", [](CDateBkRecord& r) {
             const auto* w = dynamic_cast<const CWeekly*>(Rule(r));
             ASSERT_TRUE(w);
             EXPECT_EQ(w->GetWeekDays(), 0x12);
         }},
        {"weekly without days", "Weekly", MakeLocal(2002, 3, 4), 0, 0, 0, "", " ", 109, "last cell", nullptr},
        {"monthly by date", "Monthly Date", MakeLocal(2002, 3, 4), 0, 0, 0, "", " ", 0, "last cell", [](CDateBkRecord& r) {
             const auto* m = dynamic_cast<const CDateOfMonth*>(Rule(r));
             ASSERT_TRUE(m);
             EXPECT_EQ(m->GetDayOfMonth(), 4);
         }},
        {"monthly by day, last week", "Monthly Day", MakeLocal(2002, 3, 4), 0, 5, 0, "", " ", 0, "last cell", [](CDateBkRecord& r) {
             const auto* m = dynamic_cast<const CDayOfMonth*>(Rule(r));
             ASSERT_TRUE(m);
             EXPECT_EQ(m->GetWeekNum(), eLastWeek);
             EXPECT_EQ(m->GetDay(), eMonday);
         }},
        {"monthly by day, first week", "Monthly Day", MakeLocal(2002, 3, 4), 0, 1, 0, "", " ", 0, "last cell", [](CDateBkRecord& r) {
             const auto* m = dynamic_cast<const CDayOfMonth*>(Rule(r));
             ASSERT_TRUE(m);
             EXPECT_EQ(m->GetWeekNum(), eFirstWeek);
         }},
        {"week index 0", "Monthly Day", MakeLocal(2002, 3, 4), 0, 0, 0, "", " ", 110, "last cell", nullptr},
        {"week index 6", "Monthly Day", MakeLocal(2002, 3, 4), 0, 6, 0, "", " ", 110, "last cell", nullptr},
        {"yearly on 29 February", "Yearly", MakeLocal(2004, 2, 29), 0, 0, 0, "", " ", 0, "last cell", [](CDateBkRecord& r) {
             const auto* y = dynamic_cast<const CDateOfYear*>(Rule(r));
             ASSERT_TRUE(y);
             EXPECT_EQ(y->GetMonth(), eFebruary);
             EXPECT_EQ(y->GetDayOfMonth(), 29);
         }},
        {"type in lower case", "weekly", MakeLocal(2002, 3, 4), 0x02, 0, 0, "", " ", 111, "last cell", nullptr},
        {"no type", "", MakeLocal(2002, 3, 4), 0, 0, 0, "", " ", 111, "last cell", nullptr},
        {"end on the day before", "Daily", MakeLocal(2002, 3, 4), 0, 0, MakeLocal(2002, 3, 3), "", " ", 108, "last cell", nullptr},
        {"end on the same day", "Daily", MakeLocal(2002, 3, 4), 0, 0, MakeLocal(2002, 3, 4), "", " ", 0, "last cell", [](CDateBkRecord& r) {
             ASSERT_TRUE(Rule(r));
             EXPECT_EQ(Rule(r)->GetEndDate(), MakeLocal(2002, 3, 4));
         }},
        {"exceptions with a separator", "Daily", MakeLocal(2002, 3, 4), 0, 0, 0, "3/5/2002;3/7/2002;", ";", 0, "last cell", [](CDateBkRecord& r) {
             EXPECT_EQ(Exceptions(r), (std::vector<long>{MakeLocal(2002, 3, 5), MakeLocal(2002, 3, 7)}));
         }},
        {"exceptions with spaces", "Daily", MakeLocal(2002, 3, 4), 0, 0, 0, "3/5/2002  3/7/2002 ", " ", 0, "last cell", [](CDateBkRecord& r) {
             EXPECT_EQ(Exceptions(r).size(), 2u);
         }},
        {"exception list opening with the separator", "Daily", MakeLocal(2002, 3, 4), 0, 0, 0, " 3/5/2002", " ", 112, "", nullptr},
        {"unreadable exception", "Daily", MakeLocal(2002, 3, 4), 0, 0, 0, "3/5/2002;someday;3/7/2002", ";", 112, "someday", [](CDateBkRecord& r) {
             EXPECT_EQ(Exceptions(r).size(), 1u);   // the rule and the first date stay
             EXPECT_TRUE(Rule(r));
         }},
        {"exception of a time alone", "Daily", MakeLocal(2002, 3, 4), 0, 0, 0, "10:00;", ";", 112, "10:00", nullptr},
        {"exception after 2031", "Daily", MakeLocal(2002, 3, 4), 0, 0, 0, "1/1/2032", ";", 112, "1/1/2032", nullptr},
    };
    CSettings settings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.m_strExceptionDateSeparator = c.separator;
        Scratch s;
        CApptValues v;
        v.m_timeDate = c.date;
        v.m_strRepeatType = c.type;
        v.m_nRepeatInterval = 2;
        v.m_byWeekDays = c.weekDays;
        v.m_nWeekIndex = c.weekIndex;
        v.m_timeRepeatEnd = c.repeatEnd;
        v.m_strExceptions = c.exceptions;
        CCsvFile file;
        file.SetRowText("last cell");
        EXPECT_EQ(settings.m_mapping.ApplyRepeatInfo(s.record, v, file), c.result);
        EXPECT_EQ(file.GetRowText(), c.kept);
        if (c.check) c.check(s.record);
    }
}

// Whole rows of both layouts through ReadSimpleRow / ReadFullRow.
TEST(ReadRows, TimesCompletedAndRowsRejected) {
    const struct Case {
        const char* name;
        const char* row;
        int length;
        bool full;
        int result;
        int startHour, startMinute, endHour, endMinute;   // -1: not checked
    } cases[] = {
        {"empty end gets the default length", "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"t\"", 60, false, 0, 10, 0, 11, 0},
        {"another default length", "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"t\"", 90, false, 0, 10, 0, 11, 30},
        {"end past midnight stays on the date", "\"3/4/2002\",\"\",\"11:30 PM\",\"\",\"\",\"t\"", 60, false, 0, 23, 30, 0, 30},
        {"no start time", "\"3/4/2002\",\"\",\"\",\"11:00 AM\",\"\",\"t\"", 60, false, 102, -1, 0, 0, 0},
        {"untimed needs no times", "\"3/4/2002\",\"x\",\"\",\"\",\"\",\"t\"", 60, false, 0, 0, 0, -1, 0},
        {"header row", "\"Date\",\"Untimed\",\"Start Time\",\"End Time\"", 60, false, 101, -1, 0, 0, 0},
        {"no text", "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"\"", 60, false, 104, -1, 0, 0, 0},
        {"full row without repeat ignores repeat cells",
         "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"t\",\"\",\"\",\"\",\"\",\"\",\"Bogus\",\"0\",\"x\"", 60, true, 0, 10, 0, 11, 0},
        {"full row with repeat reads them",
         "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"t\",\"\",\"\",\"\",\"\",\"x\",\"Bogus\",\"1\"", 60, true, 111, -1, 0, 0, 0},
    };
    CSettings settings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.m_nDefaultApptLength = c.length;
        CDateBkTable table;
        CDateBkRecord record(table, 1);
        table.AppendBlankRecord(record);
        vemra::test::ScratchDir dir;
        vemra::test::WriteFile(dir.File("r.csv"), std::string(c.row) + "\r\n");
        CCsvFile file;
        file.SetQuote("\"");
        file.SetSeparator(",");
        ASSERT_EQ(file.OpenRead(dir.File("r.csv")), 0);
        const int result = c.full ? settings.m_mapping.ReadFullRow(file, record) : settings.m_mapping.ReadSimpleRow(file, record);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(c.full ? settings.m_mapping.ReadFullRow(file, record) : settings.m_mapping.ReadSimpleRow(file, record), -1);
        if (result != 0) continue;
        long start = 0, end = 0;
        record.GetStartTime(start);
        record.GetEndTime(end);
        vemra::LocalParts s, e;
        ASSERT_TRUE(vemra::BreakLocal(start, s));
        EXPECT_EQ(s.year * 10000 + s.month * 100 + s.day, 20020304);
        if (c.startHour >= 0) {
            EXPECT_EQ(s.hour, c.startHour);
            EXPECT_EQ(s.minute, c.startMinute);
        }
        if (c.endHour >= 0) {
            ASSERT_TRUE(vemra::BreakLocal(end, e));
            EXPECT_EQ(e.year * 10000 + e.month * 100 + e.day, 20020304);
            EXPECT_EQ(e.hour, c.endHour);
            EXPECT_EQ(e.minute, c.endMinute);
        } else {
            EXPECT_TRUE(record.IsUnTimed());
            EXPECT_EQ(s.hour, 0);
        }
    }
}
