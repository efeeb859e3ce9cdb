// Reading: the compound file's "Workbook" stream, then the BIFF8 records of its first sheet.
// Every offset, count and chain is checked against what the file holds.

#include <algorithm>
#include <cstring>
#include <optional>

#include "excel/xls_internal.h"
#include "excel/xls_workbook.h"

namespace vemra {

namespace {

using namespace xls;

std::uint16_t Get16(std::string_view s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8));
}
std::uint32_t Get32(std::string_view s, std::size_t at) {
    return Get16(s, at) | (static_cast<std::uint32_t>(Get16(s, at + 2)) << 16);
}
double GetF64(std::string_view s, std::size_t at) {
    const std::uint64_t bits = Get32(s, at) | (static_cast<std::uint64_t>(Get32(s, at + 4)) << 32);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

// ---- compound file ----------------------------------------------------------------------

class CCompoundFile {
public:
    explicit CCompoundFile(std::string_view file) : m_file(file) {}

    XlsError Open() {
        if (m_file.size() < 512) return XlsError::damaged;
        const unsigned major = Get16(m_file, 26);
        const unsigned shift = Get16(m_file, 30);
        if (Get16(m_file, 28) != 0xFFFE || Get16(m_file, 32) != 6) return XlsError::damaged;
        if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) return XlsError::damaged;
        m_nSectorSize = std::size_t{1} << shift;
        if (m_file.size() < m_nSectorSize) return XlsError::damaged;
        m_nSectors = (m_file.size() - m_nSectorSize + m_nSectorSize - 1) / m_nSectorSize;
        m_nMiniCutoff = Get32(m_file, 56);

        // The FAT's sectors: 109 in the header, the rest in a chain of DIFAT sectors.
        const std::uint32_t nFat = Get32(m_file, 44);
        if (nFat > m_nSectors) return XlsError::damaged;
        std::vector<std::uint32_t> fatSectors;
        for (std::size_t i = 0; i < 109 && fatSectors.size() < nFat; ++i) fatSectors.push_back(Get32(m_file, 76 + 4 * i));
        std::uint32_t difat = Get32(m_file, 68);
        const std::size_t perDifat = m_nSectorSize / 4 - 1;
        for (std::size_t steps = 0; fatSectors.size() < nFat; ++steps) {
            if (difat >= m_nSectors || steps > m_nSectors) return XlsError::damaged;
            const std::string_view d = Sector(difat);
            if (d.size() < m_nSectorSize) return XlsError::damaged;
            for (std::size_t i = 0; i < perDifat && fatSectors.size() < nFat; ++i) fatSectors.push_back(Get32(d, 4 * i));
            difat = Get32(d, 4 * perDifat);
        }
        m_fat.reserve(fatSectors.size() * (m_nSectorSize / 4));
        for (std::uint32_t s : fatSectors) {
            if (s >= m_nSectors) return XlsError::damaged;
            const std::string_view d = Sector(s);
            for (std::size_t i = 0; i + 4 <= d.size(); i += 4) m_fat.push_back(Get32(d, i));
        }

        std::string dir;
        if (!ReadChain(m_fat, Get32(m_file, 48), std::nullopt, dir)) return XlsError::damaged;
        m_directory = std::move(dir);
        if (m_directory.size() < 128 || m_directory[66] != 5) return XlsError::damaged;
        return XlsError::none;
    }

    // The workbook stream among the root storage's streams.
    XlsError ReadWorkbook(std::string& out) {
        const std::size_t nEntries = m_directory.size() / 128;
        std::vector<bool> seen(nEntries, false);
        std::vector<std::uint32_t> pending{Get32(m_directory, 76)};
        std::optional<std::uint32_t> workbook;
        bool book = false, encryptedPackage = false;
        while (!pending.empty()) {
            const std::uint32_t e = pending.back();
            pending.pop_back();
            if (e == kNoStream) continue;
            if (e >= nEntries || seen[e]) return XlsError::damaged;
            seen[e] = true;
            const std::string_view entry = std::string_view(m_directory).substr(128 * e, 128);
            pending.push_back(Get32(entry, 68));
            pending.push_back(Get32(entry, 72));
            if (entry[66] != 2) continue;
            const std::string name = EntryName(entry);
            if (name == "workbook") workbook = e;
            else if (name == "book") book = true;
            else if (name == "encryptedpackage") encryptedPackage = true;
        }
        if (!workbook) {
            if (encryptedPackage) return XlsError::encrypted;
            return book ? XlsError::olderFormat : XlsError::notWorkbook;
        }
        const std::string_view entry = std::string_view(m_directory).substr(128 * *workbook, 128);
        const std::uint32_t start = Get32(entry, 116);
        const std::uint32_t size = Get32(entry, 120);   // version 3 ignores the high half
        if (size >= m_nMiniCutoff) return ReadChain(m_fat, start, size, out) ? XlsError::none : XlsError::damaged;
        return ReadMini(start, size, out) ? XlsError::none : XlsError::damaged;
    }

private:
    std::string_view Sector(std::uint32_t s) const {
        const std::size_t at = (static_cast<std::size_t>(s) + 1) * m_nSectorSize;
        if (at >= m_file.size()) return {};
        return m_file.substr(at, m_nSectorSize);
    }

    static std::string EntryName(std::string_view entry) {
        const unsigned bytes = Get16(entry, 64);
        std::string name;
        for (unsigned i = 0; i + 2 < bytes && i < 62; i += 2) {
            const unsigned c = Get16(entry, i);
            name += static_cast<char>(c < 128 ? std::tolower(static_cast<int>(c)) : '?');
        }
        return name;
    }

    // A chain of sectors of the given table; bounded by the number of sectors there are, so a
    // loop ends as damage. With a size, the chain must hold that many bytes.
    bool ReadChain(const std::vector<std::uint32_t>& table, std::uint32_t start, std::optional<std::uint32_t> size,
                   std::string& out) const {
        out.clear();
        if (size) out.reserve(std::min<std::size_t>(*size, m_file.size()));
        std::uint32_t s = start;
        for (std::size_t steps = 0; s != kEndOfChain; ++steps) {
            if (size && out.size() >= *size) break;
            if (steps >= m_nSectors || s >= m_nSectors || s >= table.size()) return false;
            const std::string_view d = Sector(s);
            if (d.empty()) return false;
            out.append(d);
            out.append(m_nSectorSize - d.size(), '\0');   // a short last sector
            s = table[s];
        }
        if (size) {
            if (out.size() < *size) return false;
            out.resize(*size);
        }
        return true;
    }

    bool ReadMini(std::uint32_t start, std::uint32_t size, std::string& out) const {
        std::string miniFatBytes, ministream;
        if (!ReadChain(m_fat, Get32(m_file, 60), std::nullopt, miniFatBytes)) return false;
        const std::string_view root(m_directory.data(), 128);
        const std::uint32_t rootSize = Get32(root, 120);
        if (!ReadChain(m_fat, Get32(root, 116), rootSize, ministream)) return false;
        std::vector<std::uint32_t> miniFat;
        for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4) miniFat.push_back(Get32(miniFatBytes, i));
        out.clear();
        std::uint32_t s = start;
        for (std::size_t steps = 0; out.size() < size; ++steps) {
            if (s == kEndOfChain || steps > miniFat.size() || s >= miniFat.size()) return false;
            const std::size_t at = static_cast<std::size_t>(s) * 64;
            if (at + 64 > ministream.size()) return false;
            out.append(ministream, at, 64);
            s = miniFat[s];
        }
        out.resize(size);
        return true;
    }

    std::string_view m_file;
    std::size_t m_nSectorSize = 512;
    std::size_t m_nSectors = 0;
    std::uint32_t m_nMiniCutoff = kMiniStreamCutoff;
    std::vector<std::uint32_t> m_fat;
    std::string m_directory;
};

