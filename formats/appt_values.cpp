#include "formats/appt_values.h"

#include "palm/datebook.h"
#include "platform/codepage.h"
#include "platform/local_time.h"

using vemra::LocalParts;

namespace {
// The datebook's limits for an appointment's text and note.
constexpr std::size_t kMaxText = 255;
constexpr std::size_t kMaxNote = 4096;

// The day d with hour and minute of timeOfDay (local), seconds 0.
long OnDay(const LocalParts& d, long timeOfDay) {
    LocalParts t;
    vemra::BreakLocal(timeOfDay, t);
    return vemra::MakeLocal(d.year, d.month, d.day, t.hour, t.minute, 0);
}
}  // namespace

void CApptValues::SetDate(long t) { m_timeDate = vemra::LocalMidnight(t); }

int ValuesFromRecord(CDateBkRecord& record, CApptValues& values) {
    record.GetDescription(values.m_strText);
    record.GetNote(values.m_strNote);
    values.m_bPrivate = static_cast<int32_t>(record.IsPrivate());
    values.m_bUntimed = static_cast<int32_t>(record.IsUnTimed());

    long start = 0;
    if (record.GetStartTime(start) != 0 || start == 0 || start == -1) return -1;
    values.SetDate(start);
    values.SetStart(start);

    if (values.m_bUntimed == 0) {
        long end = 0;
        if (record.GetEndTime(end) != 0 || end == 0) return -1;
        values.SetEnd(end);
    }

    long advance = 0;
    if (record.GetAlarmAdvTime(advance) == 0 && advance > 0) {
        values.m_nAlarmTime = static_cast<int32_t>(advance);
        values.m_bAlarm = 1;
        eAlarmUnit unit = eMinutes;
        record.GetAlarmAdvUnit(unit);
        values.m_nAlarmUnit = unit;
    } else {
        values.m_bAlarm = 0;
    }

    values.m_bRepeat = record.IsRepeatingEvt() != 0 ? 1 : 0;
    return 0;
}

long ValuesToRecord(CDateBkRecord& record, const CApptValues& values) {
    long r = record.SetUnTimedFlag(values.m_bUntimed);
    if (r != 0) return r;

    if (values.m_bUntimed) {
        r = record.SetStartTime(values.m_timeDate);
        if (r != 0) return r;
        record.SetEndTime(0);
    } else {
        LocalParts day;
        vemra::BreakLocal(values.m_timeDate, day);
        r = record.SetStartTime(OnDay(day, values.m_timeStart));
        if (r != 0) return r;
        // Start and end share the date; an end before the start is passed on as it is.
        r = record.SetEndTime(OnDay(day, values.m_timeEnd));
        if (r != 0) return r;
    }

    if ((r = record.SetPrivate(values.m_bPrivate)) != 0) return r;
    if ((r = record.SetDescription(vemra::LeftChars(values.m_strText, kMaxText))) != 0) return r;
    if ((r = record.SetNote(vemra::LeftChars(values.m_strNote, kMaxNote))) != 0) return r;

    if (values.m_bAlarm) {
        if ((r = record.SetAlarmAdvTime(values.m_nAlarmTime)) != 0) return r;
        if ((r = record.SetAlarmAdvUnit(values.m_nAlarmUnit)) != 0) return r;
        if ((r = record.SetAlarmFlag(1)) != 0) return r;
    } else {
        if ((r = record.SetAlarmAdvTime(-1)) != 0) return r;
    }

    if (values.m_bRepeat == 0) return record.StopRepeatingEvt();
    return 0;
}
