// Palm Desktop's users.dat: a strict reader of the first fields of each user, and a writer.

#include "palm/users_file.h"

#include <cstring>
#include <set>

#include "platform/codepage.h"

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kUserClassRef = 0x8001;   // the first class of the archive, again
constexpr char kUserClass[] = "CUser";
constexpr std::size_t kMaxUsers = 0x7FFF;          // the user library counts in a short

class Cursor {
public:
    Cursor(std::string_view bytes, std::size_t pos) : m_bytes(bytes), m_pos(pos) {}
    bool U8(std::uint8_t& v) {
        if (m_pos >= m_bytes.size()) return false;
        v = static_cast<std::uint8_t>(m_bytes[m_pos++]);
        return true;
    }
    bool U16(std::uint16_t& v) {
        std::uint8_t lo = 0, hi = 0;
        if (!U8(lo) || !U8(hi)) return false;
        v = static_cast<std::uint16_t>(lo | (hi << 8));
        return true;
    }
    bool U32(std::uint32_t& v) {
        std::uint16_t lo = 0, hi = 0;
        if (!U16(lo) || !U16(hi)) return false;
        v = lo | (static_cast<std::uint32_t>(hi) << 16);
        return true;
    }
    bool Text(std::size_t n, std::string& out) {
        if (n > m_bytes.size() - m_pos) return false;
        out.assign(m_bytes.substr(m_pos, n));
        m_pos += n;
        return true;
    }
    std::size_t Pos() const { return m_pos; }

private:
    std::string_view m_bytes;
    std::size_t m_pos;
};

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool PlainText(std::string_view text) {
    for (char c : text)
        if (IsControl(static_cast<unsigned char>(c))) return false;
    return true;
}

// One folder name below the data folder: nothing that leads elsewhere or that Windows refuses.
bool PlausibleFolder(std::string_view folder) {
    if (folder.empty() || folder == "." || folder == ".." || folder.back() == ' ' || folder.back() == '.') return false;
    for (char c : folder)
        if (IsControl(static_cast<unsigned char>(c)) || std::strchr("\\/:*?\"<>|", c)) return false;
    return true;
}

// The fixed fields of an entry at pos, if they are plausible; end is set just after them.
bool EntryAt(std::string_view bytes, std::size_t pos, PalmUserEntry& entry, std::size_t& end) {
    Cursor c(bytes, pos);
    std::uint32_t id = 0;
    std::uint8_t nameLength = 0, folderLength = 0;
    std::uint16_t active = 0;
    std::string name, folder;
    if (!c.U32(id) || !c.U8(nameLength) || !c.Text(nameLength, name) || !c.U8(folderLength) ||
        !c.Text(folderLength, folder) || !c.U16(active))
        return false;
    if (name.empty() || !PlainText(name) || !PlausibleFolder(folder) || active > 1) return false;
    entry.id = id;
    entry.name = vemra::FileTextToSystem(name);
    entry.folder = vemra::FileTextToSystem(folder);
    entry.active = active != 0;
    end = c.Pos();
    return true;
}

// The entries introduced by the class reference from pos on; with folderExists, only those whose
// folder is present.
std::vector<PalmUserEntry> LaterEntries(std::string_view bytes, std::size_t pos,
                                        const std::function<bool(const std::string&)>* folderExists) {
    std::vector<PalmUserEntry> found;
    while (pos + 2 <= bytes.size() && found.size() <= kMaxUsers) {
        const auto lo = static_cast<unsigned char>(bytes[pos]), hi = static_cast<unsigned char>(bytes[pos + 1]);
        PalmUserEntry entry;
        std::size_t end = 0;
        if ((lo | (hi << 8)) == kUserClassRef && EntryAt(bytes, pos + 2, entry, end) &&
            (!folderExists || (*folderExists)(entry.folder))) {
            found.push_back(std::move(entry));
            pos = end;
        } else {
            ++pos;
        }
    }
    return found;
}

void PutU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& out, std::uint32_t v) {
    PutU16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<std::uint16_t>(v >> 16));
}

void PutText(std::string& out, const std::string& text) {
    std::string bytes = vemra::SystemTextToFile(text);
    if (bytes.size() > 255) bytes.resize(255);
    out.push_back(static_cast<char>(bytes.size()));
    out += bytes;
}

}  // namespace

bool IsPalmUserId(std::uint32_t id) { return id >= 256 && id != 0xFFFFFFFFu; }

bool ReadUsersFile(std::string_view bytes, const std::function<bool(const std::string&)>& folderExists,
                   std::vector<PalmUserEntry>& users) {
    users.clear();
    Cursor c(bytes, 0);
    std::uint16_t count = 0, tag = 0, schema = 0, classLength = 0;
    std::string className;
    if (!c.U16(count) || count == 0 || count > kMaxUsers || !c.U16(tag) || tag != kNewClassTag ||
        !c.U16(schema) || !c.U16(classLength) || !c.Text(classLength, className) || className != kUserClass)
        return false;
    PalmUserEntry first;
    std::size_t end = 0;
    if (!EntryAt(bytes, c.Pos(), first, end)) return false;
    // Chance matches inside the conduit settings break the count; the folders tell them apart.
    for (const auto* check : {static_cast<const std::function<bool(const std::string&)>*>(nullptr), &folderExists}) {
        std::vector<PalmUserEntry> later = LaterEntries(bytes, end, check);
        if (later.size() + 1 != count) continue;
        std::set<std::uint32_t> ids{first.id};
        for (const PalmUserEntry& e : later)
            if (!ids.insert(e.id).second) return false;   // one ID, one user
        users.push_back(first);
        users.insert(users.end(), later.begin(), later.end());
        return true;
    }
    return false;
}

std::string WriteUsersFile(const std::vector<PalmUserEntry>& users) {
    std::string out;
    PutU16(out, static_cast<std::uint16_t>(users.size()));
    for (std::size_t i = 0; i < users.size(); ++i) {
        if (i == 0) {
            PutU16(out, kNewClassTag);
            PutU16(out, 1);
            PutU16(out, static_cast<std::uint16_t>(std::strlen(kUserClass)));
            out += kUserClass;
        } else {
            PutU16(out, kUserClassRef);
        }
        PutU32(out, users[i].id);
        PutText(out, users[i].name);
        PutText(out, users[i].folder);
        PutU16(out, users[i].active ? 1 : 0);
        PutU16(out, 0);   // permanent conduit entries
        PutU16(out, 0);   // temporary conduit entries
    }
    return out;
}