// ---- records ----------------------------------------------------------------------------

struct Record {
    unsigned type = 0;
    std::string_view data;
};

class CRecords {
public:
    CRecords(std::string_view stream, std::size_t at) : m_stream(stream), m_pos(at) {}
    // False at the end of the stream; a record that runs past the end is damage.
    bool Next(Record& r) {
        if (m_pos + 4 > m_stream.size()) return false;
        r.type = Get16(m_stream, m_pos);
        const std::size_t length = Get16(m_stream, m_pos + 2);
        if (m_pos + 4 + length > m_stream.size()) {
            m_bDamaged = true;
            return false;
        }
        r.data = m_stream.substr(m_pos + 4, length);
        m_pos += 4 + length;
        return true;
    }
    // The CONTINUE records that follow, taken along.
    std::vector<std::string_view> WithContinues(std::string_view first) {
        std::vector<std::string_view> segments{first};
        while (m_pos + 4 <= m_stream.size() && Get16(m_stream, m_pos) == recContinue) {
            Record r;
            if (!Next(r)) break;
            segments.push_back(r.data);
        }
        return segments;
    }
    bool Damaged() const { return m_bDamaged; }

private:
    std::string_view m_stream;
    std::size_t m_pos;
    bool m_bDamaged = false;
};

// A record and its CONTINUE records read as one, where characters that cross into a CONTINUE
// record start it with a new width flag.
class CSegments {
public:
    explicit CSegments(std::vector<std::string_view> segments) : m_segs(std::move(segments)) {}
    bool U8(unsigned& v) {
        while (m_nPos >= m_segs[m_nSeg].size()) {
            if (m_nSeg + 1 >= m_segs.size()) return false;
            ++m_nSeg;
            m_nPos = 0;
        }
        v = static_cast<unsigned char>(m_segs[m_nSeg][m_nPos++]);
        return true;
    }
    bool U16(unsigned& v) {
        unsigned a, b;
        if (!U8(a) || !U8(b)) return false;
        v = a | (b << 8);
        return true;
    }
    bool U32(std::uint32_t& v) {
        unsigned a, b;
        if (!U16(a) || !U16(b)) return false;
        v = a | (static_cast<std::uint32_t>(b) << 16);
        return true;
    }
    bool Skip(std::uint64_t n) {
        while (n > 0) {
            if (m_nPos >= m_segs[m_nSeg].size()) {
                if (m_nSeg + 1 >= m_segs.size()) return false;
                ++m_nSeg;
                m_nPos = 0;
                continue;
            }
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_segs[m_nSeg].size() - m_nPos));
            m_nPos += take;
            n -= take;
        }
        return true;
    }
    bool Chars(std::size_t count, bool wide, std::u16string& out) {
        out.clear();
        while (out.size() < count) {
            if (m_nPos >= m_segs[m_nSeg].size()) {
                if (m_nSeg + 1 >= m_segs.size()) return false;
                ++m_nSeg;
                m_nPos = 0;
                if (m_segs[m_nSeg].empty()) return false;
                wide = (m_segs[m_nSeg][m_nPos++] & 1) != 0;
            }
            const std::string_view s = m_segs[m_nSeg];
            const std::size_t width = wide ? 2 : 1;
            const std::size_t avail = (s.size() - m_nPos) / width;
            if (avail == 0) return false;   // half a character
            const std::size_t n = std::min(avail, count - out.size());
            for (std::size_t i = 0; i < n; ++i) {
                out += wide ? static_cast<char16_t>(Get16(s, m_nPos)) : static_cast<char16_t>(static_cast<unsigned char>(s[m_nPos]));
                m_nPos += width;
            }
        }
        return true;
    }
    bool AtEnd() const {
        for (std::size_t s = m_nSeg; s < m_segs.size(); ++s)
            if ((s == m_nSeg ? m_segs[s].size() - std::min(m_nPos, m_segs[s].size()) : m_segs[s].size()) > 0) return false;
        return true;
    }

    // An XLUnicodeRichExtendedString (shared strings) or XLUnicodeString (without runs).
    bool String(std::u16string& out, bool lengthIsByte = false) {
        unsigned cch, flags;
        if (lengthIsByte) {
            if (!U8(cch)) return false;
        } else if (!U16(cch)) {
            return false;
        }
        if (!U8(flags)) return false;
        unsigned runs = 0;
        std::uint32_t ext = 0;
        if ((flags & 0x08) && !U16(runs)) return false;
        if ((flags & 0x04) && !U32(ext)) return false;
        if (!Chars(cch, (flags & 1) != 0, out)) return false;
        return Skip(4ull * runs) && Skip(ext);
    }

