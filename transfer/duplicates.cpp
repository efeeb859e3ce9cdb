#include "transfer/transfer.h"

#include "palm/datebook.h"
#include "platform/local_time.h"
#include "platform/text.h"

using namespace vemra;

namespace {

constexpr long kNarrowingFrom = 10;   // below this many records a plain scan is cheaper

bool IsLive(const CBaseRecord& record) { return !record.IsDeleted() && !record.IsArchived(); }

bool SameLocalDay(long a, long b) {
    LocalParts pa, pb;
    if (!BreakLocal(a, pa) || !BreakLocal(b, pb)) return a == b;
    return pa.year == pb.year && pa.month == pb.month && pa.day == pb.day;
}

bool SameHourAndMinute(long a, long b) {
    LocalParts pa, pb;
    if (!BreakLocal(a, pa) || !BreakLocal(b, pb)) return a == b;
    return pa.hour == pb.hour && pa.minute == pb.minute;
}

long StartMidnight(const CDateBkRecord& record) {
    long start = 0;
    record.GetStartTime(start);
    return LocalMidnight(start);
}

}  // namespace

int IsSameAppointment(CDateBkRecord& existing, CDateBkRecord& candidate) {
    std::string a, b;
    existing.GetDescription(a);
    candidate.GetDescription(b);
    if (Trim(a) != Trim(b)) return 0;
    a.clear();
    b.clear();
    existing.GetNote(a);
    candidate.GetNote(b);
    if (Trim(a) != Trim(b)) return 0;

    const long untimed = existing.IsUnTimed();
    if (untimed != candidate.IsUnTimed()) return 0;

    long s1 = 0, s2 = 0;
    existing.GetStartTime(s1);
    candidate.GetStartTime(s2);
    // An untimed appointment is a day; its stored time of day means nothing.
    if (untimed ? !SameLocalDay(s1, s2) : s1 != s2) return 0;
    if (!untimed) {
        long e1 = 0, e2 = 0;
        existing.GetEndTime(e1);
        candidate.GetEndTime(e2);
        if (!SameHourAndMinute(e1, e2)) return 0;
    }

    if (existing.IsPrivate() != candidate.IsPrivate()) return 0;
    const long alarm = existing.IsAlarmSet();
    if (alarm != candidate.IsAlarmSet()) return 0;
    if (alarm) {
        long adv1 = 0, adv2 = 0;
        existing.GetAlarmAdvTime(adv1);
        candidate.GetAlarmAdvTime(adv2);
        eAlarmUnit u1 = eMinutes, u2 = eMinutes;
        existing.GetAlarmAdvUnit(u1);
        candidate.GetAlarmAdvUnit(u2);
        if (adv1 != adv2 || u1 != u2) return 0;
    }

    const long repeating = existing.IsRepeatingEvt();
    if (repeating != candidate.IsRepeatingEvt()) return 0;
    if (repeating) return existing.IsSameRepeatingEvent(candidate) != 0 ? 1 : 0;
    return 1;
}

int IsDuplicate(CDateBkTable& table, CDateBkRecord& candidate) {
    CDateBkIterator iterator(table);
    const long n = table.GetRecordCount();
    // True when the record at index is a live twin of the candidate; date is its start day.
    auto examine = [&](long index, long* date) {
        CDateBkRecord record(table, 1);
        if (iterator.GetAt(record, index) != 0) {
            if (date) *date = -1;
            return false;
        }
        if (date) *date = StartMidnight(record);
        return IsLive(record) && IsSameAppointment(record, candidate) != 0;
    };

    if (n < kNarrowingFrom) {
        for (long i = 0; i < n; ++i)
            if (examine(i, nullptr)) return 1;
        return 0;
    }

    // A twin starts on the candidate's day: in start order the window skips the halves that
    // lie wholly before or after that day, and otherwise narrows by one record at each end.
    iterator.SortByStartDate();
    const long key = StartMidnight(candidate);
    long lo = 0, hi = n - 1;
    for (;;) {
        if (examine(lo, nullptr)) return 1;
        if (lo >= hi) return 0;
        if (examine(hi, nullptr)) return 1;
        const long mid = lo + (hi - lo) / 2;
        long day = 0;
        if (examine(mid, &day)) return 1;
        if (day < key)
            lo = mid;
        else if (day > key)
            hi = mid;
        ++lo;
        --hi;
    }
}
