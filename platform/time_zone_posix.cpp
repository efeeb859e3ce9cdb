#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "platform/process.h"
#include "platform/time_zone.h"

namespace vemra::zone {

namespace {

// Zone files are a few kilobytes; anything much larger is not one.
constexpr off_t kMaxZoneFile = 1 << 20;
constexpr int kMaxOffset = 26 * 3600;

bool ReadZoneFile(const std::string& path, std::string& bytes) {
    // Non-blocking: a FIFO of that name must not hold the open up; it is no regular file anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxZoneFile;
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<size_t>(n);
            else ok = false;
        }
    }
    ::close(fd);
    return ok;
}

// Bounds-checked big-endian reads over the file's bytes.
class CTzifReader {
public:
    explicit CTzifReader(std::string_view bytes) : m_bytes(bytes) {}
    bool Has(uint64_t n) const { return n <= m_bytes.size() - m_pos; }
    size_t Position() const { return m_pos; }
    std::string_view Bytes() const { return m_bytes; }
    void Skip(size_t n) { m_pos += n; }
    uint64_t Unsigned(int width) {
        uint64_t v = 0;
        for (int i = 0; i < width; ++i) v = (v << 8) | static_cast<unsigned char>(m_bytes[m_pos++]);
        return v;
    }
    int64_t Signed(int width) {
        const uint64_t v = Unsigned(width);
        if (width == 4) return static_cast<int32_t>(static_cast<uint32_t>(v));
        return static_cast<int64_t>(v);
    }

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
};

struct TzifCounts {
    uint32_t isUt = 0, isStd = 0, leap = 0, time = 0, type = 0, chars = 0;
    uint64_t BlockSize(int timeWidth) const {
        return uint64_t{time} * timeWidth + time + uint64_t{type} * 6 + chars + uint64_t{leap} * (timeWidth + 4) +
               isStd + isUt;
    }
};

bool ReadHeader(CTzifReader& in, char& version, TzifCounts& n) {
    if (!in.Has(44) || in.Bytes().substr(in.Position(), 4) != "TZif") return false;
    version = in.Bytes()[in.Position() + 4];
    in.Skip(20);
    n.isUt = static_cast<uint32_t>(in.Unsigned(4));
    n.isStd = static_cast<uint32_t>(in.Unsigned(4));
    n.leap = static_cast<uint32_t>(in.Unsigned(4));
    n.time = static_cast<uint32_t>(in.Unsigned(4));
    n.type = static_cast<uint32_t>(in.Unsigned(4));
    n.chars = static_cast<uint32_t>(in.Unsigned(4));
    return (version == '\0' || version >= '2') && n.type >= 1 && n.type <= 256 && (n.isUt == 0 || n.isUt == n.type) &&
           (n.isStd == 0 || n.isStd == n.type) && n.chars >= 1 && in.Has(n.BlockSize(4));
}

// Leap-second files ("right/") count other seconds than everything here; they are refused.
bool ReadBlock(CTzifReader& in, const TzifCounts& n, int timeWidth, ZoneData& zone) {
    if (n.leap != 0 || !in.Has(n.BlockSize(timeWidth))) return false;
    std::vector<int64_t> times(n.time);
    for (auto& t : times) t = in.Signed(timeWidth);
    std::vector<uint8_t> indices(n.time);
    for (auto& i : indices) i = static_cast<uint8_t>(in.Unsigned(1));
    std::vector<int> offsets(n.type);
    for (auto& offset : offsets) {
        const int64_t utoff = in.Signed(4);
        const uint64_t isDst = in.Unsigned(1), designation = in.Unsigned(1);
        if (utoff < -kMaxOffset || utoff > kMaxOffset || isDst > 1 || designation >= n.chars) return false;
        offset = static_cast<int>(utoff);
    }
    in.Skip(n.chars + n.isStd + n.isUt);
    zone.initialOffset = offsets[0];
    zone.transitions.clear();
    for (size_t i = 0; i < times.size(); ++i) {
        if (indices[i] >= n.type || (i > 0 && times[i] <= times[i - 1])) return false;
        zone.transitions.push_back({times[i], offsets[indices[i]]});
    }
    return true;
}

// RFC 8536: a version 1 block of 32-bit times, and from version 2 on a second header, a block of
// 64-bit times and a footer "\n<POSIX TZ rule>\n" for the instants after the last transition.
bool ParseTzif(std::string_view bytes, ZoneData& zone) {
    CTzifReader in(bytes);
    char version = 0;
    TzifCounts n;
    if (!ReadHeader(in, version, n)) return false;
    zone = ZoneData();
    if (version == '\0') return ReadBlock(in, n, 4, zone);
    in.Skip(static_cast<size_t>(n.BlockSize(4)));
    if (!ReadHeader(in, version, n) || !ReadBlock(in, n, 8, zone)) return false;
    const std::string_view rest = bytes.substr(in.Position());
    const size_t end = rest.find('\n', 1);
    if (rest.empty() || rest[0] != '\n' || end == std::string_view::npos) return false;
    const std::string_view footer = rest.substr(1, end - 1);
    if (footer.empty()) return true;
    ZoneYearRule rule;
    if (!ParsePosixRule(footer, rule)) return false;
    zone.rules.push_back({INT32_MIN, rule});
    return true;
}

bool LoadIana(const std::string& name, ZoneData& zone) {
    if (!IsPlainZonePath(name)) return false;   // never a file outside the zone folder
    std::string folder = GetEnv("TZDIR");
    if (folder.empty()) folder = "/usr/share/zoneinfo";
    std::string bytes;
    return ReadZoneFile(folder + "/" + name, bytes) && ParseTzif(bytes, zone);
}

// The name itself, else its current spelling when the zone database has dropped an old one.
bool LoadIanaOrCurrent(const std::string& name, std::string& found, ZoneData& zone) {
    for (const std::string& candidate : {name, CurrentIanaName(name)})
        if (!candidate.empty() && LoadIana(candidate, zone)) {
            found = candidate;
            return true;
        }
    return false;
}

}  // namespace

bool LoadSystemZone(const std::string& candidate, std::string& name, ZoneData& data) {
    if (LoadIanaOrCurrent(candidate, name, data)) return true;
    std::string iana, windowsSpelling;
    return IanaForWindows(candidate, iana, windowsSpelling) && LoadIanaOrCurrent(iana, name, data);
}

}  // namespace vemra::zone
