// Reading and writing datebook.dat (the layout of Palm Desktop 3.x and 4.0).
//
// The reader accepts only what it fully understands and keeps everything it does not interpret
// (header, categories, unknown status bits, text length forms, the raw end date of a repeat), so
// that a file read and written without changes comes back byte for byte.

#include "palm/datebook_file.h"
#include "palm/datebook_handheld.h"
#include "palm/datebook_layout.h"

#include "platform/codepage.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

#include <cstdio>
#include <cstring>

using namespace datebook;

namespace {

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
constexpr std::uint16_t kClassSchema = 1;

// The fewest bytes a record can take: twelve 4-byte values, two empty texts and an empty repeat,
// each field with its 4-byte type tag. Counts in the file are checked against it before any
// allocation.
constexpr std::size_t kMinRecordBytes = 12 * 8 + 2 * 9 + 8;
constexpr std::size_t kMinCategoryBytes = 3 * 4 + 2;

std::string Hex32(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v));
    return buf;
}

class CReader {
public:
    explicit CReader(std::string_view data) : m_data(data) {}

    std::size_t Pos() const { return m_pos; }
    std::size_t Remaining() const { return m_data.size() - m_pos; }
    const std::string& Error() const { return m_error; }

    bool Fail(const std::string& what) {
        if (m_error.empty())
            m_error = vemra::FormatText(vemra::LoadResString(IDS_DB_DAMAGED).c_str(), what.c_str(),
                                        std::to_string(m_pos).c_str());
        return false;
    }
    bool Refuse(const std::string& message) {
        if (m_error.empty()) m_error = message;
        return false;
    }

    bool U8(std::uint8_t& v) {
        if (Remaining() < 1) return Fail(vemra::LoadResString(IDS_DB_ENDS_EARLY));
        v = static_cast<std::uint8_t>(m_data[m_pos++]);
        return true;
    }
    bool U16(std::uint16_t& v) {
        if (Remaining() < 2) return Fail(vemra::LoadResString(IDS_DB_ENDS_EARLY));
        const auto* p = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
        v = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
        m_pos += 2;
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (Remaining() < 4) return Fail(vemra::LoadResString(IDS_DB_ENDS_EARLY));
        const auto* p = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
        v = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        m_pos += 4;
        return true;
    }
    bool Bytes(std::size_t n, std::string& out) {
        if (Remaining() < n) return Fail(vemra::LoadResString(IDS_DB_TEXT_PAST_END));
        out.assign(m_data.data() + m_pos, n);
        m_pos += n;
        return true;
    }
    bool Text(FileText& text) {
        std::uint8_t b = 0;
        if (!U8(b)) return false;
        std::size_t len = b;
        text.form = eLengthForm::eByte;
        if (b == 0xFF) {
            std::uint16_t w = 0;
            if (!U16(w)) return false;
            if (w == 0xFFFE) return Fail(vemra::LoadResString(IDS_DB_UNICODE_TEXT));
            len = w;
            text.form = eLengthForm::eWord;
            if (w == 0xFFFF) {
                std::uint32_t d = 0;
                if (!U32(d)) return false;
                len = d;
                text.form = eLengthForm::eDword;
            }
        }
        return Bytes(len, text.bytes);
    }
    std::string_view Slice(std::size_t from, std::size_t to) const { return m_data.substr(from, to - from); }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
    std::string m_error;
};

// The persistent-object numbering of the archive: one counter over the whole file, a number for
// every class written for the first time and for every object.
struct ClassMap {
    std::uint32_t counter = 1;
    std::uint32_t number[6] = {};   // by brand; 0 = not yet written
};

int BrandOfClassName(const std::string& name) {
    for (int brand = eRepeatDaily; brand <= eRepeatYearlyByDate; ++brand)
        if (name == ClassNameOfBrand(brand)) return brand;
    return 0;
}