private:
    std::vector<std::string_view> m_segs;
    std::size_t m_nSeg = 0;
    std::size_t m_nPos = 0;
};

// ---- the workbook -----------------------------------------------------------------------

class CWorkbookReader {
public:
    CWorkbookReader(std::string_view stream, CXlsSheet& sheet) : m_stream(stream), m_sheet(sheet) {}

    XlsError Read() {
        CRecords records(m_stream, 0);
        Record r;
        if (!records.Next(r) || r.data.size() < 4) return XlsError::notWorkbook;
        if (r.type != recBof) return (r.type == 0x0009 || r.type == 0x0209 || r.type == 0x0409) ? XlsError::olderFormat
                                                                                                  : XlsError::notWorkbook;
        if (Get16(r.data, 0) != 0x0600) return XlsError::olderFormat;
        if (Get16(r.data, 2) != 0x0005) return XlsError::damaged;

        std::optional<std::uint32_t> sheetAt;
        bool ended = false;
        while (!ended && records.Next(r)) {
            const std::string_view d = r.data;
            switch (r.type) {
            case recFilePass: return XlsError::encrypted;
            case recDateMode:
                if (d.size() >= 2) m_sheet.m_b1904 = Get16(d, 0) != 0;
                break;
            case recFormat: {
                if (d.size() < 2) return XlsError::damaged;
                CSegments s({d.substr(2)});
                std::u16string text;
                if (!s.String(text)) return XlsError::damaged;
                const unsigned index = Get16(d, 0);
                m_formats.emplace_back(index, IsDateFormat(static_cast<int>(index), text));
                break;
            }
            case recXf:
                if (d.size() < 6) return XlsError::damaged;
                m_xfFormats.push_back(Get16(d, 2));
                m_xfPrefixed.push_back((Get16(d, 4) & 0x0008) != 0);
                break;
            case recBoundSheet:
                if (d.size() < 6) return XlsError::damaged;
                if (!sheetAt) sheetAt = Get32(d, 0);
                break;
            case recSst:
                if (!ReadSst(records.WithContinues(d))) return XlsError::damaged;
                break;
            case recEof: ended = true; break;
            default: break;
            }
        }
        if (records.Damaged() || !ended) return XlsError::damaged;
        if (!sheetAt) return XlsError::none;   // a workbook without sheets reads as empty
        if (*sheetAt >= m_stream.size()) return XlsError::damaged;
        return ReadSheet(*sheetAt);
    }

private:
    bool ReadSst(std::vector<std::string_view> segments) {
        if (segments[0].size() < 8) return false;
        const std::uint32_t unique = Get32(segments[0], 4);
        segments[0] = segments[0].substr(8);
        CSegments s(std::move(segments));
        std::u16string text;
        // The count is a claim; the data decides, and ending between strings is no damage.
        for (std::uint32_t i = 0; i < unique && !s.AtEnd(); ++i) {
            if (!s.String(text)) return false;
            m_strings.push_back(m_sheet.AppendString(std::move(text)));
        }
        return true;
    }

