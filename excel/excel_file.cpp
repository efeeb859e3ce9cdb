#include "excel/excel_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "excel/workbook_engine.h"
#include "excel/xlsx_workbook.h"
#include "formats/value_text.h"
#include "platform/reporter.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/locale_dates.h"
#include "platform/process.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

using namespace vemra;

ExcelChoice GetExcelChoice() {
    const std::string value = ToLowerAscii(Trim(GetEnv("VEMRA_EXCEL")));
    if (value == "office") return ExcelChoice::office;
    if (value == "builtin") return ExcelChoice::builtin;
    if (value == "off") return ExcelChoice::off;
    static bool told = false;
    if (!value.empty() && value != "auto" && !told) {
        told = true;
        ReportPlatformProblem(FormatText(LoadResString(IDS_EXCEL_CHOICE_UNKNOWN).c_str(), value.c_str()));
    }
    return ExcelChoice::automatic;
}

bool IsExcelFileName(const std::string& fileName) {
    return EndsWithNoCase(fileName, ".xls") || IsXlsxName(fileName);
}

bool IsExcelAvailable() {
    switch (GetExcelChoice()) {
    case ExcelChoice::off: return false;
    case ExcelChoice::builtin:
    case ExcelChoice::automatic: return true;   // the engine is always there
    case ExcelChoice::office: break;
    }
    CDispatchDriver excel(CreateOfficeExcel());
    if (!excel.IsAttached()) return false;
    CVariant none;
    std::string error;
    excel.Invoke(dispidQuit, InvokeKind::method, {}, none, error);
    return true;
}

std::string VariantToText(const CVariant& value) {
    switch (value.Type()) {
    case varBstr: return Utf16ToSystemText(value.TextValue());
    case varI4: return std::to_string(value.I4Value());
    case varR8: {
        char text[40];
        std::snprintf(text, sizeof text, "%.15G", value.Number());
        return text;
    }
    case varBool: return value.BoolValue() ? "-1" : "0";
    case varDate: {
        LocalParts p;
        if (!PartsFromOleDate(value.Number(), p)) return {};
        const int y = p.year, mo = p.month, d = p.day, h = p.hour, mi = p.minute, s = p.second;
        const long day = MakeLocal(y, mo, d);
        const long moment = MakeLocal(y, mo, d, h, mi, s);
        std::string text;
        if (std::trunc(value.Number()) != 0)
            text = day >= 0 ? DateText(day) : FormatText("%04d-%02d-%02d", y, mo, d);
        if (h || mi || s || text.empty()) {
            if (!text.empty()) text += ' ';
            text += moment >= 0 && std::trunc(value.Number()) != 0 ? TimeText(moment) : FormatText("%d:%02d", h, mi);
        }
        return text;
    }
    default: return {};   // empty, null, errors and objects have no text
    }
}

std::string RemoveCarriageReturns(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p)
        if (*p != '\r') out += *p;
    return out;
}

bool CDispatchDriver::Invoke(long dispid, InvokeKind kind, const std::vector<CVariant>& args, CVariant& result,
                             std::string& error) {
    result = CVariant();
    if (!m_object) {
        error = LoadResString(IDS_EXCEL_NOT_STARTED);
        return false;
    }
    if (m_object->Invoke(dispid, kind, args, result, error)) return true;
    if (error.empty()) error = FormatText(LoadResString(IDS_XLS_BAD_CALL).c_str(), static_cast<int>(dispid));
    return false;
}

bool CDispatchDriver::GetObject(long dispid, InvokeKind kind, const std::vector<CVariant>& args,
                                CDispatchDriver& object, std::string& error) {
    CVariant result;
    if (!Invoke(dispid, kind, args, result, error)) return false;
    if (!result.DispatchValue()) {
        error = FormatText(LoadResString(IDS_XLS_BAD_CALL).c_str(), static_cast<int>(dispid));
        return false;
    }
    object = CDispatchDriver(CRef<CDispatchObject>(result.DispatchValue()));
    return true;
}

namespace {
CRef<CDispatchObject> StartApplication() {
    switch (GetExcelChoice()) {
    case ExcelChoice::off: return {};
    case ExcelChoice::builtin: return CreateBuiltinExcel();
    case ExcelChoice::office: return CreateOfficeExcel();
    case ExcelChoice::automatic: break;
    }
    if (CRef<CDispatchObject> excel = CreateOfficeExcel()) return excel;
    return CreateBuiltinExcel();
}

CVariant TextVariant(const std::string& text) { return CVariant::Text(SystemTextToUtf16(text)); }
}  // namespace