bool ReadRepeat(CReader& in, RepeatData& repeat, ClassMap& classes, long noEnd) {
    std::uint16_t count = 0;
    if (!in.U16(count)) return false;
    if (static_cast<std::size_t>(count) * 4 > in.Remaining()) return in.Fail(vemra::LoadResString(IDS_DB_TOO_MANY_EXCEPTIONS));
    repeat.exceptions.resize(count);
    for (auto& e : repeat.exceptions)
        if (!in.U32(e)) return false;

    std::uint16_t tag = 0;
    if (!in.U16(tag)) return false;
    if (tag == kNullTag) return true;

    int brandOfClass = 0;
    if (tag == kNewClassTag) {
        std::uint16_t schema = 0;
        std::uint16_t nameLength = 0;
        std::string name;
        if (!in.U16(schema) || !in.U16(nameLength) || !in.Bytes(nameLength, name)) return false;
        brandOfClass = BrandOfClassName(name);
        if (!brandOfClass) {
            if (name.size() > 64) name = name.substr(0, 64) + "...";
            return in.Refuse(vemra::FormatText(vemra::LoadResString(IDS_DB_CLASS_UNREADABLE).c_str(), name.c_str()));
        }
        if (schema != kClassSchema)
            return in.Refuse(vemra::FormatText(vemra::LoadResString(IDS_DB_CLASS_VERSION).c_str(), name.c_str(),
                                                std::to_string(schema).c_str()));
        if (classes.number[brandOfClass]) return in.Fail(vemra::LoadResString(IDS_DB_CLASS_TWICE));
        classes.number[brandOfClass] = classes.counter++;
    } else {
        std::uint32_t classNumber = 0;
        if (tag == kBigObjectTag) {
            std::uint32_t big = 0;
            if (!in.U32(big)) return false;
            if (!(big & kBigClassTag)) return in.Fail(vemra::LoadResString(IDS_DB_SHARED_RULE));
            classNumber = big & ~kBigClassTag;
            repeat.bBigTag = true;
        } else if (tag & kClassTag) {
            classNumber = tag & ~kClassTag;
        } else {
            return in.Fail(vemra::LoadResString(IDS_DB_SHARED_RULE));
        }
        for (int brand = eRepeatDaily; brand <= eRepeatYearlyByDate; ++brand)
            if (classes.number[brand] == classNumber && classNumber != 0) brandOfClass = brand;
        if (!brandOfClass) return in.Fail(vemra::LoadResString(IDS_DB_UNKNOWN_CLASS));
    }
    ++classes.counter;   // the object's own number

    std::uint32_t brand = 0, interval = 0, end = 0, firstDay = 0;
    if (!in.U32(brand) || !in.U32(interval) || !in.U32(end) || !in.U32(firstDay)) return false;
    if (brand == 6)
        return in.Refuse(vemra::LoadResString(IDS_DB_YEARLY_BY_WEEKDAY));
    if (brand != static_cast<std::uint32_t>(brandOfClass))
        return in.Fail(vemra::FormatText(vemra::LoadResString(IDS_DB_KIND_MISMATCH).c_str(), std::to_string(brand).c_str()));

    std::uint32_t value1 = 0, value2 = 0;
    std::uint8_t mask = 0;
    switch (brand) {
    case eRepeatDaily:
    case eRepeatMonthlyByDate:
        if (!in.U32(value1)) return false;
        break;
    case eRepeatWeekly:
        if (!in.U32(value1) || !in.U8(mask)) return false;
        break;
    default:
        if (!in.U32(value1) || !in.U32(value2)) return false;
        break;
    }
    // End dates from the last day of 2031 on mean "no end".
    const long endDate = end == 0xFFFFFFFFu || end >= static_cast<std::uint32_t>(noEnd) ? -1 : TimeFromRaw(end);
    repeat.rule = MakeRule(brand, interval, endDate, firstDay, value1, value2, mask);
    repeat.rawEnd = end;
    repeat.readEnd = repeat.rule->GetEndDate();
    repeat.bRawEndValid = true;
    return true;
}

