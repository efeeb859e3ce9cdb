#include "formats/ics_lexer.h"

#include <algorithm>

#include "platform/local_time.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

namespace {
constexpr std::size_t kMaxLine = 1 << 20;   // an unfolded line longer than this is no calendar
constexpr int kMaxDepth = 8;
const char* const kDayCodes[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
}  // namespace

long long IcsNumber(std::string_view s) {
    long long n = 0;
    for (char c : s) n = n * 10 + (c - '0');
    return n;
}

const char* IcsDayCode(int weekday) { return kDayCodes[((weekday % 7) + 7) % 7]; }

int IcsWeekdayOf(std::string_view s) {
    for (int i = 0; i < 7; ++i)
        if (EqualsNoCase(s, kDayCodes[i])) return i;
    return -1;
}

long long IcsLocalSeconds(const IcsDate& d, long long seconds) {
    return DaysFromCivil(d.year, d.month, d.day) * 86400 + seconds;
}

bool ParseIcsTime(std::string_view s, IcsTime& t) {
    if (s.size() < 8 || !IsDigits(s.substr(0, 8))) return false;
    t.date = {static_cast<int>(IcsNumber(s.substr(0, 4))), static_cast<int>(IcsNumber(s.substr(4, 2))),
              static_cast<int>(IcsNumber(s.substr(6, 2)))};
    if (t.date.year < 1 || t.date.month < 1 || t.date.month > 12 || t.date.day < 1 ||
        t.date.day > DaysInMonth(t.date.year, t.date.month))
        return false;
    if (s.size() == 8) {
        t.isDate = true;
        return true;
    }
    if (s.size() < 15 || (s[8] != 'T' && s[8] != 't') || !IsDigits(s.substr(9, 6))) return false;
    const int h = static_cast<int>(IcsNumber(s.substr(9, 2))), m = static_cast<int>(IcsNumber(s.substr(11, 2))),
              sec = static_cast<int>(IcsNumber(s.substr(13, 2)));
    if (h > 23 || m > 59 || sec > 60) return false;
    t.seconds = h * 3600 + m * 60 + std::min(sec, 59);
    if (s.size() == 16 && (s[15] == 'Z' || s[15] == 'z')) t.utc = true;
    else if (s.size() != 15) return false;
    return true;
}

bool ParseIcsDuration(std::string_view s, long long& out) {
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || (s[0] != 'P' && s[0] != 'p')) return false;
    s.remove_prefix(1);
    long long total = 0, n = 0;
    bool digits = false, any = false, inTime = false;
    for (char c : s) {
        if (c >= '0' && c <= '9') {
            if (n > 100000000) return false;
            n = n * 10 + (c - '0');
            digits = true;
            continue;
        }
        const char u = static_cast<char>(c & ~0x20);
        long long unit = 0;
        if (u == 'T' && !digits) { inTime = true; continue; }
        if (u == 'W' && !inTime) unit = 7 * 86400;
        else if (u == 'D' && !inTime) unit = 86400;
        else if (u == 'H' && inTime) unit = 3600;
        else if (u == 'M' && inTime) unit = 60;
        else if (u == 'S' && inTime) unit = 1;
        else return false;
        if (!digits) return false;
        total += n * unit;
        if (total > 100000000000LL) return false;   // beyond any calendar
        n = 0;
        digits = false;
        any = true;
    }
    if (digits || !any) return false;
    out = negative ? -total : total;
    return true;
}

bool ParseIcsOffset(std::string_view s, long long& out) {
    if (s.size() != 5 && s.size() != 7) return false;
    if ((s[0] != '+' && s[0] != '-') || !IsDigits(s.substr(1))) return false;
    long long v = IcsNumber(s.substr(1, 2)) * 3600 + IcsNumber(s.substr(3, 2)) * 60;
    if (s.size() == 7) v += IcsNumber(s.substr(5, 2));
    out = s[0] == '-' ? -v : v;
    return true;
}

std::string IcsUnescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += (c == 'n' || c == 'N') ? '\n' : c;
    }
    return out;
}

std::string IcsErrorText(IcsError error) {
    switch (error) {
    case IcsError::none: return {};
    case IcsError::readFailed: return LoadResString(IDS_ICS_READ_FAILED);
    case IcsError::notICalendar: return LoadResString(IDS_ICS_NOT_ICALENDAR);
    case IcsError::truncated: return LoadResString(IDS_ICS_TRUNCATED);
    case IcsError::badStructure: return LoadResString(IDS_ICS_BAD_STRUCTURE);
    case IcsError::lineTooLong: return LoadResString(IDS_ICS_LINE_TOO_LONG);
    }
    return {};
}

std::string IcsProperty::Param(const char* key) const {
    for (const auto& p : params)
        if (p.first == key) return p.second;
    return {};
}

const IcsProperty* IcsComponent::Find(const char* key) const {
    for (const IcsProperty& p : props)
        if (p.name == key) return &p;
    return nullptr;
}

