// Writing: the BIFF8 records of one worksheet, in the "Workbook" stream of a compound file.

#include <algorithm>
#include <cstring>

#include "excel/xls_internal.h"
#include "excel/xls_workbook.h"

namespace vemra {

namespace {

using namespace xls;

class CRecordWriter {
public:
    std::string data;

    void U8(unsigned v) { data += static_cast<char>(v & 0xFF); }
    void U16(unsigned v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void F64(double d) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        U32(static_cast<std::uint32_t>(bits));
        U32(static_cast<std::uint32_t>(bits >> 32));
    }
    // Starts a record; End() fills in its length.
    void Begin(unsigned type) {
        U16(type);
        m_nLengthAt = data.size();
        U16(0);
    }
    void End() {
        const std::size_t length = data.size() - m_nLengthAt - 2;
        data[m_nLengthAt] = static_cast<char>(length & 0xFF);
        data[m_nLengthAt + 1] = static_cast<char>(length >> 8);
    }
    std::size_t Length() const { return data.size() - m_nLengthAt - 2; }
    std::size_t RecordStart() const { return m_nLengthAt - 2; }
    // A string's characters: one byte each when every one fits, else UTF-16.
    void Chars(std::u16string_view s, bool compressed) {
        for (char16_t c : s) compressed ? U8(c) : U16(c);
    }

private:
    std::size_t m_nLengthAt = 0;
};

bool Compressible(std::u16string_view s) {
    return std::all_of(s.begin(), s.end(), [](char16_t c) { return c < 0x100; });
}

constexpr std::size_t kHeaderRoom = 512;

// XF indexes: 0-14 style records, 15 the default cell format, then ours.
constexpr unsigned kXfGeneral = 15, kXfDate = 16, kXfTime = 17, kXfDateTime = 18, kXfPrefixed = 19;
constexpr unsigned kFormatDate = 14;          // built-in short date, shown in the reader's locale
constexpr unsigned kFormatTime = 164;         // ours: "h:mm"
constexpr unsigned kFormatDateTime = 22;      // built-in "m/d/yy h:mm"

unsigned XfOf(XlsStyle style) {
    switch (style) {
    case XlsStyle::date: return kXfDate;
    case XlsStyle::time: return kXfTime;
    case XlsStyle::dateTime: return kXfDateTime;
    case XlsStyle::prefixedText: return kXfPrefixed;
    case XlsStyle::general: break;
    }
    return kXfGeneral;
}

void WriteXf(CRecordWriter& w, unsigned format, bool style, bool prefixed = false) {
    w.Begin(recXf);
    w.U16(0);                                     // font
    w.U16(format);
    w.U16(style ? 0xFFF5 : (0x0001 | (prefixed ? 0x0008 : 0)));   // locked; style or parent 0
    w.U8(0x20);                                   // bottom aligned
    w.U8(0);
    w.U8(0);
    w.U8(style ? 0xF4 : (format ? 0x04 : 0));     // attributes of its own
    w.U32(0);
    w.U32(0);
    w.U16(0x20C0);                                // default pattern colours
    w.End();
}

void WriteString(CRecordWriter& w, std::u16string_view s) {   // XLUnicodeString
    const bool compressed = Compressible(s);
    w.U16(static_cast<unsigned>(s.size()));
    w.U8(compressed ? 0 : 1);
    w.Chars(s, compressed);
}

// The shared strings, split over CONTINUE records where they outgrow one record. A string's
// header never splits; its characters may, and the continuation repeats the width flag.
// EXTSST follows: where every dsst-th string starts, in the stream and in its record.
void WriteSst(CRecordWriter& w, const CXlsSheet& sheet, std::uint32_t total) {
    const auto count = static_cast<std::uint32_t>(sheet.StringCount());
    const std::uint32_t perBucket = std::max<std::uint32_t>(8, count / 128 + 1);   // at most 128 buckets
    std::vector<std::pair<std::uint32_t, unsigned>> buckets;
    w.Begin(recSst);
    w.U32(total);
    w.U32(static_cast<std::uint32_t>(sheet.StringCount()));
    for (std::uint32_t i = 0; i < sheet.StringCount(); ++i) {
        std::u16string_view s = sheet.String(i);
        const bool compressed = Compressible(s);
        if (w.Length() + 3 > kMaxRecordData) {
            w.End();
            w.Begin(recContinue);
        }
        if (i % perBucket == 0)
            buckets.emplace_back(static_cast<std::uint32_t>(w.data.size() - kHeaderRoom),
                                 static_cast<unsigned>(w.data.size() - w.RecordStart()));
        w.U16(static_cast<unsigned>(s.size()));
        w.U8(compressed ? 0 : 1);
        const std::size_t width = compressed ? 1 : 2;
        while (!s.empty()) {
            std::size_t room = (kMaxRecordData - w.Length()) / width;
            if (room == 0) {
                w.End();
                w.Begin(recContinue);
                w.U8(compressed ? 0 : 1);
                room = (kMaxRecordData - w.Length()) / width;
            }
            const std::size_t n = std::min(room, s.size());
            w.Chars(s.substr(0, n), compressed);
            s.remove_prefix(n);
        }
    }
    w.End();
    w.Begin(recExtSst);
    w.U16(perBucket);
    for (const auto& [streamPos, recordOffset] : buckets) {
        w.U32(streamPos);
        w.U16(recordOffset);
        w.U16(0);
    }
    w.End();
}

// An RK value when the number fits one exactly: a 30-bit integer, or a double whose low 34
// bits are zero.
bool ToRk(double d, std::uint32_t& rk) {
    if (d >= -536870912.0 && d <= 536870911.0 && d == static_cast<double>(static_cast<long>(d))) {
        rk = (static_cast<std::uint32_t>(static_cast<std::int32_t>(d)) << 2) | 2;
        return true;
    }
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    if ((bits & 0x3FFFFFFFFull) != 0) return false;
    rk = static_cast<std::uint32_t>(bits >> 32);
    return true;
}

void WriteCell(CRecordWriter& w, const CXlsSheet& sheet, long r, long c, const XlsCell& cell) {
    const unsigned xf = XfOf(cell.style);
    switch (cell.kind) {
    case XlsCellKind::empty: return;
    case XlsCellKind::blank:
        w.Begin(recBlank);
        w.U16(r); w.U16(c); w.U16(xf);
        break;
    case XlsCellKind::text:
        w.Begin(recLabelSst);
        w.U16(r); w.U16(c); w.U16(xf);
        w.U32(cell.text);
        break;
    case XlsCellKind::number: {
        std::uint32_t rk;
        if (ToRk(cell.number, rk)) {
            w.Begin(recRk);
            w.U16(r); w.U16(c); w.U16(xf);
            w.U32(rk);
        } else {
            w.Begin(recNumber);
            w.U16(r); w.U16(c); w.U16(xf);
            w.F64(cell.number);
        }
        break;
    }
    case XlsCellKind::boolean:
    case XlsCellKind::error:
        w.Begin(recBoolErr);
        w.U16(r); w.U16(c); w.U16(xf);
        w.U8(cell.code);
        w.U8(cell.kind == XlsCellKind::error ? 1 : 0);
        break;
    }
    (void)sheet;
    w.End();
}

void WriteSheet(CRecordWriter& w, const CXlsSheet& sheet) {
    w.Begin(recBof);
    w.U16(0x0600); w.U16(0x0010); w.U16(0x0DBB); w.U16(0x07CC); w.U32(0x41); w.U32(0x06);
    w.End();
    long r0 = 0, c0 = 0, r1 = -1, c1 = -1;
    const bool any = sheet.UsedRange(r0, c0, r1, c1);
    w.Begin(recDimension);
    w.U32(any ? static_cast<std::uint32_t>(r0) : 0);
    w.U32(any ? static_cast<std::uint32_t>(r1 + 1) : 0);
    w.U16(any ? c0 : 0);
    w.U16(any ? c1 + 1 : 0);
    w.U16(0);
    w.End();

    // Rows in blocks of 32, each block's ROW records before its cells, as Excel writes them.
    long rows = sheet.RowCount();
    for (long r = rows; r < CXlsSheet::kMaxRows; ++r)
        if (sheet.HasCustomHeight(r)) rows = r + 1;
    for (long block = 0; block < rows; block += 32) {
        const long end = std::min(rows, block + 32);
        for (long r = block; r < end; ++r) {
            const bool hasCells = r < sheet.RowCount() && !sheet.Row(r).empty();
            if (!hasCells && !sheet.HasCustomHeight(r)) continue;
            long first = 0, last = 0;
            if (hasCells) {
                const auto& cells = sheet.Row(r);
                while (first < static_cast<long>(cells.size()) && cells[first].kind == XlsCellKind::empty) ++first;
                last = static_cast<long>(cells.size());
                if (first == last) first = last = 0;
            }
            w.Begin(recRow);
            w.U16(r); w.U16(first); w.U16(last);
            w.U16(sheet.RowHeight(r));
            w.U16(0); w.U16(0);
            w.U32(0x000F0100u | (sheet.HasCustomHeight(r) ? 0x40u : 0u));
            w.End();
        }
        for (long r = block; r < std::min(end, sheet.RowCount()); ++r) {
            const auto& cells = sheet.Row(r);
            for (long c = 0; c < static_cast<long>(cells.size()); ++c) WriteCell(w, sheet, r, c, cells[c]);
        }
    }

    w.Begin(recWindow2);
    w.U16(0x06B6); w.U16(0); w.U16(0); w.U16(0x40); w.U16(0); w.U16(0); w.U16(0); w.U32(0);
    w.End();
    w.Begin(recEof);
    w.End();
}

// The workbook stream behind 512 bytes of room for the compound file's header, so that the
// file is made in the same buffer.
std::string WriteWorkbookStream(const CXlsSheet& sheet) {
    CRecordWriter w;
    w.data.assign(kHeaderRoom, '\0');
    w.Begin(recBof);
    w.U16(0x0600); w.U16(0x0005); w.U16(0x0DBB); w.U16(0x07CC); w.U32(0x41); w.U32(0x06);
    w.End();
    w.Begin(recCodePage);
    w.U16(1200);   // texts are Unicode
    w.End();
    w.Begin(recWindow1);
    w.U16(0); w.U16(0); w.U16(0x4000); w.U16(0x2000); w.U16(0x0038); w.U16(0); w.U16(0); w.U16(1); w.U16(0x0258);
    w.End();
    w.Begin(recDateMode);
    w.U16(sheet.m_b1904 ? 1 : 0);
    w.End();
    for (int i = 0; i < 4; ++i) {   // Excel expects four fonts (the fifth index is never used)
        w.Begin(recFont);
        w.U16(200); w.U16(0); w.U16(0x7FFF); w.U16(400); w.U16(0); w.U8(0); w.U8(0); w.U8(0); w.U8(0);
        w.U8(5); w.U8(0);
        w.Chars(u"Arial", true);
        w.End();
    }
    w.Begin(recFormat);
    w.U16(kFormatTime);
    WriteString(w, u"h:mm");
    w.End();
    for (int i = 0; i < 15; ++i) WriteXf(w, 0, true);
    WriteXf(w, 0, false);
    WriteXf(w, kFormatDate, false);
    WriteXf(w, kFormatTime, false);
    WriteXf(w, kFormatDateTime, false);
    WriteXf(w, 0, false, true);
    w.Begin(recStyle);
    w.U16(0x8000); w.U8(0); w.U8(0xFF);
    w.End();

    w.Begin(recBoundSheet);
    const std::size_t sheetOffsetAt = w.data.size();
    w.U32(0);   // filled in below
    w.U16(0);   // visible worksheet
    w.U8(6); w.U8(0);
    w.Chars(u"Sheet1", true);
    w.End();

    std::uint32_t total = 0;
    for (long r = 0; r < sheet.RowCount(); ++r)
        for (const XlsCell& cell : sheet.Row(r))
            if (cell.kind == XlsCellKind::text) ++total;
    WriteSst(w, sheet, total);
    w.Begin(recEof);
    w.End();

    const auto sheetOffset = static_cast<std::uint32_t>(w.data.size() - kHeaderRoom);
    for (int i = 0; i < 4; ++i) w.data[sheetOffsetAt + i] = static_cast<char>((sheetOffset >> (8 * i)) & 0xFF);
    WriteSheet(w, sheet);
    return std::move(w.data);
}

void Put16(std::string& s, std::size_t at, unsigned v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

void PutDirEntry(std::string& s, std::size_t at, std::u16string_view name, int type, std::uint32_t child,
                 std::uint32_t start, std::uint32_t size) {
    for (std::size_t i = 0; i < name.size(); ++i) Put16(s, at + 2 * i, name[i]);
    Put16(s, at + 64, static_cast<unsigned>(2 * (name.size() + 1)));
    s[at + 66] = static_cast<char>(type);
    s[at + 67] = 1;                      // black
    Put32(s, at + 68, kNoStream);
    Put32(s, at + 72, kNoStream);
    Put32(s, at + 76, child);
    Put32(s, at + 116, start);
    Put32(s, at + 120, size);
}

}  // namespace

namespace {

// A compound file made in place: out holds kHeaderRoom bytes, then the workbook stream.
std::string FinishCompoundFile(std::string out) {
    constexpr std::size_t ss = 512;
    std::size_t streamSize = out.size() - kHeaderRoom;
    if (streamSize < kMiniStreamCutoff) streamSize = kMiniStreamCutoff;
    const std::size_t nStream = (streamSize + ss - 1) / ss;
    const std::size_t nDir = 1;
    std::size_t nFat = 1, nDifat = 0;
    for (;;) {
        const std::size_t total = nStream + nDir + nFat + nDifat;
        const std::size_t fat = (total + 127) / 128;
        const std::size_t difat = fat > 109 ? (fat - 109 + 126) / 127 : 0;
        if (fat == nFat && difat == nDifat) break;
        nFat = fat;
        nDifat = difat;
    }
    const std::size_t dirAt = nStream, fatAt = dirAt + nDir, difatAt = fatAt + nFat;
    const std::size_t nSectors = difatAt + nDifat;

    out.resize(ss * (1 + nSectors), '\0');
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(out.data(), kSignature, 8);
    Put16(out, 24, 0x003E);
    Put16(out, 26, 3);
    Put16(out, 28, 0xFFFE);
    Put16(out, 30, 9);
    Put16(out, 32, 6);
    Put32(out, 44, static_cast<std::uint32_t>(nFat));
    Put32(out, 48, static_cast<std::uint32_t>(dirAt));
    Put32(out, 56, kMiniStreamCutoff);
    Put32(out, 60, kEndOfChain);
    Put32(out, 68, nDifat ? static_cast<std::uint32_t>(difatAt) : kEndOfChain);
    Put32(out, 72, static_cast<std::uint32_t>(nDifat));
    for (std::size_t i = 0; i < 109; ++i)
        Put32(out, 76 + 4 * i, i < nFat ? static_cast<std::uint32_t>(fatAt + i) : kFreeSector);

    auto sector = [&](std::size_t n) { return ss * (n + 1); };

    const std::size_t dir = sector(dirAt);
    for (std::size_t e = 0; e < ss / 128; ++e) {
        Put32(out, dir + 128 * e + 68, kNoStream);
        Put32(out, dir + 128 * e + 72, kNoStream);
        Put32(out, dir + 128 * e + 76, kNoStream);
    }
    PutDirEntry(out, dir, u"Root Entry", 5, 1, kEndOfChain, 0);
    PutDirEntry(out, dir + 128, u"Workbook", 2, kNoStream, 0, static_cast<std::uint32_t>(streamSize));

    auto fatEntry = [&](std::size_t n, std::uint32_t value) {
        Put32(out, sector(fatAt + n / 128) + 4 * (n % 128), value);
    };
    for (std::size_t n = 0; n < nFat * 128; ++n) fatEntry(n, kFreeSector);
    for (std::size_t n = 0; n < nStream; ++n)
        fatEntry(n, n + 1 < nStream ? static_cast<std::uint32_t>(n + 1) : kEndOfChain);
    fatEntry(dirAt, kEndOfChain);
    for (std::size_t n = 0; n < nFat; ++n) fatEntry(fatAt + n, kFatSector);
    for (std::size_t n = 0; n < nDifat; ++n) fatEntry(difatAt + n, kDifatSector);

    for (std::size_t d = 0; d < nDifat; ++d) {
        const std::size_t at = sector(difatAt + d);
        for (std::size_t i = 0; i < 127; ++i) {
            const std::size_t fat = 109 + d * 127 + i;
            Put32(out, at + 4 * i, fat < nFat ? static_cast<std::uint32_t>(fatAt + fat) : kFreeSector);
        }
        Put32(out, at + 508, d + 1 < nDifat ? static_cast<std::uint32_t>(difatAt + d + 1) : kEndOfChain);
    }
    return out;
}

}  // namespace

std::string MakeCompoundFile(std::string stream) {
    stream.insert(0, kHeaderRoom, '\0');
    return FinishCompoundFile(std::move(stream));
}

std::string WriteXlsWorkbook(const CXlsSheet& sheet) { return FinishCompoundFile(WriteWorkbookStream(sheet)); }

}  // namespace vemra