bool ReadRecord(CReader& in, DateBkRecordData& r, ClassMap& classes, long noEnd, std::size_t index) {
    std::uint32_t* ints[kFieldsPerRecord] = {&r.recordId, &r.status,   &r.position, &r.start,     &r.end,
                                             nullptr,     &r.duration, nullptr,     &r.untimed,   &r.isPrivate,
                                             &r.category, &r.alarmSet, &r.alarmAdvance, &r.alarmUnit, nullptr};
    for (int field = 0; field < kFieldsPerRecord; ++field) {
        std::uint32_t type = 0;
        if (!in.U32(type)) return false;
        if (type != kFieldTypes[field])
            return in.Refuse(vemra::FormatText(vemra::LoadResString(IDS_DB_UNKNOWN_FIELD_TYPE).c_str(),
                                                std::to_string(type).c_str(), std::to_string(field).c_str(),
                                                std::to_string(index + 1).c_str(), std::to_string(in.Pos() - 4).c_str()));
        bool ok = true;
        if (type == 5) {
            FileText& text = field == 5 ? r.description : r.note;
            ok = in.U32(text.pad) && in.Text(text);
        } else if (type == 8) {
            ok = ReadRepeat(in, r.repeat, classes, noEnd);
        } else {
            ok = in.U32(*ints[field]);
        }
        if (!ok) return false;
    }
    return true;
}

bool ReadHeader(CReader& in) {
    FileText ignored;
    std::uint32_t nextCategory = 0, categories = 0;
    if (!in.Text(ignored) || !in.Text(ignored) || !in.U32(nextCategory) || !in.U32(categories)) return false;
    if (static_cast<std::uint64_t>(categories) * kMinCategoryBytes > in.Remaining())
        return in.Fail(vemra::FormatText(vemra::LoadResString(IDS_DB_CATEGORY_COUNT).c_str(), std::to_string(categories).c_str()));
    for (std::uint32_t i = 0; i < categories; ++i) {
        std::uint32_t index, id, dirty;
        if (!in.U32(index) || !in.U32(id) || !in.U32(dirty) || !in.Text(ignored) || !in.Text(ignored)) return false;
    }
    std::uint32_t resourceId = 0, fieldsPerRow = 0, idPos = 0, statusPos = 0, placementPos = 0;
    if (!in.U32(resourceId) || !in.U32(fieldsPerRow) || !in.U32(idPos) || !in.U32(statusPos) ||
        !in.U32(placementPos))
        return false;
    if (fieldsPerRow != kFieldsPerRecord)
        return in.Refuse(vemra::FormatText(vemra::LoadResString(IDS_DB_FIELDS_PER_RECORD).c_str(),
                                            std::to_string(fieldsPerRow).c_str()));
    std::uint16_t fieldCount = 0;
    if (!in.U16(fieldCount)) return false;
    if (fieldCount != kFieldsPerRecord)
        return in.Refuse(vemra::FormatText(vemra::LoadResString(IDS_DB_FIELD_TYPES).c_str(), std::to_string(fieldCount).c_str()));
    for (int i = 0; i < kFieldsPerRecord; ++i) {
        std::uint16_t type = 0;
        if (!in.U16(type)) return false;
        if (type != kFieldTypes[i])
            return in.Refuse(vemra::FormatText(vemra::LoadResString(IDS_DB_UNKNOWN_LIST_TYPE).c_str(),
                                                std::to_string(type).c_str(), std::to_string(i).c_str()));
    }
    return true;
}

// ---- writing ----

class CWriter {
public:
    explicit CWriter(std::size_t reserve) { m_out.reserve(reserve); }
    void U8(std::uint8_t v) { m_out.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v) {
        const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        m_out.append(b, 2);
    }
    void U32(std::uint32_t v) {
        const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
        m_out.append(b, 4);
    }
    void Bytes(std::string_view s) { m_out.append(s.data(), s.size()); }
    void Text(const FileText& text) {
        const std::size_t len = text.bytes.size();
        eLengthForm form = text.form;
        // A kept form is used while it can still hold the length.
        if (form == eLengthForm::eByte && len >= 0xFF) form = eLengthForm::eAuto;
        if (form == eLengthForm::eWord && len >= 0xFFFE) form = eLengthForm::eAuto;
        if (form == eLengthForm::eAuto)
            form = len < 0xFF ? eLengthForm::eByte : len < 0xFFFE ? eLengthForm::eWord : eLengthForm::eDword;
        if (form == eLengthForm::eByte) {
            U8(static_cast<std::uint8_t>(len));
        } else if (form == eLengthForm::eWord) {
            U8(0xFF);
            U16(static_cast<std::uint16_t>(len));
        } else {
            U8(0xFF);
            U16(0xFFFF);
            U32(static_cast<std::uint32_t>(len));
        }
        Bytes(text.bytes);
    }
    std::string Take() { return std::move(m_out); }

private:
    std::string m_out;
};

