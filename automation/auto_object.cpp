#include "automation/auto_object.h"

#include <cmath>

#include "platform/local_time.h"
#include "platform/text.h"

CAutoVariant CAutoVariant::Int(int32_t value) {
    CAutoVariant v;
    v.type = AutoType::i4;
    v.n = value;
    return v;
}

CAutoVariant CAutoVariant::Bool(bool value) {
    CAutoVariant v;
    v.type = AutoType::boolean;
    v.n = value ? 1 : 0;
    return v;
}

CAutoVariant CAutoVariant::Date(double value) {
    CAutoVariant v;
    v.type = AutoType::date;
    v.date = value;
    return v;
}

CAutoVariant CAutoVariant::Text(std::string value) {
    CAutoVariant v;
    v.type = AutoType::text;
    v.text = std::move(value);
    return v;
}

CAutoVariant CAutoVariant::Object(std::shared_ptr<CAutoObject> value) {
    CAutoVariant v;
    v.type = AutoType::object;
    v.object = std::move(value);
    return v;
}

int CAutoObject::FindMember(std::string_view name) const {
    const auto members = Members();
    for (std::size_t i = 0; i < members.size(); ++i)
        if (vemra::EqualsNoCase(members[i].name, name)) return static_cast<int>(i) + 1;
    return 0;
}

AutoStatus InvokeMember(CAutoObject& object, int dispid, AutoCall call, std::span<const CAutoVariant> args,
                        CAutoVariant& result) {
    const auto members = object.Members();
    if (dispid < 1 || static_cast<std::size_t>(dispid) > members.size()) return AutoStatus::unknownMember;
    const CAutoMember& member = members[static_cast<std::size_t>(dispid) - 1];
    result = CAutoVariant{};
    if (call == AutoCall::put) {
        if (member.kind == AutoKind::method) return AutoStatus::unknownMember;
        if (!member.put) return AutoStatus::readOnly;
        if (args.size() != 1) return AutoStatus::badParamCount;
        member.put(object, args[0]);
        return AutoStatus::ok;
    }
    // Script hosts read a property with a parameter as a call, and may call a method as a read.
    const std::size_t wanted = member.param == AutoType::none ? 0 : 1;
    if (args.size() != wanted) return AutoStatus::badParamCount;
    static const CAutoVariant noArgument;
    result = member.get(object, wanted ? args[0] : noArgument);
    return AutoStatus::ok;
}

namespace {
const long long kOleDayZero = vemra::DaysFromCivil(1899, 12, 30);
constexpr double kOleMin = -657434.0;    // 0100-01-01
constexpr double kOleMax = 2958465.99999;   // 9999-12-31 23:59:59
}  // namespace

double OleDateFromParts(int year, int month, int day, int hour, int minute, int second) {
    const double days = static_cast<double>(vemra::DaysFromCivil(year, month, day) - kOleDayZero);
    const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before day zero the fraction still counts forward from midnight: -1.25 is 29 Dec 06:00.
    return days < 0 ? days - fraction : days + fraction;
}

bool PartsFromOleDate(double date, vemra::LocalParts& parts) {
    if (!(date >= kOleMin && date <= kOleMax)) return false;
    double whole = std::trunc(date);
    long long seconds = std::llround(std::fabs(date - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;   // the next calendar day, also before day zero
    }
    const long long days = static_cast<long long>(whole) + kOleDayZero;
    vemra::CivilFromDays(days, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    parts.weekday = static_cast<int>(((days % 7) + 11) % 7);   // 1970-01-01 was a Thursday
    parts.isdst = -1;
    return true;
}
