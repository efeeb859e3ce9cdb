// The XML reader on arbitrary bytes, then the same bytes as the worksheet of a workbook that is
// otherwise whole, so the sheet reader sees every shape of rows and cells.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "excel/xlsx_workbook.h"
#include "excel/xml_text.h"
#include "excel/zip_archive.h"

namespace {

// Our own workbook of one cell, with its sheet replaced by the input.
std::string WorkbookWithSheet(std::string_view sheetXml) {
    static const std::string base = [] {
        vemra::CXlsSheet sheet;
        sheet.SetText(0, 0, u"x");
        return vemra::WriteXlsxWorkbook(sheet);
    }();
    vemra::CZipReader in;
    (void)in.Open(base);
    std::string out, part;
    vemra::CZipWriter zip([&](const char* d, std::size_t n) { return out.append(d, n), true; });
    for (const vemra::ZipEntry& e : in.Entries()) {
        if (e.name == "xl/worksheets/sheet1.xml") {
            zip.Add(e.name, sheetXml, false);
        } else {
            (void)in.Extract(e.name, part);
            zip.Add(e.name, part, false);
        }
    }
    zip.Finish();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view xml(reinterpret_cast<const char*>(data), size);
    vemra::CXmlReader reader(xml);
    std::string value;
    for (vemra::CXmlReader::Token t; (t = reader.Next()) != vemra::CXmlReader::done && t != vemra::CXmlReader::error;)
        if (t == vemra::CXmlReader::start) (void)reader.Attribute("r", value);
    (void)vemra::XmlTextToUtf16(xml);
    vemra::CXlsSheet sheet;
    if (vemra::ReadXlsxWorkbook(WorkbookWithSheet(xml), sheet) == vemra::XlsError::none) {
        long r0, c0, r1, c1;
        if (sheet.UsedRange(r0, c0, r1, c1) && r1 < 4096 && c1 < 256) (void)vemra::WriteXlsxWorkbook(sheet);
    }
    return 0;
}
