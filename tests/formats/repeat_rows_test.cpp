#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/appt_values.h"
#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "platform/local_time.h"
#include "settings/field_mapping.h"
#include "settings/settings.h"
#include "tests/record_text.h"
#include "tests/test_support.h"

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

}  // namespace

TEST(ApplyRepeatInfo, RulesAndRejections) {
    const long monday = MakeLocal(2002, 3, 4);
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
        std::string rule;   // empty: not checked
        int exceptionCount;
    } cases[] = {
        {"daily", "Daily", monday, 0, 0, 0, "", " ", 0, "last cell", "daily day=4 every=2 end=-1 first=0", 0},
        {"weekly", "Weekly", monday, 0x12, 0, 0, "", " ", 0, "last cell", "weekly days=18 index=1 every=2 end=-1 first=0", 0},
        {"weekly without days", "Weekly", monday, 0, 0, 0, "", " ", 109, "last cell", "", 0},
        {"monthly by date", "Monthly Date", monday, 0, 0, 0, "", " ", 0, "last cell", "monthly date=4 every=2 end=-1 first=0", 0},
        {"monthly by day, last week", "Monthly Day", monday, 0, 5, 0, "", " ", 0, "last cell",
         "monthly week=4 day=1 every=2 end=-1 first=0", 0},
        {"monthly by day, first week", "Monthly Day", monday, 0, 1, 0, "", " ", 0, "last cell",
         "monthly week=0 day=1 every=2 end=-1 first=0", 0},
        {"week index 0", "Monthly Day", monday, 0, 0, 0, "", " ", 110, "last cell", "", 0},
        {"week index 6", "Monthly Day", monday, 0, 6, 0, "", " ", 110, "last cell", "", 0},
        {"lowest week index", "Monthly Day", monday, 0, INT32_MIN, 0, "", " ", 110, "last cell", "", 0},
        {"yearly on 29 February", "Yearly", MakeLocal(2004, 2, 29), 0, 0, 0, "", " ", 0, "last cell",
         "yearly month=1 date=29 every=2 end=-1 first=0", 0},
        {"type in lower case", "weekly", monday, 0x02, 0, 0, "", " ", 111, "last cell", "", 0},
        {"no type", "", monday, 0, 0, 0, "", " ", 111, "last cell", "", 0},
        {"end on the day before", "Daily", monday, 0, 0, MakeLocal(2002, 3, 3), "", " ", 108, "last cell", "", 0},
        {"end on the same day", "Daily", monday, 0, 0, monday, "", " ", 0, "last cell",
         "daily day=4 every=2 end=" + std::to_string(monday) + " first=0", 0},
        {"exceptions with a separator", "Daily", monday, 0, 0, 0, "3/5/2002;3/7/2002;", ";", 0, "last cell", "", 2},
        {"exceptions with spaces", "Daily", monday, 0, 0, 0, "3/5/2002  3/7/2002 ", " ", 0, "last cell", "", 2},
        {"exception list opening with the separator", "Daily", monday, 0, 0, 0, " 3/5/2002", " ", 112, "", "", 0},
        // The rule and the first date stay.
        {"unreadable exception", "Daily", monday, 0, 0, 0, "3/5/2002;someday;3/7/2002", ";", 112, "someday",
         "daily day=4 every=2 end=-1 first=0", 1},
        {"exception of a time alone", "Daily", monday, 0, 0, 0, "10:00;", ";", 112, "10:00", "", 0},
        {"exception after 2031", "Daily", monday, 0, 0, 0, "1/1/2032", ";", 112, "1/1/2032", "", 0},
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
        if (!c.rule.empty()) {
            EXPECT_EQ(vemra::test::RuleText(s.record), c.rule);
        }
        if (c.result == 0 || c.exceptionCount) {
            EXPECT_EQ(s.record.GetNumExceptions(), c.exceptionCount);
        }
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
