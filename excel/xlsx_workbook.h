#pragma once
// Office Open XML workbooks (.xlsx): a zip archive of XML parts. The built-in engine writes a
// minimal workbook of one worksheet (content types, relationships, workbook, styles with date
// and time formats, the sheet with its texts inline) and streams the sheet's rows through
// deflate as they come, so a long sheet never lies in memory as cells. Reading takes the first
// worksheet of workbooks written by others into a CXlsSheet.

#include <memory>
#include <string>
#include <string_view>

#include "excel/xls_workbook.h"

namespace vemra {

constexpr long kXlsxMaxRows = 1048576;
constexpr long kXlsxMaxColumns = 16384;
// Cells the reader keeps at most (rows are held dense up to their last cell).
constexpr long long kXlsxMaxCells = 40000000;

class CZipWriter;

// Writes the rows of a sheet as they come; the archive's bytes grow in memory, packed.
class CXlsxWriter {
public:
    CXlsxWriter();
    ~CXlsxWriter();
    CXlsxWriter(const CXlsxWriter&) = delete;
    CXlsxWriter& operator=(const CXlsxWriter&) = delete;

    // The sheet's rows, its row 0 being row `base` of the workbook; rows follow in order
    // across calls. False when writing failed.
    bool WriteRows(const CXlsSheet& sheet, long base = 0);
    // Ends the sheet and adds the other parts; the archive is then in Bytes().
    bool Finish(bool date1904 = false);
    std::string& Bytes() { return m_bytes; }

private:
    void WriteRow(const CXlsSheet& sheet, long row, long base);
    bool Drain();

    std::string m_bytes;
    std::string m_xml;   // sheet XML waiting for deflate
    std::unique_ptr<CZipWriter> m_zip;
    long m_nNextRow = 0;
    bool m_bOk = true;
};

// The sheet as the bytes of an .xlsx file.
std::string WriteXlsxWorkbook(const CXlsSheet& sheet);

// The first worksheet of an .xlsx file's bytes.
XlsError ReadXlsxWorkbook(std::string_view file, CXlsSheet& sheet);

// A name ending in ".xlsx", in any letter case.
bool IsXlsxName(std::string_view fileName);

}  // namespace vemra
