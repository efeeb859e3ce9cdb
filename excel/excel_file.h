#pragma once
// The Excel workbook row file: rows of cells written to and read from the first worksheet of
// an .xls or .xlsx workbook through an automation Application object, Microsoft Excel or the built-in
// workbook engine (excel/workbook_engine.h). Writing hands the sheet blocks of 500 rows at a
// time; reading fetches the whole used range at once.
//
// VEMRA_EXCEL chooses the Application: "auto" (default: Excel when it can be started, else the
// engine), "office" (Excel only), "builtin" (the engine only), "off" (no workbooks at all).

#include <string>

#include "excel/dispatch.h"
#include "formats/row_file.h"

enum class ExcelChoice { automatic, office, builtin, off };
ExcelChoice GetExcelChoice();   // from VEMRA_EXCEL

// A name ending in ".xls" or ".xlsx", in any letter case.
bool IsExcelFileName(const std::string& fileName);
// Whether a workbook can be written or read under the current choice.
bool IsExcelAvailable();

// A variant's text as the automation conversion gives it ("" when it has none).
std::string VariantToText(const vemra::CVariant& value);
// The text without its carriage returns; line feeds stay.
std::string RemoveCarriageReturns(const char* text);

// Calls by dispatch identifier on one automation object, releasing it when destroyed.
class CDispatchDriver {
public:
    CDispatchDriver() = default;
    explicit CDispatchDriver(vemra::CRef<vemra::CDispatchObject> object) : m_object(std::move(object)) {}
    bool IsAttached() const { return static_cast<bool>(m_object); }
    void Release() { m_object = {}; }
    // False on failure, with the reason in error.
    bool Invoke(long dispid, vemra::InvokeKind kind, const std::vector<vemra::CVariant>& args,
                vemra::CVariant& result, std::string& error);
    // A property or method that gives an object.
    bool GetObject(long dispid, vemra::InvokeKind kind, const std::vector<vemra::CVariant>& args,
                   CDispatchDriver& object, std::string& error);

private:
    vemra::CRef<vemra::CDispatchObject> m_object;
};

class CExcelFile : public CRowFile {
public:
    // Starts the Application chosen by VEMRA_EXCEL.
    CExcelFile();
    // Drives the given Application object (tests record the calls this way).
    explicit CExcelFile(vemra::CRef<vemra::CDispatchObject> application);
    ~CExcelFile() override;

    int OpenWrite(const std::string& fileName) override;
    int OpenRead(const std::string& fileName) override;
    int CloseWrite() override;
    int Close() override;
    int NextWriteRow() override;
    int NextReadRow() override;
    int PutText(const std::string& value) override;
    int PutDate(long t) override;
    int PutTime(long t) override;
    int PutInt(long n) override;
    int GetText(std::string& out) override;
    int GetDate(long& t) override;
    int GetTime(long& t) override;
    using CRowFile::GetInt;
    int GetInt(long& n) override;
    int GetFlag(long& flag) override;
    long GetProgressPos() override { return m_nRow; }
    long GetProgressRange() override { return m_nRowCount; }
    std::string GetRowText() const override { return m_strLastText; }
    int SetRowText(const std::string& text) override;

    static constexpr long kBlockRows = 500;
    static constexpr long kMaxRows = 65536;     // what an Excel 97-2003 workbook holds
    static constexpr long kMaxColumns = 256;
    static constexpr long kFormatExcel8 = 56;   // SaveAs file format: Excel 97-2003 workbook
    static constexpr long kFormatXlsx = 51;     // SaveAs file format: Excel workbook (.xlsx)

private:
    int Put(vemra::CVariant value);
    bool WriteBlock();
    void NewBuffer(long columns);
    vemra::CVariant GetCell();
    bool Fail(const std::string& error);   // keeps the first reason; always false
    bool Failed() const { return HasError(); }
    void Abandon();

    CDispatchDriver m_application;
    CDispatchDriver m_workbook;
    CDispatchDriver m_worksheet;
    long m_nColumn = 1;
    long m_nRowCount = 0;
    bool m_bDirect = false;
    long m_nBlockFirstRow = 1;
    vemra::CRef<vemra::CVarArray> m_buffer;
    CDispatchDriver m_range;
    std::string m_strLastText;
    std::string m_strFileName;
    bool m_bWriting = false;
    long m_nMaxRows = kMaxRows;
    long m_nMaxColumns = kMaxColumns;
};

namespace vemra {
// The Application object for a choice: Microsoft Excel through OLE (Windows; null elsewhere or
// when it cannot be started) or the built-in engine.
CRef<CDispatchObject> CreateOfficeExcel();
CRef<CDispatchObject> CreateBuiltinExcel();
}  // namespace vemra
