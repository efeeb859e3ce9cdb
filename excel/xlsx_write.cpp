#include <charconv>

#include "excel/xlsx_workbook.h"
#include "excel/xml_text.h"
#include "excel/zip_archive.h"
#include "platform/local_time.h"
#include "platform/locale_dates.h"
#include "platform/text.h"

namespace vemra {

namespace {

constexpr std::string_view kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelTypes = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::size_t kDrainAt = 256 * 1024;

// Style indexes of cellXfs below, one for each XlsStyle in its order.
constexpr std::string_view kStyles =
    "<fonts count=\"1\"><font><sz val=\"10\"/><name val=\"Arial\"/><family val=\"2\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"5\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"22\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" quotePrefix=\"1\"/>"
    "</cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>";

// Times show as the user's clock does: with AM/PM where the locale's times have it.
std::string TimeFormats() {
    const bool twelve = TimeText(MakeLocal(2000, 1, 1, 13, 0)).find("13") == std::string::npos;
    return std::string("<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"") + (twelve ? "h:mm AM/PM" : "h:mm") +
           "\"/></numFmts>";
}

void AppendColumnName(std::string& out, long column) {   // column from 0
    char name[4];
    int n = 0;
    for (long c = column + 1; c > 0; c = (c - 1) / 26) name[n++] = static_cast<char>('A' + (c - 1) % 26);
    while (n > 0) out += name[--n];
}

void AppendNumber(std::string& out, double d) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, d);
    out.append(text, r.ptr);
}

std::string_view ErrorText(std::uint8_t code) {
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    default: return "#N/A";
    }
}

}  // namespace

CXlsxWriter::CXlsxWriter()
    : m_zip(std::make_unique<CZipWriter>([this](const char* data, std::size_t size) {
          m_bytes.append(data, size);
          return true;
      })) {
    m_bOk = m_zip->BeginStream("xl/worksheets/sheet1.xml");
    m_xml.append(kHead).append("<worksheet xmlns=\"").append(kMain).append("\"><sheetData>");
}

CXlsxWriter::~CXlsxWriter() = default;

bool CXlsxWriter::Drain() {
    if (m_bOk) m_bOk = m_zip->Write(m_xml);
    m_xml.clear();
    return m_bOk;
}

void CXlsxWriter::WriteRow(const CXlsSheet& sheet, long row, long base) {
    const auto& cells = sheet.Row(row);
    const long r = base + row + 1;
    std::string ref;
    m_xml.append("<row r=\"").append(std::to_string(r)).append("\"");
    if (sheet.HasCustomHeight(row)) {
        m_xml.append(" ht=\"");
        AppendNumber(m_xml, sheet.RowHeight(row) / 20.0);
        m_xml.append("\" customHeight=\"1\"");
    }
    m_xml += '>';
    for (long c = 0; c < static_cast<long>(cells.size()); ++c) {
        const XlsCell& cell = cells[static_cast<std::size_t>(c)];
        if (cell.kind == XlsCellKind::empty) continue;
        m_xml.append("<c r=\"");
        AppendColumnName(m_xml, c);
        m_xml.append(std::to_string(r)).append("\"");
        if (cell.style != XlsStyle::general)
            m_xml.append(" s=\"").append(std::to_string(static_cast<int>(cell.style))).append("\"");
        switch (cell.kind) {
        case XlsCellKind::number:
            m_xml.append("><v>");
            AppendNumber(m_xml, cell.number);
            m_xml.append("</v></c>");
            break;
        case XlsCellKind::text:
            m_xml.append(" t=\"inlineStr\"><is><t xml:space=\"preserve\">");
            XmlAppendEscaped(m_xml, sheet.String(cell.text));
            m_xml.append("</t></is></c>");
            break;
        case XlsCellKind::boolean: m_xml.append(" t=\"b\"><v>").append(cell.code ? "1" : "0").append("</v></c>"); break;
        case XlsCellKind::error: m_xml.append(" t=\"e\"><v>").append(ErrorText(cell.code)).append("</v></c>"); break;
        case XlsCellKind::empty:
        case XlsCellKind::blank: m_xml.append("/>"); break;
        }
    }
    m_xml.append("</row>");
}

bool CXlsxWriter::WriteRows(const CXlsSheet& sheet, long base) {
    if (base < m_nNextRow) return m_bOk = false;   // rows go out once, in order
    for (long r = 0; r < sheet.RowCount() && m_bOk; ++r) {
        if (sheet.Row(r).empty() && !sheet.HasCustomHeight(r)) continue;
        WriteRow(sheet, r, base);
        if (m_xml.size() >= kDrainAt) Drain();
    }
    m_nNextRow = base + sheet.RowCount();
    return m_bOk;
}

bool CXlsxWriter::Finish(bool date1904) {
    m_xml.append("</sheetData></worksheet>");
    if (!Drain() || !m_zip->EndStream()) return m_bOk = false;
    const std::string main(kMain), rels(kRelTypes);
    const std::string pkgRels = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string ct = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    std::string head(kHead);
    m_bOk = m_zip->Add("[Content_Types].xml",
                       head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                              "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                              "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + ct + "sheet.main+xml\"/>"
                              "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + ct + "worksheet+xml\"/>"
                              "<Override PartName=\"/xl/styles.xml\" ContentType=\"" + ct + "styles+xml\"/>"
                              "</Types>") &&
            m_zip->Add("_rels/.rels", head + "<Relationships xmlns=\"" + pkgRels + "\">"
                                             "<Relationship Id=\"rId1\" Type=\"" + rels + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                                             "</Relationships>") &&
            m_zip->Add("xl/workbook.xml", head + "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rels + "\">" +
                                              (date1904 ? "<workbookPr date1904=\"1\"/>" : "") +
                                              "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>") &&
            m_zip->Add("xl/_rels/workbook.xml.rels",
                       head + "<Relationships xmlns=\"" + pkgRels + "\">"
                              "<Relationship Id=\"rId1\" Type=\"" + rels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                              "<Relationship Id=\"rId2\" Type=\"" + rels + "/styles\" Target=\"styles.xml\"/>"
                              "</Relationships>") &&
            m_zip->Add("xl/styles.xml", head + "<styleSheet xmlns=\"" + main + "\">" + TimeFormats() + std::string(kStyles) + "</styleSheet>") &&
            m_zip->Finish();
    return m_bOk;
}

std::string WriteXlsxWorkbook(const CXlsSheet& sheet) {
    CXlsxWriter writer;
    if (!writer.WriteRows(sheet) || !writer.Finish(sheet.m_b1904)) return {};
    return std::move(writer.Bytes());
}

bool IsXlsxName(std::string_view fileName) { return vemra::EndsWithNoCase(fileName, ".xlsx"); }

}  // namespace vemra