CExcelFile::CExcelFile() : CExcelFile(StartApplication()) {}

CExcelFile::CExcelFile(CRef<CDispatchObject> application) : m_application(std::move(application)) {}

CExcelFile::~CExcelFile() {
    if (m_bWriting) Abandon();   // never finished: no half-written workbook stays behind
    // Releases only; an Excel started for us ends when its last reference is gone.
    m_application.Release();
    m_range.Release();
    m_buffer = {};
    m_worksheet.Release();
    m_workbook.Release();
}

bool CExcelFile::Fail(const std::string& error) {
    if (m_strError.empty()) m_strError = error.empty() ? LoadResString(IDS_EXCEL_NOT_STARTED) : error;
    return false;
}

void CExcelFile::NewBuffer(long columns) { m_buffer = MakeRef<CVarArray>(kBlockRows, columns); }

int CExcelFile::OpenWrite(const std::string& fileName) {
    std::string error;
    CDispatchDriver workbooks, sheets, cell;
    CVariant none;
    m_strFileName = fileName;
    if (!m_application.GetObject(dispidWorkbooks, InvokeKind::propertyGet, {}, workbooks, error) ||
        !workbooks.GetObject(dispidAdd, InvokeKind::method, {}, m_workbook, error) ||
        !m_workbook.GetObject(dispidSheets, InvokeKind::propertyGet, {}, sheets, error) ||
        !sheets.GetObject(dispidDefault, InvokeKind::propertyGet, {CVariant::I4(1)}, m_worksheet, error) ||
        !m_worksheet.GetObject(dispidCells, InvokeKind::propertyGet, {}, m_range, error))
        return Fail(error), -1;
    m_nRow = 1;
    m_nColumn = 1;
    m_bDirect = false;
    const bool xlsx = IsXlsxName(fileName);
    m_nMaxRows = xlsx ? kXlsxMaxRows : kMaxRows;
    m_nMaxColumns = xlsx ? kXlsxMaxColumns : kMaxColumns;
    // Excel 2007 and later save a new workbook in their own format unless told otherwise, which
    // would put an .xlsx workbook under the .xls name: ask for the format the name gives, and
    // for .xls fall back to the plain call for the Excel versions that know no other format.
    if (!m_workbook.Invoke(dispidSaveAs, InvokeKind::method,
                           {TextVariant(fileName), CVariant::I4(xlsx ? kFormatXlsx : kFormatExcel8)}, none, error) &&
        (xlsx || !m_workbook.Invoke(dispidSaveAs, InvokeKind::method, {TextVariant(fileName)}, none, error)))
        return Fail(error), -1;
    m_bWriting = true;
    NewBuffer(10);
    m_nBlockFirstRow = 1;
    return 0;
}

bool CExcelFile::WriteBlock() {
    const long n = m_nRow - m_nBlockFirstRow;
    if (n == 0) return true;
    const long w = m_buffer->Columns();
    std::string error;
    CVariant cell, none;
    CDispatchDriver topLeft, block;
    if (!m_range.Invoke(dispidDefault, InvokeKind::propertyGet, {CVariant::I4(m_nBlockFirstRow), CVariant::I4(1)}, cell, error))
        return Fail(error);
    topLeft = CDispatchDriver(CRef<CDispatchObject>(cell.DispatchValue()));
    if (!topLeft.GetObject(dispidResize, InvokeKind::propertyGet, {CVariant::I4(n), CVariant::I4(w)}, block, error) ||
        !block.Invoke(dispidValue, InvokeKind::propertyPut, {CVariant::Array(m_buffer)}, none, error))
        return Fail(error);
    m_nBlockFirstRow += n;
    NewBuffer(w);
    return true;
}

