// The column orders' data and their profile entries (rows are composed in formats/).
#include "settings/field_mapping.h"

#include <iterator>

#include "platform/string_table.h"
#include "res/string_ids.h"
#include "settings/profile.h"

namespace {
const char kSection[] = "Options";

template <std::size_t N>
void Decode(const std::string& data, int32_t (&ids)[N]) {
    const auto* b = reinterpret_cast<const unsigned char*>(data.data());
    for (std::size_t i = 0; i < N; ++i, b += 4)
        ids[i] = static_cast<int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
}

template <std::size_t N>
std::string Encode(const int32_t (&ids)[N]) {
    std::string data;
    for (int32_t id : ids) {
        const auto v = static_cast<uint32_t>(id);
        for (int k = 0; k < 4; ++k) data += static_cast<char>((v >> (8 * k)) & 0xFF);
    }
    return data;
}
}  // namespace

CFieldMapping::CFieldMapping() { SetDefaults(); }

void CFieldMapping::SetDefaults() {
    for (int i = 0; i < kSimpleFieldCount; ++i) m_simple[i] = fieldDate + i;
    for (int i = 0; i < kRepeatFieldCount; ++i) m_repeat[i] = fieldRepeatType + i;
}

void CFieldMapping::ReadProfile() {
    std::string data;
    if (vemra::ReadProfileBinary(kSection, "simplemapping", data) && data.size() == sizeof m_simple)
        Decode(data, m_simple);
    if (vemra::ReadProfileBinary(kSection, "repeatmapping", data) && data.size() == sizeof m_repeat)
        Decode(data, m_repeat);
}

void CFieldMapping::WriteProfile() const {
    vemra::WriteProfileBinary(kSection, "simplemapping", Encode(m_simple));
    vemra::WriteProfileBinary(kSection, "repeatmapping", Encode(m_repeat));
}

std::string CFieldMapping::FieldName(int id) {
    // In field ID order.
    static constexpr unsigned kNameIds[] = {
        IDS_FIELD_DATE, IDS_FIELD_UNTIMED, IDS_FIELD_START_TIME, IDS_FIELD_END_TIME, IDS_FIELD_PRIVATE,
        IDS_FIELD_TEXT, IDS_FIELD_NOTE, IDS_FIELD_ALARM, IDS_FIELD_ALARM_TIME, IDS_FIELD_ALARM_UNIT,
        IDS_FIELD_REPEAT, IDS_FIELD_REPEAT_TYPE, IDS_FIELD_REPEAT_INTERVAL, IDS_FIELD_REPEAT_END_DATE,
        IDS_FIELD_EXCEPTIONS, IDS_FIELD_WEEKLY_SUNDAY, IDS_FIELD_WEEKLY_MONDAY, IDS_FIELD_WEEKLY_TUESDAY,
        IDS_FIELD_WEEKLY_WEDNESDAY, IDS_FIELD_WEEKLY_THURSDAY, IDS_FIELD_WEEKLY_FRIDAY, IDS_FIELD_WEEKLY_SATURDAY,
        IDS_FIELD_MONTHLY_WEEK_INDEX,
    };
    static_assert(std::size(kNameIds) == fieldNone);
    // Only catalogue IDs have names; an unchecked ID from the profile must not pick up some
    // other text of the string table.
    if (id < fieldDate || id >= fieldNone) return "";
    return vemra::LoadResString(kNameIds[id]);
}
