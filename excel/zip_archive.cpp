#include "excel/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace vemra {

namespace {

constexpr std::uint32_t kLocalSig = 0x04034b50, kCentralSig = 0x02014b50, kEndSig = 0x06054b50,
                        kDescriptorSig = 0x08074b50;
constexpr std::uint16_t kFlagEncrypted = 0x0001, kFlagDescriptor = 0x0008, kFlagUtf8 = 0x0800;
constexpr std::uint16_t kMethodStore = 0, kMethodDeflate = 8;
constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;   // 1980-01-01: archives come out the same each time
constexpr std::uint64_t kMax32 = 0xFFFFFFFFu;
constexpr std::size_t kChunk = 64 * 1024;

std::uint32_t Get(std::string_view d, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d[at + static_cast<std::size_t>(i)]);
    return v;
}

void Append(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool SafeName(std::string_view name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos)
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

std::uint32_t ZipCrc(std::uint32_t crc, std::string_view data) {
    while (!data.empty()) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(data.size(), 1u << 30));
        crc = static_cast<std::uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(data.data()), n));
        data.remove_prefix(n);
    }
    return crc;
}

ZipError CZipReader::Open(std::string_view archive) {
    m_archive = archive;
    m_entries.clear();
    if (archive.size() < 22) return ZipError::notZip;
    // The end record sits in the last 22 bytes plus at most a 65,535-byte comment.
    std::size_t end = std::string_view::npos;
    const std::size_t lowest = archive.size() > 22 + 65535 ? archive.size() - 22 - 65535 : 0;
    for (std::size_t at = archive.size() - 22 + 1; at-- > lowest;)
        if (Get(archive, at, 4) == kEndSig && at + 22 + Get(archive, at + 20, 2) == archive.size()) {
            end = at;
            break;
        }
    if (end == std::string_view::npos) return Get(archive, 0, 4) == kLocalSig ? ZipError::damaged : ZipError::notZip;
    const std::uint32_t count = Get(archive, end + 10, 2), dirSize = Get(archive, end + 12, 4),
                        dirAt = Get(archive, end + 16, 4);
    if (count == 0xFFFF || dirSize == kMax32 || dirAt == kMax32) return ZipError::unsupported;
    if (Get(archive, end + 4, 2) != 0 || Get(archive, end + 6, 2) != 0) return ZipError::unsupported;   // spanned
    if (std::uint64_t(dirAt) + dirSize > end) return ZipError::damaged;
    std::size_t at = dirAt;
    const std::size_t dirEnd = std::size_t(dirAt) + dirSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + 46 > dirEnd || Get(archive, at, 4) != kCentralSig) return ZipError::damaged;
        ZipEntry e;
        e.flags = static_cast<std::uint16_t>(Get(archive, at + 8, 2));
        e.method = static_cast<std::uint16_t>(Get(archive, at + 10, 2));
        e.crc = Get(archive, at + 16, 4);
        e.packedSize = Get(archive, at + 20, 4);
        e.size = Get(archive, at + 24, 4);
        const std::size_t nameLen = Get(archive, at + 28, 2), extraLen = Get(archive, at + 30, 2),
                          commentLen = Get(archive, at + 32, 2);
        e.headerOffset = Get(archive, at + 42, 4);
        if (at + 46 + nameLen + extraLen + commentLen > dirEnd) return ZipError::damaged;
        e.name.assign(archive.substr(at + 46, nameLen));
        if (!SafeName(e.name)) return ZipError::unsafePath;
        if (e.packedSize == kMax32 || e.size == kMax32 || e.headerOffset == kMax32) return ZipError::unsupported;
        if (e.headerOffset >= dirAt) return ZipError::damaged;
        m_entries.push_back(std::move(e));
        at += 46 + nameLen + extraLen + commentLen;
    }
    return ZipError::none;
}

const ZipEntry* CZipReader::Find(std::string_view name) const {
    for (const ZipEntry& e : m_entries)
        if (SameName(e.name, name)) return &e;
    return nullptr;
}

