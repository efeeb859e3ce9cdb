#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/appt_values.h"
#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "platform/local_time.h"
#include "settings/field_mapping.h"
#include "settings/settings.h"
#include "tests/formats/data_cases.h"
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

// A time as local parts ("today" for today's date), 0 as 0.
std::string When(long t) {
    if (t == 0) return "0";
    const std::string text = vemra::test::LocalText(t);
    return vemra::LocalMidnight(t) == vemra::LocalMidnight(vemra::Now()) ? "today" + text.substr(10) : text;
}

std::string Escaped(std::string text) {
    for (std::size_t at = 0; (at = text.find_first_of("\r\n", at)) != std::string::npos;)
        text.replace(at, 1, text[at] == '\r' ? "\\r" : "\\n");
    return text;
}

// The values that differ from what a read starts with, as " name=value".
std::string Changed(const CApptValues& v, const CApptValues& s) {
    std::string out;
    const auto put = [&](const char* name, const std::string& a, const std::string& b) {
        if (a != b) out.append(" ").append(name).append("=").append(Escaped(a));
    };
    const auto n = [](long x) { return std::to_string(x); };
    put("date", When(v.m_timeDate), When(s.m_timeDate));
    put("start", When(v.m_timeStart), When(s.m_timeStart));
    put("end", When(v.m_timeEnd), When(s.m_timeEnd));
    put("untimed", n(v.m_bUntimed), n(s.m_bUntimed));
    put("private", n(v.m_bPrivate), n(s.m_bPrivate));
    put("alarm", n(v.m_bAlarm), n(s.m_bAlarm));
    put("advance", n(v.m_nAlarmTime), n(s.m_nAlarmTime));
    put("unit", n(v.m_nAlarmUnit), n(s.m_nAlarmUnit));
    put("text", v.m_strText, s.m_strText);
    put("note", v.m_strNote, s.m_strNote);
    put("repeat", n(v.m_bRepeat), n(s.m_bRepeat));
    put("type", v.m_strRepeatType, s.m_strRepeatType);
    put("interval", n(v.m_nRepeatInterval), n(s.m_nRepeatInterval));
    put("repeatend", When(v.m_timeRepeatEnd), When(s.m_timeRepeatEnd));
    put("exceptions", v.m_strExceptions, s.m_strExceptions);
    put("weekdays", n(v.m_byWeekDays), n(s.m_byWeekDays));
    put("weekindex", n(v.m_nWeekIndex), n(s.m_nWeekIndex));
    return out;
}

}  // namespace

// Every cell rule of reading (tests/data/formats/read_cell_cases.txt), with its code and the
// values it sets, as a golden file; an error message quotes the cell as it stands, and exactly
// one cell is read.
TEST(FieldMappingRows, ReadCellRules) {
    CFieldMapping mapping;
    CApptValues start;
    start.m_bAlarm = 1;
    start.m_byWeekDays = 0x40;   // bits are only ever added
    std::string dump;
    for (const auto& c : vemra::test::DataRows("formats/read_cell_cases.txt", "|", 2)) {
        const int id = std::stoi(c[0]);
        const std::string cell = vemra::test::Unescaped(c[1]);
        SCOPED_TRACE(c[0] + " <" + cell + ">");
        vemra::test::CsvRow<> row("\"" + cell + "\",\"next\"\r\n");
        CApptValues v = start;
        const int result = mapping.ReadCell(row.File(), v, id);
        dump.append(std::to_string(id)).append(" <").append(Escaped(cell)).append("> ").append(std::to_string(result));
        dump.append(Changed(v, start)).append("\n");
        EXPECT_EQ(row.File().GetRowText(), cell);
        std::string next;
        row.File().GetText(next);
        EXPECT_EQ(next, "next");   // exactly one cell was read
        row.File().GetText(next);  // past the row's end: an empty cell, the kept text stays
        EXPECT_EQ(next, "");
        EXPECT_EQ(row.File().GetRowText(), "next");
    }
    vemra::test::ExpectGolden("formats/read_cells.txt", dump);
    // No field: nothing is read.
    for (int id : {23, 24, -1}) {
        vemra::test::CsvRow<> row("\"a\"\r\n");
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
        vemra::test::CsvRow<CUnreadableIntFile> row("\"7\"\r\n");
        CApptValues v;
        EXPECT_EQ(mapping.ReadCell(row.File(), v, c.id), c.result) << c.id;
        EXPECT_EQ(row.File().GetRowText(), "7");
    }
}
