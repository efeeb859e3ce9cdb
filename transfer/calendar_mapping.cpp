#include "transfer/calendar.h"

#include "formats/appt_values.h"
#include "formats/icalendar.h"
#include "formats/value_text.h"
#include "palm/datebook.h"
#include "platform/codepage.h"
#include "platform/utf8.h"
#include "platform/local_time.h"
#include "platform/text.h"
#include "transfer/transfer.h"

using namespace vemra;

namespace {

IcsDate DateOf(long t) {
    LocalParts p;
    BreakLocal(t, p);
    return {p.year, p.month, p.day};
}

long TimeOf(const IcsDate& d, int minute = 0) { return MakeLocal(d.year, d.month, d.day, minute / 60, minute % 60); }

std::string SystemToUtf8(const std::string& text) { return Utf16ToUtf8(SystemTextToUtf16(text)); }

// Whether the record occurs on the day of its own start (a weekly rule need not include the
// start's weekday; in iCalendar the start always occurs).
bool StartOccurs(const CDateBkRecord& record, long start) {
    long next = 0;
    return record.CalcNextOccurrance(LocalMidnight(start), next) == 0 && LocalMidnight(next) == LocalMidnight(start);
}

}  // namespace

bool Utf8ToDatebookText(const std::string& utf8, std::string& out) {
    const std::u16string wide = Utf8ToUtf16(utf8, BadBytes::latin1);
    out = Utf16ToSystemText(wide);
    if (SystemTextToUtf16(out) != wide) return false;
    return FileTextToSystem(SystemTextToFile(out)) == out;
}

bool EventFromRecord(CDateBkRecord& record, const CApptValues& values, std::uint32_t userId, IcsEvent& e) {
    long id = 0;
    record.GetRecordId(id);
    e.uid = FormatText("palm-%lu-%lu@vemra", static_cast<unsigned long>(userId), static_cast<unsigned long>(id));
    e.summary = SystemToUtf8(values.m_strText);
    e.description = SystemToUtf8(values.m_strNote);
    e.isPrivate = values.m_bPrivate != 0;
    e.allDay = values.m_bUntimed != 0;
    LocalParts start;
    BreakLocal(values.m_timeStart, start);
    e.start = e.end = {start.year, start.month, start.day};
    if (!e.allDay) {
        LocalParts end;
        BreakLocal(values.m_timeEnd, end);
        e.startMinute = start.hour * 60 + start.minute;
        e.endMinute = end.hour * 60 + end.minute;
        // An end before the start (or on another day) makes no event; it is written as a point.
        if (end.year != start.year || end.month != start.month || end.day != start.day || e.endMinute < e.startMinute)
            e.endMinute = e.startMinute;
    }
    long advance = -1;
    if (record.IsAlarmSet() && record.GetAlarmAdvTime(advance) == 0 && advance >= 0) {
        eAlarmUnit unit = eMinutes;
        record.GetAlarmAdvUnit(unit);
        e.alarm = true;
        e.alarmAdvance = advance;
        e.alarmUnit = unit;
    }

    const CRepeateDayInfo* info = nullptr;
    if (!record.IsRepeatingEvt() || record.GetRepeateInfo(info) != 0 || !info) return true;
    IcsRule& r = e.rule;
    r.interval = info->GetInterval() < 1 ? 1 : info->GetInterval();
    if (info->GetEndDate() > 0) {
        r.hasEnd = true;
        r.end = DateOf(info->GetEndDate());
    }
    if (const auto* weekly = dynamic_cast<const CWeekly*>(info)) {
        r.kind = IcsRule::weekly;
        r.weekDays = weekly->GetWeekDays();
        r.firstDayOfWeek = weekly->GetFirstDayOfWeek();
    } else if (const auto* byDay = dynamic_cast<const CDayOfMonth*>(info)) {
        r.kind = IcsRule::monthlyByWeekday;
        r.weekOfMonth = byDay->GetWeekNum() == eLastWeek ? -1 : byDay->GetWeekNum() + 1;
        r.weekday = byDay->GetDay();
    } else if (const auto* byDate = dynamic_cast<const CDateOfMonth*>(info)) {
        r.kind = IcsRule::monthlyByDate;
        r.monthDay = byDate->GetDayOfMonth();
    } else if (const auto* yearly = dynamic_cast<const CDateOfYear*>(info)) {
        r.kind = IcsRule::yearly;
        r.month = yearly->GetMonth() + 1;
        r.monthDay = yearly->GetDayOfMonth();
    } else {
        r.kind = IcsRule::daily;
    }
    if (r.kind == IcsRule::weekly && r.weekDays == 0) {
        r.kind = IcsRule::none;   // a rule without days never occurs: the start alone remains
        return true;
    }
    if (!StartOccurs(record, values.m_timeStart)) e.exceptions.push_back(e.start);
    CDateException exception;
    for (long x = record.FindFirstException(exception); x == 0; x = record.FindNextException(exception)) {
        const IcsDate d = DateOf(exception.m_time);
        if (!(d == e.start) || StartOccurs(record, values.m_timeStart)) e.exceptions.push_back(d);
    }
    return true;
}

