// The datebook entry and its exception dates: every property works on the entry's own copy of
// the record; a refused value leaves the record as it was.
#include "automation/automation.h"
#include "formats/rejection.h"
#include "platform/codepage.h"
#include "platform/local_time.h"
#include "platform/string_table.h"
#include "res/string_ids.h"

namespace {

using vemra::LocalParts;
using vemra::OleDateFromParts;
using vemra::PartsFromOleDate;

// Code 104 with the import's message for the validation reason (101-112).
[[noreturn]] void Refuse(int reason) { throw CAutoException{104, vemra::RejectionText(vemra::Rejection::Row(reason))}; }

CDateBkRecord& Entry(CAutoObject& o) { return static_cast<CAutoDatebookEntry&>(o).Record(); }
CDateBkRecord& Exceptions(CAutoObject& o) { return static_cast<CAutoRepeatExceptions&>(o).Record(); }

long StartOf(const CDateBkRecord& record) {
    long start = 0;
    record.GetStartTime(start);
    return start;
}

LocalParts LocalOf(long t) {
    LocalParts parts;
    vemra::BreakLocal(t, parts);
    return parts;
}

// The local date of t at 00:00 as an OLE date.
CAutoVariant DateOf(long t) {
    LocalParts parts;
    if (!vemra::BreakLocal(t, parts)) return CAutoVariant::Date(0);
    return CAutoVariant::Date(OleDateFromParts(parts.year, parts.month, parts.day));
}

// The time of day of t on 30 December 1899.
CAutoVariant TimeOfDay(long t) {
    LocalParts parts;
    if (!vemra::BreakLocal(t, parts)) return CAutoVariant::Date(0);
    return CAutoVariant::Date(OleDateFromParts(1899, 12, 30, parts.hour, parts.minute));
}

// Local 00:00 of the value's date; reason 101 for a year outside 1970-2031 or a day the
// datebook cannot hold (the first hours of 1970 east of Greenwich).
long CheckedDate(const CAutoVariant& value) {
    LocalParts parts;
    if (!PartsFromOleDate(value.date, parts) || !IsDatebookYear(parts.year)) Refuse(101);
    const long t = vemra::MakeLocal(parts.year, parts.month, parts.day);
    if (t < 0) Refuse(101);
    return t;
}

// The start's date with the value's hour and minute, seconds 0; -1 when it cannot be built.
long OnStartDay(const CDateBkRecord& record, const CAutoVariant& value) {
    LocalParts time;
    if (!PartsFromOleDate(value.date, time)) return -1;
    const LocalParts day = LocalOf(StartOf(record));
    return vemra::MakeLocal(day.year, day.month, day.day, time.hour, time.minute, 0);
}

int RepeatType(const CDateBkRecord& r) {
    if (!r.IsRepeatingEvt()) return 0;
    if (r.IsRepDaily()) return 1;
    if (r.IsRepWeekly()) return 2;
    if (r.IsRepMonthlyByDate()) return 3;
    if (r.IsRepMonthlyByDay()) return 4;
    if (r.IsRepYearlyByDate()) return 5;
    return 0;
}

const CRepeateDayInfo* RuleOf(const CDateBkRecord& r) {
    const CRepeateDayInfo* info = nullptr;
    if (!r.IsRepeatingEvt() || r.GetRepeateInfo(info) != 0) return nullptr;
    return info;
}

CRepeateDayInfo* RuleOf(CDateBkRecord& r) {
    CRepeateDayInfo* info = nullptr;
    if (!r.IsRepeatingEvt() || r.GetRepeateInfo(info) != 0) return nullptr;
    return info;
}

// A new rule of the kind from the start's local date: no end, the defaults of each kind.
void SetRepeatType(CDateBkRecord& r, int type) {
    const LocalParts d = LocalOf(StartOf(r));
    switch (type) {
    case 0: r.StopRepeatingEvt(); break;
    case 1: r.SetRepDaily(CDayName(static_cast<eDayIndex>(d.day), 1, -1, eSunday)); break;
    case 2: r.SetRepWeekly(CWeekly(2, 1, -1, eSunday)); break;   // Monday only
    case 3: r.SetRepMonthlyByDate(CDateOfMonth(d.day, 0, -1, eSunday)); break;
    case 4: r.SetRepMonthlyByDay(CDayOfMonth(eFirstWeek, static_cast<eDayIndex>(d.weekday), 1, -1, eSunday)); break;
    case 5: r.SetRepYearlyByDate(CDateOfYear(static_cast<eMonthIndex>(d.month - 1), d.day, 0, -1, eSunday)); break;
    default: break;   // other numbers change nothing
    }
}

const CAutoMember kEntryMembers[] = {
    {"text", AutoKind::property, AutoType::text, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         std::string text;
         Entry(o).GetDescription(text);
         return CAutoVariant::Text(text);
     },
     [](CAutoObject& o, const CAutoVariant& v) {
         if (v.text.empty()) Refuse(104);
         Entry(o).SetDescription(vemra::LeftChars(v.text, 256));
     }},
    {"date", AutoKind::property, AutoType::date, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return DateOf(StartOf(Entry(o))); },
     [](CAutoObject& o, const CAutoVariant& v) {
         CDateBkRecord& r = Entry(o);
         LocalParts day;
         if (!PartsFromOleDate(v.date, day) || !IsDatebookYear(day.year)) Refuse(101);
         const LocalParts start = LocalOf(StartOf(r));
         const long t = vemra::MakeLocal(day.year, day.month, day.day, start.hour, start.minute, 0);
         if (t < 0) Refuse(101);
         r.SetStartTime(t);
     }},
    {"starttime", AutoKind::property, AutoType::date, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         return Entry(o).IsUnTimed() ? CAutoVariant::Date(0) : TimeOfDay(StartOf(Entry(o)));
     },
     [](CAutoObject& o, const CAutoVariant& v) {
         CDateBkRecord& r = Entry(o);
         const long t = OnStartDay(r, v);
         if (t < 0 || r.SetStartTime(t) != 0) return;
         r.SetUnTimedFlag(0);
     }},
    {"endtime", AutoKind::property, AutoType::date, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         long end = 0;
         if (Entry(o).IsUnTimed() || Entry(o).GetEndTime(end) != 0) return CAutoVariant::Date(0);
         return TimeOfDay(end);
     },
     [](CAutoObject& o, const CAutoVariant& v) {
         CDateBkRecord& r = Entry(o);
         const long t = OnStartDay(r, v);
         if (t < 0 || r.SetEndTime(t) != 0) return;
         r.SetUnTimedFlag(0);
     }},
    {"untimed", AutoKind::property, AutoType::boolean, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return CAutoVariant::Bool(Entry(o).IsUnTimed() != 0); },
     [](CAutoObject& o, const CAutoVariant& v) { Entry(o).SetUnTimedFlag(v.n); }},
    {"note", AutoKind::property, AutoType::text, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         std::string note;
         Entry(o).GetNote(note);
         return CAutoVariant::Text(note);
     },
     [](CAutoObject& o, const CAutoVariant& v) { Entry(o).SetNote(vemra::LeftChars(v.text, 4096)); }},
    {"alarm", AutoKind::property, AutoType::boolean, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return CAutoVariant::Bool(Entry(o).IsAlarmSet() != 0); },
     [](CAutoObject& o, const CAutoVariant& v) { Entry(o).SetAlarmFlag(v.n); }},
    {"private", AutoKind::property, AutoType::boolean, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return CAutoVariant::Bool(Entry(o).IsPrivate() != 0); },
     [](CAutoObject& o, const CAutoVariant& v) { Entry(o).SetPrivate(v.n); }},
    {"alarmunit", AutoKind::property, AutoType::i4, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         eAlarmUnit unit = eMinutes;
         if (Entry(o).GetAlarmAdvUnit(unit) != 0 || unit < eMinutes || unit > eDays) return CAutoVariant::Int(0);
         return CAutoVariant::Int(unit + 1);
     },
     [](CAutoObject& o, const CAutoVariant& v) {
         if (v.n >= 1 && v.n <= 3) Entry(o).SetAlarmAdvUnit(v.n - 1);
     }},
    {"alarmtime", AutoKind::property, AutoType::i4, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         long advance = 0;
         Entry(o).GetAlarmAdvTime(advance);
         return CAutoVariant::Int(static_cast<int32_t>(advance));
     },
     [](CAutoObject& o, const CAutoVariant& v) { Entry(o).SetAlarmAdvTime(v.n); }},
    {"repeattype", AutoKind::property, AutoType::i4, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return CAutoVariant::Int(RepeatType(Entry(o))); },
     [](CAutoObject& o, const CAutoVariant& v) { SetRepeatType(Entry(o), v.n); }},
    {"repeatinterval", AutoKind::property, AutoType::i4, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         const CRepeateDayInfo* rule = RuleOf(static_cast<const CDateBkRecord&>(Entry(o)));
         return CAutoVariant::Int(rule ? rule->GetInterval() : 0);
     },
     [](CAutoObject& o, const CAutoVariant& v) {
         if (CRepeateDayInfo* rule = RuleOf(Entry(o))) rule->SetInterval(v.n);
     }},
    {"repeatenddate", AutoKind::property, AutoType::date, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         const CRepeateDayInfo* rule = RuleOf(static_cast<const CDateBkRecord&>(Entry(o)));
         if (!rule) return CAutoVariant::Date(0);
         if (rule->GetEndDate() == -1) return CAutoVariant::Date(OleDateFromParts(kDatebookLastYear, kNoEndMonth, kNoEndDay));
         return DateOf(rule->GetEndDate());
     },
     [](CAutoObject& o, const CAutoVariant& v) {
         CRepeateDayInfo* rule = RuleOf(Entry(o));
         if (!rule) return;   // not validated either
         rule->SetEndDate(CheckedDate(v));
     }},
    {"repmonthlyweekindex", AutoKind::property, AutoType::i4, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         const CDateBkRecord& r = Entry(o);
         const CRepeateDayInfo* rule = RuleOf(r);
         if (!rule || !r.IsRepMonthlyByDay()) return CAutoVariant::Int(0);
         return CAutoVariant::Int(static_cast<const CDayOfMonth*>(rule)->GetWeekNum() + 1);
     },
     [](CAutoObject& o, const CAutoVariant& v) {
         CDateBkRecord& r = Entry(o);
         if (!r.IsRepMonthlyByDay()) return;
         if (v.n < 1 || v.n > 5) Refuse(110);
         if (CRepeateDayInfo* rule = RuleOf(r)) static_cast<CDayOfMonth*>(rule)->SetWeekNum(static_cast<eWeekIndex>(v.n - 1));
     }},
    {"exceptions", AutoKind::property, AutoType::object, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         return CAutoVariant::Object(
             std::make_shared<CAutoRepeatExceptions>(static_cast<CAutoDatebookEntry&>(o).Shared()));
     },
     nullptr},
};

