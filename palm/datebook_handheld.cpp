// Reading and writing the handheld's DatebookDB.pdb (docs: palm-handheld-datebook.md).
//
// Records are turned into the table's own records on reading; each keeps its bytes, attributes
// and unique ID, and is written back with them while its fields still encode as they did when
// read. Header, application-info and sort-info blocks are kept as read. The whole file is
// checked before anything is taken from it, so a damaged file is refused, never half-read.

#include "palm/datebook_handheld.h"

#include "platform/local_time.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

#include <algorithm>
#include <cstdio>

using namespace datebook;

namespace {

constexpr std::size_t kHeaderSize = 78;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kFixedPart = 8;
constexpr std::size_t kMaxRecord = 0xFFE0;   // a handheld record stays below 64 KB

constexpr std::uint8_t kAttrDeleted = 0x80;
constexpr std::uint8_t kAttrDirty = 0x40;
constexpr std::uint8_t kAttrSecret = 0x10;
constexpr std::uint8_t kAttrCategory = 0x0F;

constexpr std::uint16_t kFlagAlarm = 0x4000;
constexpr std::uint16_t kFlagRepeat = 0x2000;
constexpr std::uint16_t kFlagNote = 0x1000;
constexpr std::uint16_t kFlagExceptions = 0x0800;
constexpr std::uint16_t kFlagDescription = 0x0400;
constexpr std::uint16_t kFlagsUnknown = 0x03FF;   // 0x0200 may be a location (newer Calendar only)
constexpr std::uint16_t kNoEnd = 0xFFFF;
constexpr unsigned char kNoTime = 0xFF;

constexpr int kFirstYear = 1904;
constexpr int kLastYear = kFirstYear + 127;   // a packed date keeps the year in 7 bits

unsigned At8(std::string_view s, std::size_t at) { return static_cast<unsigned char>(s[at]); }
std::uint16_t At16(std::string_view s, std::size_t at) {
    return static_cast<std::uint16_t>(At8(s, at) << 8 | At8(s, at + 1));
}
std::uint32_t At32(std::string_view s, std::size_t at) {
    return static_cast<std::uint32_t>(At16(s, at)) << 16 | At16(s, at + 2);
}
void Put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v >> 8);
    s += static_cast<char>(v & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, static_cast<std::uint16_t>(v >> 16));
    Put16(s, static_cast<std::uint16_t>(v & 0xFFFF));
}
void Set32(std::string& s, std::size_t at, std::uint32_t v) {
    std::string b;
    Put32(b, v);
    s.replace(at, 4, b);
}

std::string Num(std::size_t n) { return std::to_string(n); }

struct Date {
    int year, month, day;
};

bool UnpackDate(std::uint16_t packed, Date& d) {
    d = {kFirstYear + (packed >> 9), (packed >> 5) & 0x0F, packed & 0x1F};
    return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= vemra::DaysInMonth(d.year, d.month);
}

// ---- reading ----

// The repeat of a record starting on start, from the bytes of its repeat part.
std::unique_ptr<CRepeateDayInfo> RuleOf(std::string_view part, long endDate, const Date& start) {
    const unsigned type = At8(part, 0), interval = At8(part, 4), on = At8(part, 5), firstDay = At8(part, 6);
    const std::uint32_t value1 = type == eRepeatWeekly ? 1 : type == eRepeatMonthlyByDay ? on % 7 : static_cast<std::uint32_t>(start.day);
    const std::uint32_t value2 = type == eRepeatMonthlyByDay ? on / 7 : static_cast<std::uint32_t>(start.month - 1);
    return MakeRule(type, interval, endDate, type == eRepeatWeekly ? firstDay : 0, value1, value2, static_cast<unsigned char>(on));
}

class CRecordReader {
public:
    CRecordReader(std::string_view rec, std::size_t base, std::size_t index, std::string& error)
        : m_rec(rec), m_base(base), m_index(Num(index + 1)), m_error(error) {}

