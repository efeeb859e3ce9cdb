// The workbook row file against a recording Application: which calls it makes, and what comes
// back from the workbooks it writes.

#include <gtest/gtest.h>

#include "excel/excel_file.h"
#include "excel/xls_workbook.h"
#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "platform/string_table.h"
#include "res/string_ids.h"
#include "tests/excel/excel_test_support.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

class ExcelFileTest : public ::testing::Test {
protected:
    std::unique_ptr<CExcelFile> NewFile() { return std::make_unique<CExcelFile>(RecordingEngine(log)); }

    // Writes rows of texts; "#n" puts the number n.
    void WriteRows(const std::vector<std::vector<std::string>>& rows) {
        auto file = NewFile();
        ASSERT_EQ(file->OpenWrite(path), 0) << file->GetErrorText();
        for (const auto& row : rows) {
            for (const auto& cell : row)
                ASSERT_EQ(cell.rfind('#', 0) == 0 ? file->PutInt(std::stol(cell.substr(1))) : file->PutText(cell), 0);
            file->NextWriteRow();
        }
        ASSERT_EQ(file->CloseWrite(), 0) << file->GetErrorText();
    }

    // Every data row (the first row skipped) as texts, cells up to the used range's width.
    std::vector<std::vector<std::string>> ReadRows(long columns) {
        std::vector<std::vector<std::string>> rows;
        auto file = NewFile();
        EXPECT_EQ(file->OpenRead(path), 0) << file->GetErrorText();
        while (file->NextReadRow() == 0) {
            std::vector<std::string> row(static_cast<std::size_t>(columns));
            for (auto& cell : row) file->GetText(cell);
            rows.push_back(row);
        }
        EXPECT_EQ(file->Close(), 0);
        return rows;
    }

    std::vector<std::string> ValuePuts() const { return log->With(".Value="); }

    ScratchDir dir;
    std::string path = dir.File("book.xls");
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
};

TEST_F(ExcelFileTest, ThousandRowsGoToTheSheetInTwoBlocks) {
    auto file = NewFile();
    ASSERT_EQ(file->OpenWrite(path), 0);
    for (int r = 1; r <= 1000; ++r) {
        if (r == 501) {
            EXPECT_TRUE(ValuePuts().empty());
        }
        file->PutInt(r);
        if (r == 501) {
            EXPECT_EQ(ValuePuts(), (std::vector<std::string>{"Resize(500,10).Value=[500x10]"}));
        }
        file->NextWriteRow();
    }
    ASSERT_EQ(file->CloseWrite(), 0);
    EXPECT_EQ(log->With(".Resize("), (std::vector<std::string>{"Item(1,1).Resize(500,10)", "Item(501,1).Resize(500,10)"}));
    EXPECT_EQ(ValuePuts().size(), 2u);

    const auto rows = ReadRows(1);
    ASSERT_EQ(rows.size(), 999u);
    EXPECT_EQ(rows.front()[0], "2");
    EXPECT_EQ(rows.back()[0], "1000");
}

TEST_F(ExcelFileTest, ElevenCellsWidenTheBlockForGood) {
    std::vector<std::vector<std::string>> rows(600, std::vector<std::string>{"a"});
    rows[0] = {"#1", "#2", "#3", "#4", "#5", "#6", "#7", "#8", "#9", "#10", "#11"};
    WriteRows(rows);
    EXPECT_EQ(log->With(".Resize("), (std::vector<std::string>{"Item(1,1).Resize(500,16)", "Item(501,1).Resize(100,16)"}));
    EXPECT_EQ(ReadRows(11).size(), 599u);
}

