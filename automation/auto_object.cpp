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

