#include <charconv>
#include <cmath>
#include <cstring>

#include "excel/excel_file.h"
#include "excel/xlsx_workbook.h"
#include "excel/xml_text.h"
#include "excel/zip_archive.h"
#include "platform/local_time.h"

namespace vemra {

namespace {

struct Relationship {
    std::string id, type, target;
};

// A part's name from a relationship target, relative to the part that names it.
std::string ResolvePart(std::string_view source, std::string_view target) {
    std::string path;
    if (!target.empty() && target[0] == '/') {
        target.remove_prefix(1);
    } else {
        const std::size_t slash = source.rfind('/');
        if (slash != std::string_view::npos) path.assign(source.substr(0, slash + 1));
    }
    path.append(target);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string RelsOf(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    const std::string_view dir = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
    const std::string_view name = slash == std::string_view::npos ? part : part.substr(slash + 1);
    return std::string(dir) + "_rels/" + std::string(name) + ".rels";
}

bool EndsWith(std::string_view s, std::string_view tail) { return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail; }

XlsError FromZip(ZipError e) {
    switch (e) {
    case ZipError::none: return XlsError::none;
    case ZipError::notZip: return XlsError::notWorkbook;
    case ZipError::unsafePath: return XlsError::unsafePath;
    case ZipError::encrypted: return XlsError::encrypted;
    case ZipError::unsupported: return XlsError::unsupportedPacking;
    case ZipError::tooLarge: return XlsError::zipBomb;
    case ZipError::missing: return XlsError::noWorkbook;
    case ZipError::damaged: break;
    }
    return XlsError::damaged;
}

std::uint8_t ErrorCode(std::string_view text) {
    static const std::pair<std::string_view, std::uint8_t> kCodes[] = {
        {"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17}, {"#NAME?", 0x1D}, {"#NUM!", 0x24}};
    for (const auto& [name, code] : kCodes)
        if (text == name) return code;
    return 0x2A;   // #N/A and whatever else
}

bool ParseNumber(std::string_view text, double& d) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), d);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(d);
}

bool ParseLong(std::string_view text, long& n) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// An ISO 8601 date or time ("2026-03-02", "2026-03-02T09:30:00", "09:30") as an OLE date.
bool ParseIsoDate(std::string_view text, double& d) {
    int y = 1899, mo = 12, day = 30, h = 0, mi = 0;
    double s = 0;
    char sep = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2d%c%2d:%2d:%lf", &y, &mo, &day, &sep, &h, &mi, &s) >= 3 ||
        std::sscanf(copy.c_str(), "%2d:%2d:%lf", &h, &mi, &s) >= 2) {
        if (mo < 1 || mo > 12 || day < 1 || day > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || !(s >= 0 && s < 61)) return false;
        d = OleDateFromParts(y, mo, day, h, mi, static_cast<int>(s));
        return std::isfinite(d);
    }
    return false;
}

class CXlsxReader {
public:
    CXlsxReader(std::string_view file, CXlsSheet& sheet) : m_file(file), m_sheet(sheet) {}

