#include "platform/registry_file.h"

#include <algorithm>

#include "platform/text.h"

namespace vemra {

namespace {

// The registry itself allows no deeper keys; the limit also keeps recursion shallow.
constexpr std::size_t kMaxDepth = 512;

bool Less(std::string_view a, std::string_view b) { return ToLowerAscii(a) < ToLowerAscii(b); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void SkipBlanks(std::string_view s, std::size_t& i) {
    while (i < s.size() && IsBlank(s[i])) ++i;
}

// A quoted text starting at s[i] == '"'. Only \\ and \" are escapes; any other backslash is
// kept as it stands, so that a hand-written "C:\Palm" still reads as meant.
bool ReadQuoted(std::string_view s, std::size_t& i, std::string& out) {
    out.clear();
    ++i;
    while (i < s.size()) {
        const char c = s[i++];
        if (c == '"') return true;
        if (c == '\\' && i < s.size() && (s[i] == '\\' || s[i] == '"')) {
            out += s[i++];
            continue;
        }
        out += c;
    }
    return false;
}

bool ReadHexBytes(std::string_view s, std::string& out) {
    out.clear();
    std::size_t i = 0;
    SkipBlanks(s, i);
    if (i == s.size()) return true;
    for (;;) {
        SkipBlanks(s, i);
        int value = 0, digits = 0;
        while (i < s.size() && HexDigit(s[i]) >= 0 && digits < 2) {
            value = value * 16 + HexDigit(s[i++]);
            ++digits;
        }
        if (digits == 0) return false;
        out += static_cast<char>(value);
        SkipBlanks(s, i);
        if (i == s.size()) return true;
        if (s[i++] != ',') return false;
        SkipBlanks(s, i);
        if (i == s.size()) return true;   // a trailing comma is what a wrapped line leaves
    }
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

bool PrintableString(const std::string& data) {
    if (data.empty() || data.back() != '\0') return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i)
        if (static_cast<unsigned char>(data[i]) < 0x20) return false;
    return true;
}

void AppendHex(std::string& out, const std::string& data, std::size_t prefixLength) {
    static const char digits[] = "0123456789abcdef";
    std::size_t column = prefixLength;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        if (column > 74 && i > 0) {
            out += "\\\n  ";
            column = 2;
        }
        out += digits[b >> 4];
        out += digits[b & 15];
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
        }
    }
}

void SerializeKey(std::string& out, const CRegistryTree::Key& key, const std::string& path, bool isRoot) {
    // A root is always there; its section is only written for values of its own.
    const bool section = !isRoot || !key.values.empty();
    if (section) {
        out += '[';
        out += path;
        out += "]\n";
    }
    for (const auto& v : key.values) {
        const std::size_t start = out.size();
        if (v.name.empty())
            out += '@';
        else
            AppendQuoted(out, v.name);
        out += '=';
        if (v.type == regString && PrintableString(v.data)) {
            AppendQuoted(out, std::string_view(v.data).substr(0, v.data.size() - 1));
        } else if (v.type == regDword && v.data.size() == 4) {
            const auto* p = reinterpret_cast<const unsigned char*>(v.data.data());
            const uint32_t n = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
            out += FormatText("dword:%08x", n);
        } else {
            out += v.type == regBinary ? std::string("hex:") : FormatText("hex(%x):", v.type);
            AppendHex(out, v.data, out.size() - start);
        }
        out += '\n';
    }
    if (section) out += '\n';
    for (const auto& child : key.children) SerializeKey(out, *child, path + "\\" + child->name, false);
}

}  // namespace

CRegistryTree::Key* CRegistryTree::Key::Child(std::string_view name) const {
    for (const auto& c : children)
        if (EqualsNoCase(c->name, name)) return c.get();
    return nullptr;
}

CRegistryTree::Key* CRegistryTree::Key::AddChild(std::string_view name) {
    if (Key* existing = Child(name)) return existing;
    auto key = std::make_unique<Key>();
    key->name = std::string(name);
    auto at = std::upper_bound(children.begin(), children.end(), key,
                               [](const auto& a, const auto& b) { return Less(a->name, b->name); });
    return children.insert(at, std::move(key))->get();
}

bool CRegistryTree::Key::RemoveChild(std::string_view name) {
    for (auto it = children.begin(); it != children.end(); ++it) {
        if (EqualsNoCase((*it)->name, name)) {
            children.erase(it);
            return true;
        }
    }
    return false;
}

const CRegistryTree::Value* CRegistryTree::Key::FindValue(std::string_view name) const {
    for (const auto& v : values)
        if (EqualsNoCase(v.name, name)) return &v;
    return nullptr;
}