    bool Damaged(unsigned reasonId, std::size_t at) {
        const std::string what = vemra::FormatText(vemra::LoadResString(reasonId).c_str(), m_index.c_str());
        m_error = vemra::FormatText(vemra::LoadResString(IDS_DB_DAMAGED).c_str(), what.c_str(), Num(m_base + at).c_str());
        return false;
    }
    bool Need(std::size_t n) { return m_rec.size() - m_pos >= n || Damaged(IDS_PDB_RECORD_PARTS, m_pos); }
    bool Text(FileText& text) {
        const std::size_t nul = m_rec.find('\0', m_pos);
        if (nul == std::string_view::npos) return Damaged(IDS_PDB_TEXT_NO_NUL, m_pos);
        // The handheld breaks lines with a line feed, the desktop's texts with CR LF.
        text.bytes.clear();
        for (char c : m_rec.substr(m_pos, nul - m_pos)) {
            if (c == '\n' && (text.bytes.empty() || text.bytes.back() != '\r')) text.bytes += '\r';
            text.bytes += c;
        }
        m_pos = nul + 1;
        return true;
    }
    bool Before1970(const Date& d) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
        m_error = vemra::FormatText(vemra::LoadResString(IDS_PDB_BEFORE_1970).c_str(), m_index.c_str(), text);
        return false;
    }
    bool TimeOn(const Date& d, long& t, int hour = 0, int minute = 0) {
        t = vemra::MakeLocal(d.year, d.month, d.day, hour, minute);
        return t >= 0 || Before1970(d);
    }
    // A packed date as local midnight; dates before 1970 the table cannot hold.
    bool DateAt(std::size_t at, long& t) {
        Date d{};
        if (!UnpackDate(At16(m_rec, at), d)) return Damaged(IDS_PDB_BAD_DATE, at);
        return TimeOn(d, t);
    }
    // A series begun before the datebook's first day (1970, a birthday above all) starts at its
    // first occurrence from that day on; its own bytes still say when it began and are written
    // back while it is not changed. False for anything else before that day.
    bool IntoDatebookYears(std::uint16_t flags, int hour, int minute) {
        if (vemra::MakeLocal(m_start.year, m_start.month, m_start.day, hour, minute) >= 0) return true;
        // Early on 1 January 1970 lies before the time's zero east of Greenwich.
        const int firstDay = vemra::MakeLocal(kDatebookFirstYear, 1, 1, hour, minute) >= 0 ? 1 : 2;
        const long long first = vemra::DaysFromCivil(kDatebookFirstYear, 1, firstDay);
        long long day = vemra::DaysFromCivil(m_start.year, m_start.month, m_start.day);
        const std::size_t part = kFixedPart + ((flags & kFlagAlarm) ? 2 : 0);
        if (!(flags & kFlagRepeat) || m_rec.size() < part + 8 || At8(m_rec, part) == eRepeatNone ||
            At8(m_rec, part) > eRepeatYearlyByDate)
            return false;
        long long last = vemra::DaysFromCivil(kDatebookLastYear, kNoEndMonth, kNoEndDay);
        long endDate = -1;
        if (At16(m_rec, part + 2) != kNoEnd) {
            Date end{};
            if (!UnpackDate(At16(m_rec, part + 2), end)) return false;
            last = std::min(last, vemra::DaysFromCivil(end.year, end.month, end.day));
            endDate = vemra::MakeLocal(end.year, end.month, end.day);
        }
        const std::unique_ptr<CRepeateDayInfo> rule = RuleOf(m_rec.substr(part, 8), endDate, m_start);
        if (last < first || !rule || !NextDay(*rule, day, first, last, day)) return false;
        int y, m, d;
        vemra::CivilFromDays(day, y, m, d);
        m_start = {y, m, d};
        return true;
    }
    bool Read(DateBkRecordData& r);

private:
    std::string_view m_rec;
    std::size_t m_base;
    std::string m_index;
    std::string& m_error;
    std::size_t m_pos = kFixedPart;
    Date m_start{};   // the day the record starts on in the table
};

