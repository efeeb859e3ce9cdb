#include "excel/workbook_engine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "excel/xls_workbook.h"
#include "excel/xlsx_workbook.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

namespace {

struct CBook {
    CXlsSheet sheet;
    std::string path;
    std::vector<CRef<CSharedText>> texts;   // the sheet's strings as variants hand them out
    bool xlsx = false;
    // A new .xlsx workbook streams its rows: those before `base` are written and gone, the
    // sheet holds the rest from its row 0 on.
    std::unique_ptr<CXlsxWriter> writer;
    long base = 0;
    long used[4] = {-1, -1, -1, -1};
    bool finished = false;   // used range of the rows written: first/last row, first/last column

    long MaxRows() const { return xlsx ? kXlsxMaxRows : CXlsSheet::kMaxRows; }
    long MaxColumns() const { return xlsx ? kXlsxMaxColumns : CXlsSheet::kMaxColumns; }

    // Rows from `row` on are about to change: the ones before it go to the writer.
    bool Reach(long row, std::string& error) {
        if (finished) {
            error = LoadResString(IDS_XLSX_WRITTEN_ROWS);
            return false;
        }
        if (!writer) return true;
        if (row < base) {
            error = LoadResString(IDS_XLSX_WRITTEN_ROWS);
            return false;
        }
        if (row < base + sheet.RowCount()) return true;
        long r0, c0, r1, c1;
        if (sheet.UsedRange(r0, c0, r1, c1)) {
            if (used[0] < 0) used[0] = r0 + base, used[2] = c0, used[3] = c1;
            used[1] = r1 + base;
            used[2] = std::min(used[2], c0);
            used[3] = std::max(used[3], c1);
        }
        if (!writer->WriteRows(sheet, base)) return BadWrite(error);
        sheet = CXlsSheet();
        texts.clear();
        base = row;
        return true;
    }

    bool UsedRange(long& r0, long& c0, long& r1, long& c1) const {
        bool any = sheet.UsedRange(r0, c0, r1, c1);
        if (any) r0 += base, r1 += base;
        if (used[0] < 0) return any;
        if (!any) r0 = used[0], r1 = used[1], c0 = used[2], c1 = used[3];
        r0 = std::min(r0, used[0]);
        c0 = std::min(c0, used[2]);
        c1 = std::max(c1, used[3]);
        return true;
    }

    static bool BadWrite(std::string& error) {
        error = LoadResString(IDS_XLS_DAMAGED);
        return false;
    }

