#pragma once
// A record's user-visible fields, and its repeat rule, as texts: two records compare in one
// line and a difference shows which field it is.

#include <sstream>
#include <string>

#include "palm/datebook.h"

namespace vemra::test {

inline std::string RecordText(CDateBkRecord& r) {
    std::string text, note;
    long start = 0, end = 0, advance = 0, status = 0;
    eAlarmUnit unit = eMinutes;
    r.GetDescription(text);
    r.GetNote(note);
    r.GetStartTime(start);
    r.GetEndTime(end);
    r.GetAlarmAdvTime(advance);
    r.GetAlarmAdvUnit(unit);
    r.GetStatus(status);
    std::ostringstream s;
    s << "text=" << text << " note=" << note << " start=" << start << " end=" << end << " untimed=" << (r.IsUnTimed() != 0)
      << " private=" << (r.IsPrivate() != 0) << " alarm=" << (r.IsAlarmSet() != 0) << " advance=" << advance;
    if (advance > 0) s << " unit=" << unit;   // without an advance the unit is never read
    s << " status=" << status << " repeats=" << (r.IsRepeatingEvt() != 0) << " exceptions=" << r.GetNumExceptions();
    return s.str();
}

// "none", or the kind and every value of the rule.
inline std::string RuleText(const CDateBkRecord& r) {
    const CRepeateDayInfo* info = nullptr;
    if (!r.IsRepeatingEvt() || r.GetRepeateInfo(info) != 0) return "none";
    std::ostringstream s;
    if (const auto* d = dynamic_cast<const CDayName*>(info)) s << "daily day=" << d->GetDay();
    if (const auto* w = dynamic_cast<const CWeekly*>(info))
        s << "weekly days=" << int(w->GetWeekDays()) << " index=" << w->GetDayIndexValue();
    if (const auto* m = dynamic_cast<const CDayOfMonth*>(info)) s << "monthly week=" << m->GetWeekNum() << " day=" << m->GetDay();
    if (const auto* m = dynamic_cast<const CDateOfMonth*>(info)) s << "monthly date=" << m->GetDayOfMonth();
    if (const auto* y = dynamic_cast<const CDateOfYear*>(info)) s << "yearly month=" << y->GetMonth() << " date=" << y->GetDayOfMonth();
    s << " every=" << info->GetInterval() << " end=" << info->GetEndDate() << " first=" << info->GetFirstDayOfWeek();
    return s.str();
}

}  // namespace vemra::test