const CAutoMember kExceptionsMembers[] = {
    {"count", AutoKind::property, AutoType::i4, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         return CAutoVariant::Int(static_cast<int32_t>(Exceptions(o).GetNumExceptions()));
     },
     nullptr},
    {"add", AutoKind::method, AutoType::none, AutoType::date,
     [](CAutoObject& o, const CAutoVariant& date) {
         Exceptions(o).AddException(CheckedDate(date));
         return CAutoVariant{};
     },
     nullptr},
    {"remove", AutoKind::method, AutoType::none, AutoType::date,
     [](CAutoObject& o, const CAutoVariant& date) {
         Exceptions(o).RemoveException(CheckedDate(date));
         return CAutoVariant{};
     },
     nullptr},
    {"item", AutoKind::property, AutoType::date, AutoType::i4,
     [](CAutoObject& o, const CAutoVariant& index) {
         CDateBkRecord& r = Exceptions(o);
         CDateException found;
         bool ok = r.FindFirstException(found) == 0;
         for (int32_t i = 0; ok && i < index.n; ++i) ok = r.FindNextException(found) == 0;
         if (!ok) throw CAutoException{113, vemra::LoadResString(IDS_INVALID_INDEX)};
         return DateOf(found.m_time);
     },
     nullptr},
};

}  // namespace

std::span<const CAutoMember> CAutoDatebookEntry::Members() const { return kEntryMembers; }
std::span<const CAutoMember> CAutoRepeatExceptions::Members() const { return kExceptionsMembers; }
