// The .xls reader and writer: what is written reads back cell for cell, records as other
// programs write them read correctly, and damaged or foreign files give their error.

#include <gtest/gtest.h>

#include <cstring>

#include "excel/xls_workbook.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

std::string CellText(const CXlsSheet& sheet, long row, long column) {
    const XlsCell* c = sheet.Find(row, column);
    if (!c || c->kind == XlsCellKind::empty) return "-";
    char buf[64];
    switch (c->kind) {
    case XlsCellKind::text: {
        std::string s = "t:";
        for (char16_t ch : sheet.String(c->text)) s += ch < 128 ? static_cast<char>(ch) : '#';
        return s + (c->style == XlsStyle::prefixedText ? "'" : "");
    }
    case XlsCellKind::number:
        std::snprintf(buf, sizeof buf, "%s%.17g", c->style == XlsStyle::general ? "n:" : "d:", c->number);
        return buf;
    case XlsCellKind::boolean: return c->code ? "TRUE" : "FALSE";
    case XlsCellKind::error: return "err" + std::to_string(c->code);
    default: return "blank";
    }
}

// Every cell of the used range, row by row.
std::string Dump(const CXlsSheet& sheet) {
    long r0, c0, r1, c1;
    if (!sheet.UsedRange(r0, c0, r1, c1)) return "";
    std::string out;
    for (long r = r0; r <= r1; ++r) {
        for (long c = c0; c <= c1; ++c) {
            if (c > c0) out += '|';
            out += CellText(sheet, r, c);
        }
        out += "\n";
    }
    return out;
}

TEST(XlsWorkbookTest, WhatIsWrittenReadsBackCellForCell) {
    CXlsSheet sheet;
    std::u16string wide(9000, u'\u20ac');   // longer than a record: split over CONTINUE records
    wide[100] = u'x';
    sheet.SetText(0, 0, u"plain");
    sheet.SetText(0, 1, wide);
    sheet.SetText(0, 2, u"'kept", XlsStyle::prefixedText);
    sheet.SetText(0, 4, u"two\nlines");
    sheet.SetNumber(1, 0, 42);
    sheet.SetNumber(1, 1, -536870912);
    sheet.SetNumber(1, 2, 0.1);
    sheet.SetNumber(1, 3, 1e300);
    sheet.SetNumber(1, 4, 0.5);
    sheet.SetNumber(2, 0, 46083, XlsStyle::date);
    sheet.SetNumber(2, 1, 0.375, XlsStyle::time);
    sheet.SetNumber(2, 2, 46083.75, XlsStyle::dateTime);
    sheet.Cell(2, 3).kind = XlsCellKind::boolean;
    sheet.Cell(2, 3).code = 1;
    sheet.Cell(2, 4).kind = XlsCellKind::error;
    sheet.Cell(2, 4).code = 7;
    for (int i = 0; i < 3000; ++i) sheet.SetText(3 + i, 0, u"row " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + std::u16string(static_cast<std::size_t>(i % 40), u'z'));
    sheet.SetText(255, 255, u"corner");
    sheet.SetRowHeight(1, 400);

    const std::string file = WriteXlsWorkbook(sheet);
    EXPECT_EQ(file.size() % 512, 0u);
    CXlsSheet back;
    ASSERT_EQ(ReadXlsWorkbook(file, back), XlsError::none);
    EXPECT_EQ(Dump(back), Dump(sheet));
    EXPECT_EQ(back.String(back.Find(0, 1)->text), wide);
    EXPECT_EQ(back.RowHeight(1), 400);
    EXPECT_EQ(back.RowHeight(0), CXlsSheet::kDefaultRowHeight);
    EXPECT_FALSE(back.m_b1904);

    // EXTSST points at every eighth shared string, in the stream and within its record. The
    // writer puts the stream first, so stream position p is file position 512 + p.
    auto u16 = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8); };
    std::size_t at = 512;
    while (u16(at) != 0x00FF) at += 4 + u16(at + 2);
    const unsigned perBucket = u16(at + 4), buckets = (u16(at + 2) - 2) / 8;
    EXPECT_EQ(perBucket, 8u);
    EXPECT_EQ(buckets, (back.StringCount() + 7) / 8);
    for (unsigned k = 0; k < buckets; ++k) {
        const std::size_t entry = at + 6 + 8 * k;
        const std::size_t pos = 512 + (u16(entry) | u16(entry + 2) << 16), record = pos - u16(entry + 4);
        EXPECT_EQ(u16(pos), sheet.String(k * perBucket).size()) << k;
        EXPECT_TRUE(u16(record) == 0x00FC || u16(record) == 0x003C) << k;
    }
}

