#include <gtest/gtest.h>

#include <cstdio>
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

std::string Local(long t) {
    vemra::LocalParts p;
    if (!vemra::BreakLocal(t, p)) return "?";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
    return buf;
}

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
    } cases[] = {
        {"daily", "Daily", monday, 0, 0, 0, "", " "},
        {"weekly", "Weekly", monday, 0x12, 0, 0, "", " "},
        {"weekly without days", "Weekly", monday, 0, 0, 0, "", " "},
        {"monthly by date", "Monthly Date", monday, 0, 0, 0, "", " "},
        {"monthly by day, last week", "Monthly Day", monday, 0, 5, 0, "", " "},
        {"monthly by day, first week", "Monthly Day", monday, 0, 1, 0, "", " "},
        {"week index 0", "Monthly Day", monday, 0, 0, 0, "", " "},
        {"week index 6", "Monthly Day", monday, 0, 6, 0, "", " "},
        {"lowest week index", "Monthly Day", monday, 0, INT32_MIN, 0, "", " "},
        {"yearly on 29 February", "Yearly", MakeLocal(2004, 2, 29), 0, 0, 0, "", " "},
        {"type in lower case", "weekly", monday, 0x02, 0, 0, "", " "},
        {"no type", "", monday, 0, 0, 0, "", " "},
        {"end on the day before", "Daily", monday, 0, 0, MakeLocal(2002, 3, 3), "", " "},
        {"end on the same day", "Daily", monday, 0, 0, monday, "", " "},
        {"exceptions with a separator", "Daily", monday, 0, 0, 0, "3/5/2002;3/7/2002;", ";"},
        {"exceptions with spaces", "Daily", monday, 0, 0, 0, "3/5/2002  3/7/2002 ", " "},
        {"exception list opening with the separator", "Daily", monday, 0, 0, 0, " 3/5/2002", " "},
        {"unreadable exception", "Daily", monday, 0, 0, 0, "3/5/2002;someday;3/7/2002", ";"},
        {"exception of a time alone", "Daily", monday, 0, 0, 0, "10:00;", ";"},
        {"exception after 2031", "Daily", monday, 0, 0, 0, "1/1/2032", ";"},
        {"quoted exceptions", "Daily", monday, 0, 0, 0, "\"3/5/2002\";\"3/7/2002\"", ";"},
        {"only the separator's first character counts", "Daily", monday, 0, 0, 0, "3/5/2002;3/7/2002", ";;"},
        {"no separator", "Daily", monday, 0, 0, 0, "3/5/2002;3/7/2002", ""},
    };
    // Code, the row text afterwards ("last cell" when left alone), rule and exception count.
    CSettings settings;
    std::string dump;
    for (const Case& c : cases) {
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
        const long result = settings.m_mapping.ApplyRepeatInfo(s.record, v, file);
        dump.append(c.name).append(": ").append(std::to_string(result)).append(" <").append(file.GetRowText());
        std::string rule = vemra::test::RuleText(s.record);
        const auto at = rule.find(" end=") + 5, stop = rule.find(' ', at);   // an end date as local parts
        if (at > 5 && rule.compare(at, 2, "-1") != 0) rule.replace(at, stop - at, Local(std::stol(rule.substr(at, stop - at))));
        dump.append("> ").append(rule).append(" exceptions=");
        dump.append(std::to_string(s.record.GetNumExceptions())).append("\n");
    }
    vemra::test::ExpectGolden("formats/repeat_rules.txt", dump);
}

// Whole rows of both layouts through ReadSimpleRow / ReadFullRow: codes and the times read, as a
// golden file.
TEST(ReadRows, TimesCompletedAndRowsRejected) {
    const struct Case {
        const char* name;
        const char* row;
        int length;
        bool full;
    } cases[] = {
        {"empty end gets the default length", "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"t\"", 60, false},
        {"another default length", "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"t\"", 90, false},
        {"end past midnight stays on the date", "\"3/4/2002\",\"\",\"11:30 PM\",\"\",\"\",\"t\"", 60, false},
        {"no start time", "\"3/4/2002\",\"\",\"\",\"11:00 AM\",\"\",\"t\"", 60, false},
        {"untimed needs no times", "\"3/4/2002\",\"x\",\"\",\"\",\"\",\"t\"", 60, false},
        {"header row", "\"Date\",\"Untimed\",\"Start Time\",\"End Time\"", 60, false},
        {"no text", "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"\"", 60, false},
        {"full row without repeat ignores repeat cells",
         "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"t\",\"\",\"\",\"\",\"\",\"\",\"Bogus\",\"0\",\"x\"", 60, true},
        {"full row with repeat reads them",
         "\"3/4/2002\",\"\",\"10:00 AM\",\"\",\"\",\"t\",\"\",\"\",\"\",\"\",\"x\",\"Bogus\",\"1\"", 60, true},
    };
    CSettings settings;
    std::string dump;
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
        const auto read = [&] { return c.full ? settings.m_mapping.ReadFullRow(file, record) : settings.m_mapping.ReadSimpleRow(file, record); };
        const int result = read();
        EXPECT_EQ(read(), -1);
        dump.append(c.name).append(": ").append(std::to_string(result));
        if (result == 0) {
            long start = 0, end = 0;
            record.GetStartTime(start);
            record.GetEndTime(end);
            dump.append(" ").append(Local(start)).append(" to ").append(end ? Local(end) : "0");
            dump.append(record.IsUnTimed() ? " untimed" : "");
        }
        dump.append("\n");
    }
    vemra::test::ExpectGolden("formats/read_rows.txt", dump);
}