    CVariant Text(std::uint32_t index) {
        if (texts.size() < sheet.StringCount()) texts.resize(sheet.StringCount());
        if (index >= texts.size()) return CVariant::Text(std::u16string());
        if (!texts[index]) texts[index] = MakeRef<CSharedText>(sheet.String(index));
        return CVariant::Text(texts[index]);
    }
};

bool BadCall(long dispid, std::string& error) {
    error = FormatText(LoadResString(IDS_XLS_BAD_CALL).c_str(), static_cast<int>(dispid));
    return false;
}

// A whole number from a numeric variant (indexes and sizes).
bool ToLong(const CVariant& v, long& n) {
    if (v.Type() == varI4) {
        n = v.I4Value();
        return true;
    }
    if (v.Type() == varR8 && std::isfinite(v.Number()) && std::fabs(v.Number()) < 1e9) {
        n = std::lround(v.Number());
        return true;
    }
    return false;
}

// Excel's error values as automation error codes (CVErr): #NULL! is 2000, #DIV/0! 2007, ...
constexpr std::size_t kMaxCellText = 32767;

constexpr long kErrorBase = -2146828288L + 2000;   // 0x800A0000 + 2000

class CRange : public CDispatchObject {
public:
    CRange(std::shared_ptr<CBook> book, long row, long column, long rows, long columns, bool rowsView = false)
        : m_book(std::move(book)), m_nRow(row), m_nColumn(column), m_nRows(rows), m_nColumns(columns),
          m_bRowsView(rowsView) {}

    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        long a = 0, b = 0;
        switch (dispid) {
        case dispidDefault:
            if (args.empty()) return Invoke(dispidValue, kind, args, result, error);
            if (kind != InvokeKind::propertyGet || args.size() != 2 || !ToLong(args[0], a) || !ToLong(args[1], b))
                return BadCall(dispid, error);
            if (!Inside(0LL + m_nRow + a - 1, 0LL + m_nColumn + b - 1, 1, 1, error)) return false;
            result = CVariant::Dispatch(MakeRef<CRange>(m_book, m_nRow + a - 1, m_nColumn + b - 1, 1, 1));
            return true;
        case dispidResize:
            if (kind == InvokeKind::propertyPut || args.size() != 2 || !ToLong(args[0], a) || !ToLong(args[1], b))
                return BadCall(dispid, error);
            if (!Inside(m_nRow, m_nColumn, a, b, error)) return false;
            result = CVariant::Dispatch(MakeRef<CRange>(m_book, m_nRow, m_nColumn, a, b));
            return true;
        case dispidRows:
            if (kind == InvokeKind::propertyPut || !args.empty()) return BadCall(dispid, error);
            result = CVariant::Dispatch(MakeRef<CRange>(m_book, m_nRow, m_nColumn, m_nRows, m_nColumns, true));
            return true;
        case dispidCount:
            if (kind == InvokeKind::propertyPut || !args.empty()) return BadCall(dispid, error);
            result = CVariant::I4(m_bRowsView ? m_nRows : m_nRows * m_nColumns);
            return true;
        case dispidValue:
            if (kind == InvokeKind::propertyPut) return args.size() == 1 ? PutValue(args[0], error) : BadCall(dispid, error);
            if (!args.empty()) return BadCall(dispid, error);
            result = GetValue();
            return true;
        case dispidRowHeight:
            if (kind == InvokeKind::propertyPut) {
                double points = 0;
                if (args.size() != 1 || !(args[0].Type() == varR8 || args[0].Type() == varI4)) return BadCall(dispid, error);
                points = args[0].Type() == varI4 ? args[0].I4Value() : args[0].Number();
                if (!(points >= 0 && points <= 409)) return BadCall(dispid, error);
                const int twips = static_cast<int>(std::lround(points * 20));
                for (long r = m_nRow - 1; r < m_nRow - 1 + m_nRows; ++r) {
                    if (r >= m_book->base) {
                        if (m_book->writer && twips == CXlsSheet::kDefaultRowHeight) continue;   // as the rows written
                        m_book->sheet.SetRowHeight(r - m_book->base, twips);
                    } else if (twips != CXlsSheet::kDefaultRowHeight) {   // rows written keep their height
                        error = LoadResString(IDS_XLSX_WRITTEN_ROWS);
                        return false;
                    }
                }
                return true;
            }
            result = RowHeight();
            return true;
        default: return BadCall(dispid, error);
        }
    }

private:
    bool Inside(long long row, long long column, long long rows, long long columns, std::string& error) const {
        if (row >= 1 && column >= 1 && rows >= 1 && columns >= 1 && row + rows - 1 <= m_book->MaxRows() &&
            column + columns - 1 <= m_book->MaxColumns())
            return true;
        error = XlsErrorText(m_book->xlsx ? XlsError::xlsxTooLarge : XlsError::tooLarge);
        return false;
    }

    CVariant CellValue(long row, long column) {
        const XlsCell* cell = m_book->sheet.Find(row - m_book->base, column);
        if (!cell) return {};
        switch (cell->kind) {
        case XlsCellKind::text: return m_book->Text(cell->text);
        case XlsCellKind::number:
            if (cell->style == XlsStyle::general || cell->style == XlsStyle::prefixedText) return CVariant::R8(cell->number);
            return CVariant::Date(cell->number + (m_book->sheet.m_b1904 ? 1462 : 0));
        case XlsCellKind::boolean: return CVariant::Bool(cell->code != 0);
        case XlsCellKind::error: return CVariant::Error(kErrorBase + cell->code);
        case XlsCellKind::empty:
        case XlsCellKind::blank: break;
        }
        return {};
    }