TEST(XlsWorkbookTest, AWorkbookLargerThanTheHeadersFatListReadsBack) {
    // 65,536 rows of numbers that need NUMBER records: more FAT sectors than the header holds.
    CXlsSheet sheet;
    for (long r = 0; r < CXlsSheet::kMaxRows; ++r)
        for (long c = 0; c < 8; ++c) sheet.SetNumber(r, c, r + c / 10.0 + 0.001);
    const std::string file = WriteXlsWorkbook(sheet);
    ASSERT_GT(file.size(), 109u * 128 * 512);
    CXlsSheet back;
    ASSERT_EQ(ReadXlsWorkbook(file, back), XlsError::none);
    EXPECT_EQ(back.RowCount(), CXlsSheet::kMaxRows);
    EXPECT_EQ(back.Find(65535, 7)->number, 65535 + 0.7 + 0.001);
}

// ---- records as other programs write them -------------------------------------------------

struct Records {
    std::string data;
    Records& Add(unsigned type, const std::string& body) {
        data += static_cast<char>(type & 0xFF);
        data += static_cast<char>(type >> 8);
        data += static_cast<char>(body.size() & 0xFF);
        data += static_cast<char>(body.size() >> 8);
        data += body;
        return *this;
    }
};
std::string U16(unsigned v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string U32(std::uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string F64(double d) {
    std::string s(8, '\0');
    std::memcpy(s.data(), &d, 8);
    return s;
}
std::string Cell(unsigned row, unsigned col, unsigned xf) { return U16(row) + U16(col) + U16(xf); }
std::string Bof(unsigned kind, unsigned version = 0x0600) { return U16(version) + U16(kind) + std::string(12, '\0'); }

// A workbook stream with the given global records (after BOF) and sheet records (after BOF).
std::string Workbook(const std::string& globals, const std::string& sheetRecords, unsigned sheetKind = 0x10) {
    Records head;
    head.Add(0x0809, Bof(5)).data += globals;
    const std::size_t boundSheetSize = 4 + 4 + 2 + 2 + 6;
    const std::size_t eofSize = 4;
    const auto sheetAt = static_cast<std::uint32_t>(head.data.size() + boundSheetSize + eofSize);
    head.Add(0x0085, U32(sheetAt) + U16(0) + std::string("\x06\x00Sheet1", 8));
    head.Add(0x000A, "");
    Records sheet;
    sheet.Add(0x0809, Bof(sheetKind)).data += sheetRecords;
    sheet.Add(0x000A, "");
    return head.data + sheet.data;
}

// A workbook of records as other programs write them: custom date and number formats (one with a
// quoted "d"), built-in time formats, shared strings split over a CONTINUE record that switches
// to two-byte characters, a rich string with runs and extension data, LABEL, MULRK (integer,
// integer / 100, a double's high bits), RK, NUMBER, FORMULA results (number, string, boolean,
// error), BOOLERR, MULBLANK and a row height.
TEST(XlsWorkbookTest, RecordsOfOtherProgramsRead) {
    CXlsSheet sheet;
    ASSERT_EQ(ReadXlsWorkbook(ReadFile(DataFile("excel/other_programs.xls")), sheet), XlsError::none);
    EXPECT_EQ(Dump(sheet),
              "t:alpha|t:beta##|t:ric|-\n"
              "t:label|t:##|-|-\n"
              "n:12|n:12.34|d:0.5|-\n"
              "d:46083|n:5|-|-\n"
              "n:2.25|t:cached|TRUE|err7\n"
              "FALSE|err42|blank|blank\n");
    EXPECT_EQ(sheet.String(sheet.Find(0, 1)->text), u"beta\u00df\u20ac");
    EXPECT_EQ(sheet.String(sheet.Find(1, 1)->text), u"\u0416\u0436");
    EXPECT_EQ(sheet.RowHeight(0), 300);
}

TEST(XlsWorkbookTest, MacintoshDatesAndChartSheets) {
    CXlsSheet sheet;
    Records globals;
    globals.Add(0x0022, U16(1));
    ASSERT_EQ(ReadXlsWorkbook(MakeCompoundFile(Workbook(globals.data, "")), sheet), XlsError::none);
    EXPECT_TRUE(sheet.m_b1904);
    CXlsSheet chart;
    Records cells;
    cells.Add(0x0203, Cell(0, 0, 0) + F64(1));
    ASSERT_EQ(ReadXlsWorkbook(MakeCompoundFile(Workbook("", cells.data, 0x20)), chart), XlsError::none);
    EXPECT_EQ(chart.RowCount(), 0);
}

// ---- damaged and foreign files ----------------------------------------------------------

void Poke32(std::string& s, std::size_t at, std::uint32_t v) { s.replace(at, 4, U32(v)); }

TEST(XlsWorkbookTest, DamagedAndForeignFilesGiveTheirError) {
    CXlsSheet small;
    small.SetText(0, 0, u"x");
    const std::string good = WriteXlsWorkbook(small);
    // Eight sectors of stream (0-7), the directory (8), the FAT (9); sector n lies at 512 * (n + 1).
    ASSERT_EQ(good.size(), 512u * 11);
    const std::size_t fatSector = 512 * 10;

    struct Case {
        const char* name;
        std::string file;
        XlsError error;
    };
    std::vector<Case> cases = {
        {"empty", "", XlsError::notWorkbook},
        {"text", "Date,Text\r\n1/1/2026,lunch\r\n", XlsError::notWorkbook},
        {"xlsx", std::string("PK\x03\x04", 4) + std::string(100, '\0'), XlsError::newerFormat},
        {"excel 4", std::string("\x09\x04\x06\x00\x00\x00\x10\x00", 8), XlsError::olderFormat},
        {"header only", good.substr(0, 512), XlsError::damaged},
        {"biff5", MakeCompoundFile(Workbook("", "").replace(4, 2, U16(0x0500))), XlsError::olderFormat},
        {"encrypted", MakeCompoundFile(Workbook(Records().Add(0x002F, U16(1) + std::string(52, '\0')).data, "")),
         XlsError::encrypted},
        {"no eof", MakeCompoundFile(Records().Add(0x0809, Bof(5)).data), XlsError::damaged},
        {"record past the end", MakeCompoundFile(Records().Add(0x0809, Bof(5)).data + U16(0x00FC) + U16(9000)),
         XlsError::damaged},
        {"shared string out of range",
         MakeCompoundFile(Workbook("", Records().Add(0x00FD, Cell(0, 0, 15) + U32(0)).data)), XlsError::damaged},
        {"sheet past the stream", MakeCompoundFile(Workbook("", "").replace(24, 4, U32(1u << 30))), XlsError::damaged},
    };
    {
        std::string loop = good;
        Poke32(loop, fatSector + 4 * 8, 8);   // the directory sector chains to itself
        cases.push_back({"FAT loop", loop, XlsError::damaged});
        std::string outside = good;
        Poke32(outside, fatSector, 100000);
        cases.push_back({"sector outside the file", outside, XlsError::damaged});
        std::string dirLoop = good;   // the workbook entry names itself as its sibling
        Poke32(dirLoop, 512 * (1 + 8) + 128 + 68, 1);
        cases.push_back({"directory loop", dirLoop, XlsError::damaged});
        std::string renamed = good;   // a stream named Book is Excel 5's
        renamed.replace(512 * 9 + 128, 18, std::string("B\0o\0o\0k\0\0\0", 10) + std::string(8, '\0'));
        renamed.replace(512 * 9 + 128 + 64, 2, U16(10));
        cases.push_back({"excel 5 stream", renamed, XlsError::olderFormat});
        std::string badShift = good;
        badShift[30] = 20;
        cases.push_back({"sector size", badShift, XlsError::damaged});
    }
    for (const Case& c : cases) {
        CXlsSheet sheet;
        EXPECT_EQ(ReadXlsWorkbook(c.file, sheet), c.error) << c.name;
        EXPECT_FALSE(XlsErrorText(c.error).empty());
    }

    // Cut anywhere, the file reads or fails; it never reads past its end.
    for (std::size_t cut = 0; cut < good.size(); cut += 97) {
        CXlsSheet sheet;
        const std::string part = good.substr(0, cut);
        const XlsError e = ReadXlsWorkbook(part, sheet);
        if (e == XlsError::none) {
            EXPECT_GE(cut, 512u * 9) << cut;
        }
    }
}

TEST(XlsWorkbookTest, DateFormats) {
    struct Case {
        int index;
        std::u16string format;
        bool date;
    };
    const Case cases[] = {{0, u"", false},           {14, u"", true},         {22, u"", true},   {49, u"", false},
                          {164, u"d/m/yy", true},    {164, u"0.00", false},   {164, u"[h]:mm", true},
                          {164, u"[Red]0", false},   {164, u"\"day\" 0", false}, {164, u"General", false},
                          {164, u"0;[Red]-0 \"m\"", false}, {164, u"yyyy\\-mm\\-dd", true}};
    for (const Case& c : cases) EXPECT_EQ(IsDateFormat(c.index, c.format), c.date) << c.index;
}

}  // namespace
}  // namespace vemra::test
