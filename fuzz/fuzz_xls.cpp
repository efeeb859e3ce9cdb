// The workbook reader on arbitrary bytes: the compound file, its chains and directory, and the
// records of the workbook stream. It must return an error or a sheet, never crash or hang.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "excel/xls_workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vemra::CXlsSheet sheet;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (vemra::ReadXlsWorkbook(bytes, sheet) == vemra::XlsError::none) {
        // What was read is whole enough to be written again.
        long r0, c0, r1, c1;
        if (sheet.UsedRange(r0, c0, r1, c1) && r1 < 4096) (void)vemra::WriteXlsWorkbook(sheet);
    }
    return 0;
}