    XlsError Read() {
        static const char kCompound[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        if (m_file.substr(0, 8) == std::string_view(kCompound, 8)) {
            // Office keeps a password-protected workbook in a compound file as "EncryptedPackage".
            static const char16_t kName[] = u"EncryptedPackage";
            const std::string_view name(reinterpret_cast<const char*>(kName), sizeof kName - 2);
            return m_file.find(name) != std::string_view::npos ? XlsError::encrypted : XlsError::xlsUnderXlsxName;
        }
        if (XlsError e = FromZip(m_zip.Open(m_file)); e != XlsError::none) return e;
        std::vector<Relationship> rels;
        if (XlsError e = ReadRels("", rels); e != XlsError::none) return e;
        std::string workbook;
        for (const auto& r : rels)
            if (EndsWith(r.type, "/officeDocument")) workbook = ResolvePart("", r.target);
        if (workbook.empty() || !m_zip.Find(workbook)) return XlsError::noWorkbook;
        std::string sheetId;
        if (XlsError e = ReadWorkbook(workbook, sheetId); e != XlsError::none) return e;
        rels.clear();
        if (XlsError e = ReadRels(workbook, rels); e != XlsError::none) return e;
        std::string sheetPart, stringsPart, stylesPart;
        for (const auto& r : rels) {
            if (r.id == sheetId) sheetPart = ResolvePart(workbook, r.target);
            if (EndsWith(r.type, "/sharedStrings")) stringsPart = ResolvePart(workbook, r.target);
            if (EndsWith(r.type, "/styles")) stylesPart = ResolvePart(workbook, r.target);
        }
        if (sheetId.empty()) return XlsError::none;   // a workbook without sheets reads as empty
        if (sheetPart.empty()) return XlsError::damaged;
        if (!stylesPart.empty() && m_zip.Find(stylesPart))
            if (XlsError e = ReadStyles(stylesPart); e != XlsError::none) return e;
        if (!stringsPart.empty() && m_zip.Find(stringsPart))
            if (XlsError e = ReadStrings(stringsPart); e != XlsError::none) return e;
        return ReadSheet(sheetPart);
    }

private:
    XlsError Part(const std::string& name, std::string& xml) {
        const ZipError e = m_zip.Extract(name, xml);
        return e == ZipError::missing ? XlsError::damaged : FromZip(e);
    }

    XlsError ReadRels(std::string_view part, std::vector<Relationship>& rels) {
        std::string xml, v;
        const std::string name = RelsOf(part);
        if (!m_zip.Find(name)) return part.empty() ? XlsError::noWorkbook : XlsError::damaged;
        if (XlsError e = Part(name, xml); e != XlsError::none) return e;
        CXmlReader x(xml);
        for (CXmlReader::Token t; (t = x.Next()) != CXmlReader::done;) {
            if (t == CXmlReader::error) return XlsError::damaged;
            if (t != CXmlReader::start || x.Name() != "Relationship") continue;
            Relationship r;
            x.Attribute("Id", r.id);
            x.Attribute("Type", r.type);
            x.Attribute("Target", r.target);
            std::string mode;
            if (x.Attribute("TargetMode", mode) && mode == "External") continue;
            rels.push_back(std::move(r));
        }
        return XlsError::none;
    }

    XlsError ReadWorkbook(const std::string& part, std::string& sheetId) {
        std::string xml, v;
        if (XlsError e = Part(part, xml); e != XlsError::none) return e;
        CXmlReader x(xml);
        for (CXmlReader::Token t; (t = x.Next()) != CXmlReader::done;) {
            if (t == CXmlReader::error) return XlsError::damaged;
            if (t != CXmlReader::start) continue;
            if (x.Name() == "workbookPr" && x.Attribute("date1904", v)) m_sheet.m_b1904 = v == "1" || v == "true";
            if (x.Name() == "sheet" && sheetId.empty() && !x.Attribute("id", sheetId)) return XlsError::damaged;
        }
        return XlsError::none;
    }

    XlsError ReadStyles(const std::string& part) {
        std::string xml, v;
        if (XlsError e = Part(part, xml); e != XlsError::none) return e;
        std::vector<std::pair<long, std::u16string>> formats;
        CXmlReader x(xml);
        bool inCellXfs = false;
        for (CXmlReader::Token t; (t = x.Next()) != CXmlReader::done;) {
            if (t == CXmlReader::error) return XlsError::damaged;
            if (t == CXmlReader::end && x.Name() == "cellXfs") inCellXfs = false;
            if (t != CXmlReader::start) continue;
            long id = 0;
            if (x.Name() == "numFmt" && x.Attribute("numFmtId", v) && ParseLong(v, id)) {
                x.Attribute("formatCode", v);
                formats.emplace_back(id, XmlTextToUtf16(v));
            } else if (x.Name() == "cellXfs") {
                inCellXfs = true;
            } else if (x.Name() == "xf" && inCellXfs) {
                if (!x.Attribute("numFmtId", v) || !ParseLong(v, id)) id = 0;
                std::u16string code;
                for (const auto& [fid, text] : formats)
                    if (fid == id) code = text;
                XlsStyle style = IsDateFormat(static_cast<int>(id), code) ? XlsStyle::date : XlsStyle::general;
                if (style == XlsStyle::general && x.Attribute("quotePrefix", v) && (v == "1" || v == "true"))
                    style = XlsStyle::prefixedText;
                m_styles.push_back(style);
            }
        }
        return XlsError::none;
    }

    // The texts of the runs of an <si> or <is> element, after its start; phonetic runs are left out.
    bool RunText(CXmlReader& x, std::u16string& out) {
        out.clear();
        std::string utf8;
        const std::size_t depth = x.Depth();
        bool inText = false;
        for (;;) {
            const CXmlReader::Token t = x.Next();
            if (t == CXmlReader::error || t == CXmlReader::done) return false;
            if (t == CXmlReader::end) {
                if (x.Depth() < depth) break;
                inText = false;
            } else if (t == CXmlReader::start) {
                if (x.Name() == "rPh" && !x.SkipElement()) return false;
                inText = x.Name() == "t";
            } else if (inText) {
                utf8 += x.Text();
            }
        }
        out = XmlTextToUtf16(utf8);
        return true;
    }

    XlsError ReadStrings(const std::string& part) {
        std::string xml;
        if (XlsError e = Part(part, xml); e != XlsError::none) return e;
        CXmlReader x(xml);
        std::u16string text;
        for (CXmlReader::Token t; (t = x.Next()) != CXmlReader::done;) {
            if (t == CXmlReader::error) return XlsError::damaged;
            if (t != CXmlReader::start || x.Name() != "si") continue;
            if (!RunText(x, text)) return XlsError::damaged;
            if (text.size() > 32767) text.resize(32767);
            m_strings.push_back(m_sheet.AppendString(std::move(text)));
        }
        return XlsError::none;
    }

    // The cell at row and column, counting the cells the sheet now holds densely.
    XlsCell* Place(long row, long column) {
        const long had = row < m_sheet.RowCount() ? static_cast<long>(m_sheet.Row(row).size()) : 0;
        if (column >= had) {
            m_nCells += column + 1 - had;
            if (m_nCells > kXlsxMaxCells) return nullptr;
        }
        return &m_sheet.Cell(row, column);
    }

    XlsError ReadSheet(const std::string& part) {
        std::string xml, v, type;
        if (XlsError e = Part(part, xml); e != XlsError::none) return e;
        CXmlReader x(xml);
        long row = -1, column = -1;
        bool inData = false;
        for (CXmlReader::Token t; (t = x.Next()) != CXmlReader::done;) {
            if (t == CXmlReader::error) return XlsError::damaged;
            if (t == CXmlReader::end && x.Name() == "sheetData") inData = false;
            if (t != CXmlReader::start) continue;
            if (x.Name() == "sheetData") {
                inData = true;
            } else if (inData && x.Name() == "row") {
                long r = 0;
                if (x.Attribute("r", v)) {
                    if (!ParseLong(v, r) || r < 1 || r - 1 <= row) return r > kXlsxMaxRows ? XlsError::xlsxTooLarge : XlsError::damaged;
                    row = r - 1;
                } else {
                    ++row;
                }
                if (row >= kXlsxMaxRows) return XlsError::xlsxTooLarge;
                column = -1;
            } else if (inData && x.Name() == "c") {
                if (row < 0) return XlsError::damaged;
                if (x.Attribute("r", v)) {
                    long c = 0, r = 0;
                    std::size_t i = 0;
                    while (i < v.size() && v[i] >= 'A' && v[i] <= 'Z' && c <= kXlsxMaxColumns) c = c * 26 + (v[i++] - 'A' + 1);
                    if (i == 0 || !ParseLong(std::string_view(v).substr(i), r) || r - 1 != row || c - 1 <= column)
                        return c > kXlsxMaxColumns ? XlsError::xlsxTooLarge : XlsError::damaged;
                    column = c - 1;
                } else {
                    ++column;
                }
                if (column >= kXlsxMaxColumns) return XlsError::xlsxTooLarge;
                if (XlsError e = ReadCell(x, row, column); e != XlsError::none) return e;
            }
        }
        return XlsError::none;
    }

    XlsError ReadCell(CXmlReader& x, long row, long column) {
        std::string type, v, value;
        x.Attribute("t", type);
        long s = 0;
        XlsStyle style = XlsStyle::general;
        if (x.Attribute("s", v)) {
            if (!ParseLong(v, s) || s < 0) return XlsError::damaged;
            if (static_cast<std::size_t>(s) < m_styles.size()) style = m_styles[static_cast<std::size_t>(s)];
        }
        std::u16string inlineText;
        bool hasValue = false, hasInline = false;
        const std::size_t depth = x.Depth();
        for (;;) {
            const CXmlReader::Token t = x.Next();
            if (t == CXmlReader::error || t == CXmlReader::done) return XlsError::damaged;
            if (t == CXmlReader::end && x.Depth() < depth) break;
            if (t != CXmlReader::start) continue;
            if (x.Name() == "v") {
                value.clear();
                for (CXmlReader::Token u; (u = x.Next()) != CXmlReader::end;) {
                    if (u != CXmlReader::text) return XlsError::damaged;
                    value += x.Text();
                }
                hasValue = true;
            } else if (x.Name() == "is") {
                if (!RunText(x, inlineText)) return XlsError::damaged;
                hasInline = true;
            } else if (!x.SkipElement()) {   // formulas and extensions: the cached value is what counts
                return XlsError::damaged;
            }
        }
        if (type == "inlineStr") {
            if (!hasInline) return XlsError::none;
            return SetText(row, column, std::move(inlineText), style);
        }
        if (!hasValue) return XlsError::none;
        if (type == "s") {
            long index = 0;
            if (!ParseLong(value, index) || index < 0 || static_cast<std::size_t>(index) >= m_strings.size()) return XlsError::damaged;
            XlsCell* cell = Place(row, column);
            if (!cell) return XlsError::xlsxTooLarge;
            *cell = XlsCell{};
            cell->kind = XlsCellKind::text;
            cell->style = style == XlsStyle::prefixedText ? style : XlsStyle::general;
            cell->text = m_strings[static_cast<std::size_t>(index)];
            return XlsError::none;
        }
        if (type == "str") return SetText(row, column, XmlTextToUtf16(value), style);
        XlsCell* cell = Place(row, column);
        if (!cell) return XlsError::xlsxTooLarge;
        *cell = XlsCell{};
        double d = 0;
        if (type == "b") {
            cell->kind = XlsCellKind::boolean;
            cell->code = value == "1" || value == "true" ? 1 : 0;
        } else if (type == "e") {
            cell->kind = XlsCellKind::error;
            cell->code = ErrorCode(value);
        } else if (type == "d") {
            if (!ParseIsoDate(value, d)) return XlsError::damaged;
            cell->kind = XlsCellKind::number;
            cell->style = XlsStyle::date;
            cell->number = m_sheet.m_b1904 ? d - 1462 : d;
        } else if (type.empty() || type == "n") {
            if (!ParseNumber(value, d)) return XlsError::damaged;
            cell->kind = XlsCellKind::number;
            cell->style = style == XlsStyle::prefixedText ? XlsStyle::general : style;
            cell->number = d;
        } else {
            return XlsError::damaged;
        }
        return XlsError::none;
    }

    XlsError SetText(long row, long column, std::u16string text, XlsStyle style) {
        if (text.size() > 32767) text.resize(32767);
        XlsCell* cell = Place(row, column);
        if (!cell) return XlsError::xlsxTooLarge;
        *cell = XlsCell{};
        cell->kind = XlsCellKind::text;
        cell->style = style == XlsStyle::prefixedText ? style : XlsStyle::general;
        cell->text = m_sheet.AppendString(std::move(text));
        return XlsError::none;
    }

    std::string_view m_file;
    CXlsSheet& m_sheet;
    CZipReader m_zip;
    std::vector<XlsStyle> m_styles;
    std::vector<std::uint32_t> m_strings;
    long long m_nCells = 0;
};

}  // namespace

XlsError ReadXlsxWorkbook(std::string_view file, CXlsSheet& sheet) {
    sheet = CXlsSheet();
    const XlsError e = CXlsxReader(file, sheet).Read();
    if (e != XlsError::none) sheet = CXlsSheet();
    return e;
}

}  // namespace vemra