    // One value: a single cell gives its value, a larger range an array, as Excel does.
    CVariant GetValue() {
        if (m_nRows == 1 && m_nColumns == 1) return CellValue(m_nRow - 1, m_nColumn - 1);
        auto array = MakeRef<CVarArray>(m_nRows, m_nColumns);
        const long base = m_book->base;
        const long lastRow = std::min(m_nRow - 1 + m_nRows, base + m_book->sheet.RowCount());
        for (long r = std::max(m_nRow - 1, base); r < lastRow; ++r) {
            const long lastColumn = std::min<long>(m_nColumn - 1 + m_nColumns, static_cast<long>(m_book->sheet.Row(r - base).size()));
            for (long c = m_nColumn - 1; c < lastColumn; ++c)
                array->At(r - m_nRow + 2, c - m_nColumn + 2) = CellValue(r, c);
        }
        return CVariant::Array(array);
    }

    bool PutCell(long row, long column, const CVariant& v, std::string& error) {
        CXlsSheet& sheet = m_book->sheet;
        row -= m_book->base;
        switch (v.Type()) {
        case varEmpty:
        case varNull: sheet.Clear(row, column); return true;
        case varI4: sheet.SetNumber(row, column, v.I4Value()); return true;
        case varR8:
            if (!std::isfinite(v.Number())) break;
            sheet.SetNumber(row, column, v.Number());
            return true;
        case varDate: {
            const double d = v.Number();
            if (!std::isfinite(d)) break;
            const double day = std::floor(d);
            const XlsStyle style = d == day ? XlsStyle::date : day == 0 ? XlsStyle::time : XlsStyle::dateTime;
            sheet.SetNumber(row, column, d, style);
            return true;
        }
        case varBool: {
            XlsCell& cell = sheet.Cell(row, column);
            cell = XlsCell{};
            cell.kind = XlsCellKind::boolean;
            cell.code = v.BoolValue() ? 1 : 0;
            return true;
        }
        case varError: {
            XlsCell& cell = sheet.Cell(row, column);
            cell = XlsCell{};
            cell.kind = XlsCellKind::error;
            cell.code = static_cast<std::uint8_t>((v.ErrorValue() - kErrorBase) & 0xFF);
            return true;
        }
        case varBstr:
            // A cell holds at most 32,767 characters; a longer one would not fit the file's records.
            if (v.TextValue().size() - (v.TextValue().starts_with(u'\'') ? 1 : 0) > kMaxCellText) {
                error = LoadResString(IDS_XLS_TEXT_TOO_LONG);
                return false;
            }
            PutText(row, column, v.TextValue());
            return true;
        default: break;
        }
        return BadCall(dispidValue, error);
    }

    // A text as Excel takes it from a program: an apostrophe in front keeps it a text (and is
    // not part of it), a number stays a number, the empty text empties the cell.
    void PutText(long row, long column, const std::u16string& text) {
        CXlsSheet& sheet = m_book->sheet;
        if (text.empty()) {
            sheet.Clear(row, column);
        } else if (text[0] == u'\'') {
            sheet.SetText(row, column, std::u16string_view(text).substr(1), XlsStyle::prefixedText);
        } else {
            std::string ascii;
            for (char16_t c : text) ascii += c < 128 ? static_cast<char>(c) : '\x7f';
            char* end = nullptr;
            const double d = std::strtod(ascii.c_str(), &end);
            const bool number = !ascii.empty() && end == ascii.c_str() + ascii.size() &&
                                (std::isdigit(static_cast<unsigned char>(ascii[0])) || ascii[0] == '-' ||
                                 ascii[0] == '+' || ascii[0] == '.') &&
                                std::isfinite(d) && ascii.find_first_of("xXpP") == std::string::npos;
            if (number)
                sheet.SetNumber(row, column, d);
            else
                sheet.SetText(row, column, text);
        }
    }

