// The zip reader and the workbook reader on arbitrary bytes: every entry extracted under a small
// limit, then the bytes read as a workbook. An error or a result, never a crash or a hang.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "excel/xlsx_workbook.h"
#include "excel/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vemra::CZipReader zip;
    if (zip.Open(bytes) == vemra::ZipError::none) {
        std::string out;
        for (const vemra::ZipEntry& e : zip.Entries()) (void)zip.Extract(e.name, out, 1 << 20);
    }
    vemra::CXlsSheet sheet;
    (void)vemra::ReadXlsxWorkbook(bytes, sheet);
    return 0;
}