    XlsStyle StyleOf(unsigned xf) const {
        if (xf >= m_xfFormats.size()) return XlsStyle::general;
        if (m_xfPrefixed[xf]) return XlsStyle::prefixedText;
        const unsigned format = m_xfFormats[xf];
        for (const auto& f : m_formats)
            if (f.first == format) return f.second ? XlsStyle::date : XlsStyle::general;
        return IsDateFormat(static_cast<int>(format), {}) ? XlsStyle::date : XlsStyle::general;
    }

    static double RkValue(std::uint32_t rk) {
        double d;
        if (rk & 2) {
            d = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
        } else {
            const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
            std::memcpy(&d, &bits, 8);
        }
        return (rk & 1) ? d / 100 : d;
    }

    // A cell's place, checked: false for damage; columns beyond the sheet's 256 are dropped.
    bool Place(std::string_view d, std::size_t minSize, long& row, long& column, unsigned& xf) const {
        if (d.size() < minSize) return false;
        row = Get16(d, 0);
        column = Get16(d, 2);
        xf = Get16(d, 4);
        return true;
    }

    void Number(long row, long column, unsigned xf, double value) {
        if (column >= CXlsSheet::kMaxColumns) return;
        m_sheet.SetNumber(row, column, value, StyleOf(xf));
    }
    bool Text(long row, long column, std::u16string_view text) {
        if (column >= CXlsSheet::kMaxColumns) return true;
        XlsCell& cell = m_sheet.Cell(row, column);
        cell = XlsCell{};
        cell.kind = XlsCellKind::text;
        cell.text = m_sheet.AppendString(std::u16string(text));
        return true;
    }
    void Special(long row, long column, XlsCellKind kind, unsigned code) {
        if (column >= CXlsSheet::kMaxColumns) return;
        XlsCell& cell = m_sheet.Cell(row, column);
        cell = XlsCell{};
        cell.kind = kind;
        cell.code = static_cast<std::uint8_t>(code);
    }

