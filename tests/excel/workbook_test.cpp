// The .xls and .xlsx readers and writers: what is written reads back cell for cell (also streamed
// through the row file), files as other programs write them read with their features, and
// damaged or foreign files give their error, each kind its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "excel/excel_file.h"
#include "excel/workbook_engine.h"
#include "excel/xls_workbook.h"
#include "excel/xlsx_workbook.h"
#include "platform/local_time.h"
#include "tests/excel/sheet_dump.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

// One sheet of every kind of cell through both writers and readers: excel/files/all_kinds.xls
// (texts that need escaping, numbers, dates, times, a flag, an error, prefixed texts) with long
// texts, many rows and a far cell added. Every date or time format reads back as a date; which
// one does not matter to a reader.
TEST(WorkbookTest, WhatIsWrittenReadsBackCellForCell) {
    CXlsSheet sheet;
    ASSERT_EQ(ReadXlsWorkbook(ReadFile(DataFile("excel/files/all_kinds.xls")), sheet), XlsError::none);
    std::u16string wide(9000, u'\u20ac');   // longer than a record: split over CONTINUE records
    wide[100] = u'x';
    sheet.SetText(0, 1, wide);
    sheet.SetText(0, 7, std::u16string(32767, u'w'));
    for (int i = 0; i < 3000; ++i) sheet.SetText(3 + i, 0, u"row " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + std::u16string(static_cast<std::size_t>(i % 40), u'z'));
    sheet.SetText(255, 255, u"corner");
    sheet.SetRowHeight(1, 400);
    for (const bool xlsx : {false, true}) {
        SCOPED_TRACE(xlsx ? "xlsx" : "xls");
        sheet.m_b1904 = xlsx;
        if (xlsx) sheet.SetNumber(9, 300, 1e300);   // beyond the columns of an .xls sheet
        const std::string file = xlsx ? WriteXlsxWorkbook(sheet) : WriteXlsWorkbook(sheet);
        CXlsSheet back;
        ASSERT_EQ(xlsx ? ReadXlsxWorkbook(file, back) : ReadXlsWorkbook(file, back), XlsError::none);
        EXPECT_EQ(Dump(back), Dump(sheet));
        EXPECT_EQ(back.m_b1904, xlsx);
        if (xlsx) break;
        EXPECT_EQ(back.RowHeight(1), 400);   // the .xlsx reader has no use for row heights
        EXPECT_EQ(back.RowHeight(0), CXlsSheet::kDefaultRowHeight);

        // EXTSST points at every eighth shared string, in the stream and within its record. The
        // writer puts the stream first, so stream position p is file position 512 + p.
        EXPECT_EQ(file.size() % 512, 0u);
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

// Files as other programs write them, and damaged and foreign ones, in tests/data/excel/files:
// each reads with its cells, or is refused with its reason and message (each kind its own), as
// a golden list.
TEST(WorkbookFilesTest, EachReadsOrIsRefusedWithItsReason) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(DataFile("excel/files"))) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string dump;
    for (const auto& file : files) {
        CXlsSheet sheet;
        const std::string bytes = ReadFile(file.string());
        const XlsError e = file.extension() == ".xlsx" ? ReadXlsxWorkbook(bytes, sheet) : ReadXlsWorkbook(bytes, sheet);
        dump += file.filename().string() + ": " + std::to_string(static_cast<int>(e)) + " " + XlsErrorText(e) +
                (sheet.m_b1904 ? ", 1904" : "") + ", first row height " + std::to_string(sheet.RowHeight(0)) + "\n" + Dump(sheet);
    }
    ExpectGolden("excel/files.txt", dump);

    // Cut anywhere, a file reads or fails; it never reads past its end.
    const std::string good = ReadFile(DataFile("excel/files/one_cell.xls"));
    for (std::size_t cut = 0; cut < good.size(); cut += 97) {
        CXlsSheet sheet;
        if (ReadXlsWorkbook(good.substr(0, cut), sheet) == XlsError::none) {
            EXPECT_GE(cut, 512u * 9) << cut;
        }
    }
}

// Each line: format index, 1 for a date format, the format's text.
TEST(XlsWorkbookTest, DateFormats) {
    std::istringstream lines(ReadFile(DataFile("excel/date_formats.txt")));
    int index = 0, date = 0;
    for (std::string format; lines >> index >> date && std::getline(lines, format);) {
        if (!format.empty()) format.erase(0, 1);
        EXPECT_EQ(IsDateFormat(index, std::u16string(format.begin(), format.end())), date == 1) << index << format;
    }
}

// More than two blocks of rows, one long text written cell by cell, each row as the reads see it.
TEST(XlsxWorkbookTest, RowsStreamedByTheRowFileReadBack) {
    ScratchDir dir;
    const std::string path = dir.File("stream.xlsx");
    const long day = MakeLocal(2026, 3, 2), moment = MakeLocal(2026, 3, 2, 9, 30);
    CExcelFile out(CreateWorkbookEngine());
    ASSERT_EQ(out.OpenWrite(path), 0);
    out.PutText("Heading");   // the row reading starts after
    out.NextWriteRow();
    std::vector<std::string> written, read;
    for (long r = 0; r < 1234; ++r) {
        const std::string text = r == 700 ? std::string(600, 'L') : "row " + std::to_string(r);
        out.PutText(text);
        out.PutDate(day + r * 86400);
        out.PutTime(moment);
        out.PutInt(r);
        out.PutText("12");
        out.NextWriteRow();
        written.push_back(text + "|" + std::to_string(day + r * 86400) + "|9:30|" + std::to_string(r) + "|12");
    }
    ASSERT_EQ(out.CloseWrite(), 0) << out.GetErrorText();
    CExcelFile in(CreateWorkbookEngine());
    ASSERT_EQ(in.OpenRead(path), 0) << in.GetErrorText();
    for (LocalParts p{}; in.NextReadRow() == 0;) {
        std::string text, digits;
        long d = 0, m = 0, n = 0;
        in.GetText(text);
        in.GetDate(d);
        in.GetTime(m);
        in.GetInt(n);
        in.GetText(digits);
        BreakLocal(m, p);
        read.push_back(text + "|" + std::to_string(d) + "|" + std::to_string(p.hour) + ":" + std::to_string(p.minute) + "|" +
                       std::to_string(n) + "|" + digits);
    }
    EXPECT_EQ(read, written);
}

}  // namespace
}  // namespace vemra::test
