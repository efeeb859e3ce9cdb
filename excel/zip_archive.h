#pragma once
// Zip archives as Office Open XML workbooks use them: entries stored or deflated (zlib), read
// from the bytes of a whole file and written to a byte sink. Reading trusts nothing: names with
// ".." or an absolute path, encrypted entries, other compression methods, entries that inflate
// beyond a limit and CRC mismatches are each refused with their own reason.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vemra {

enum class ZipError {
    none,
    notZip,        // no end of central directory record
    damaged,       // headers, offsets, deflate data or CRC do not hold together
    unsafePath,    // a name with "..", a drive or a leading slash
    encrypted,     // an entry protected with a password
    unsupported,   // a compression method other than store and deflate, or Zip64
    tooLarge,      // an entry inflates beyond the limit (a zip bomb)
    missing,       // no entry of that name
};

struct ZipEntry {
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t packedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t headerOffset = 0;
};

class CZipReader {
public:
    // Entries larger than this, or inflating more than kMaxRatio times their packed size (once
    // beyond kRatioFloor), are refused.
    static constexpr std::uint64_t kMaxEntrySize = 1ull << 30;
    static constexpr std::uint64_t kMaxRatio = 1000;
    static constexpr std::uint64_t kRatioFloor = 16ull << 20;

    // Reads the central directory of the archive; the bytes must outlive the reader.
    ZipError Open(std::string_view archive);
    const std::vector<ZipEntry>& Entries() const { return m_entries; }
    const ZipEntry* Find(std::string_view name) const;   // names compare case-insensitively
    // The whole content of an entry, checked against its CRC.
    ZipError Extract(std::string_view name, std::string& out, std::uint64_t limit = kMaxEntrySize) const;

private:
    std::string_view m_archive;
    std::vector<ZipEntry> m_entries;
};

// Writes an archive to a sink, which gets the bytes in order; a false from the sink ends the
// writing. Entries added whole carry their sizes in the local header; a streamed entry is
// deflated as it comes and its sizes follow its data in a data descriptor.
class CZipWriter {
public:
    using Sink = std::function<bool(const char* data, std::size_t size)>;
    explicit CZipWriter(Sink sink);
    ~CZipWriter();
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;

    bool Add(std::string_view name, std::string_view data, bool compress = true);
    bool BeginStream(std::string_view name);
    bool Write(std::string_view data);   // into the streamed entry
    bool EndStream();
    bool Finish();                        // the central directory; nothing may follow
    std::uint64_t Written() const { return m_nOffset; }

private:
    bool Put(std::string_view bytes);
    bool Deflate(std::string_view data, bool finish);
    void LocalHeader(const ZipEntry& e, bool descriptor);

    Sink m_sink;
    std::uint64_t m_nOffset = 0;
    std::vector<ZipEntry> m_entries;
    struct Stream;
    std::unique_ptr<Stream> m_stream;
    bool m_bFailed = false;
};

// The zip CRC-32 of data, continuing from crc.
std::uint32_t ZipCrc(std::uint32_t crc, std::string_view data);

}  // namespace vemra