int CExcelFile::Put(CVariant value) {
    if (Failed() || !m_buffer) return -1;
    // A sheet ends at row 65,536 and column 256 (.xlsx: 1,048,576 and 16,384): no export is
    // cut short silently.
    if (m_nRow > m_nMaxRows || m_nColumn > m_nMaxColumns)
        return Fail(LoadResString(m_nMaxRows == kMaxRows ? IDS_XLS_TOO_LARGE : IDS_XLSX_TOO_LARGE)), -1;
    if (m_nColumn > m_buffer->Columns()) {
        // Wide .xlsx rows double the buffer, so that 16,384 columns do not take thousands of copies.
        const long wider = m_nColumn <= kMaxColumns ? m_nColumn + 5 : std::min(m_nMaxColumns, 2 * m_buffer->Columns());
        m_buffer->Resize(kBlockRows, wider);
    }
    if (m_nRow - m_nBlockFirstRow + 1 > kBlockRows && !WriteBlock()) return -1;
    if (value.Type() == varBstr && value.TextValue().size() > 500) {
        // Long texts go to the sheet cell by cell, with the rest of their row.
        ++m_nRow;
        const bool written = WriteBlock();
        --m_nRow;
        if (!written) return -1;
        m_bDirect = true;
    }
    std::string error;
    if (m_bDirect) {
        CVariant cell, none;
        if (!m_range.Invoke(dispidDefault, InvokeKind::propertyGet, {CVariant::I4(m_nRow), CVariant::I4(m_nColumn)}, cell, error))
            return Fail(error), -1;
        CDispatchDriver target(CRef<CDispatchObject>(cell.DispatchValue()));
        if (!target.Invoke(dispidValue, InvokeKind::propertyPut, {value}, none, error)) return Fail(error), -1;
    } else {
        m_buffer->At(m_nRow - m_nBlockFirstRow + 1, m_nColumn) = std::move(value);
    }
    ++m_nColumn;
    return 0;
}

int CExcelFile::NextWriteRow() {
    ++m_nRow;
    m_nColumn = 1;
    m_bDirect = false;
    return Failed() ? -1 : 0;
}

int CExcelFile::PutText(const std::string& value) {
    std::string text = RemoveCarriageReturns(value.c_str());
    // Excel's text prefix: without it a text such as "12" or "=1" would become a number or formula.
    const auto first = text.empty() ? 'A' : static_cast<unsigned char>(text[0]);
    if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) text.insert(0, 1, '\'');
    return Put(TextVariant(text));
}

int CExcelFile::PutDate(long t) {
    LocalParts p;
    if (!BreakLocal(t, p)) return Put(CVariant());
    return Put(CVariant::Date(OleDateFromParts(p.year, p.month, p.day)));
}

int CExcelFile::PutTime(long t) {
    LocalParts p;
    if (!BreakLocal(t, p)) return Put(CVariant());
    return Put(CVariant::Date(OleDateFromParts(1899, 12, 30, p.hour, p.minute)));
}

int CExcelFile::PutInt(long n) { return Put(CVariant::I4(n)); }

void CExcelFile::Abandon() {
    // Nothing half written stays behind under the file's name.
    CVariant none;
    std::string error;
    if (m_workbook.IsAttached()) m_workbook.Invoke(dispidClose, InvokeKind::method, {CVariant::Bool(false)}, none, error);
    m_workbook.Release();
    if (m_bWriting) RemoveFile(m_strFileName);
    m_bWriting = false;
}

int CExcelFile::CloseWrite() {
    if (!m_workbook.IsAttached()) return Failed() ? -1 : 0;
    std::string error;
    CVariant cell, height, none;
    CDispatchDriver topLeft;
    const bool ok = !Failed() && WriteBlock() &&
                    (m_worksheet.GetObject(dispidUsedRange, InvokeKind::propertyGet, {}, m_range, error) || Fail(error)) &&
                    (m_range.Invoke(dispidDefault, InvokeKind::propertyGet, {CVariant::I4(1), CVariant::I4(1)}, cell, error) ||
                     Fail(error));
    if (ok) topLeft = CDispatchDriver(CRef<CDispatchObject>(cell.DispatchValue()));
    if (!ok || !topLeft.Invoke(dispidRowHeight, InvokeKind::propertyGet, {}, height, error) ||
        !m_range.Invoke(dispidRowHeight, InvokeKind::propertyPut, {height}, none, error) ||
        !m_workbook.Invoke(dispidSave, InvokeKind::method, {}, none, error)) {
        Fail(error);
        Abandon();
        return -1;
    }
    if (!m_workbook.Invoke(dispidClose, InvokeKind::method, {}, none, error)) {
        Fail(error);
        Abandon();
        return -1;
    }
    m_workbook.Release();
    m_bWriting = false;
    return 0;
}

