#pragma once
// Excel 97-2003 workbooks (.xls): BIFF8 records in the "Workbook" stream of a compound file.
// The built-in engine keeps one worksheet in a CXlsSheet, writes it as a workbook any
// spreadsheet program opens, and reads the first worksheet of workbooks written by others.
// Reading is strict: every length and index is checked, every sector chain is bounded, and a
// file that is not what it claims gives an error code, never a crash or an endless loop.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vemra {

enum class XlsError {
    none,
    notWorkbook,     // not a compound file, or one without a workbook stream
    newerFormat,     // an Office Open XML workbook (.xlsx) under an .xls name
    olderFormat,     // a workbook of Excel 5 or older
    encrypted,       // protected with a password
    damaged,         // a compound file or record structure that does not hold together
    tooLarge,        // more than 65,536 rows or 256 columns
    // .xlsx workbooks
    noWorkbook,          // a zip archive without a workbook in it
    xlsUnderXlsxName,    // an Excel 97-2003 workbook under an .xlsx name
    unsafePath,          // an archive entry named with ".." or an absolute path
    zipBomb,             // an archive entry that inflates beyond any sane size
    unsupportedPacking,  // packed in a way other than store and deflate
    xlsxTooLarge,        // more than 1,048,576 rows or 16,384 columns
};

// The message for an error, from the string table.
std::string XlsErrorText(XlsError error);

enum class XlsCellKind : std::uint8_t { empty, blank, number, text, boolean, error };
// How a cell shows: the number format of dates and times, and the text prefix of a text that
// would otherwise read as a number.
enum class XlsStyle : std::uint8_t { general, date, time, dateTime, prefixedText };

struct XlsCell {
    XlsCellKind kind = XlsCellKind::empty;
    XlsStyle style = XlsStyle::general;
    std::uint8_t code = 0;       // boolean value or error code
    std::uint32_t text = 0;      // index into the sheet's strings
    double number = 0;
};

class CXlsSheet {
public:
    static constexpr long kMaxRows = 65536;
    static constexpr long kMaxColumns = 256;
    static constexpr int kDefaultRowHeight = 255;   // twips: 12.75 points, Arial 10

    // Rows and columns from 0. Cell() grows the sheet; the caller keeps within the limits.
    const XlsCell* Find(long row, long column) const;
    XlsCell& Cell(long row, long column);
    void SetText(long row, long column, std::u16string_view text, XlsStyle style = XlsStyle::general);
    void SetNumber(long row, long column, double value, XlsStyle style = XlsStyle::general);
    void Clear(long row, long column);

    // The smallest rectangle of all cells that are not empty; false when there is none.
    bool UsedRange(long& firstRow, long& firstColumn, long& lastRow, long& lastColumn) const;

    long RowCount() const { return static_cast<long>(m_rows.size()); }
    const std::vector<XlsCell>& Row(long row) const { return m_rows[static_cast<std::size_t>(row)]; }
    int RowHeight(long row) const;                  // twips
    void SetRowHeight(long row, int twips);
    bool HasCustomHeight(long row) const;

    std::uint32_t AddString(std::u16string_view text);      // an equal text already there is shared
    std::uint32_t AppendString(std::u16string text);        // always a new entry (reading)
    const std::u16string& String(std::uint32_t index) const;
    std::size_t StringCount() const { return m_strings.size(); }

    // The workbook counts dates from 1904-01-01 instead of 1899-12-30 (Macintosh workbooks).
    bool m_b1904 = false;

private:
    std::vector<std::vector<XlsCell>> m_rows;
    std::vector<std::uint16_t> m_heights;           // twips; 0 = default height
    std::vector<std::u16string> m_strings;
    std::unordered_map<std::u16string, std::uint32_t> m_stringIndex;   // built only while writing
};

// The sheet as the bytes of an .xls file.
std::string WriteXlsWorkbook(const CXlsSheet& sheet);

// A compound file (version 3, 512-byte sectors) holding one stream named "Workbook". The
// stream is padded to at least 4,096 bytes, so it never belongs in the mini stream.
std::string MakeCompoundFile(std::string workbookStream);

// The first worksheet of an .xls file's bytes.
XlsError ReadXlsWorkbook(std::string_view file, CXlsSheet& sheet);

// Whether a number format shows its number as a date or time (built-in index or format text).
bool IsDateFormat(int index, std::u16string_view format);

}  // namespace vemra