bool CRecordReader::Read(DateBkRecordData& r) {
    if (m_rec.size() < kFixedPart) return Damaged(IDS_PDB_RECORD_CUT, 0);
    const unsigned sh = At8(m_rec, 0), sm = At8(m_rec, 1), eh = At8(m_rec, 2), em = At8(m_rec, 3);
    const std::uint16_t flags = At16(m_rec, 6);
    if (flags & kFlagsUnknown) return Damaged(IDS_PDB_BAD_VALUE, 6);
    const bool untimed = sh == kNoTime && sm == kNoTime;
    if (!untimed && (sh > 23 || sm > 59 || eh > 23 || em > 59)) return Damaged(IDS_PDB_BAD_DATE, 0);
    if (!UnpackDate(At16(m_rec, 4), m_start)) return Damaged(IDS_PDB_BAD_DATE, 4);
    if (!IntoDatebookYears(flags, untimed ? 0 : static_cast<int>(sh), untimed ? 0 : static_cast<int>(sm)))
        return Before1970(m_start);
    long start = 0, end = 0;
    if (!TimeOn(m_start, start, untimed ? 0 : static_cast<int>(sh), untimed ? 0 : static_cast<int>(sm))) return false;
    if (untimed) end = start;
    else if (!TimeOn(m_start, end, static_cast<int>(eh), static_cast<int>(em))) return false;
    r.start = static_cast<std::uint32_t>(start);
    r.end = static_cast<std::uint32_t>(end);
    r.untimed = untimed;
    r.duration = end > start ? static_cast<std::uint32_t>((end - start) / 60) : 0;

    if (flags & kFlagAlarm) {
        if (!Need(2)) return false;
        const int advance = static_cast<signed char>(At8(m_rec, m_pos));
        const unsigned unit = At8(m_rec, m_pos + 1);
        if (advance < 0 || advance > 99 || unit > 2) return Damaged(IDS_PDB_BAD_VALUE, m_pos);
        r.alarmSet = 1;
        r.alarmAdvance = static_cast<std::uint32_t>(advance);
        r.alarmUnit = unit;
        m_pos += 2;
    }
    if (flags & kFlagRepeat) {
        if (!Need(8)) return false;
        const unsigned type = At8(m_rec, m_pos), on = At8(m_rec, m_pos + 5), firstDay = At8(m_rec, m_pos + 6);
        const bool badOn = (type == eRepeatWeekly && on > 0x7F) || (type == eRepeatMonthlyByDay && on > 34);
        if (type > eRepeatYearlyByDate || badOn || firstDay > 6) return Damaged(IDS_PDB_BAD_VALUE, m_pos);
        long endDate = -1;
        if (At16(m_rec, m_pos + 2) != kNoEnd && !DateAt(m_pos + 2, endDate)) return false;
        if (type != eRepeatNone) r.repeat.rule = RuleOf(m_rec.substr(m_pos, 8), endDate, m_start);
        m_pos += 8;
    }
    if (flags & kFlagExceptions) {
        if (!Need(2)) return false;
        const std::size_t count = At16(m_rec, m_pos);
        m_pos += 2;
        if (!Need(2 * count)) return false;
        for (std::size_t i = 0; i < count; ++i, m_pos += 2) {
            Date d{};
            if (!UnpackDate(At16(m_rec, m_pos), d)) return Damaged(IDS_PDB_BAD_DATE, m_pos);
            // Exceptions before 1970 lie before a start moved into the datebook's years.
            const long day = vemra::MakeLocal(d.year, d.month, d.day);
            if (day >= 0) r.repeat.exceptions.push_back(static_cast<std::uint32_t>(day));
        }
    }
    // Bytes after the last part are kept with the record's bytes but mean nothing.
    return (!(flags & kFlagDescription) || Text(r.description)) && (!(flags & kFlagNote) || Text(r.note));
}

bool FileDamaged(std::string& error, unsigned reasonId, std::size_t at, std::size_t index = 0) {
    const std::string what = vemra::FormatText(vemra::LoadResString(reasonId).c_str(), Num(index + 1).c_str());
    error = vemra::FormatText(vemra::LoadResString(IDS_DB_DAMAGED).c_str(), what.c_str(), Num(at).c_str());
    return false;
}

// ---- writing ----

// The day of t packed; false for a day the reader would not take back (before 1970, after
// 2031). timeOfDay: the day is a timed start, read back with its hour and minute.
bool PackDate(long t, std::uint16_t& packed, vemra::LocalParts* parts = nullptr, bool timeOfDay = false) {
    vemra::LocalParts p;
    if (!vemra::BreakLocal(t, p) || p.year < kFirstYear || p.year > kLastYear ||
        vemra::MakeLocal(p.year, p.month, p.day, timeOfDay ? p.hour : 0, timeOfDay ? p.minute : 0) < 0)
        return false;
    packed = static_cast<std::uint16_t>((p.year - kFirstYear) << 9 | p.month << 5 | p.day);
    if (parts) *parts = p;
    return true;
}