ZipError CZipReader::Extract(std::string_view name, std::string& out, std::uint64_t limit) const {
    out.clear();
    const ZipEntry* e = Find(name);
    if (!e) return ZipError::missing;
    if (e->flags & kFlagEncrypted) return ZipError::encrypted;
    if (e->method != kMethodStore && e->method != kMethodDeflate) return ZipError::unsupported;
    const std::size_t at = e->headerOffset;
    if (at + 30 > m_archive.size() || Get(m_archive, at, 4) != kLocalSig) return ZipError::damaged;
    if (Get(m_archive, at + 6, 2) & kFlagEncrypted) return ZipError::encrypted;
    const std::uint64_t dataAt = at + 30 + Get(m_archive, at + 26, 2) + Get(m_archive, at + 28, 2);
    if (dataAt + e->packedSize > m_archive.size()) return ZipError::damaged;
    const std::string_view packed = m_archive.substr(dataAt, e->packedSize);
    limit = std::min(limit, std::max(kRatioFloor, e->packedSize * kMaxRatio));
    if (e->size > limit) return ZipError::tooLarge;
    if (e->method == kMethodStore) {
        if (e->size != e->packedSize) return ZipError::damaged;
        out.assign(packed);
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return ZipError::damaged;
        out.reserve(static_cast<std::size_t>(e->size));
        std::uint64_t fed = 0;
        int rc = Z_OK;
        char buffer[kChunk];
        while (rc != Z_STREAM_END) {
            if (z.avail_in == 0 && fed < packed.size()) {
                const std::size_t n = std::min<std::uint64_t>(packed.size() - fed, 1u << 30);
                z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + fed));
                z.avail_in = static_cast<uInt>(n);
                fed += n;
            }
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            rc = inflate(&z, Z_NO_FLUSH);
            const std::size_t got = sizeof buffer - z.avail_out;
            if (rc != Z_OK && rc != Z_STREAM_END) break;
            if (out.size() + got > std::min(limit, e->size)) {   // more than it claims is a bomb too
                inflateEnd(&z);
                out.clear();
                return ZipError::tooLarge;
            }
            out.append(buffer, got);
            if (got == 0 && z.avail_in == 0 && fed == packed.size() && rc != Z_STREAM_END) break;
        }
        inflateEnd(&z);
        if (rc != Z_STREAM_END) {
            out.clear();
            return ZipError::damaged;
        }
    }
    if (out.size() != e->size || ZipCrc(0, out) != e->crc) {
        out.clear();
        return ZipError::damaged;
    }
    return ZipError::none;
}

struct CZipWriter::Stream {
    z_stream z{};
    ZipEntry entry;
};

CZipWriter::CZipWriter(Sink sink) : m_sink(std::move(sink)) {}

CZipWriter::~CZipWriter() {
    if (m_stream) deflateEnd(&m_stream->z);
}

bool CZipWriter::Put(std::string_view bytes) {
    if (m_bFailed) return false;
    if (m_nOffset + bytes.size() > kMax32 || !m_sink(bytes.data(), bytes.size())) return m_bFailed = true, false;
    m_nOffset += bytes.size();
    return true;
}

void CZipWriter::LocalHeader(const ZipEntry& e, bool descriptor) {
    std::string h;
    Append(h, kLocalSig, 4);
    Append(h, 20, 2);
    Append(h, e.flags, 2);
    Append(h, e.method, 2);
    Append(h, 0, 2);
    Append(h, kDosDate, 2);
    Append(h, descriptor ? 0 : e.crc, 4);
    Append(h, descriptor ? 0 : e.packedSize, 4);
    Append(h, descriptor ? 0 : e.size, 4);
    Append(h, e.name.size(), 2);
    Append(h, 0, 2);
    h += e.name;
    Put(h);
}

