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
#include "tests/test_support.h"

using vemra::MakeLocal;

namespace {

// A row file whose integer cells cannot be read (as a workbook cell of the wrong type).
class CUnreadableIntFile : public CCsvFile {
public:
    using CCsvFile::GetInt;
    int GetInt(long& n) override {
        std::string text;
        GetText(text);
        n = 0;
        return -1;
    }
};

vemra::LocalParts Parts(long t) {
    vemra::LocalParts p;
    vemra::BreakLocal(t, p);
    return p;
}

// A CSV file holding content, opened for reading and positioned on its first row.
template <class FileType = CCsvFile>
class CsvRow {
public:
    explicit CsvRow(const std::string& content) {
        vemra::test::WriteFile(m_dir.File("row.csv"), content);
        m_file.SetQuote("\"");
        m_file.SetSeparator(",");
        m_file.OpenRead(m_dir.File("row.csv"));
        m_file.NextReadRow();
    }
    FileType& File() { return m_file; }

private:
    vemra::test::ScratchDir m_dir;
    FileType m_file;
};

}  // namespace

// Every cell rule of reading, with the code; an error message quotes the cell as it stands.
TEST(FieldMappingRows, ReadCellRules) {
    using Check = std::function<void(const CApptValues&)>;
    const long today = vemra::LocalMidnight(vemra::Now());
    const struct Case {
        int id;
        const char* cell;
        int result;
        Check check;
    } cases[] = {
        {0, " 3/4/2002 ", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_timeDate, MakeLocal(2002, 3, 4)); }},
        {0, "", 101, nullptr},
        {0, "   ", 101, nullptr},
        {0, "Date", 101, nullptr},
        {0, "3/4/50", 101, nullptr},
        {0, "2:30 PM", 101, nullptr},   // a time alone is no date
        {0, "3/4/80", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_timeDate, MakeLocal(1980, 3, 4)); }},
        {1, " X ", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_bUntimed, 1); }},
        {1, "  ", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_bUntimed, 0); }},
        {4, "0", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_bPrivate, 1); }},
        {7, "x", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_bAlarm, 1); }},
        {10, "", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_bRepeat, 0); }},
        {2, "2:30 PM", 0, [today](const CApptValues& v) { EXPECT_EQ(vemra::LocalMidnight(v.m_timeStart), today); EXPECT_EQ(Parts(v.m_timeStart).hour, 14); EXPECT_EQ(Parts(v.m_timeStart).minute, 30); }},
        {2, "", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_timeStart, 0); }},
        {2, "Start Time", 102, nullptr},
        {3, "9:05", 0, [](const CApptValues& v) { EXPECT_EQ(Parts(v.m_timeEnd).minute, 5); }},
        {3, "half past", 103, nullptr},
        {5, "", 104, nullptr},
        {5, " a\nb ", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_strText, " a\r\nb "); }},
        {6, "l1\nl2", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_strNote, "l1\r\nl2"); }},
        {8, "abc", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_nAlarmTime, 0); }},
        {8, "-5", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_nAlarmTime, -5); }},
        {9, " H ", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_nAlarmUnit, 1); EXPECT_EQ(v.m_bAlarm, 1); }},
        {9, "d", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_nAlarmUnit, 2); }},
        {9, "M", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_nAlarmUnit, 0); }},
        {9, "", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_bAlarm, 0); }},
        {9, "min", 106, nullptr},
        {11, " Weekly ", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_strRepeatType, "Weekly"); }},
        {12, "3", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_nRepeatInterval, 3); }},
        {12, "every", 107, nullptr},
        {12, "0", 107, nullptr},
        {12, "-2", 107, nullptr},
        {13, "", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_timeRepeatEnd, 0); }},
        {13, "12/31/2031", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_timeRepeatEnd, 0); }},
        {13, "12/30/2031", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_timeRepeatEnd, MakeLocal(2031, 12, 30)); }},
        {13, "1/1/2032", 108, nullptr},
        {13, "soon", 108, nullptr},
        {14, " 3/4/2002 3/5/2002 ", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_strExceptions, " 3/4/2002 3/5/2002 "); }},
        {16, "x", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_byWeekDays, 0x40 | 0x02); }},
        {21, "", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_byWeekDays, 0x40); }},
        {22, "5", 0, [](const CApptValues& v) { EXPECT_EQ(v.m_nWeekIndex, 5); }},
    };
    CFieldMapping mapping;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " <" + c.cell + ">");
        CsvRow<> row(std::string("\"") + c.cell + "\",\"next\"\r\n");
        CApptValues v;
        v.m_bAlarm = 1;
        v.m_byWeekDays = 0x40;   // bits are only ever added
        EXPECT_EQ(mapping.ReadCell(row.File(), v, c.id), c.result);
        EXPECT_EQ(row.File().GetRowText(), c.cell);
        if (c.check) c.check(v);
        std::string next;
        row.File().GetText(next);
        EXPECT_EQ(next, "next");   // exactly one cell was read
        row.File().GetText(next);  // past the row's end: an empty cell, the kept text stays
        EXPECT_EQ(next, "");
        EXPECT_EQ(row.File().GetRowText(), "next");
    }
    // No field: nothing is read.
    for (int id : {23, 24, -1}) {
        CsvRow<> row("\"a\"\r\n");
        CApptValues v;
        EXPECT_EQ(mapping.ReadCell(row.File(), v, id), 0);
        std::string cell;
        row.File().GetText(cell);
        EXPECT_EQ(cell, "a");
    }
}

TEST(FieldMappingRows, UnreadableNumbersAreRejected) {
    CFieldMapping mapping;
    const struct { int id; int result; } cases[] = {{8, 105}, {12, 107}, {22, 110}};
    for (const auto& c : cases) {
        CsvRow<CUnreadableIntFile> row("\"7\"\r\n");
        CApptValues v;
        EXPECT_EQ(mapping.ReadCell(row.File(), v, c.id), c.result) << c.id;
        EXPECT_EQ(row.File().GetRowText(), "7");
    }
}
