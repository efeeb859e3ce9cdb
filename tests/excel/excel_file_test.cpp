// The workbook row file against a recording Application: which calls it makes, and what comes
// back from the workbooks it writes.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <tuple>

#include "excel/excel_file.h"
#include "excel/dispatch.h"
#include "excel/workbook_engine.h"
#include "excel/xls_workbook.h"
#include "excel/xlsx_workbook.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "platform/string_table.h"
#include "res/string_ids.h"
#include "tests/excel/sheet_dump.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

// Every call, with its arguments, is logged before it reaches the built-in engine; one can be refused.
struct CallLog {
    std::vector<std::string> lines;
    long failAt = -1;   // the index of the call to refuse
    long calls = 0;
    // The lines that contain the text.
    std::vector<std::string> With(const std::string& text) const {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.find(text) != std::string::npos) out.push_back(l);
        return out;
    }
};

std::string MemberName(long dispid) {
    static const std::map<long, const char*> names = {
        {dispidDefault, "Item"}, {dispidValue, "Value"}, {dispidCount, "Count"}, {dispidCells, "Cells"},
        {dispidAdd, "Add"}, {dispidResize, "Resize"}, {dispidRows, "Rows"}, {dispidRowHeight, "RowHeight"},
        {dispidClose, "Close"}, {dispidSave, "Save"}, {dispidSaveAs, "SaveAs"}, {dispidQuit, "Quit"},
        {dispidUsedRange, "UsedRange"}, {dispidSheets, "Sheets"}, {dispidWorkbooks, "Workbooks"}, {dispidOpen, "Open"}};
    const auto it = names.find(dispid);
    return it != names.end() ? it->second : std::to_string(dispid);
}

std::string ArgText(const CVariant& v) {
    char buf[64];
    switch (v.Type()) {
    case varI4: return std::to_string(v.I4Value());
    case varR8: std::snprintf(buf, sizeof buf, "%g", v.Number()); return buf;
    case varBstr: {
        const std::string t = Utf16ToSystemText(v.TextValue());
        if (t.size() > 24) return "'" + t.substr(0, 12) + "...(" + std::to_string(v.TextValue().size()) + ")'";
        return "'" + t + "'";
    }
    case varArray:
        return "[" + std::to_string(v.ArrayValue()->Rows()) + "x" + std::to_string(v.ArrayValue()->Columns()) + "]";
    default: return "?";
    }
}

class CRecorder : public CDispatchObject {
public:
    CRecorder(CRef<CDispatchObject> inner, std::string name, std::shared_ptr<CallLog> log)
        : m_inner(std::move(inner)), m_name(std::move(name)), m_log(std::move(log)) {}

    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        // Name(arguments), and "=value" for a put.
        const std::size_t shown = args.size() - (kind == InvokeKind::propertyPut && !args.empty() ? 1 : 0);
        std::string call = MemberName(dispid);
        for (std::size_t i = 0; i < shown; ++i) call += (i ? "," : "(") + ArgText(args[i]) + (i + 1 == shown ? ")" : "");
        m_log->lines.push_back(m_name + "." + call + (shown < args.size() ? "=" + ArgText(args.back()) : ""));
        if (m_log->calls++ == m_log->failAt) {
            error = "refused on purpose";
            return false;
        }
        if (!m_inner->Invoke(dispid, kind, args, result, error)) return false;
        if (CDispatchObject* object = result.DispatchValue())
            result = CVariant::Dispatch(MakeRef<CRecorder>(CRef<CDispatchObject>(object), call, m_log));
        return true;
    }

private:
    CRef<CDispatchObject> m_inner;
    std::string m_name;
    std::shared_ptr<CallLog> m_log;
};

CRef<CDispatchObject> RecordingEngine(std::shared_ptr<CallLog> log) {
    // On Windows the engine stands behind IDispatch, so the calls cross real VARIANTs.
    return MakeRef<CRecorder>(CreateBuiltinExcel(), "Application", std::move(log));
}


class ExcelFileTest : public ::testing::Test {
protected:
    std::unique_ptr<CExcelFile> NewFile() { return std::make_unique<CExcelFile>(RecordingEngine(log)); }

