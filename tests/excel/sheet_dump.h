#pragma once
// A sheet's cells as text, for comparing sheets and for golden files: "t:" texts (with "'" when
// they carry the text prefix), "n:" numbers, "d:" dates and times, flags, errors, "-" for none.

#include <cstdio>
#include <string>

#include "excel/xls_workbook.h"

namespace vemra::test {

inline std::string CellText(const CXlsSheet& sheet, long row, long column) {
    const XlsCell* c = sheet.Find(row, column);
    if (!c || c->kind == XlsCellKind::empty) return "-";
    char buf[64];
    switch (c->kind) {
    case XlsCellKind::text: {
        std::string s = "t:";
        for (char16_t ch : sheet.String(c->text)) {
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(ch));
            s += ch >= 32 && ch < 128 ? std::string(1, static_cast<char>(ch)) : std::string(buf);
        }
        return s + (c->style == XlsStyle::prefixedText ? "'" : "");
    }
    case XlsCellKind::number:
        std::snprintf(buf, sizeof buf, "%s%.17g", c->style == XlsStyle::general ? "n:" : "d:", c->number);
        return buf;
    case XlsCellKind::boolean: return c->code ? "TRUE" : "FALSE";
    case XlsCellKind::error: return "err" + std::to_string(c->code);
    default: return "blank";
    }
}

// Every cell of the used range, row by row.
inline std::string Dump(const CXlsSheet& sheet) {
    long r0, c0, r1, c1;
    if (!sheet.UsedRange(r0, c0, r1, c1)) return "";
    std::string out;
    for (long r = r0; r <= r1; ++r) {
        for (long c = c0; c <= c1; ++c) {
            if (c > c0) out += '|';
            out += CellText(sheet, r, c);
        }
        out += "\n";
    }
    return out;
}

}  // namespace vemra::test