    bool PutValue(const CVariant& v, std::string& error) {
        if (!m_book->Reach(m_nRow - 1, error)) return false;
        if (const CVarArray* array = v.ArrayValue()) {
            // Excel takes the part of the array that covers the range.
            const long rows = std::min(m_nRows, array->Rows()), columns = std::min(m_nColumns, array->Columns());
            for (long r = 1; r <= rows; ++r)
                for (long c = 1; c <= columns; ++c)
                    if (!PutCell(m_nRow + r - 2, m_nColumn + c - 2, array->At(r, c), error)) return false;
            return true;
        }
        if (static_cast<long long>(m_nRows) * m_nColumns > 65536) return BadCall(dispidValue, error);
        for (long r = 0; r < m_nRows; ++r)
            for (long c = 0; c < m_nColumns; ++c)
                if (!PutCell(m_nRow - 1 + r, m_nColumn - 1 + c, v, error)) return false;
        return true;
    }

    // The height in points when every row has the same; otherwise Null, as Excel gives it.
    CVariant RowHeight() const {
        auto height = [&](long r) { return r < m_book->base ? CXlsSheet::kDefaultRowHeight : m_book->sheet.RowHeight(r - m_book->base); };
        const int first = height(m_nRow - 1);
        for (long r = 1; r < m_nRows; ++r)
            if (height(m_nRow - 1 + r) != first) return CVariant::Null();
        return CVariant::R8(first / 20.0);
    }

    std::shared_ptr<CBook> m_book;
    long m_nRow, m_nColumn, m_nRows, m_nColumns;   // from 1
    bool m_bRowsView;
};

class CWorksheet : public CDispatchObject {
public:
    explicit CWorksheet(std::shared_ptr<CBook> book) : m_book(std::move(book)) {}
    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        if (kind == InvokeKind::propertyPut || !args.empty()) return BadCall(dispid, error);
        if (dispid == dispidCells) {
            result = CVariant::Dispatch(MakeRef<CRange>(m_book, 1, 1, m_book->MaxRows(), m_book->MaxColumns()));
            return true;
        }
        if (dispid == dispidUsedRange) {
            long r0 = 0, c0 = 0, r1 = 0, c1 = 0;   // an empty sheet's used range is A1
            m_book->UsedRange(r0, c0, r1, c1);
            result = CVariant::Dispatch(MakeRef<CRange>(m_book, r0 + 1, c0 + 1, r1 - r0 + 1, c1 - c0 + 1));
            return true;
        }
        return BadCall(dispid, error);
    }

private:
    std::shared_ptr<CBook> m_book;
};

class CSheets : public CDispatchObject {
public:
    explicit CSheets(std::shared_ptr<CBook> book) : m_book(std::move(book)) {}
    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        long index = 0;
        if (dispid != dispidDefault || kind == InvokeKind::propertyPut || args.size() != 1 || !ToLong(args[0], index) ||
            index != 1)
            return BadCall(dispid, error);
        result = CVariant::Dispatch(MakeRef<CWorksheet>(m_book));
        return true;
    }

private:
    std::shared_ptr<CBook> m_book;
};