// The record's bytes; 0 when they can be written, else the string of the reason.
unsigned Encode(const DateBkRecordData& r, std::string& out) {
    out.clear();
    const long start = TimeFromRaw(r.start);
    vemra::LocalParts s, e;
    std::uint16_t date = 0;
    if (!PackDate(start, date, &s, !r.untimed)) return IDS_PDB_HOLD_YEARS;
    if (r.untimed) {
        out.append(4, static_cast<char>(kNoTime));
    } else {
        // The handheld's appointments end on their own day.
        int eh = s.hour, em = s.minute;
        const bool endKnown = vemra::BreakLocal(TimeFromRaw(r.end), e);
        const long long startDay = vemra::DaysFromCivil(s.year, s.month, s.day);
        const long long endDay = endKnown ? vemra::DaysFromCivil(e.year, e.month, e.day) : startDay - 1;
        if (endDay == startDay) eh = e.hour, em = e.minute;
        else if (endDay > startDay) eh = 23, em = 59;
        for (int v : {s.hour, s.minute, eh, em}) out += static_cast<char>(v);
    }
    Put16(out, date);
    const CRepeateDayInfo* rule = r.repeat.rule.get();
    const bool exceptions = rule && !r.repeat.exceptions.empty();
    Put16(out, static_cast<std::uint16_t>(kFlagDescription | (r.alarmSet ? kFlagAlarm : 0) | (rule ? kFlagRepeat : 0) |
                                          (exceptions ? kFlagExceptions : 0) | (r.note.bytes.empty() ? 0 : kFlagNote)));
    if (r.alarmSet) {
        const auto advance = static_cast<std::int32_t>(r.alarmAdvance);
        if (advance < 0 || advance > 99 || r.alarmUnit > 2) return IDS_PDB_HOLD_FORM;
        out += static_cast<char>(advance);
        out += static_cast<char>(r.alarmUnit);
    }
    if (rule) {
        const int brand = rule->GetBrand();
        std::uint16_t end = kNoEnd;
        if (rule->GetEndDate() != -1 && !PackDate(rule->GetEndDate(), end)) return IDS_PDB_HOLD_YEARS;
        const int interval = std::max(1, rule->GetInterval());
        int on = 0;
        if (brand == eRepeatWeekly) on = static_cast<const CWeekly*>(rule)->GetWeekDays() & 0x7F;
        if (brand == eRepeatMonthlyByDay) {
            const auto* m = static_cast<const CDayOfMonth*>(rule);
            if (m->GetWeekNum() < eFirstWeek || m->GetWeekNum() > eLastWeek || m->GetDay() < eSunday || m->GetDay() > eSaturday)
                return IDS_PDB_HOLD_FORM;
            on = m->GetWeekNum() * 7 + m->GetDay();
        }
        const int firstDay = brand == eRepeatWeekly ? rule->GetFirstDayOfWeek() : 0;
        if (interval > 255 || firstDay < 0 || firstDay > 6) return IDS_PDB_HOLD_FORM;
        out += static_cast<char>(brand);
        out += '\0';
        Put16(out, end);
        for (int v : {interval, on, firstDay, 0}) out += static_cast<char>(v);
    }
    if (exceptions) {
        if (r.repeat.exceptions.size() > 0xFFFF) return IDS_PDB_HOLD_FORM;
        Put16(out, static_cast<std::uint16_t>(r.repeat.exceptions.size()));
        for (std::uint32_t day : r.repeat.exceptions) {
            std::uint16_t packed = 0;
            if (!PackDate(TimeFromRaw(day), packed)) return IDS_PDB_HOLD_YEARS;
            Put16(out, packed);
        }
    }
    for (const FileText* text : {&r.description, &r.note}) {
        if (text == &r.note && text->bytes.empty()) break;
        if (text->bytes.find('\0') != std::string::npos) return IDS_PDB_HOLD_FORM;
        for (std::size_t i = 0; i < text->bytes.size(); ++i)
            if (text->bytes.compare(i, 2, "\r\n") != 0) out += text->bytes[i];
        out += '\0';
    }
    return out.size() > kMaxRecord ? static_cast<unsigned>(IDS_PDB_HOLD_FORM) : 0u;
}

std::uint8_t Attributes(const DateBkRecordData& r) {
    return static_cast<std::uint8_t>((r.handheld.attributes & ~(kAttrSecret | kAttrCategory)) |
                                     (r.isPrivate ? kAttrSecret : 0) | (r.category <= kAttrCategory ? r.category : 0));
}

// The handheld's order: by date, then start time, untimed first; deleted records last.
std::uint32_t OrderKey(const std::string& bytes, std::uint8_t attributes) {
    if ((attributes & kAttrDeleted) || bytes.size() < kFixedPart) return 0xFFFFFFFF;
    const unsigned minute = At8(bytes, 0) == kNoTime ? 0 : At8(bytes, 0) * 60 + At8(bytes, 1) + 1;
    return static_cast<std::uint32_t>(At16(bytes, 4)) << 16 | minute;
}

