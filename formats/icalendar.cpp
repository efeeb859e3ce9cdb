#include "formats/icalendar.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/local_time.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "platform/utf8.h"
#include "res/string_ids.h"

namespace vemra {

namespace {

constexpr std::size_t kMaxLine = 1 << 20;   // an unfolded line longer than this is no calendar
constexpr int kMaxDepth = 8;
const char* const kDayCodes[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

long long DayNumber(const IcsDate& d) { return DaysFromCivil(d.year, d.month, d.day); }
IcsDate DateOf(long long days) {
    IcsDate d;
    CivilFromDays(days, d.year, d.month, d.day);
    return d;
}
int WeekdayOf(long long days) { return static_cast<int>(((days % 7) + 11) % 7); }   // 1970-01-01 a Thursday
int DaysInMonth(int y, int m) {
    return static_cast<int>(m == 12 ? DaysFromCivil(y + 1, 1, 1) - DaysFromCivil(y, 12, 1)
                                    : DaysFromCivil(y, m + 1, 1) - DaysFromCivil(y, m, 1));
}

// The day of the n-th (negative: from the end) weekday wd of a month; 0 when there is none.
int NthWeekday(int y, int m, int n, int wd) {
    const int last = DaysInMonth(y, m);
    if (n > 0) {
        const int first = WeekdayOf(DaysFromCivil(y, m, 1));
        const int d = 1 + (wd - first + 7) % 7 + (n - 1) * 7;
        return d <= last ? d : 0;
    }
    const int lastWd = WeekdayOf(DaysFromCivil(y, m, last));
    const int d = last - (lastWd - wd + 7) % 7 + (n + 1) * 7;
    return d >= 1 ? d : 0;
}

std::string Digits(long long n, int width) {
    std::string s = std::to_string(n < 0 ? -n : n);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return s;
}
std::string DateText(const IcsDate& d) { return Digits(d.year, 4) + Digits(d.month, 2) + Digits(d.day, 2); }
std::string DateTimeText(const IcsDate& d, int minute, int second = 0) {
    return DateText(d) + "T" + Digits(minute / 60, 2) + Digits(minute % 60, 2) + Digits(second, 2);
}

long long Number(std::string_view s) {
    long long n = 0;
    for (char c : s) n = n * 10 + (c - '0');
    return n;
}



int DayCode(std::string_view s) {
    for (int i = 0; i < 7; ++i)
        if (EqualsNoCase(s, kDayCodes[i])) return i;
    return -1;
}

// A DATE or DATE-TIME value as written.
struct TimeValue {
    IcsDate date;
    int seconds = 0;   // of the day
    bool isDate = false;
    bool utc = false;
};

bool ParseTime(std::string_view s, TimeValue& t) {
    if (s.size() < 8 || !IsDigits(s.substr(0, 8))) return false;
    t.date = {static_cast<int>(Number(s.substr(0, 4))), static_cast<int>(Number(s.substr(4, 2))),
              static_cast<int>(Number(s.substr(6, 2)))};
    if (t.date.year < 1 || t.date.month < 1 || t.date.month > 12 || t.date.day < 1 ||
        t.date.day > DaysInMonth(t.date.year, t.date.month))
        return false;
    if (s.size() == 8) {
        t.isDate = true;
        return true;
    }
    if (s.size() < 15 || (s[8] != 'T' && s[8] != 't') || !IsDigits(s.substr(9, 6))) return false;
    const int h = static_cast<int>(Number(s.substr(9, 2))), m = static_cast<int>(Number(s.substr(11, 2))),
              sec = static_cast<int>(Number(s.substr(13, 2)));
    if (h > 23 || m > 59 || sec > 60) return false;
    t.seconds = h * 3600 + m * 60 + std::min(sec, 59);
    if (s.size() == 16 && (s[15] == 'Z' || s[15] == 'z')) t.utc = true;
    else if (s.size() != 15) return false;
    return true;
}

// A duration in seconds ("-PT15M", "P1D", "P1W").
bool ParseDuration(std::string_view s, long long& out) {
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

// "+0100", "-0530", "+013000" in seconds.
bool ParseOffset(std::string_view s, long long& out) {
    if (s.size() != 5 && s.size() != 7) return false;
    if ((s[0] != '+' && s[0] != '-') || !IsDigits(s.substr(1))) return false;
    long long v = Number(s.substr(1, 2)) * 3600 + Number(s.substr(3, 2)) * 60;
    if (s.size() == 7) v += Number(s.substr(5, 2));
    out = s[0] == '-' ? -v : v;
    return true;
}

std::string Unescape(std::string_view s) {
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

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

long long LocalSeconds(const IcsDate& d, long long seconds) { return DayNumber(d) * 86400 + seconds; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t u = b;
        bool ok = len > 0 && i + static_cast<std::size_t>(len) <= s.size();
        if (ok && len > 1) {
            u = b & (0x7F >> len);
            for (int k = 1; k < len && ok; ++k) {
                const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
                ok = (c & 0xC0) == 0x80;
                u = (u << 6) | (c & 0x3F);
            }
            static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
            ok = ok && u >= kMin[len] && u <= 0x10FFFF && (u < 0xD800 || u > 0xDFFF);
        }
        if (!ok) {
            u = b;   // not UTF-8: the byte is taken as a Latin-1 character
            i += 1;
        } else {
            i += static_cast<std::size_t>(len);
        }
        AppendUtf16(out, u);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Writer

std::string IcsEscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ';': out += "\\;"; break;
        case ',': out += "\\,"; break;
        case '\n': out += "\\n"; break;
        case '\r': break;
        default: out += c;
        }
    }
    return out;
}

std::string IcsFoldLine(std::string_view line) {
    std::string out;
    std::size_t width = 0;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t len = 1;
        while (i + len < line.size() && (static_cast<unsigned char>(line[i + len]) & 0xC0) == 0x80) ++len;
        if (width + len > 75) {
            out += "\r\n ";
            width = 1;
        }
        out.append(line.substr(i, len));
        width += len;
        i += len;
    }
    out += "\r\n";
    return out;
}

std::string IcsCalendarBegin() {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quelbarsk//VEMRA//EN\r\nCALSCALE:GREGORIAN\r\n";
}

std::string IcsCalendarEnd() { return "END:VCALENDAR\r\n"; }

std::string IcsEventText(const IcsEvent& e, const std::string& dtstamp) {
    std::string out = "BEGIN:VEVENT\r\n";
    auto line = [&out](const std::string& text) { out += IcsFoldLine(text); };
    line("UID:" + e.uid);
    line("DTSTAMP:" + dtstamp);
    if (e.allDay) {
        line("DTSTART;VALUE=DATE:" + DateText(e.start));
        line("DTEND;VALUE=DATE:" + DateText(DateOf(DayNumber(e.end) + 1)));
    } else {
        line("DTSTART:" + DateTimeText(e.start, e.startMinute));
        line("DTEND:" + DateTimeText(e.end, e.endMinute));
    }
    line("SUMMARY:" + IcsEscapeText(e.summary));
    if (!e.description.empty()) line("DESCRIPTION:" + IcsEscapeText(e.description));
    if (e.isPrivate) line("CLASS:PRIVATE");

    const IcsRule& r = e.rule;
    if (r.kind != IcsRule::none) {
        static const char* const kFreq[] = {"", "DAILY", "WEEKLY", "MONTHLY", "MONTHLY", "YEARLY"};
        std::string rule = std::string("RRULE:FREQ=") + kFreq[r.kind];
        if (r.interval > 1) rule += ";INTERVAL=" + std::to_string(r.interval);
        // Until the end of the last day, in the form of the start.
        if (r.hasEnd) rule += ";UNTIL=" + (e.allDay ? DateText(r.end) : DateTimeText(r.end, 23 * 60 + 59, 59));
        switch (r.kind) {
        case IcsRule::weekly: {
            std::string days;
            for (int d = 0; d < 7; ++d)
                if (r.weekDays & (1u << d)) days += std::string(days.empty() ? "" : ",") + kDayCodes[d];
            rule += ";BYDAY=" + days + ";WKST=" + kDayCodes[r.firstDayOfWeek % 7];
            break;
        }
        case IcsRule::monthlyByWeekday:
            rule += ";BYDAY=" + std::to_string(r.weekOfMonth) + kDayCodes[r.weekday % 7];
            break;
        case IcsRule::monthlyByDate: rule += ";BYMONTHDAY=" + std::to_string(r.monthDay); break;
        case IcsRule::yearly:
            rule += ";BYMONTH=" + std::to_string(r.month) + ";BYMONTHDAY=" + std::to_string(r.monthDay);
            break;
        default: break;
        }
        line(rule);
        if (!e.exceptions.empty()) {
            std::string ex = e.allDay ? "EXDATE;VALUE=DATE:" : "EXDATE:";
            for (std::size_t i = 0; i < e.exceptions.size(); ++i) {
                if (i) ex += ',';
                ex += e.allDay ? DateText(e.exceptions[i]) : DateTimeText(e.exceptions[i], e.startMinute);
            }
            line(ex);
        }
    }
    if (e.alarm) {
        static const char* const kUnit[] = {"M", "H", "D"};
        const int unit = e.alarmUnit >= 0 && e.alarmUnit <= 2 ? e.alarmUnit : 0;
        out += "BEGIN:VALARM\r\nACTION:DISPLAY\r\n";
        line("DESCRIPTION:" + IcsEscapeText(e.summary));
        line(std::string("TRIGGER:-P") + (unit == 2 ? "" : "T") + std::to_string(e.alarmAdvance) + kUnit[unit]);
        out += "END:VALARM\r\n";
    }
    out += "END:VEVENT\r\n";
    return out;
}

// ---------------------------------------------------------------------------------------------
// Reader

unsigned IcsReasonMessageId(IcsReason reason) { return static_cast<unsigned>(reason); }

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

std::string CICalendarReader::Property::Param(const char* key) const {
    for (const auto& p : params)
        if (p.first == key) return p.second;
    return {};
}

const CICalendarReader::Property* CICalendarReader::Component::Find(const char* key) const {
    for (const Property& p : props)
        if (p.name == key) return &p;
    return nullptr;
}

// A VTIMEZONE: the offset from UTC at a local time, from the onsets of its observances.
struct CICalendarReader::Zone {
    struct Observance {
        long long start = 0;       // local seconds of the first onset
        long long offsetFrom = 0, offsetTo = 0;
        bool yearly = false;
        int month = 0, byDayWeek = 0, byDay = -1, byMonthDay = 0;
        long long startOfDay = 0;  // time of day of the onsets
        bool hasUntil = false;
        long long until = 0;       // local seconds
        std::vector<long long> dates;   // RDATE onsets
    };
    std::vector<Observance> observances;