std::optional<Rejection> RecordFromEvent(const IcsEvent& e, CDateBkRecord& record) {
    const auto calendar = [](IcsReason reason) { return Rejection::Calendar(reason); };
    const auto row = [](long reason) { return Rejection::Row(static_cast<int>(reason)); };
    CApptValues values;
    if (!Utf8ToDatebookText(e.summary, values.m_strText) || !Utf8ToDatebookText(e.description, values.m_strNote))
        return calendar(IcsReason::textNotHeld);
    values.m_strText = ExpandLineBreaks(values.m_strText);
    values.m_strNote = ExpandLineBreaks(values.m_strNote);
    if (Trim(values.m_strText).empty()) return row(reasonNoText);
    values.m_bUntimed = e.allDay ? 1 : 0;
    values.m_timeDate = TimeOf(e.start);
    values.m_timeStart = TimeOf(e.start, e.startMinute);
    values.m_timeEnd = TimeOf(e.start, e.endMinute);
    if (values.m_timeDate == -1 || values.m_timeStart == -1 || values.m_timeEnd == -1) return calendar(IcsReason::badTime);
    values.m_bPrivate = e.isPrivate ? 1 : 0;
    values.m_bAlarm = e.alarm ? 1 : 0;
    values.m_nAlarmTime = static_cast<int32_t>(e.alarmAdvance);
    values.m_nAlarmUnit = e.alarmUnit;
    values.m_bRepeat = e.rule.kind != IcsRule::none ? 1 : 0;
    if (const long r = ValuesToRecord(record, values)) return row(r);
    if (!values.m_bRepeat) return std::nullopt;

    const IcsRule& rule = e.rule;
    long end = NoEndDate();
    if (rule.hasEnd) {
        end = TimeOf(rule.end);
        if (end == -1 || end < values.m_timeDate) return row(reasonInvalidRepeatEndDate);
    }
    const auto first = static_cast<eDayIndex>(rule.firstDayOfWeek % 7);
    long r = 0;
    switch (rule.kind) {
    case IcsRule::daily: r = record.SetRepDaily(CDayName(static_cast<eDayIndex>(e.start.day), rule.interval, end, eSunday)); break;
    case IcsRule::weekly:
        r = record.SetRepWeekly(CWeekly(static_cast<unsigned char>(rule.weekDays), rule.interval, end, first));
        break;
    case IcsRule::monthlyByWeekday: {
        const eWeekIndex week = rule.weekOfMonth < 0 ? eLastWeek : static_cast<eWeekIndex>(rule.weekOfMonth - 1);
        r = record.SetRepMonthlyByDay(CDayOfMonth(week, static_cast<eDayIndex>(rule.weekday), rule.interval, end, eSunday));
        break;
    }
    case IcsRule::monthlyByDate: r = record.SetRepMonthlyByDate(CDateOfMonth(rule.monthDay, rule.interval, end, eSunday)); break;
    default:
        r = record.SetRepYearlyByDate(CDateOfYear(static_cast<eMonthIndex>(rule.month - 1), rule.monthDay, rule.interval, end, eSunday));
        break;
    }
    if (r != 0) return calendar(IcsReason::ruleNotHeld);

    const bool startOccurs = StartOccurs(record, values.m_timeStart);
    if (rule.count > 0) {
        // The start counts as the first occurrence even where the rule would not give it.
        long left = rule.count - (startOccurs ? 0 : 1), last = values.m_timeStart, t = values.m_timeStart;
        for (long next = 0; left > 0 && record.CalcNextOccurrance(t, next) == 0; --left) {
            last = next;
            t = NextLocalMidnight(next);
            if (t <= next) break;
        }
        CRepeateDayInfo* info = nullptr;
        if (left == 0 && record.GetRepeateInfo(info) == 0 && info) info->SetEndDate(LocalMidnight(last));
    }
    for (const IcsDate& d : e.exceptions) {
        // The start's own day, excluded where the rule does not give it, is no exception.
        if (d == e.start && !startOccurs) continue;
        const long t = TimeOf(d);
        if (t == -1 || record.AddException(t) != 0) return calendar(IcsReason::badTime);
    }
    return std::nullopt;
}