std::string HandheldTime() {
    vemra::LocalParts p;
    if (!vemra::BreakLocal(vemra::Now(), p)) return std::string(4, '\0');
    const long long days = vemra::DaysFromCivil(p.year, p.month, p.day) - vemra::DaysFromCivil(kFirstYear, 1, 1);
    std::string out;
    Put32(out, static_cast<std::uint32_t>(days * 86400 + p.hour * 3600 + p.minute * 60 + p.second));
    return out;
}

}  // namespace

namespace datebook {

bool ParseHandheldFile(std::string_view bytes, DateBkTableData& impl, std::string& error) {
    impl.Clear();
    const std::size_t size = bytes.size();
    if (size < kHeaderSize) return FileDamaged(error, IDS_DB_ENDS_EARLY, size);
    if (At32(bytes, 72) != 0) {
        error = vemra::LoadResString(IDS_PDB_RECORD_LIST_CHAIN);
        return false;
    }
    const std::size_t count = At16(bytes, 76);
    const std::size_t listEnd = kHeaderSize + kEntrySize * count;
    if (listEnd > size) return FileDamaged(error, IDS_PDB_RECORD_LIST, kHeaderSize);

    // Offsets first: records in ascending order after the list and the blocks, inside the file.
    std::vector<std::size_t> offsets(count + 1, size);
    for (std::size_t i = 0; i < count; ++i) {
        offsets[i] = At32(bytes, kHeaderSize + kEntrySize * i);
        if (offsets[i] > size) return FileDamaged(error, IDS_PDB_OUTSIDE, kHeaderSize + kEntrySize * i, i);
        const std::size_t floor = i == 0 ? listEnd : offsets[i - 1];
        if (offsets[i] < floor) return FileDamaged(error, IDS_PDB_OVERLAP, kHeaderSize + kEntrySize * i, i);
    }
    const std::size_t firstRecord = offsets[0];
    const std::size_t appInfo = At32(bytes, 52), sortInfo = At32(bytes, 56);
    const std::size_t appEnd = sortInfo ? sortInfo : firstRecord;
    if ((appInfo && (appInfo < listEnd || appInfo > appEnd)) ||
        (sortInfo && (sortInfo < std::max(listEnd, appInfo) || sortInfo > firstRecord)))
        return FileDamaged(error, IDS_PDB_BLOCK_OUTSIDE, appInfo && (appInfo < listEnd || appInfo > appEnd) ? 52 : 56);

    RecordStore records;
    std::uint32_t maxId = 0;
    std::vector<std::uint32_t> ids;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + kEntrySize * i;
        DateBkRecordData r;
        HandheldRecord& h = r.handheld;
        h.bRead = true;
        h.attributes = static_cast<std::uint8_t>(At8(bytes, entry + 4));
        h.uniqueId = At32(bytes, entry + 4) & 0xFFFFFF;
        h.raw.assign(bytes.substr(offsets[i], offsets[i + 1] - offsets[i]));
        h.bDeletedInFile = (h.attributes & kAttrDeleted) || h.raw.empty();
        r.recordId = h.uniqueId;
        if (h.uniqueId) ids.push_back(h.uniqueId);
        maxId = std::max(maxId, h.uniqueId);
        if (h.bDeletedInFile) {
            r.status = kStatusDeleted;   // not an appointment; its bytes are not read
        } else {
            if (!CRecordReader(h.raw, offsets[i], i, error).Read(r)) return false;
            r.isPrivate = (h.attributes & kAttrSecret) ? 1 : 0;
            r.category = h.attributes & kAttrCategory;
            // A record that could not be written back once changed is not taken either.
            if (Encode(r, h.encoded) != 0) return FileDamaged(error, IDS_PDB_BAD_VALUE, offsets[i], i);
        }
        r.position = static_cast<std::uint32_t>(i);
        records.push_back(std::move(r));
    }
    std::sort(ids.begin(), ids.end());
    const auto twice = std::adjacent_find(ids.begin(), ids.end());
    if (twice != ids.end()) {
        const std::string what = vemra::FormatText(vemra::LoadResString(IDS_PDB_SAME_ID).c_str(), Num(*twice).c_str());
        error = vemra::FormatText(vemra::LoadResString(IDS_DB_DAMAGED).c_str(), what.c_str(), Num(kHeaderSize).c_str());
        return false;
    }