bool ParseIcsContentLine(const std::string& line, IcsProperty& p) {
    std::size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
    if (i == line.size() || i == 0) return false;
    p.name = ToUpperAscii(line.substr(0, i));
    p.params.clear();
    while (line[i] == ';') {
        const std::size_t nameStart = ++i;
        while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':') ++i;
        if (i == line.size()) return false;
        std::string name = ToUpperAscii(line.substr(nameStart, i - nameStart));
        std::string value;
        if (line[i] == '=') {
            ++i;
            for (;;) {
                if (i < line.size() && line[i] == '"') {
                    const std::size_t close = line.find('"', i + 1);
                    if (close == std::string::npos) return false;
                    value.append(line, i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const std::size_t from = i;
                    while (i < line.size() && line[i] != ',' && line[i] != ';' && line[i] != ':') ++i;
                    value.append(line, from, i - from);
                }
                if (i < line.size() && line[i] == ',') {
                    value += ',';
                    ++i;
                    continue;
                }
                break;
            }
            if (i == line.size()) return false;
        }
        p.params.emplace_back(std::move(name), std::move(value));
    }
    if (line[i] != ':') return false;
    p.value = line.substr(i + 1);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Lines

bool CIcsLexer::Open(const std::string& path, std::string* error) {
    m_bFromMemory = false;
    return m_file.Open(path, vemra::CPlatformFile::modeRead, error);
}

void CIcsLexer::OpenMemory(std::string_view bytes) {
    m_bFromMemory = true;
    m_memory.assign(bytes);
    m_nMemoryPos = 0;
}

std::uint64_t CIcsLexer::Length() const { return m_bFromMemory ? m_memory.size() : m_file.Length(); }

bool CIcsLexer::Fail(IcsError error, int line) {
    if (m_error == IcsError::none) {
        m_error = error;
        m_nErrorLine = line;
    }
    return false;
}

bool CIcsLexer::Fill() {
    if (m_bEof) return false;
    if (m_nBufferPos > 0) {
        m_buffer.erase(0, m_nBufferPos);
        m_nBufferPos = 0;
    }
    std::size_t count = 0;
    if (m_bFromMemory) {
        count = std::min(m_nChunkSize, m_memory.size() - m_nMemoryPos);
        m_buffer.append(m_memory, m_nMemoryPos, count);
        m_nMemoryPos += count;
    } else {
        m_readArea.resize(m_nChunkSize);
        if (!m_file.Read(m_readArea.data(), m_readArea.size(), count, &m_strErrorDetail))
            return Fail(IcsError::readFailed, m_nPhysicalLine);
        m_buffer.append(m_readArea.data(), count);
    }
    if (count == 0) m_bEof = true;
    return count > 0;
}

// One line up to LF (a CR before it dropped); false at the end or on failure.
bool CIcsLexer::ReadPhysical(std::string& line) {
    line.clear();
    std::size_t scanned = m_nBufferPos;
    for (;;) {
        const std::size_t lf = m_buffer.find('\n', scanned);
        if (lf != std::string::npos) {
            if (lf - m_nBufferPos > kMaxLine) return Fail(IcsError::lineTooLong, m_nPhysicalLine + 1);
            line.assign(m_buffer, m_nBufferPos, lf - m_nBufferPos);
            m_nConsumed += lf + 1 - m_nBufferPos;
            m_nBufferPos = lf + 1;
            break;
        }
        scanned = m_buffer.size();
        if (scanned - m_nBufferPos > kMaxLine) return Fail(IcsError::lineTooLong, m_nPhysicalLine + 1);
        const std::size_t before = m_nBufferPos;
        if (!Fill()) {
            if (Failed()) return false;
            if (m_buffer.size() == m_nBufferPos) return false;
            line.assign(m_buffer, m_nBufferPos, std::string::npos);   // a last line without LF
            m_nConsumed += m_buffer.size() - m_nBufferPos;
            m_nBufferPos = m_buffer.size();
            break;
        }
        scanned -= before - m_nBufferPos;   // Fill drops what was consumed
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++m_nPhysicalLine;
    if (m_nPhysicalLine == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    return true;
}

bool CIcsLexer::ReadLine(std::string& line, int& lineNo) {
    if (!m_bHavePeek) {
        if (!ReadPhysical(m_peek)) return false;
        m_nPeekLine = m_nPhysicalLine;
        m_bHavePeek = true;
    }
    line = std::move(m_peek);
    lineNo = m_nPeekLine;
    m_bHavePeek = false;
    std::string next;
    while (ReadPhysical(next)) {
        if (!next.empty() && (next[0] == ' ' || next[0] == '\t')) {
            line.append(next, 1, std::string::npos);
            if (line.size() > kMaxLine) return Fail(IcsError::lineTooLong, lineNo);
            continue;
        }
        m_peek = std::move(next);
        m_nPeekLine = m_nPhysicalLine;
        m_bHavePeek = true;
        break;
    }
    return !Failed();
}

bool CIcsLexer::ReadComponent(IcsComponent& out, const std::string& name, int line, int depth) {
    out.name = name;
    out.line = line;
    std::string text;
    int lineNo = 0;
    IcsProperty p;
    while (ReadLine(text, lineNo)) {
        if (text.empty() || !ParseIcsContentLine(text, p)) continue;   // a stray line is passed over
        p.line = lineNo;
        if (p.name == "BEGIN") {
            if (depth >= kMaxDepth) return Fail(IcsError::badStructure, lineNo);
            out.children.emplace_back();
            if (!ReadComponent(out.children.back(), ToUpperAscii(Trim(p.value)), lineNo, depth + 1)) return false;
        } else if (p.name == "END") {
            if (ToUpperAscii(Trim(p.value)) != name) return Fail(IcsError::badStructure, lineNo);
            return true;
        } else {
            out.props.push_back(std::move(p));
            p = IcsProperty();
        }
    }
    if (Failed()) return false;
    return Fail(IcsError::truncated, line);
}

}  // namespace vemra
