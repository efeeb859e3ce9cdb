#pragma once
// Builds datebook.dat contents byte by byte from the published layout, independently of the
// library's writer, so that reader and writer are both checked against the layout itself.

#include <cstdint>
#include <string>
#include <vector>

namespace dbtest {

class Bytes {
public:
    Bytes& U8(std::uint8_t v) { m_s.push_back(static_cast<char>(v)); return *this; }
    Bytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Raw(const std::string& s) { m_s += s; return *this; }
    // A text with the shortest length form.
    Bytes& Text(const std::string& s) {
        if (s.size() < 255) {
            U8(static_cast<std::uint8_t>(s.size()));
        } else if (s.size() < 0xFFFE) {
            U8(0xFF).U16(static_cast<std::uint16_t>(s.size()));
        } else {
            U8(0xFF).U16(0xFFFF).U32(static_cast<std::uint32_t>(s.size()));
        }
        return Raw(s);
    }
    const std::string& Str() const { return m_s; }

private:
    std::string m_s;
};

// Everything up to and including the entry count, without categories.
inline std::string Header(std::size_t records, const std::string& fileName = "C:\\Palm\\SmithJ\\datebook\\datebook.dat") {
    Bytes b;
    b.U32(0x44420100).Text(fileName).Text("").U32(1).U32(0).U32(0).U32(15).U32(0).U32(1).U32(2).U16(15);
    for (std::uint16_t t : {1, 1, 1, 3, 1, 5, 1, 5, 6, 6, 1, 6, 1, 1, 8}) b.U16(t);
    b.U32(static_cast<std::uint32_t>(records * 15));
    return b.Str();
}

// A repeat object without exceptions: tag bytes (new class or class reference) and the common
// values; brand fields follow from the caller.
inline Bytes RepeatStart(const std::string& tag, std::uint32_t brand) {
    return Bytes().U16(0).Raw(tag).U32(brand).U32(1).U32(1100000000).U32(0);
}

inline std::string NewClass(const std::string& name) {
    return Bytes().U16(0xFFFF).U16(1).U16(static_cast<std::uint16_t>(name.size())).Raw(name).Str();
}

inline std::string ClassRef(std::uint16_t number) { return Bytes().U16(0x8000 | number).Str(); }

// A record of status 1 at position id - 1, no end, empty texts, no alarm, no flags.
inline std::string Record(std::uint32_t id, std::uint32_t start, const std::string& repeat) {
    Bytes b;
    b.U32(1).U32(id).U32(1).U32(1).U32(1).U32(id - 1).U32(3).U32(start).U32(1).U32(0).U32(5).U32(0).U8(0);
    b.U32(1).U32(0).U32(5).U32(0).U8(0).U32(6).U32(0).U32(6).U32(0).U32(1).U32(0).U32(6).U32(0);
    b.U32(1).U32(0xFFFFFFFF).U32(1).U32(0).U32(8).Raw(repeat);
    return b.Str();
}

}  // namespace dbtest