    // The latest onset at or before bound (local seconds), or LLONG_MIN.
    static long long LatestOnset(const Observance& o, long long bound) {
        long long best = LLONG_MIN;
        if (o.start <= bound) best = o.start;
        for (long long d : o.dates)
            if (d <= bound) best = std::max(best, d);
        if (!o.yearly) return best;
        long long limit = bound;
        if (o.hasUntil) limit = std::min(limit, o.until);
        int y, m, d;
        CivilFromDays(limit >= 0 ? limit / 86400 : (limit - 86399) / 86400, y, m, d);
        for (int year = y; year >= y - 1; --year) {
            int day = o.byMonthDay;
            if (o.byDay >= 0) day = NthWeekday(year, o.month, o.byDayWeek, o.byDay);
            if (day < 1 || day > DaysInMonth(year, o.month)) continue;
            const long long onset = DaysFromCivil(year, o.month, day) * 86400 + o.startOfDay;
            if (onset >= o.start && onset <= limit) {
                best = std::max(best, onset);
                break;
            }
        }
        return best;
    }

    long long OffsetAt(long long local) const {
        long long best = LLONG_MIN, offset = 0, earliest = LLONG_MAX;
        for (const Observance& o : observances) {
            const long long onset = LatestOnset(o, local);
            if (onset != LLONG_MIN && onset >= best) {
                best = onset;
                offset = o.offsetTo;
            }
            if (o.start < earliest) {
                earliest = o.start;
                if (best == LLONG_MIN) offset = o.offsetFrom;
            }
        }
        return offset;
    }
};

CICalendarReader::CICalendarReader() = default;
CICalendarReader::~CICalendarReader() = default;

bool CICalendarReader::Open(const std::string& path, std::string* error) {
    m_bFromMemory = false;
    return m_file.Open(path, vemra::CPlatformFile::modeRead, error);
}

void CICalendarReader::OpenMemory(std::string_view bytes) {
    m_bFromMemory = true;
    m_memory.assign(bytes);
    m_nMemoryPos = 0;
}

std::uint64_t CICalendarReader::Length() const { return m_bFromMemory ? m_memory.size() : m_file.Length(); }

bool CICalendarReader::Fail(IcsError error, int line) {
    if (m_state != failed) {
        m_state = failed;
        m_error = error;
        m_nErrorLine = line;
    }
    return false;
}

bool CICalendarReader::Fill() {
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
bool CICalendarReader::ReadPhysical(std::string& line) {
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
            if (m_state == failed) return false;
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

bool CICalendarReader::ReadLine(std::string& line, int& lineNo) {
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
    return m_state != failed;
}

namespace {
// name;param=value;param="quoted":value. False when the line has no value part.
bool ParseContentLine(const std::string& line, CICalendarReader::Property& p) {
    std::size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
    if (i == line.size() || i == 0) return false;
    p.name = Upper(line.substr(0, i));
    p.params.clear();
    while (line[i] == ';') {
        const std::size_t nameStart = ++i;
        while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':') ++i;
        if (i == line.size()) return false;
        std::string name = Upper(line.substr(nameStart, i - nameStart));
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
}  // namespace

bool CICalendarReader::ReadComponent(Component& out, const std::string& name, int line, int depth) {
    out.name = name;
    out.line = line;
    std::string text;
    int lineNo = 0;
    Property p;
    while (ReadLine(text, lineNo)) {
        if (text.empty() || !ParseContentLine(text, p)) continue;   // a stray line is passed over
        p.line = lineNo;
        if (p.name == "BEGIN") {
            if (depth >= kMaxDepth) return Fail(IcsError::badStructure, lineNo);
            out.children.emplace_back();
            if (!ReadComponent(out.children.back(), Upper(Trim(p.value)), lineNo, depth + 1)) return false;
        } else if (p.name == "END") {
            if (Upper(Trim(p.value)) != name) return Fail(IcsError::badStructure, lineNo);
            return true;
        } else {
            out.props.push_back(std::move(p));
            p = Property();
        }
    }
    if (m_state == failed) return false;
    return Fail(IcsError::truncated, line);
}

CICalendarReader::Item CICalendarReader::Next(IcsEvent& event, IcsReason& reason) {
    constexpr int kDefer = -1;
    std::string text;
    int lineNo = 0;
    Property p;
    for (;;) {
        if (m_state == failed) return itemFailed;
        if (m_bFlushing) {
            if (m_nPendingPos < m_pending.size()) {
                const int r = Interpret(m_pending[m_nPendingPos++], event, reason);
                return static_cast<Item>(r);
            }
            m_bFlushing = false;
            m_pending.clear();
            m_nPendingPos = 0;
        }
        if (!ReadLine(text, lineNo)) {
            if (m_state == failed) return itemFailed;
            if (m_state == beforeCalendar) Fail(IcsError::notICalendar, 1);
            else if (m_state == inCalendar) Fail(IcsError::truncated, m_nPhysicalLine);
            else return itemEnd;
            return itemFailed;
        }
        if (Trim(text).empty()) continue;
        const bool parsed = ParseContentLine(text, p);
        const bool begin = parsed && p.name == "BEGIN";
        const std::string what = parsed ? Upper(Trim(p.value)) : std::string();
        if (m_state != inCalendar) {
            if (begin && what == "VCALENDAR") {
                m_state = inCalendar;
                continue;
            }
            Fail(m_state == beforeCalendar ? IcsError::notICalendar : IcsError::badStructure, lineNo);
            return itemFailed;
        }
        if (!parsed) continue;
        if (p.name == "END") {
            if (what != "VCALENDAR") {
                Fail(IcsError::badStructure, lineNo);
                return itemFailed;
            }
            m_state = afterCalendar;
            m_bFlushing = !m_pending.empty();
            continue;
        }
        if (!begin) continue;   // a calendar property
        Component c;
        if (!ReadComponent(c, what, lineNo, 1)) return itemFailed;
        if (what == "VTIMEZONE") {
            auto zone = std::make_shared<Zone>();
            for (const Component& o : c.children) {
                if (o.name != "STANDARD" && o.name != "DAYLIGHT") continue;
                Zone::Observance obs;
                TimeValue start;
                const Property* dt = o.Find("DTSTART");
                const Property* from = o.Find("TZOFFSETFROM");
                const Property* to = o.Find("TZOFFSETTO");
                if (!dt || !to || !ParseTime(Trim(dt->value), start) || !ParseOffset(Trim(to->value), obs.offsetTo))
                    continue;
                if (!from || !ParseOffset(Trim(from->value), obs.offsetFrom)) obs.offsetFrom = obs.offsetTo;
                obs.start = LocalSeconds(start.date, start.seconds);
                obs.startOfDay = start.seconds;
                obs.month = start.date.month;
                obs.byMonthDay = start.date.day;
                for (const Property& q : o.props) {
                    if (q.name == "RDATE") {
                        for (const std::string& v : Split(q.value, ',')) {
                            TimeValue t;
                            if (ParseTime(Trim(v), t)) obs.dates.push_back(LocalSeconds(t.date, t.seconds));
                        }
                    } else if (q.name == "RRULE") {
                        for (const std::string& part : Split(q.value, ';')) {
                            const std::size_t eq = part.find('=');
                            if (eq == std::string::npos) continue;
                            const std::string key = Upper(part.substr(0, eq)), val = part.substr(eq + 1);
                            if (key == "FREQ") obs.yearly = EqualsNoCase(val, "YEARLY");
                            else if (key == "BYMONTH" && IsDigits(val)) obs.month = static_cast<int>(std::clamp(Number(val.substr(0, 3)), 1LL, 12LL));
                            else if (key == "BYMONTHDAY" && IsDigits(val)) obs.byMonthDay = static_cast<int>(std::min(Number(val.substr(0, 3)), 31LL));
                            else if (key == "BYDAY" && val.size() >= 2) {
                                const std::string n = val.substr(0, val.size() - 2);
                                const int wd = DayCode(val.substr(val.size() - 2));
                                const bool neg = !n.empty() && n[0] == '-';
                                const std::string digits = n.empty() || IsDigits(n) ? n : n.substr(1);
                                if (wd >= 0 && IsDigits(digits) && digits.size() == 1 && digits != "0") {
                                    obs.byDay = wd;
                                    obs.byDayWeek = static_cast<int>(Number(digits)) * (neg ? -1 : 1);
                                }
                            } else if (key == "UNTIL") {
                                TimeValue u;
                                if (ParseTime(val, u)) {
                                    obs.hasUntil = true;
                                    // An UNTIL in UTC is taken in the observance's old offset.
                                    obs.until = LocalSeconds(u.date, u.isDate ? 86399 : u.seconds) + (u.utc ? obs.offsetFrom : 0);
                                }
                            }
                        }
                    }
                }
                zone->observances.push_back(std::move(obs));
            }
            if (const Property* id = c.Find("TZID")) m_zones[id->value] = zone;
            continue;
        }
        if (what == "VTODO" || what == "VJOURNAL") {
            event = IcsEvent();
            event.line = c.line;
            if (const Property* s = c.Find("SUMMARY")) event.summary = Unescape(s->value);
            reason = what == "VTODO" ? icsTodo : icsJournal;
            return itemRejected;
        }
        if (what != "VEVENT") continue;
        const int r = Interpret(c, event, reason);
        if (r == kDefer) {
            m_pending.push_back(std::move(c));
            continue;
        }
        return static_cast<Item>(r);
    }
}

// An event as the datebook can hold it. A zone the file has not described yet defers the
// event to the end of the calendar (-1).
int CICalendarReader::Interpret(const Component& c, IcsEvent& e, IcsReason& reason) {
    e = IcsEvent();
    e.line = c.line;
    if (const Property* p = c.Find("UID")) e.uid = p->value;
    if (const Property* p = c.Find("SUMMARY")) e.summary = Unescape(p->value);
    if (const Property* p = c.Find("DESCRIPTION")) e.description = Unescape(p->value);
    auto reject = [&](IcsReason why) {
        reason = why;
        return static_cast<int>(itemRejected);
    };
    if (c.Find("RECURRENCE-ID")) return reject(icsRecurrenceId);
    if (c.Find("RDATE")) return reject(icsRDate);
    if (c.Find("EXRULE")) return reject(icsRuleNotHeld);

    // A time of the file as a local date and second of the day; 1 done, 0 bad, -1 unknown zone.
    auto local = [&](const Property& p, std::string_view value, TimeValue& t) {
        if (!ParseTime(Trim(value), t)) return 0;
        if (t.isDate || EqualsNoCase(p.Param("VALUE"), "DATE")) {
            t.isDate = true;
            t.seconds = 0;
            return 1;
        }
        long long utc;
        const std::string tzid = p.Param("TZID");
        if (t.utc) {
            utc = LocalSeconds(t.date, t.seconds);
        } else if (!tzid.empty()) {
            const auto zone = m_zones.find(tzid);
            if (zone == m_zones.end()) return -1;
            const long long wall = LocalSeconds(t.date, t.seconds);
            utc = wall - zone->second->OffsetAt(wall);
        } else {
            return 1;   // floating: the wall-clock time as it stands
        }
        LocalParts parts;
        if (static_cast<long long>(static_cast<long>(utc)) != utc || !BreakLocal(static_cast<long>(utc), parts)) return 0;
        t.date = {parts.year, parts.month, parts.day};
        t.seconds = parts.hour * 3600 + parts.minute * 60 + parts.second;
        t.utc = false;
        return 1;
    };
    auto resolve = [&](int r) {
        if (r == -1 && !m_bFlushing) return -1;
        return r == 1 ? 0 : static_cast<int>(r == -1 ? icsUnknownZone : icsBadTime);
    };

    const Property* dtstart = c.Find("DTSTART");
    if (!dtstart) return reject(icsNoStart);
    TimeValue start, end;
    if (int r = resolve(local(*dtstart, dtstart->value, start))) return r < 0 ? r : reject(static_cast<IcsReason>(r));
    bool haveEnd = false;
    if (const Property* dtend = c.Find("DTEND")) {
        if (int r = resolve(local(*dtend, dtend->value, end))) return r < 0 ? r : reject(static_cast<IcsReason>(r));
        haveEnd = true;
    } else if (const Property* duration = c.Find("DURATION")) {
        long long seconds = 0;
        if (!ParseDuration(Trim(duration->value), seconds) || seconds < 0) return reject(icsBadTime);
        const long long at = LocalSeconds(start.date, start.seconds) + seconds;
        end.date = DateOf(at / 86400);
        end.seconds = static_cast<int>(at % 86400);
        end.isDate = start.isDate;
        haveEnd = true;
    }
    e.allDay = start.isDate;
    e.start = start.date;
    long long days = 1;   // an all-day event's days
    if (e.allDay) {
        if (haveEnd) days = std::max(1LL, DayNumber(end.date) - DayNumber(start.date));
        e.end = e.start;
    } else {
        e.startMinute = start.seconds / 60;
        e.end = start.date;
        e.endMinute = e.startMinute;
        if (haveEnd && !end.isDate) {
            const long long length = LocalSeconds(end.date, end.seconds) - LocalSeconds(start.date, start.seconds);
            if (length > 0 && !(end.date == start.date)) return reject(icsOverMidnight);
            if (length > 0) e.endMinute = end.seconds / 60;
        }
    }

    if (const Property* cls = c.Find("CLASS"))
        e.isPrivate = EqualsNoCase(Trim(cls->value), "PRIVATE") || EqualsNoCase(Trim(cls->value), "CONFIDENTIAL");

    for (const Component& alarm : c.children) {
        if (alarm.name != "VALARM") continue;
        const Property* trigger = alarm.Find("TRIGGER");
        long long seconds = 0;
        if (!trigger || EqualsNoCase(trigger->Param("VALUE"), "DATE-TIME") ||
            EqualsNoCase(trigger->Param("RELATED"), "END") || !ParseDuration(Trim(trigger->value), seconds) ||
            seconds > 0)
            continue;
        const long long advance = -seconds;
        e.alarm = true;
        if (advance > 0 && advance % 86400 == 0) {
            e.alarmAdvance = static_cast<long>(std::min(advance / 86400, 999LL));
            e.alarmUnit = 2;
        } else if (advance > 0 && advance % 3600 == 0) {
            e.alarmAdvance = static_cast<long>(std::min(advance / 3600, 999LL));
            e.alarmUnit = 1;
        } else {
            e.alarmAdvance = static_cast<long>(std::min(advance / 60, 999LL));
            e.alarmUnit = 0;
        }
        break;
    }

    // The repeat rule.
    std::vector<const Property*> rules;
    for (const Property& p : c.props)
        if (p.name == "RRULE") rules.push_back(&p);
    IcsRule& rule = e.rule;
    const long long startDay = DayNumber(e.start);
    if (rules.size() > 1) return reject(icsRuleNotHeld);
    if (rules.size() == 1) {
        if (e.allDay && days > 1) return reject(icsRuleNotHeld);
        std::string freq, byDay, byMonthDay, byMonth;
        for (const std::string& part : Split(rules[0]->value, ';')) {
            const std::size_t eq = part.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = Upper(Trim(part.substr(0, eq))), val = Trim(part.substr(eq + 1));
            if (key == "FREQ") freq = Upper(val);
            else if (key == "INTERVAL") {
                if (!IsDigits(val) || val.size() > 4 || Number(val) < 1) return reject(icsRuleNotHeld);
                rule.interval = static_cast<int>(Number(val));
            } else if (key == "COUNT") {
                if (!IsDigits(val) || val.size() > 6 || Number(val) < 1) return reject(icsRuleNotHeld);
                rule.count = static_cast<long>(Number(val));
            } else if (key == "UNTIL") {
                TimeValue u;
                if (int r = resolve(local(*rules[0], val, u))) return r < 0 ? r : reject(static_cast<IcsReason>(r));
                rule.hasEnd = true;
                rule.end = u.date;
            } else if (key == "BYDAY") byDay = Upper(val);
            else if (key == "BYMONTHDAY") byMonthDay = val;
            else if (key == "BYMONTH") byMonth = val;
            else if (key == "WKST") rule.firstDayOfWeek = std::max(0, DayCode(val));
            else if (key == "BYSETPOS") return reject(icsRuleSetPos);
            else if (key != "RSCALE" && key != "SKIP") return reject(icsRuleNotHeld);
        }
        if (byMonth.find(',') != std::string::npos) return reject(icsRuleSeveralMonths);
        // BYDAY as a weekday set (no ordinals) and as one weekday with its week of the month.
        unsigned mask = 0;
        int ordinal = 0, ordinalDay = -1;
        bool ordinals = false;
        for (const std::string& d : Split(byDay, ',')) {
            if (byDay.empty()) break;
            if (d.size() < 2) return reject(icsRuleNotHeld);
            const int wd = DayCode(d.substr(d.size() - 2));
            std::string n = d.substr(0, d.size() - 2);
            if (wd < 0) return reject(icsRuleNotHeld);
            if (!n.empty()) {
                const bool neg = n[0] == '-';
                if (n[0] == '-' || n[0] == '+') n.erase(0, 1);
                if (!IsDigits(n) || n.size() > 2) return reject(icsRuleNotHeld);
                ordinal = static_cast<int>(Number(n)) * (neg ? -1 : 1);
                ordinalDay = wd;
                ordinals = true;
            }
            mask |= 1u << wd;
        }
        auto single = [](const std::string& v, int lo, int hi) {
            return IsDigits(v) && v.size() <= 2 && Number(v) >= lo && Number(v) <= hi ? static_cast<int>(Number(v)) : 0;
        };
        if (freq == "DAILY") {
            if (!byMonth.empty() || !byMonthDay.empty() || ordinals) return reject(icsRuleNotHeld);
            if (mask) {
                if (rule.interval != 1) return reject(icsRuleNotHeld);
                rule.kind = IcsRule::weekly;
                rule.weekDays = mask;
            } else {
                rule.kind = IcsRule::daily;
            }
        } else if (freq == "WEEKLY") {
            if (!byMonth.empty() || !byMonthDay.empty() || ordinals) return reject(icsRuleNotHeld);
            rule.kind = IcsRule::weekly;
            rule.weekDays = mask ? mask : 1u << WeekdayOf(startDay);
        } else if (freq == "MONTHLY") {
            if (!byMonth.empty()) return reject(icsRuleNotHeld);
            if (!byDay.empty()) {
                if (!byMonthDay.empty() || !ordinals || byDay.find(',') != std::string::npos ||
                    !((ordinal >= 1 && ordinal <= 4) || ordinal == -1))
                    return reject(icsRuleNotHeld);
                rule.kind = IcsRule::monthlyByWeekday;
                rule.weekOfMonth = ordinal;
                rule.weekday = ordinalDay;
            } else {
                rule.kind = IcsRule::monthlyByDate;
                rule.monthDay = byMonthDay.empty() ? e.start.day : single(byMonthDay, 1, 31);
                if (rule.monthDay == 0) return reject(icsRuleNotHeld);
            }
        } else if (freq == "YEARLY") {
            if (!byDay.empty()) return reject(icsRuleNotHeld);
            rule.kind = IcsRule::yearly;
            rule.month = byMonth.empty() ? e.start.month : single(byMonth, 1, 12);
            rule.monthDay = byMonthDay.empty() ? e.start.day : single(byMonthDay, 1, 31);
            if (rule.month == 0 || rule.monthDay == 0) return reject(icsRuleNotHeld);
        } else {
            return reject(icsRuleNotHeld);
        }
        for (const Property& p : c.props) {
            if (p.name != "EXDATE") continue;
            for (const std::string& v : Split(p.value, ',')) {
                TimeValue t;
                if (int r = resolve(local(p, v, t))) return r < 0 ? r : reject(static_cast<IcsReason>(r));
                e.exceptions.push_back(t.date);
            }
        }
    } else if (e.allDay && days > 1) {
        // Several days: a daily repeat over them, as the datebook's users enter such days.
        rule.kind = IcsRule::daily;
        rule.hasEnd = true;
        rule.end = DateOf(startDay + days - 1);
    }
    return itemEvent;
}

}  // namespace vemra