void WriteNewHeader(CWriter& out, const std::string& path) {
    FileText name;
    name.bytes = vemra::SystemTextToFile(path);
    out.Text(name);
    out.Text(FileText{});   // table string
    out.U32(1);             // next free category id
    out.U32(0);             // categories besides "Unfiled"
    out.U32(0);             // resource id
    out.U32(kFieldsPerRecord);
    out.U32(0);             // record id, status and placement field positions
    out.U32(1);
    out.U32(2);
    out.U16(kFieldsPerRecord);
    for (std::uint16_t type : kFieldTypes) out.U16(type);
}

void WriteRepeat(CWriter& out, const RepeatData& repeat, ClassMap& classes, std::uint32_t noEndValue) {
    out.U16(static_cast<std::uint16_t>(repeat.exceptions.size()));
    for (std::uint32_t e : repeat.exceptions) out.U32(e);
    const CRepeateDayInfo* rule = repeat.rule.get();
    if (!rule) {
        out.U16(kNullTag);
        return;
    }
    const int brand = rule->GetBrand();
    if (!classes.number[brand]) {
        const char* name = ClassNameOfBrand(brand);
        out.U16(kNewClassTag);
        out.U16(kClassSchema);
        out.U16(static_cast<std::uint16_t>(std::strlen(name)));
        out.Bytes(name);
        classes.number[brand] = classes.counter++;
    } else {
        const std::uint32_t number = classes.number[brand];
        if (number < kBigObjectTag && !repeat.bBigTag) {
            out.U16(static_cast<std::uint16_t>(kClassTag | number));
        } else {
            out.U16(kBigObjectTag);
            out.U32(kBigClassTag | number);
        }
    }
    ++classes.counter;

    out.U32(static_cast<std::uint32_t>(brand));
    out.U32(static_cast<std::uint32_t>(rule->GetInterval()));
    const long end = rule->GetEndDate();
    if (repeat.bRawEndValid && end == repeat.readEnd)
        out.U32(repeat.rawEnd);
    else
        out.U32(end == -1 ? noEndValue : static_cast<std::uint32_t>(end));
    out.U32(static_cast<std::uint32_t>(rule->GetFirstDayOfWeek()));
    switch (brand) {
    case eRepeatDaily:
        out.U32(static_cast<std::uint32_t>(static_cast<const CDayName*>(rule)->GetDay()));
        break;
    case eRepeatWeekly: {
        const auto* r = static_cast<const CWeekly*>(rule);
        out.U32(r->GetDayIndexValue());
        out.U8(r->GetWeekDays());
        break;
    }
    case eRepeatMonthlyByDay: {
        const auto* r = static_cast<const CDayOfMonth*>(rule);
        out.U32(static_cast<std::uint32_t>(r->GetDay()));
        out.U32(static_cast<std::uint32_t>(r->GetWeekNum()));
        break;
    }
    case eRepeatMonthlyByDate:
        out.U32(static_cast<std::uint32_t>(static_cast<const CDateOfMonth*>(rule)->GetDayOfMonth()));
        break;
    case eRepeatYearlyByDate: {
        const auto* r = static_cast<const CDateOfYear*>(rule);
        out.U32(static_cast<std::uint32_t>(r->GetDayOfMonth()));
        out.U32(static_cast<std::uint32_t>(r->GetMonth()));
        break;
    }
    default:
        break;
    }
}

}  // namespace