// A text of more than 500 characters ends the block with its own row; that row's later cells go
// to the sheet one by one, and the next row starts a new block.
TEST_F(ExcelFileTest, LongTextsGoCellByCellWithTheRestOfTheirRow) {
    const std::string longText(501, 'L');
    struct Case {
        int column;
        std::vector<std::string> directPuts;
    };
    const Case cases[] = {
        {5, {"Item(3,5).Value='LLLLLLLLLLLL...(501)'", "Item(3,6).Value='tail'"}},
        {1, {"Item(3,1).Value='LLLLLLLLLLLL...(501)'", "Item(3,2).Value='b'", "Item(3,3).Value='c'",
             "Item(3,4).Value='d'", "Item(3,5).Value='e'", "Item(3,6).Value='tail'"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        log->lines.clear();
        std::vector<std::string> third{"a", "b", "c", "d", "e", "tail"};
        third[static_cast<std::size_t>(c.column - 1)] = longText;
        const std::vector<std::vector<std::string>> rows{{"h1", "h2"}, {"x", "y"}, third, {"next", "row"}};
        WriteRows(rows);
        std::vector<std::string> expected{"Resize(3,10).Value=[500x10]"};
        expected.insert(expected.end(), c.directPuts.begin(), c.directPuts.end());
        expected.push_back("Resize(1,10).Value=[500x10]");
        EXPECT_EQ(ValuePuts(), expected);
        EXPECT_EQ(log->With(".Resize("), (std::vector<std::string>{"Item(1,1).Resize(3,10)", "Item(4,1).Resize(1,10)"}));
        const auto back = ReadRows(6);
        ASSERT_EQ(back.size(), 3u);
        EXPECT_EQ(back[1], third);
        EXPECT_EQ(back[2][0], "next");
    }
}

TEST_F(ExcelFileTest, TextsGetTheTextPrefixUnlessTheyStartWithALetter) {
    struct Case {
        std::string text;
        bool prefixed;   // the engine was handed the text with the prefix
        std::string back;
    };
    const Case cases[] = {
        {"12 apples", true, "12 apples"}, {" x", true, " x"},     {"=1+1", true, "=1+1"},
        {"-5", true, "-5"},               {"Abc", false, "Abc"},   {"", false, ""},
        {"\xc3\x89t\xc3\xa9", true, "\xc3\x89t\xc3\xa9"},  {"a\r\nb", false, "a\nb"},
        {"'quoted", true, "'quoted"},
    };
    std::vector<std::vector<std::string>> rows{{"header"}};
    for (const Case& c : cases) rows.push_back({c.text});
    WriteRows(rows);
    ASSERT_EQ(ValuePuts().size(), 1u);
    auto file = NewFile();
    ASSERT_EQ(file->OpenRead(path), 0);
    // The values reach the engine through the block; the prefix shows in what the engine got.
    CXlsSheet sheet;
    ASSERT_EQ(ReadXlsWorkbook(ReadFile(path), sheet), XlsError::none);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text);
        ASSERT_EQ(file->NextReadRow(), 0);
        std::string text;
        file->GetText(text);
        EXPECT_EQ(text, cases[i].back);
        const XlsCell* cell = sheet.Find(static_cast<long>(i) + 1, 0);
        if (!cases[i].text.empty()) {
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->kind, XlsCellKind::text);
            EXPECT_EQ(cell->style == XlsStyle::prefixedText, cases[i].prefixed);
        }
    }
}

TEST_F(ExcelFileTest, CloseWriteGivesEveryRowTheFirstRowsHeight) {
    WriteRows({{"a"}, {"b"}, {"c"}});
    const auto& l = log->lines;
    const auto at = [&](const std::string& line) { return std::find(l.begin(), l.end(), line) - l.begin(); };
    const auto get = at("Item(1,1).RowHeight"), put = at("UsedRange.RowHeight=12.75"), save = at("Add.Save");
    EXPECT_LT(get, put);
    EXPECT_LT(put, save);
    EXPECT_LT(save, static_cast<long>(l.size()));
    CXlsSheet sheet;
    ASSERT_EQ(ReadXlsWorkbook(ReadFile(path), sheet), XlsError::none);
    for (long r = 0; r < 3; ++r) EXPECT_EQ(sheet.RowHeight(r), sheet.RowHeight(0));
}

TEST_F(ExcelFileTest, AThreeRowUsedRangeGivesTwoDataRows) {
    WriteRows({{"head"}, {"one"}, {"two"}});
    auto file = NewFile();
    ASSERT_EQ(file->OpenRead(path), 0);
    EXPECT_EQ(file->GetProgressRange(), 3);
    EXPECT_EQ(file->NextReadRow(), 0);
    EXPECT_EQ(file->NextReadRow(), 0);
    EXPECT_EQ(file->NextReadRow(), -1);
    EXPECT_EQ(log->With("Rows.Count").size(), 1u);
    EXPECT_EQ(log->With("UsedRange.Value").size(), 1u);
}

// A sheet of the given cells, written by the engine's own writer.
void SaveSheet(const std::string& path, const CXlsSheet& sheet) { WriteFile(path, WriteXlsWorkbook(sheet)); }

TEST_F(ExcelFileTest, DateCellsPassTheYearWindow) {
    struct Case {
        int year;
        int result;
        int yearBack;
    };
    const Case cases[] = {{1931, 0, 2031}, {1932, -1, 0}, {1969, -1, 0}, {1970, 0, 1970}, {2031, 0, 2031}, {2032, -1, 0}};
    CXlsSheet sheet;
    sheet.SetText(0, 0, u"Date");
    for (std::size_t i = 0; i < std::size(cases); ++i)
        sheet.SetNumber(static_cast<long>(i) + 1, 0, OleDateFromParts(cases[i].year, 5, 17), XlsStyle::date);
    SaveSheet(path, sheet);
    auto file = NewFile();
    ASSERT_EQ(file->OpenRead(path), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year);
        ASSERT_EQ(file->NextReadRow(), 0);
        long t = -7;
        EXPECT_EQ(file->GetDate(t), c.result);
        if (c.result == 0) {
            EXPECT_EQ(t, MakeLocal(c.yearBack, 5, 17));
        }
    }
}