    // Writes rows of texts ("#n" puts the number n) up to the first failure; its result or
    // CloseWrite's. The file stays open in out.
    int WriteRows(const std::vector<std::vector<std::string>>& rows) {
        out = NewFile();
        int result = out->OpenWrite(path);
        for (const auto& row : rows) {
            for (const std::string& c : row)
                if (result == 0) result = c.rfind('#', 0) == 0 ? out->PutInt(std::stol(c.substr(1))) : out->PutText(c);
            out->NextWriteRow();
        }
        return result ? result : out->CloseWrite();
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

    ScratchDir dir;
    std::string path = dir.File("book.xls");
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    std::unique_ptr<CExcelFile> out;   // the last WriteRows file
};

// Every call a write makes, as a golden log, then the last book's sheet: rows go in blocks of
// 500 as wide as the widest row; a text of more than 500 characters ends its block and goes cell
// by cell with the rest of its row; every row gets the first row's height before the save; a
// text that does not start with a letter carries the text prefix, so the sheet keeps it as text.
TEST_F(ExcelFileTest, WritesGoToTheSheetInBlocks) {
    std::string calls;
    const std::string longText(501, 'L');
    std::vector<std::vector<std::vector<std::string>>> books(3);
    for (int r = 1; r <= 1000; ++r) books[0].push_back({std::string(1, '#').append(std::to_string(r))});
    books[1].assign(600, std::vector<std::string>{"a"});
    books[1][0] = {"#1", "#2", "#3", "#4", "#5", "#6", "#7", "#8", "#9", "#10", "#11"};
    books[2] = {{"h1", "h2"}, {"12 apples", "", " x"}, {"a", "b", "c", "d", longText, "-5"},
                {"Abc", "\xc3\x89t\xc3\xa9", "'quoted"}, {longText, "=1+1", "#7"}, {"a\r\nb"}};
    for (const auto& rows : books) {
        log->lines.clear();
        ASSERT_EQ(WriteRows(rows), 0) << out->GetErrorText();
        for (std::string line : log->lines) {
            const auto at = line.find("SaveAs('");   // the scratch path differs from run to run
            if (at != std::string::npos) line.replace(at + 7, line.rfind("',") + 1 - (at + 7), "<path>");
            calls += line + "\n";
        }
        calls += "--\n";
    }
    CXlsSheet sheet;
    ASSERT_EQ(ReadXlsWorkbook(ReadFile(path), sheet), XlsError::none);
    // The accented text's code units follow the system's code page; its prefix does not.
    ASSERT_NE(sheet.Find(3, 1), nullptr);
    sheet.SetText(3, 1, u"\u00c9t\u00e9", sheet.Find(3, 1)->style);
    // The last book reads back as written, without the prefixes.
    calls += "--\n";
    for (const auto& row : ReadRows(6))
        for (std::size_t c = 0; c < row.size(); ++c) calls += row[c] + (c + 1 < row.size() ? "|" : "\n");
    ExpectGolden("excel/write_calls.txt", calls + Dump(sheet));
    for (long r = 0; r < 6; ++r) EXPECT_EQ(sheet.RowHeight(r), sheet.RowHeight(0));

    // A block goes to the sheet when its rows are full and the next row's first cell comes.
    log->lines.clear();
    auto file = NewFile();
    ASSERT_EQ(file->OpenWrite(path), 0);
    for (int r = 1; r <= 500; ++r, file->NextWriteRow()) file->PutInt(r);
    EXPECT_TRUE(log->With(".Value=").empty());
    file->PutInt(501);
    EXPECT_EQ(log->With(".Value=").size(), 1u);
}

// A local time as its parts; times of day alone (their date is today's) without the date.
std::string Local(long t, bool timeOnly) {
    LocalParts p;
    if (!BreakLocal(t, p)) return "?";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
    return timeOnly ? buf + 11 : buf;
}

// Every cell of tests/data/excel/files/cells_to_read.xls through each getter, past the used
// range too, and the calls each read makes, as a golden file; then one_cell.xls, whose used
// range reads as one by one and whose one row is the header row.
TEST_F(ExcelFileTest, CellsReadThroughEveryGetter) {
    SetEnv("LC_ALL", "en_US.UTF-8");
    std::string dump;
    for (const auto& [getter, book] : {std::pair{'d', "cells_to_read"}, {'t', "cells_to_read"}, {'s', "cells_to_read"},
                                        {'n', "cells_to_read"}, {'s', "one_cell"}}) {
        path = DataFile(std::string("excel/files/") + book + ".xls");
        log->lines.clear();
        auto file = NewFile();
        ASSERT_EQ(file->OpenRead(path), 0);
        dump.append(1, getter).append(", progress range ").append(std::to_string(file->GetProgressRange())).append(":\n");
        while (file->NextReadRow() == 0) {
            for (int column = 0; column < 9; ++column) {
                long v = -7;
                std::string text = "unchanged";
                const int result = getter == 'd' ? file->GetDate(v) : getter == 't' ? file->GetTime(v)
                                 : getter == 's' ? file->GetText(text) : file->GetInt(v);
                if (getter == 'd' || getter == 't') text = result == 0 ? Local(v, getter == 't') : file->GetRowText();
                if (getter == 'n') text = std::to_string(v);
                dump.append(std::to_string(result)).append(" <").append(text).append(column < 8 ? "> | " : ">\n");
            }
        }
        EXPECT_EQ(file->Close(), 0);
        dump.append("reads of the used range: ").append(std::to_string(log->With("UsedRange.Value").size()));
        dump.append(", of its rows: ").append(std::to_string(log->With("Rows.Count").size())).append("\n");
    }
    ExpectGolden("excel/cells_read.txt", dump);
    SetEnv("LC_ALL", "");
}

// Any call that fails during a write fails the write with its reason and leaves no file; a
// refused SaveAs with the file format is tried again without it (older Excel versions). As a
// golden list of the refused call, the result, the reason and the file. (Reads of what is no
// workbook: the batch run's failures in tests/transfer.)
TEST_F(ExcelFileTest, AnyRefusedCallFailsTheWriteWithItsReason) {
    ASSERT_EQ(WriteRows({{"a", "b"}}), 0) << out->GetErrorText();
    std::string results;
    for (long failAt = 0, calls = log->calls; failAt < calls; ++failAt) {
        out.reset();
        RemoveFile(path);
        log->calls = 0;
        log->lines.clear();
        log->failAt = failAt;
        const int result = WriteRows({{"a", "b"}});
        const std::string& refused = log->lines[static_cast<std::size_t>(failAt)];
        results += refused.substr(0, refused.find_first_of("(=")) + ": " + std::to_string(result) + " [" +
                   out->GetErrorText() + (FileExists(path) ? "] written\n" : "]\n");
    }
    ExpectGolden("excel/refused_calls.txt", results);
}

// excel/size_limits.txt: the file, its rows and columns (0: one text too long for a cell).
TEST_F(ExcelFileTest, MoreThanASheetHoldsFailsInsteadOfCuttingShort) {
    ExpectResults("excel/size_limits.txt", [&](const std::string& line) {
        std::istringstream in(line);
        std::string name;
        long rows = 0, columns = 0;
        in >> name >> rows >> columns;
        path = dir.File(name);
        RemoveFile(path);
        CExcelFile file(CreateWorkbookEngine());
        EXPECT_EQ(file.OpenWrite(path), 0);
        int result = 0;
        for (long r = 0; r < rows && result == 0; ++r) {
            for (long col = 0; col < columns && result == 0; ++col) result = file.PutInt(r);
            if (columns == 0) result = file.PutText(std::string(32768, 'n'));
            file.NextWriteRow();
        }
        const bool closed = file.CloseWrite() == 0;
        return std::string(result ? "refused" : "put") + (closed ? ", closed, " : ", not closed, ") +
               (FileExists(path) ? "written" : "no file") + " [" + file.GetErrorText() + "]";
    });
}

// excel/names.txt: which names are workbooks, and the engine each VEMRA_EXCEL value chooses.
TEST(ExcelNamesTest, NamesAndTheSwitch) {
    const char* choices[] = {"automatic", "office", "built-in", "off"};
    ExpectResults("excel/names.txt", [&](const std::string& line) {
        const std::string value = line.substr(line.find(' ') + 1);
        if (line.starts_with("name ")) return std::string(IsExcelFileName(value) ? "workbook" : "no workbook");
        SetEnv("VEMRA_EXCEL", value);
        return choices[static_cast<int>(GetExcelChoice())] + std::string(IsExcelAvailable() ? ", available" : ", none");
    });
    SetEnv("VEMRA_EXCEL", "office");   // available only where Microsoft Excel can be started
    EXPECT_EQ(GetExcelChoice(), ExcelChoice::office);
    EXPECT_EQ(IsExcelAvailable(), static_cast<bool>(CreateOfficeExcel()));
    SetEnv("VEMRA_EXCEL", "");
    EXPECT_EQ(VariantToText(CVariant::I4(-12)), "-12");   // Office Excel's integers; the engine's come as doubles
}

}  // namespace
}  // namespace vemra::test