int CExcelFile::Close() {
    if (m_bWriting) {   // closed without CloseWrite: the workbook is incomplete
        Abandon();
        return -1;
    }
    if (!m_workbook.IsAttached()) return Failed() ? -1 : 0;
    CVariant none;
    std::string error;
    const bool closed = m_workbook.Invoke(dispidClose, InvokeKind::method, {}, none, error) || Fail(error);
    m_workbook.Release();
    return closed && !Failed() ? 0 : -1;
}

int CExcelFile::OpenRead(const std::string& fileName) {
    std::string error;
    CDispatchDriver workbooks, sheets, rows;
    CVariant count, value;
    if (!m_application.GetObject(dispidWorkbooks, InvokeKind::propertyGet, {}, workbooks, error) ||
        !workbooks.GetObject(dispidOpen, InvokeKind::method, {TextVariant(fileName)}, m_workbook, error) ||
        !m_workbook.GetObject(dispidSheets, InvokeKind::propertyGet, {}, sheets, error) ||
        !sheets.GetObject(dispidDefault, InvokeKind::propertyGet, {CVariant::I4(1)}, m_worksheet, error))
        return Fail(error), -1;
    m_nRow = 1;
    m_nColumn = 1;
    if (!m_worksheet.GetObject(dispidUsedRange, InvokeKind::propertyGet, {}, m_range, error) ||
        !m_range.GetObject(dispidRows, InvokeKind::propertyGet, {}, rows, error) ||
        !rows.Invoke(dispidCount, InvokeKind::propertyGet, {}, count, error) ||
        !m_range.Invoke(dispidValue, InvokeKind::propertyGet, {}, value, error))
        return Fail(error), -1;
    m_nRowCount = count.Type() == varI4 ? count.I4Value() : std::lround(count.Number());
    if (value.ArrayValue()) {
        m_buffer = CRef<CVarArray>(value.ArrayValue());
    } else {
        // A used range of one cell comes as that cell's value, not as an array.
        NewBuffer(1);
        m_buffer->Resize(1, 1);
        m_buffer->At(1, 1) = value;
    }
    return 0;
}

int CExcelFile::NextReadRow() {
    ++m_nRow;
    m_nColumn = 1;
    return m_nRow <= m_nRowCount ? 0 : -1;
}

CVariant CExcelFile::GetCell() {
    CVariant value;
    if (m_buffer && m_nRow <= m_buffer->Rows() && m_nColumn <= m_buffer->Columns()) value = m_buffer->At(m_nRow, m_nColumn);
    m_strLastText = VariantToText(value);
    ++m_nColumn;
    return value;
}

int CExcelFile::GetText(std::string& out) {
    GetCell();
    out = m_strLastText;
    return 0;
}

int CExcelFile::GetDate(long& t) {
    const CVariant value = GetCell();
    if (value.Type() != varDate) return DateCellValue(m_strLastText, t);
    LocalParts p;
    if (!PartsFromOleDate(value.Number(), p) || !CorrectYear(p.year)) return -1;
    const long midnight = MakeLocal(p.year, p.month, p.day);
    if (midnight < 0) return -1;
    t = midnight;
    return 0;
}

int CExcelFile::GetTime(long& t) {
    const CVariant value = GetCell();
    if (Trim(m_strLastText).empty()) return -2;
    if (value.Type() != varDate && value.Type() != varR8) return TimeCellValue(m_strLastText, t);
    LocalParts p, today;
    if (!PartsFromOleDate(value.Number(), p) || !BreakLocal(Now(), today)) return -1;
    const long moment = MakeLocal(today.year, today.month, today.day, p.hour, p.minute, 0);
    if (moment < 0) return -1;
    t = moment;
    return 0;
}

int CExcelFile::GetInt(long& n) {
    std::string text;
    const int result = GetText(text);
    n = IntCellValue(text);
    return result;
}

int CExcelFile::GetFlag(long& flag) {
    const CVariant value = GetCell();
    // A boolean cell says yes or no itself: FALSE is a value, not a filled cell.
    flag = value.Type() == varBool ? value.BoolValue() : !Trim(m_strLastText).empty();
    return 0;
}

int CExcelFile::SetRowText(const std::string& text) {
    m_strLastText = text;
    return 0;
}
