// Composing rows from a value record or datebook record, and reading them back.

#include <algorithm>
#include <cstdint>

#include "formats/appt_values.h"
#include "formats/row_file.h"
#include "formats/value_text.h"
#include "palm/datebook.h"
#include "platform/codepage.h"
#include "platform/local_time.h"
#include "platform/locale_dates.h"
#include "platform/text.h"
#include "settings/field_mapping.h"
#include "settings/settings.h"

using vemra::LocalParts;

namespace {

// Without a settings record (tests, tools) the settings' own defaults apply.
constexpr int kDefaultApptLength = 60;
const char* const kDefaultExceptionSeparator = " ";

const char* const kRepeatDaily = "Daily";
const char* const kRepeatWeekly = "Weekly";
const char* const kRepeatMonthlyDate = "Monthly Date";
const char* const kRepeatMonthlyDay = "Monthly Day";
const char* const kRepeatYearly = "Yearly";

int PutFlag(CRowFile& file, long flag) { return file.PutText(flag ? "x" : ""); }

const char* AlarmUnitLetter(int unit) {
    switch (unit) {
    case eMinutes: return "m";
    case eHours: return "h";
    case eDays: return "d";
    default: return "";
    }
}

// 31 December 2031 and later stand for a repeat without end.
bool IsEndlessDate(long t) {
    LocalParts p;
    if (!vemra::BreakLocal(t, p)) return false;
    return IsNoEndDay(p.year, p.month, p.day);
}

std::string ExceptionSeparatorOf(const CSettings* settings) {
    return settings ? settings->m_strExceptionDateSeparator : std::string(kDefaultExceptionSeparator);
}

// The part both row readers share: the next row's simple cells, and the times of a timed row
// completed. 0, -1 at the end of the file, or the reason the row is rejected.
int ReadSimplePart(const CFieldMapping& mapping, CRowFile& file, CApptValues& values) {
    if (file.NextReadRow() < 0) return -1;
    for (int id : mapping.m_simple) {
        if (id == fieldNone) continue;
        if (const int r = mapping.ReadCell(file, values, id)) return r;
    }
    if (values.m_bUntimed == 0) {
        const CSettings* settings = mapping.m_pSettings;
        const long long length = settings ? settings->m_nDefaultApptLength : kDefaultApptLength;
        if (values.m_timeStart != 0 && values.m_timeEnd == 0) {
            // The length comes from the profile unchecked: an end beyond the time range is cut to it.
            const long long end = values.m_timeStart + length * 60;
            values.m_timeEnd = static_cast<long>(std::clamp<long long>(end, INT32_MIN, INT32_MAX));
        }
        if (values.m_timeStart == 0) return vemra::reasonInvalidStartTime;
        if (values.m_timeEnd == 0) return vemra::reasonInvalidEndTime;
    }
    return 0;
}

}  // namespace

std::vector<std::string> CFieldMapping::HeaderNames(bool full) const {
    std::vector<std::string> names;
    for (int id : m_simple)
        if (id != fieldNone) names.push_back(FieldName(id));
    if (full)
        for (int id : m_repeat) names.push_back(FieldName(id));
    return names;
}

void CFieldMapping::WriteSimpleHeader(CRowFile& file) const {
    for (int id : m_simple)
        if (id != fieldNone) file.PutText(FieldName(id));
    file.NextWriteRow();
}

void CFieldMapping::WriteFullHeader(CRowFile& file) const {
    for (int id : m_simple)
        if (id != fieldNone) file.PutText(FieldName(id));
    for (int id : m_repeat) file.PutText(FieldName(id));
    file.NextWriteRow();
}

void CFieldMapping::WriteSimpleRow(CRowFile& file, const CApptValues& values) const {
    for (int id : m_simple)
        if (id != fieldNone) WriteSimpleCell(file, values, id);
    file.NextWriteRow();
}

void CFieldMapping::WriteFullRow(CRowFile& file, const CApptValues& values, CDateBkRecord& record) const {
    for (int id : m_simple)
        if (id != fieldNone) WriteSimpleCell(file, values, id);
    if (record.IsRepeatingEvt())
        for (int id : m_repeat) WriteRepeatCell(file, record, id);
    file.NextWriteRow();
}

void CFieldMapping::WriteSimpleCell(CRowFile& file, const CApptValues& v, int id) const {
    switch (id) {
    case fieldDate: file.PutDate(v.m_timeDate); break;
    case fieldUntimed: PutFlag(file, v.m_bUntimed); break;
    case fieldStartTime:
        if (v.m_bUntimed == 0) file.PutTime(v.m_timeStart);
        else file.PutText("");
        break;
    case fieldEndTime:
        if (v.m_bUntimed == 0) file.PutTime(v.m_timeEnd);
        else file.PutText("");
        break;
    case fieldPrivate: PutFlag(file, v.m_bPrivate); break;
    case fieldText: file.PutText(v.m_strText); break;
    case fieldNote: file.PutText(v.m_strNote); break;
    case fieldAlarm: PutFlag(file, v.m_bAlarm); break;
    case fieldAlarmTime:
        if (v.m_bAlarm) file.PutInt(v.m_nAlarmTime);
        else file.PutText("");
        break;
    case fieldAlarmUnit: file.PutText(v.m_bAlarm ? AlarmUnitLetter(v.m_nAlarmUnit) : ""); break;
    case fieldRepeat: PutFlag(file, v.m_bRepeat); break;
    default: break;
    }
}