namespace datebook {

bool ParseFile(std::string_view bytes, DateBkTableData& impl, std::string& error) {
    impl.Clear();
    CReader in(bytes);
    const std::string_view head = bytes.substr(0, kDatebookHeadBytes);
    const eDatebookLayout layout = DatebookLayoutOf(head, {});
    if (layout == eDatebookLayout::eHandheld) return ParseHandheldFile(bytes, impl, error);
    error = DatebookLayoutRefusal(layout, head);
    if (!error.empty()) return false;
    if (bytes.size() < 4) {
        error = vemra::LoadResString(bytes.empty() ? IDS_DB_EMPTY : IDS_DB_TOO_SHORT);
        return false;
    }
    std::uint32_t tag = 0;
    in.U32(tag);
    if (tag != kDatebookTag) {
        if (tag == 0x41420100)
            error = vemra::LoadResString(IDS_DB_ADDRESS_BOOK);
        else if (tag == 0x54440100)
            error = vemra::LoadResString(IDS_DB_TODO_LIST);
        else
            error = vemra::FormatText(vemra::LoadResString(IDS_DB_UNKNOWN_TAG).c_str(), Hex32(tag).c_str());
        return false;
    }
    if (!ReadHeader(in)) {
        error = in.Error();
        return false;
    }
    const std::size_t headerEnd = in.Pos();
    std::uint32_t entries = 0;
    if (!in.U32(entries)) {
        error = in.Error();
        return false;
    }
    if (entries % kFieldsPerRecord != 0 ||
        static_cast<std::uint64_t>(entries / kFieldsPerRecord) * kMinRecordBytes > in.Remaining()) {
        in.Fail(vemra::FormatText(vemra::LoadResString(IDS_DB_ENTRY_COUNT).c_str(), std::to_string(entries).c_str()));
        error = in.Error();
        return false;
    }
    const std::size_t count = entries / kFieldsPerRecord;
    RecordStore records;
    ClassMap classes;
    const long noEnd = NoEndThreshold();
    std::uint32_t maxId = 0;
    for (std::size_t i = 0; i < count; ++i) {
        DateBkRecordData record;
        if (!ReadRecord(in, record, classes, noEnd, i)) {
            error = in.Error();
            return false;
        }
        if (record.recordId > maxId) maxId = record.recordId;
        records.push_back(std::move(record));
    }
    if (in.Remaining() != 0) {
        in.Fail(vemra::LoadResString(IDS_DB_TRAILING_DATA));
        error = in.Error();
        return false;
    }
    impl.header.assign(in.Slice(4, headerEnd));
    impl.records = std::move(records);
    impl.nextRecordId = maxId + 1 == 0 ? 1 : maxId + 1;
    return true;
}

bool WriteFile(const DateBkTableData& impl, const std::string& path, std::string& bytes, std::string& error) {
    if (impl.storage == eStorage::eHandheld) return WriteHandheldFile(impl, bytes, error);
    // An upper bound of the size, so that the buffer is allocated once.
    std::size_t size = impl.header.size() + 64 + 12;
    for (std::size_t i = 0; i < impl.records.size(); ++i) {
        const DateBkRecordData& r = impl.records[i];
        size += kMinRecordBytes + 12 + r.description.bytes.size() + r.note.bytes.size() +
                4 * r.repeat.exceptions.size() + (r.repeat.rule ? 64 : 0);
    }
    CWriter out(size);
    out.U32(kDatebookTag);
    if (impl.header.empty())
        WriteNewHeader(out, path);
    else
        out.Bytes(impl.header);
    out.U32(static_cast<std::uint32_t>(impl.records.size() * kFieldsPerRecord));
    ClassMap classes;
    const auto noEndValue = static_cast<std::uint32_t>(NoEndFileValue());
    for (std::size_t i = 0; i < impl.records.size(); ++i) {
        const DateBkRecordData& r = impl.records[i];
        const std::uint32_t ints[kFieldsPerRecord] = {r.recordId, r.status,   r.position, r.start,        r.end,
                                                      0,          r.duration, 0,          r.untimed,      r.isPrivate,
                                                      r.category, r.alarmSet, r.alarmAdvance, r.alarmUnit, 0};
        for (int field = 0; field < kFieldsPerRecord; ++field) {
            out.U32(kFieldTypes[field]);
            switch (field) {
            case 5:
            case 7: {
                const FileText& text = field == 5 ? r.description : r.note;
                out.U32(text.pad);
                out.Text(text);
                break;
            }
            case 14:
                WriteRepeat(out, r.repeat, classes, noEndValue);
                break;
            default:
                out.U32(ints[field]);
                break;
            }
        }
    }
    bytes = out.Take();
    return true;
}

}  // namespace datebook