    impl.storage = eStorage::eHandheld;
    impl.handheld.header.assign(bytes.substr(0, kHeaderSize));
    if (appInfo) impl.handheld.appInfo.assign(bytes.substr(appInfo, appEnd - appInfo));
    if (sortInfo) impl.handheld.sortInfo.assign(bytes.substr(sortInfo, firstRecord - sortInfo));
    // New records take IDs from the seed, and never one the file already holds.
    impl.handheld.nextUniqueId = std::max<std::uint32_t>(At32(bytes, 68), maxId + 1);
    impl.records = std::move(records);
    return true;
}

bool WriteHandheldFile(const DateBkTableData& impl, std::string& out, std::string& error) {
    struct Entry {
        std::uint32_t key;
        std::uint8_t attributes;
        std::uint32_t uniqueId;
        std::string bytes;
    };
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < impl.records.size(); ++i) {
        const DateBkRecordData& r = impl.records[i];
        const HandheldRecord& h = r.handheld;
        if (h.bDeletedInFile) {
            entries.push_back({OrderKey(h.raw, h.attributes), h.attributes, h.uniqueId, h.raw});
            continue;
        }
        if (r.status & kStatusDeleted) continue;   // removed: the handheld keeps no trace of it
        std::string bytes;
        if (const unsigned why = Encode(r, bytes); why != 0) {
            std::string text;
            vemra::LocalParts p;
            if (vemra::BreakLocal(TimeFromRaw(r.start), p))
                text = vemra::FormatText("%04d-%02d-%02d", p.year, p.month, p.day);
            error = vemra::FormatText(vemra::LoadResString(IDS_PDB_CANNOT_HOLD).c_str(), text.c_str(),
                                      vemra::LoadResString(why).c_str());
            return false;
        }
        const bool same = h.bRead && bytes == h.encoded;
        std::uint8_t attributes = Attributes(r);
        if (!same || attributes != h.attributes || !h.bRead) attributes |= kAttrDirty;
        if (same) bytes = h.raw;
        entries.push_back({OrderKey(bytes, attributes), attributes, h.uniqueId, std::move(bytes)});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });

    std::string header = impl.handheld.header;
    const std::size_t listEnd = kHeaderSize + kEntrySize * entries.size() + 2;
    std::size_t at = listEnd;
    Set32(header, 52, impl.handheld.appInfo.empty() ? 0 : static_cast<std::uint32_t>(at));
    at += impl.handheld.appInfo.size();
    Set32(header, 56, impl.handheld.sortInfo.empty() ? 0 : static_cast<std::uint32_t>(at));
    at += impl.handheld.sortInfo.size();
    Set32(header, 68, impl.handheld.nextUniqueId);
    header.replace(76, 2, std::string{static_cast<char>(entries.size() >> 8), static_cast<char>(entries.size() & 0xFF)});
    if (entries.size() > 0xFFFF) {
        error = vemra::LoadResString(IDS_PDB_TOO_MANY);
        return false;
    }
    out = header;
    for (const Entry& e : entries) {
        Put32(out, static_cast<std::uint32_t>(at));
        Put32(out, static_cast<std::uint32_t>(e.attributes) << 24 | e.uniqueId);
        at += e.bytes.size();
    }
    out.append(2, '\0');
    out += impl.handheld.appInfo;
    out += impl.handheld.sortInfo;
    for (const Entry& e : entries) out += e.bytes;
    return true;
}

std::string NewHandheldFile() {
    std::string file = "DatebookDB";
    file.resize(32, '\0');
    Put16(file, 0x0008);   // attributes: back up at the next HotSync
    Put16(file, 0);        // version
    const std::string now = HandheldTime();
    file += now + now;     // created, modified
    file.append(8, '\0');  // last backup, modification number
    Put32(file, kHeaderSize + 2);
    Put32(file, 0);
    file += "DATAdate";
    Put32(file, 1);        // unique-ID seed
    Put32(file, 0);
    Put16(file, 0);        // records
    file.append(2, '\0');
    // Application info: no renamed category, "Unfiled" alone, start of week Sunday.
    std::string appInfo(2 + 16 * 16 + 16 + 4, '\0');
    appInfo.replace(2, 7, "Unfiled");
    appInfo[2 + 16 * 16 + 16] = 0x0F;   // last category ID: the handheld's own start
    return file + appInfo;
}

}  // namespace datebook