void CRegistryTree::Key::SetValue(std::string_view name, uint32_t type, std::string data) {
    for (auto& v : values) {
        if (EqualsNoCase(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    }
    values.push_back({std::string(name), type, std::move(data)});
}

bool CRegistryTree::Key::RemoveValue(std::string_view name) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (EqualsNoCase(it->name, name)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

bool CRegistryTree::SplitPath(std::string_view path, std::vector<std::string>& parts) {
    parts.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (part.empty() || parts.size() >= kMaxDepth) return false;
        parts.emplace_back(part);
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

CRegistryTree::Key* CRegistryTree::Find(std::string_view path) const {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) return nullptr;
    const Key* key = &m_top;
    for (const auto& part : parts) {
        key = key->Child(part);
        if (!key) return nullptr;
    }
    return const_cast<Key*>(key);
}

CRegistryTree::Key* CRegistryTree::Create(std::string_view path) {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) return nullptr;
    if (ToLowerAscii(parts[0]).rfind("hkey_", 0) != 0) return nullptr;
    Key* key = &m_top;
    for (const auto& part : parts) key = key->AddChild(part);
    return key;
}

bool CRegistryTree::Remove(std::string_view path) {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts) || parts.size() < 2) return false;
    Key* parent = &m_top;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        parent = parent->Child(parts[i]);
        if (!parent) return false;
    }
    return parent->RemoveChild(parts.back());
}

namespace {

// "dword:" digits as the value's four bytes, least significant first.
bool DwordBytes(std::string_view digits, std::string& data) {
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t n = 0;
    for (char c : digits) {
        if (HexDigit(c) < 0) return false;
        n = n * 16 + static_cast<uint32_t>(HexDigit(c));
    }
    data.assign(4, '\0');
    for (int k = 0; k < 4; ++k) data[k] = static_cast<char>((n >> (8 * k)) & 0xFF);
    return true;
}

// The "(type)" of "hex(type):" at j, when there is one; j moves past it.
bool HexType(std::string_view rest, std::size_t& j, uint32_t& type) {
    if (j >= rest.size() || rest[j] != '(') return true;
    ++j;
    type = 0;
    int digits = 0;
    while (j < rest.size() && HexDigit(rest[j]) >= 0 && digits < 8) {
        type = type * 16 + static_cast<uint32_t>(HexDigit(rest[j++]));
        ++digits;
    }
    if (digits == 0 || j >= rest.size() || rest[j] != ')') return false;
    ++j;
    return true;
}

}  // namespace

bool CRegistryTree::Parse(std::string_view text, std::string& error) {
    m_top.children.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    bool header = false;
    Key* current = nullptr;
    std::size_t pos = 0, lineNumber = 0;
    auto fail = [&](const char* what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        m_top.children.clear();
        return false;
    };
    auto nextLine = [&](std::string_view& line) {
        if (pos >= text.size()) return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        ++lineNumber;
        return true;
    };
    std::string_view raw;
    while (nextLine(raw)) {
        std::string_view line = raw;
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
        if (line.empty() || line.front() == ';') continue;
        if (!header) {
            if (line != "REGEDIT4") return fail("not a REGEDIT4 file");
            header = true;
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') return fail("key line without ]");
            const std::string_view path = line.substr(1, line.size() - 2);
            if (!path.empty() && path.front() == '-') return fail("key deletions are not kept in a settings file");
            current = Create(path);
            if (!current) return fail("not a valid key path");
            continue;
        }
        if (line.front() != '"' && line.front() != '@') return fail("expected a key or a value");
        if (!current) return fail("value outside a key");
        std::size_t i = 0;
        std::string name;
        if (line[0] == '@') {
            ++i;
        } else if (!ReadQuoted(line, i, name)) {
            return fail("unterminated value name");
        }
        SkipBlanks(line, i);
        if (i >= line.size() || line[i] != '=') return fail("expected = after the value name");
        ++i;
        SkipBlanks(line, i);
        const std::string_view rest = line.substr(i);
        if (!rest.empty() && rest.front() == '"') {
            std::string value;
            std::size_t j = 0;
            if (!ReadQuoted(rest, j, value)) return fail("unterminated string");
            SkipBlanks(rest, j);
            if (j != rest.size()) return fail("text after the string");
            value += '\0';
            current->SetValue(name, regString, std::move(value));
        } else if (rest.substr(0, 6) == "dword:") {
            std::string data;
            if (!DwordBytes(rest.substr(6), data)) return fail("a dword needs 1 to 8 hex digits");
            current->SetValue(name, regDword, std::move(data));
        } else if (rest.substr(0, 3) == "hex") {
            std::size_t j = 3;
            uint32_t type = regBinary;
            if (!HexType(rest, j, type)) return fail("bad hex(type)");
            if (j >= rest.size() || rest[j] != ':') return fail("expected : after hex");
            std::string bytes(rest.substr(j + 1));
            // A trailing backslash continues the list on the next line.
            while (!bytes.empty() && bytes.back() == '\\') {
                bytes.pop_back();
                std::string_view more;
                if (!nextLine(more)) return fail("hex list continues past the end");
                bytes.append(more);
                while (!bytes.empty() && IsBlank(bytes.back())) bytes.pop_back();
            }
            std::string data;
            if (!ReadHexBytes(bytes, data)) return fail("bad hex byte list");
            current->SetValue(name, type, std::move(data));
        } else {
            return fail("unknown value form");
        }
    }
    return true;   // blank lines and comments only read as an empty registry
}

std::string CRegistryTree::Serialize() const {
    std::string out = "REGEDIT4\n\n";
    for (const auto& root : m_top.children) SerializeKey(out, *root, root->name, true);
    return out;
}

}  // namespace vemra
