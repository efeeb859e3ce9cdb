// The repeat rule and the exception dates of a record, and its occurrences.

#include "palm/datebook.h"
#include "palm/datebook_table.h"

#include "platform/local_time.h"

#include <algorithm>

using namespace datebook;

namespace {
using Day = long long;
}  // namespace

long CDateBkRecord::CalcNextOccurrance(long from, long& next) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    const long start = TimeFromRaw(data->start);
    vemra::LocalParts sp;
    if (!vemra::BreakLocal(start, sp)) return 1;
    const Day startDay = DaysFromCivil(sp.year, sp.month, sp.day);
    long fromDay = 0;
    if (!LocalDay(from, fromDay)) fromDay = static_cast<long>(startDay);

    const CRepeateDayInfo* rule = data->repeat.rule.get();
    if (!rule) {
        if (start < from) return 1;
        next = start;
        return 0;
    }
    Day last = DaysFromCivil(kDatebookLastYear, kNoEndMonth, kNoEndDay);
    if (rule->GetEndDate() != -1) {
        long endDay = 0;
        if (!LocalDay(rule->GetEndDate(), endDay)) return 1;
        last = std::min<Day>(last, endDay);
    }
    // An occurrence earlier on from's own day does not count: the next day's is the one then.
    Day searchFrom = fromDay;
    for (int attempt = 0; attempt < 2; ++attempt) {
        Day day = 0;
        if (!NextDay(*rule, startDay, searchFrom, last, day)) return 1;
        int y, m, d;
        CivilFromDays(static_cast<long>(day), y, m, d);
        const long t = vemra::MakeLocal(y, m, d, sp.hour, sp.minute, sp.second, -1);
        if (t < 0) return 1;
        if (t >= from) {
            next = t;
            return 0;
        }
        searchFrom = day + 1;
    }
    return 1;
}

// ---- repeat rule of a record ----

long CDateBkRecord::IsRepeatingEvt() const {
    const DateBkRecordData* data = Data();
    return data && data->repeat.rule ? 1 : 0;
}

namespace {
long HasBrand(const DateBkRecordData* data, eRepeatBrand brand) {
    return data && data->repeat.rule && data->repeat.rule->GetBrand() == brand ? 1 : 0;
}
}  // namespace

long CDateBkRecord::IsRepDaily() const { return HasBrand(Data(), eRepeatDaily); }
long CDateBkRecord::IsRepWeekly() const { return HasBrand(Data(), eRepeatWeekly); }
long CDateBkRecord::IsRepMonthlyByDate() const { return HasBrand(Data(), eRepeatMonthlyByDate); }
long CDateBkRecord::IsRepMonthlyByDay() const { return HasBrand(Data(), eRepeatMonthlyByDay); }
long CDateBkRecord::IsRepYearlyByDate() const { return HasBrand(Data(), eRepeatYearlyByDate); }

long CDateBkRecord::GetRepeateInfo(const CRepeateDayInfo*& info) const {
    const DateBkRecordData* data = Data();
    info = data ? data->repeat.rule.get() : nullptr;
    return info ? 0 : 1;
}

long CDateBkRecord::GetRepeateInfo(CRepeateDayInfo*& info) {
    DateBkRecordData* data = Data();
    info = data ? data->repeat.rule.get() : nullptr;
    if (!info) return 1;
    // The caller may change the rule through the pointer.
    MarkUpdated();
    return 0;
}

long CDateBkRecord::SetRule(const CRepeateDayInfo& rule) {
    DateBkRecordData* data = Data();
    if (!data) return 1;
    data->repeat.rule = rule.Clone();
    data->repeat.bRawEndValid = false;
    data->repeat.bBigTag = false;
    MarkUpdated();
    return 0;
}

long CDateBkRecord::SetRepDaily(const CDayName& rule) { return SetRule(rule); }
long CDateBkRecord::SetRepWeekly(const CWeekly& rule) { return SetRule(rule); }
long CDateBkRecord::SetRepMonthlyByDate(const CDateOfMonth& rule) { return SetRule(rule); }
long CDateBkRecord::SetRepMonthlyByDay(const CDayOfMonth& rule) { return SetRule(rule); }
long CDateBkRecord::SetRepYearlyByDate(const CDateOfYear& rule) { return SetRule(rule); }

long CDateBkRecord::StopRepeatingEvt() {
    DateBkRecordData* data = Data();
    if (!data) return 1;
    if (data->repeat.rule) {
        data->repeat.rule.reset();
        MarkUpdated();
    }
    return 0;
}

// ---- exception dates ----

long CDateBkRecord::GetNumExceptions() const {
    const DateBkRecordData* data = Data();
    return data ? static_cast<long>(data->repeat.exceptions.size()) : 0;
}

long CDateBkRecord::FindFirstException(CDateException& exception) {
    m_nExceptionCursor = 0;
    return FindNextException(exception);
}

long CDateBkRecord::FindNextException(CDateException& exception) {
    const DateBkRecordData* data = Data();
    if (!data || m_nExceptionCursor >= data->repeat.exceptions.size()) return 1;
    const long raw = TimeFromRaw(data->repeat.exceptions[m_nExceptionCursor++]);
    const long midnight = vemra::LocalMidnight(raw);
    exception.m_time = midnight >= 0 ? midnight : raw;
    return 0;
}

long CDateBkRecord::IsException(long t) const {
    const DateBkRecordData* data = Data();
    long day = 0;
    if (!data || !LocalDay(t, day)) return 0;
    for (std::uint32_t raw : data->repeat.exceptions) {
        long d = 0;
        if (LocalDay(TimeFromRaw(raw), d) && d == day) return 1;
    }
    return 0;
}

long CDateBkRecord::AddException(long t) {
    DateBkRecordData* data = Data();
    if (!data) return 1;
    const long midnight = vemra::LocalMidnight(t);
    if (midnight < 0 || midnight > 0x7FFFFFFFL) return 1;
    if (IsException(t)) return 0;   // already there
    if (data->repeat.exceptions.size() >= kMaxExceptions) return 1;
    data->repeat.exceptions.push_back(static_cast<std::uint32_t>(midnight));
    MarkUpdated();
    return 0;
}

// Removing a day that is not an exception is no error.
long CDateBkRecord::RemoveException(long t) {
    DateBkRecordData* data = Data();
    long day = 0;
    if (!data || !LocalDay(t, day)) return 1;
    auto& list = data->repeat.exceptions;
    const auto newEnd = std::remove_if(list.begin(), list.end(), [day](std::uint32_t raw) {
        long d = 0;
        return LocalDay(TimeFromRaw(raw), d) && d == day;
    });
    if (newEnd != list.end()) {
        list.erase(newEnd, list.end());
        MarkUpdated();
    }
    return 0;
}

namespace {
std::vector<long> ExceptionDays(const DateBkRecordData& data) {
    std::vector<long> days;
    for (std::uint32_t raw : data.repeat.exceptions) {
        long d = 0;
        days.push_back(LocalDay(TimeFromRaw(raw), d) ? d : TimeFromRaw(raw));
    }
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    return days;
}
}  // namespace

long CDateBkRecord::IsSameRepeatingEvent(CDateBkRecord& other) {
    const DateBkRecordData* a = Data();
    const DateBkRecordData* b = other.Data();
    if (!a || !b || !a->repeat.rule || !b->repeat.rule) return 0;
    if (!a->repeat.rule->SameRule(*b->repeat.rule)) return 0;
    return ExceptionDays(*a) == ExceptionDays(*b) ? 1 : 0;
}