    // The formula cell whose text the next STRING record brings.
    struct PendingText {
        bool waiting = false;
        long row = 0, column = 0;
    };

    XlsError ReadSheet(std::size_t at) {
        CRecords records(m_stream, at);
        Record r;
        if (!records.Next(r) || r.type != recBof || r.data.size() < 4) return XlsError::damaged;
        if (Get16(r.data, 2) != 0x0010) return XlsError::none;   // a chart or macro sheet first: no cells
        PendingText pending;
        for (;;) {
            if (!records.Next(r)) return XlsError::damaged;   // the sheet must end with EOF
            if (r.type == recEof) break;
            if (r.type == recFilePass) return XlsError::encrypted;
            if (r.type == recBof || !CellRecord(records, r, pending)) return XlsError::damaged;
        }
        return records.Damaged() ? XlsError::damaged : XlsError::none;
    }

    // One record of a sheet; false when it is damaged.
    bool CellRecord(CRecords& records, const Record& r, PendingText& pending) {
        const std::string_view d = r.data;
        long row, column;
        unsigned xf;
        switch (r.type) {
        case recLabelSst:
            if (!Place(d, 10, row, column, xf) || Get32(d, 6) >= m_strings.size()) return false;
            if (column < CXlsSheet::kMaxColumns) {
                XlsCell& cell = m_sheet.Cell(row, column);
                cell = XlsCell{};
                cell.kind = XlsCellKind::text;
                cell.style = StyleOf(xf) == XlsStyle::prefixedText ? XlsStyle::prefixedText : XlsStyle::general;
                cell.text = m_strings[Get32(d, 6)];
            }
            return true;
        case recLabel:
        case recRString: {
            if (!Place(d, 9, row, column, xf)) return false;
            CSegments s(records.WithContinues(d.substr(6)));
            std::u16string text;
            unsigned cch, flags;
            if (!s.U16(cch) || !s.U8(flags) || !s.Chars(cch, (flags & 1) != 0, text)) return false;
            Text(row, column, text);
            return true;
        }
        case recNumber:
            if (!Place(d, 14, row, column, xf)) return false;
            Number(row, column, xf, GetF64(d, 6));
            return true;
        case recRk:
            if (!Place(d, 10, row, column, xf)) return false;
            Number(row, column, xf, RkValue(Get32(d, 6)));
            return true;
        case recBoolErr:
            if (!Place(d, 8, row, column, xf)) return false;
            Special(row, column, d[7] ? XlsCellKind::error : XlsCellKind::boolean, static_cast<unsigned char>(d[6]));
            return true;
        case recBlank:
            if (!Place(d, 6, row, column, xf)) return false;
            Special(row, column, XlsCellKind::blank, 0);
            return true;
        case recMulRk:
        case recMulBlank: return MultipleCells(d, r.type == recMulRk);
        case recFormula: return Formula(d, pending);
        case recString: {
            CSegments s(records.WithContinues(d));
            std::u16string text;
            if (!s.String(text)) return false;
            if (pending.waiting) Text(pending.row, pending.column, text);
            pending.waiting = false;
            return true;
        }
        case recRow:
            if (d.size() < 16) return false;
            if (Get32(d, 12) & 0x40) m_sheet.SetRowHeight(Get16(d, 0), Get16(d, 6) & 0x7FFF);
            return true;
        default: return true;
        }
    }