class CWorkbook : public CDispatchObject {
public:
    explicit CWorkbook(std::shared_ptr<CBook> book) : m_book(std::move(book)) {}
    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        if (kind == InvokeKind::propertyPut) return BadCall(dispid, error);
        switch (dispid) {
        case dispidSheets:
            if (!args.empty()) return BadCall(dispid, error);
            result = CVariant::Dispatch(MakeRef<CSheets>(m_book));
            return true;
        case dispidSaveAs: {
            // Two formats: Excel 97-2003 (56, or -4143 as older Excels name it) and the workbook
            // of today (51); without one the name decides.
            const long format = args.size() == 2 && args[1].Type() == varI4 ? args[1].I4Value() : 0;
            if (args.empty() || args.size() > 2 || args[0].Type() != varBstr ||
                (args.size() == 2 && format != 56 && format != -4143 && format != 51))
                return BadCall(dispid, error);
            m_book->path = Utf16ToSystemText(args[0].TextValue());
            const bool xlsx = format == 51 || (format == 0 && IsXlsxName(m_book->path));
            if (xlsx != m_book->xlsx && (m_book->writer || m_book->base > 0)) return BadCall(dispid, error);
            m_book->xlsx = xlsx;
            long r0, c0, r1, c1;
            // A new workbook streams its rows from here on, unless it holds some already.
            if (xlsx && !m_book->writer && !m_book->sheet.UsedRange(r0, c0, r1, c1) && !m_book->finished)
                m_book->writer = std::make_unique<CXlsxWriter>();
            return Save(error);
        }
        case dispidSave: return Save(error);
        case dispidClose:
            // Close(True) saves first; without an argument nothing more is saved here.
            if (!args.empty() && args[0].Type() == varBool && args[0].BoolValue() && !Save(error)) return false;
            return true;
        default: return BadCall(dispid, error);
        }
    }

private:
    bool Save(std::string& error) {
        CBook& book = *m_book;
        if (book.path.empty() || book.finished) return BadCall(dispidSave, error);
        if (!book.xlsx) return SaveFileAtomically(book.path, WriteXlsWorkbook(book.sheet), false, &error);
        long r0, c0, r1, c1;
        if (!book.writer) {
            const std::string bytes = WriteXlsxWorkbook(book.sheet);
            return (!bytes.empty() || CBook::BadWrite(error)) && SaveFileAtomically(book.path, bytes, false, &error);
        }
        // Nothing streamed yet: the file is there, empty, until the rows come.
        if (book.base == 0 && !book.UsedRange(r0, c0, r1, c1))
            return SaveFileAtomically(book.path, WriteXlsxWorkbook(CXlsSheet()), false, &error);
        if (!book.Reach(book.base + book.sheet.RowCount(), error)) return false;
        const bool finished = book.writer->Finish(book.sheet.m_b1904);
        const std::string bytes = std::move(book.writer->Bytes());
        book.writer.reset();
        book.finished = true;   // the rows are gone: the workbook can be saved once
        return (finished || CBook::BadWrite(error)) && SaveFileAtomically(book.path, bytes, false, &error);
    }
    std::shared_ptr<CBook> m_book;
};

class CWorkbooks : public CDispatchObject {
public:
    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        if (kind == InvokeKind::propertyPut) return BadCall(dispid, error);
        if (dispid == dispidAdd && args.empty()) {
            result = CVariant::Dispatch(MakeRef<CWorkbook>(std::make_shared<CBook>()));
            return true;
        }
        if (dispid == dispidOpen && !args.empty() && args[0].Type() == varBstr) {
            auto book = std::make_shared<CBook>();
            book->path = Utf16ToSystemText(args[0].TextValue());
            std::string bytes;
            if (!ReadWholeFile(book->path, bytes, &error)) return false;
            book->xlsx = IsXlsxName(book->path);
            const XlsError e = book->xlsx ? ReadXlsxWorkbook(bytes, book->sheet) : ReadXlsWorkbook(bytes, book->sheet);
            if (e != XlsError::none) {
                error = XlsErrorText(e);
                return false;
            }
            result = CVariant::Dispatch(MakeRef<CWorkbook>(book));
            return true;
        }
        return BadCall(dispid, error);
    }
};

class CApplication : public CDispatchObject {
public:
    bool Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                std::string& error) override {
        if (kind == InvokeKind::propertyPut || !args.empty()) return BadCall(dispid, error);
        if (dispid == dispidWorkbooks) {
            result = CVariant::Dispatch(m_workbooks);
            return true;
        }
        if (dispid == dispidQuit) return true;
        return BadCall(dispid, error);
    }

private:
    CRef<CDispatchObject> m_workbooks = MakeRef<CWorkbooks>();
};

}  // namespace

CRef<CDispatchObject> CreateWorkbookEngine() { return MakeRef<CApplication>(); }

}  // namespace vemra