void CFieldMapping::WriteRepeatCell(CRowFile& file, CDateBkRecord& record, int id) const {
    if (id < fieldRepeatType || id > fieldMonthlyWeekIndex) return;
    const CRepeateDayInfo* info = nullptr;
    if (record.GetRepeateInfo(info) != 0) info = nullptr;
    switch (id) {
    case fieldRepeatType: {
        const char* name = "";
        if (record.IsRepDaily()) name = kRepeatDaily;
        else if (record.IsRepWeekly()) name = kRepeatWeekly;
        else if (record.IsRepMonthlyByDate()) name = kRepeatMonthlyDate;
        else if (record.IsRepMonthlyByDay()) name = kRepeatMonthlyDay;
        else if (record.IsRepYearlyByDate()) name = kRepeatYearly;
        file.PutText(name);
        break;
    }
    case fieldRepeatInterval:
        // A record without rule still gets its cell, so that the columns stay in place.
        if (info) file.PutInt(info->GetInterval());
        else file.PutText("");
        break;
    case fieldRepeatEndDate:
        if (info && info->GetEndDate() > 0) file.PutDate(info->GetEndDate());
        else file.PutText("");
        break;
    case fieldExceptions: {
        const std::string separator = ExceptionSeparatorOf(m_pSettings);
        std::string list;
        CDateException exception;
        for (long r = record.FindFirstException(exception); r == 0; r = record.FindNextException(exception)) {
            list += vemra::DateText(exception.m_time);
            list += separator;
        }
        file.PutText(list);
        break;
    }
    case fieldMonthlyWeekIndex: {
        const auto* monthly = dynamic_cast<const CDayOfMonth*>(info);
        if (record.IsRepMonthlyByDay() && monthly) file.PutInt(monthly->GetWeekNum() + 1);
        else file.PutText("");
        break;
    }
    default: {   // the weekday columns
        const auto* weekly = dynamic_cast<const CWeekly*>(info);
        const int bit = 1 << (id - fieldWeeklySunday);
        PutFlag(file, record.IsRepWeekly() && weekly && (weekly->GetWeekDays() & bit));
        break;
    }
    }
}

int CFieldMapping::ReadCell(CRowFile& file, CApptValues& values, int id) const {
    std::string text;
    long t = 0;
    long n = 0;
    switch (id) {
    case fieldDate:
        if (file.GetDate(t) < 0) return vemra::reasonInvalidDate;
        values.m_timeDate = t;
        return 0;
    case fieldStartTime:
    case fieldEndTime: {
        const int r = file.GetTime(t);
        if (r == -2) t = 0;
        else if (r != 0) return id == fieldStartTime ? vemra::reasonInvalidStartTime : vemra::reasonInvalidEndTime;
        (id == fieldStartTime ? values.m_timeStart : values.m_timeEnd) = t;
        return 0;
    }
    case fieldUntimed:
    case fieldPrivate:
    case fieldAlarm:
    case fieldRepeat: {
        long value = 0;
        file.GetFlag(value);
        const int32_t flag = value ? 1 : 0;
        if (id == fieldUntimed) values.m_bUntimed = flag;
        else if (id == fieldPrivate) values.m_bPrivate = flag;
        else if (id == fieldAlarm) values.m_bAlarm = flag;
        else values.m_bRepeat = flag;
        return 0;
    }
    case fieldText:
        file.GetText(text);
        values.m_strText = vemra::ExpandLineBreaks(text);
        if (values.m_strText.empty()) return vemra::reasonNoText;
        return vemra::FitsFileText(values.m_strText) ? 0 : vemra::reasonTextNotStorable;
    case fieldNote:
        file.GetText(text);
        values.m_strNote = vemra::ExpandLineBreaks(text);
        return vemra::FitsFileText(values.m_strNote) ? 0 : vemra::reasonTextNotStorable;
    case fieldAlarmTime:
        if (file.GetInt(n) < 0) return vemra::reasonInvalidAlarmTime;
        values.m_nAlarmTime = static_cast<int32_t>(n);
        return 0;
    case fieldAlarmUnit: {
        file.GetText(text);
        const std::string unit = vemra::Trim(text);
        if (unit.empty()) values.m_bAlarm = 0;
        else if (vemra::EqualsNoCase(unit, "d")) values.m_nAlarmUnit = eDays;
        else if (vemra::EqualsNoCase(unit, "h")) values.m_nAlarmUnit = eHours;
        else if (vemra::EqualsNoCase(unit, "m")) values.m_nAlarmUnit = eMinutes;
        else return vemra::reasonInvalidAlarmUnit;
        return 0;
    }
    case fieldRepeatType:
        file.GetText(text);
        values.m_strRepeatType = vemra::Trim(text);
        return 0;
    case fieldRepeatInterval:
        if (file.GetInt(n) < 0 || n <= 0) return vemra::reasonInvalidRepeatInterval;
        values.m_nRepeatInterval = static_cast<int32_t>(n);
        return 0;
    case fieldRepeatEndDate: {
        const int r = file.GetDate(t);
        if (r == -2) t = 0;
        else if (r != 0) return vemra::reasonInvalidRepeatEndDate;
        else if (IsEndlessDate(t)) t = 0;
        values.m_timeRepeatEnd = t;
        return 0;
    }
    case fieldExceptions:
        file.GetText(text);
        values.m_strExceptions = text;
        return 0;
    case fieldMonthlyWeekIndex:
        if (file.GetInt(n) < 0) return vemra::reasonInvalidWeekIndex;
        values.m_nWeekIndex = static_cast<int32_t>(n);
        return 0;
    default:
        if (id >= fieldWeeklySunday && id <= fieldWeeklySaturday) {
            file.GetText(text);
            if (!vemra::Trim(text).empty())
                values.m_byWeekDays = static_cast<uint8_t>(values.m_byWeekDays | (1 << (id - fieldWeeklySunday)));
        }
        return 0;
    }
}