    // MULRK (numbers of 6 bytes each) or MULBLANK (styles of 2 bytes each) along a row.
    bool MultipleCells(std::string_view d, bool numbers) {
        const std::size_t each = numbers ? 6 : 2;
        if (d.size() < 6 || (d.size() - 6) % each != 0) return false;
        const long row = Get16(d, 0);
        const long column = Get16(d, 2);
        const std::size_t n = (d.size() - 6) / each;
        if (Get16(d, d.size() - 2) != column + n - 1) return false;
        for (std::size_t i = 0; i < n; ++i) {
            if (numbers)
                Number(row, column + static_cast<long>(i), Get16(d, 4 + 6 * i), RkValue(Get32(d, 6 + 6 * i)));
            else
                Special(row, column + static_cast<long>(i), XlsCellKind::blank, 0);
        }
        return true;
    }

    bool Formula(std::string_view d, PendingText& pending) {
        long row, column;
        unsigned xf;
        if (!Place(d, 14, row, column, xf)) return false;
        pending.waiting = false;
        if (Get16(d, 12) != 0xFFFF) {
            Number(row, column, xf, GetF64(d, 6));
            return true;
        }
        switch (static_cast<unsigned char>(d[6])) {
        case 0: pending = {true, row, column}; break;
        case 1: Special(row, column, XlsCellKind::boolean, static_cast<unsigned char>(d[8])); break;
        case 2: Special(row, column, XlsCellKind::error, static_cast<unsigned char>(d[8])); break;
        default: Special(row, column, XlsCellKind::blank, 0); break;   // an empty text
        }
        return true;
    }

    std::string_view m_stream;
    CXlsSheet& m_sheet;
    std::vector<std::pair<unsigned, bool>> m_formats;   // number format index, shows a date
    std::vector<unsigned> m_xfFormats;                  // number format of each XF
    std::vector<bool> m_xfPrefixed;                     // and whether it has the text prefix
    std::vector<std::uint32_t> m_strings;               // shared string index to the sheet's
};

}  // namespace

XlsError ReadXlsWorkbook(std::string_view file, CXlsSheet& sheet) {
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (file.size() >= 4 && file.substr(0, 4) == std::string_view("PK\x03\x04", 4)) return XlsError::newerFormat;
    if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) {
        // Excel 2 to 4 wrote a bare record stream that starts with a BOF record.
        if (file.size() >= 4 && file[1] <= 0x04 && file[0] == 0x09 && (file[1] & 1) == 0) return XlsError::olderFormat;
        return XlsError::notWorkbook;
    }
    CCompoundFile compound(file);
    if (const XlsError e = compound.Open(); e != XlsError::none) return e;
    std::string stream;
    if (const XlsError e = compound.ReadWorkbook(stream); e != XlsError::none) return e;
    return CWorkbookReader(stream, sheet).Read();
}

}  // namespace vemra