bool CZipWriter::Add(std::string_view name, std::string_view data, bool compress) {
    if (m_bFailed || m_stream || data.size() > kMax32) return m_bFailed = true, false;
    ZipEntry e;
    e.name.assign(name);
    e.flags = kFlagUtf8;
    e.crc = ZipCrc(0, data);
    e.size = data.size();
    e.headerOffset = m_nOffset;
    std::string packed;
    if (compress) {
        uLongf n = compressBound(static_cast<uLong>(data.size()));
        packed.resize(n);
        z_stream z{};
        if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return m_bFailed = true, false;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = reinterpret_cast<Bytef*>(packed.data());
        z.avail_out = static_cast<uInt>(packed.size());
        const int rc = ::deflate(&z, Z_FINISH);
        packed.resize(z.total_out);
        deflateEnd(&z);
        if (rc != Z_STREAM_END) return m_bFailed = true, false;
        e.method = kMethodDeflate;
    } else {
        packed.assign(data);
        e.method = kMethodStore;
    }
    e.packedSize = packed.size();
    LocalHeader(e, false);
    Put(packed);
    m_entries.push_back(std::move(e));
    return !m_bFailed;
}

bool CZipWriter::BeginStream(std::string_view name) {
    if (m_bFailed || m_stream) return m_bFailed = true, false;
    m_stream = std::make_unique<Stream>();
    if (deflateInit2(&m_stream->z, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        m_stream.reset();
        return m_bFailed = true, false;
    }
    ZipEntry& e = m_stream->entry;
    e.name.assign(name);
    e.flags = kFlagUtf8 | kFlagDescriptor;
    e.method = kMethodDeflate;
    e.headerOffset = m_nOffset;
    LocalHeader(e, true);
    return !m_bFailed;
}

bool CZipWriter::Deflate(std::string_view data, bool finish) {
    z_stream& z = m_stream->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    char buffer[kChunk];
    int rc = Z_OK;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = ::deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
        if (rc == Z_STREAM_ERROR) return m_bFailed = true, false;
        if (!Put(std::string_view(buffer, sizeof buffer - z.avail_out))) return false;
    } while (z.avail_out == 0 || (finish && rc != Z_STREAM_END));
    return true;
}

bool CZipWriter::Write(std::string_view data) {
    if (m_bFailed || !m_stream) return m_bFailed = true, false;
    ZipEntry& e = m_stream->entry;
    if (e.size + data.size() > kMax32) return m_bFailed = true, false;
    e.crc = ZipCrc(e.crc, data);
    e.size += data.size();
    return Deflate(data, false);
}

bool CZipWriter::EndStream() {
    if (m_bFailed || !m_stream) return m_bFailed = true, false;
    const std::uint64_t dataAt = m_stream->entry.headerOffset + 30 + m_stream->entry.name.size();
    if (!Deflate({}, true)) return false;
    deflateEnd(&m_stream->z);
    ZipEntry e = std::move(m_stream->entry);
    m_stream.reset();
    e.packedSize = m_nOffset - dataAt;
    std::string d;
    Append(d, kDescriptorSig, 4);
    Append(d, e.crc, 4);
    Append(d, e.packedSize, 4);
    Append(d, e.size, 4);
    m_entries.push_back(std::move(e));
    return Put(d);
}

bool CZipWriter::Finish() {
    if (m_bFailed || m_stream || m_entries.size() >= 0xFFFF) return m_bFailed = true, false;
    const std::uint64_t dirAt = m_nOffset;
    std::string d;
    for (const ZipEntry& e : m_entries) {
        Append(d, kCentralSig, 4);
        Append(d, 20, 2);
        Append(d, 20, 2);
        Append(d, e.flags, 2);
        Append(d, e.method, 2);
        Append(d, 0, 2);
        Append(d, kDosDate, 2);
        Append(d, e.crc, 4);
        Append(d, e.packedSize, 4);
        Append(d, e.size, 4);
        Append(d, e.name.size(), 2);
        Append(d, 0, 6);   // extra and comment length, disk
        Append(d, 0, 6);   // internal and external attributes
        Append(d, e.headerOffset, 4);
        d += e.name;
    }
    const std::size_t dirSize = d.size();
    Append(d, kEndSig, 4);
    Append(d, 0, 4);
    Append(d, m_entries.size(), 2);
    Append(d, m_entries.size(), 2);
    Append(d, dirSize, 4);
    Append(d, dirAt, 4);
    Append(d, 0, 2);
    return Put(d);
}

}  // namespace vemra