TEST_F(ExcelFileTest, CellsReadAsDatesTimesTextsAndNumbers) {
    CXlsSheet sheet;
    sheet.SetText(0, 0, u"head");
    sheet.SetNumber(1, 0, 0.5);                                     // a number as time: noon
    sheet.SetNumber(1, 1, 0.375, XlsStyle::time);                   // 9:00
    sheet.SetText(1, 2, u"half past never");                        // no time
    sheet.SetText(1, 3, u"3/2/2026");                               // a date as text
    sheet.SetNumber(1, 4, 46083.75, XlsStyle::dateTime);            // 2026-03-02 18:00
    sheet.SetText(1, 5, u" 42abc");                                 // an integer as atoi reads it
    sheet.SetNumber(1, 7, 7);                                       // after an empty cell
    SaveSheet(path, sheet);
    SetEnv("LC_ALL", "en_US.UTF-8");
    auto file = NewFile();
    ASSERT_EQ(file->OpenRead(path), 0);
    ASSERT_EQ(file->NextReadRow(), 0);
    LocalParts today;
    ASSERT_TRUE(BreakLocal(Now(), today));
    long t = 0;
    EXPECT_EQ(file->GetTime(t), 0);
    EXPECT_EQ(t, MakeLocal(today.year, today.month, today.day, 12, 0));
    EXPECT_EQ(file->GetTime(t), 0);
    EXPECT_EQ(t, MakeLocal(today.year, today.month, today.day, 9, 0));
    EXPECT_EQ(file->GetTime(t), -1);
    EXPECT_EQ(file->GetRowText(), "half past never");
    EXPECT_EQ(file->GetDate(t), 0);
    EXPECT_EQ(t, MakeLocal(2026, 3, 2));
    EXPECT_EQ(file->GetDate(t), 0);
    EXPECT_EQ(t, MakeLocal(2026, 3, 2));
    long n = 0;
    EXPECT_EQ(file->GetInt(n), 0);
    EXPECT_EQ(n, 42);
    // The empty cell in the middle, then cells past the used range: empty all the same.
    std::string text = "x";
    EXPECT_EQ(file->GetText(text), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(file->GetInt(n), 0);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(file->GetDate(t), -2);
    EXPECT_EQ(file->GetTime(t), -2);
    EXPECT_EQ(file->GetText(text), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(file->GetInt(n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(file->NextReadRow(), -1);
    SetEnv("LC_ALL", "");
}

TEST_F(ExcelFileTest, ASingleCellUsedRangeReadsAsOneByOne) {
    CXlsSheet sheet;
    sheet.SetText(3, 2, u"alone");
    SaveSheet(path, sheet);
    auto file = NewFile();
    ASSERT_EQ(file->OpenRead(path), 0);
    EXPECT_EQ(log->With("UsedRange.Value"), (std::vector<std::string>{"UsedRange.Value"}));
    EXPECT_EQ(file->GetProgressRange(), 1);
    EXPECT_EQ(file->NextReadRow(), -1);   // its one row is the header row
    EXPECT_EQ(file->Close(), 0);
}

TEST_F(ExcelFileTest, FailuresFailTheOperationWithTheirReason) {
    // Reading what is no workbook, or nothing at all.
    WriteFile(dir.File("text.xls"), "Date,Text\r\n1/1/2026,x\r\n");
    auto file = NewFile();
    EXPECT_EQ(file->OpenRead(dir.File("text.xls")), -1);
    EXPECT_EQ(file->GetErrorText(), LoadResString(IDS_XLS_NOT_WORKBOOK));
    file = NewFile();
    EXPECT_EQ(file->OpenRead(dir.File("missing.xls")), -1);
    EXPECT_TRUE(file->HasError());

    // Any call that fails during a write: the write fails with its reason and leaves no file.
    const long calls = [&] {
        log->calls = 0;
        WriteRows({{"a", "b"}, {"c", "d"}});
        return log->calls;
    }();
    for (long failAt = 0; failAt < calls; ++failAt) {
        SCOPED_TRACE(failAt);
        RemoveFile(path);
        log->calls = 0;
        log->lines.clear();
        log->failAt = failAt;
        auto f = NewFile();
        int result = f->OpenWrite(path);
        if (result == 0) {
            for (const char* cell : {"a", "b"}) f->PutText(cell);
            f->NextWriteRow();
            result = f->CloseWrite();
        }
        // A refused SaveAs with the file format is tried again without it (older Excel versions).
        const bool retried = log->lines[static_cast<std::size_t>(failAt)].find("SaveAs(") != std::string::npos &&
                             log->lines[static_cast<std::size_t>(failAt)].ends_with(",56)");
        EXPECT_EQ(result, retried ? 0 : -1);
        EXPECT_EQ(f->GetErrorText(), retried ? "" : "refused on purpose");
        EXPECT_EQ(FileExists(path), retried);
    }
    log->failAt = -1;
}

TEST_F(ExcelFileTest, MoreThanASheetHoldsFailsInsteadOfCuttingShort) {
    struct Case {
        const char* name;
        long rows, columns;
        bool fits;
    };
    const Case cases[] = {{"book.xls", 65536, 1, true},    {"book.xls", 65537, 1, false}, {"book.xls", 1, 256, true},
                          {"book.xls", 1, 257, false},     {"book.xls", 1, 0, false},     {"book.xlsx", 70000, 1, true},
                          {"book.xlsx", 1, 16384, true},   {"book.xlsx", 1, 16385, false}, {"book.xlsx", 1, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + std::to_string(c.rows * 100000 + c.columns));
        path = dir.File(c.name);
        RemoveFile(path);
        CExcelFile file(CreateWorkbookEngine());
        ASSERT_EQ(file.OpenWrite(path), 0);
        int result = 0;
        for (long r = 0; r < c.rows && result == 0; ++r) {
            for (long col = 0; col < c.columns && result == 0; ++col) result = file.PutInt(r);
            if (c.columns == 0) result = file.PutText(std::string(32768, 'n'));   // one text too long for a cell
            file.NextWriteRow();
        }
        EXPECT_EQ(result == 0, c.fits);
        EXPECT_EQ(file.CloseWrite() == 0, c.fits);
        EXPECT_EQ(FileExists(path), c.fits);
        if (!c.fits) {
            const bool xlsx = std::string_view(c.name).ends_with("x");
            EXPECT_EQ(file.GetErrorText(),
                      LoadResString(!c.columns ? IDS_XLS_TEXT_TOO_LONG : xlsx ? IDS_XLSX_TOO_LARGE : IDS_XLS_TOO_LARGE));
        }
    }
}

TEST(ExcelNamesTest, NamesAndTexts) {
    for (const char* name : {"a.xls", "A.XLS", "b.Xls", ".xls", "a.xlsx", "A.XLSX"}) EXPECT_TRUE(IsExcelFileName(name)) << name;
    for (const char* name : {"xls", "xlsx", "a.xlsm", "a.csv", "a.xl", ""}) EXPECT_FALSE(IsExcelFileName(name)) << name;

    std::string longText;
    for (int i = 0; i < 6000; ++i) longText += "ab\r\n";
    const std::string removed = RemoveCarriageReturns(longText.c_str());
    EXPECT_EQ(removed.size(), 18000u);
    EXPECT_EQ(removed.find('\r'), std::string::npos);

    struct Case {
        CVariant value;
        std::string text;
    };
    const Case cases[] = {
        {CVariant(), ""},           {CVariant::I4(-12), "-12"},        {CVariant::R8(0.5), "0.5"},
        {CVariant::R8(46083), "46083"}, {CVariant::R8(1e20), "1E+20"}, {CVariant::Bool(true), "-1"},
        {CVariant::Bool(false), "0"}, {CVariant::Error(-2146826281), ""}, {CVariant::Text(u"text"), "text"},
        {CVariant::Date(0.375), "9:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(VariantToText(c.value), c.text);
}

TEST(ExcelNamesTest, TheSwitchChoosesTheEngine) {
    struct Case {
        const char* value;
        ExcelChoice choice;
        bool available;
    };
    // Natively there is no Microsoft Excel to start.
    const Case cases[] = {{"", ExcelChoice::automatic, true}, {"auto", ExcelChoice::automatic, true},
                          {"BuiltIn", ExcelChoice::builtin, true}, {"off", ExcelChoice::off, false},
                          {"office", ExcelChoice::office, CreateOfficeExcel() ? true : false}};
    for (const Case& c : cases) {
        SetEnv("VEMRA_EXCEL", c.value);
        EXPECT_EQ(GetExcelChoice(), c.choice) << c.value;
        EXPECT_EQ(IsExcelAvailable(), c.available) << c.value;
    }
    SetEnv("VEMRA_EXCEL", "");
}

}  // namespace
}  // namespace vemra::test

namespace vemra::test {
namespace {

// A workbook that LibreOffice wrote (tests/data/excel/libreoffice.csv converted): its small
// workbook stream lies in the compound file's mini stream; dates are date cells in the first
// column and texts in the second.
TEST(ExcelFileFixtureTest, AWorkbookOfLibreOfficeReads) {
    SetEnv("LC_ALL", "en_US.UTF-8");
    ExpectDatesWorkbook(DataFile("excel/libreoffice.xls"));
    SetEnv("LC_ALL", "");
}

}  // namespace
}  // namespace vemra::test