long CFieldMapping::ApplyRepeatInfo(CDateBkRecord& record, CApptValues& values, CRowFile& file) const {
    long endDate;
    if (values.m_timeRepeatEnd != 0) {
        long start = 0;
        record.GetStartTime(start);
        // An end on the start's own day is accepted, one on an earlier day is not.
        if (values.m_timeRepeatEnd + 86400L <= start) return vemra::reasonInvalidRepeatEndDate;
        endDate = values.m_timeRepeatEnd;
    } else {
        endDate = NoEndDate();
    }

    LocalParts d;
    vemra::BreakLocal(values.m_timeDate, d);
    const int interval = values.m_nRepeatInterval;
    const std::string& type = values.m_strRepeatType;
    long r = 0;
    if (type == kRepeatDaily) {
        r = record.SetRepDaily(CDayName(static_cast<eDayIndex>(d.day), interval, endDate, eSunday));
    } else if (type == kRepeatWeekly) {
        if (values.m_byWeekDays == 0) return vemra::reasonNoWeekDay;
        r = record.SetRepWeekly(CWeekly(values.m_byWeekDays, interval, endDate, eSunday));
    } else if (type == kRepeatMonthlyDate) {
        r = record.SetRepMonthlyByDate(CDateOfMonth(d.day, interval, endDate, eSunday));
    } else if (type == kRepeatMonthlyDay) {
        if (values.m_nWeekIndex > INT32_MIN) values.m_nWeekIndex -= 1;
        if (values.m_nWeekIndex < 0 || values.m_nWeekIndex > 4) return vemra::reasonInvalidWeekIndex;
        r = record.SetRepMonthlyByDay(CDayOfMonth(static_cast<eWeekIndex>(values.m_nWeekIndex),
                                                  static_cast<eDayIndex>(d.weekday), interval, endDate, eSunday));
    } else if (type == kRepeatYearly) {
        r = record.SetRepYearlyByDate(CDateOfYear(static_cast<eMonthIndex>(d.month - 1), d.day, interval, endDate, eSunday));
    } else {
        return vemra::reasonInvalidRepeatType;
    }
    if (r != 0) return r;

    const std::string separator = ExceptionSeparatorOf(m_pSettings);
    while (!values.m_strExceptions.empty()) {
        const std::string token = vemra::NextExceptionToken(values.m_strExceptions, separator);
        long date = 0;
        if (vemra::DateFromText(token, date) != 0) {
            // The message quotes the offending date, whether unreadable or out of range.
            file.SetRowText(token);
            return vemra::reasonInvalidExceptionDate;
        }
        r = record.AddException(date);
        values.m_strExceptions = vemra::Trim(values.m_strExceptions);
        if (r != 0) return r;
    }
    return 0;
}

int CFieldMapping::ReadSimpleRow(CRowFile& file, CDateBkRecord& record) const {
    CApptValues values;
    if (const int r = ReadSimplePart(*this, file, values)) return r;
    return static_cast<int>(ValuesToRecord(record, values));
}

int CFieldMapping::ReadFullRow(CRowFile& file, CDateBkRecord& record) const {
    CApptValues values;
    if (const int r = ReadSimplePart(*this, file, values)) return r;
    if (const long r = ValuesToRecord(record, values)) return static_cast<int>(r);
    // A row without repeat is done; whatever cells follow are not read.
    if (values.m_bRepeat == 0) return 0;
    for (int id : m_repeat)
        if (const int r = ReadCell(file, values, id)) return r;
    return static_cast<int>(ApplyRepeatInfo(record, values, file));
}
