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

// Texts as compared: trimmed, every line break (CR LF, CR or LF) one line feed. An import
// stores CR LF where a file may have LF alone; the appointment is the same.
std::string ComparedText(const std::string& text) {
    std::string out;
    const std::string trimmed = Trim(text);
    out.reserve(trimmed.size());
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        if (trimmed[i] == '\r') {
            if (i + 1 < trimmed.size() && trimmed[i + 1] == '\n') ++i;
            out += '\n';
        } else {
            out += trimmed[i];
        }
    }
    return out;
}

bool SameHourAndMinute(long a, long b) {
    LocalParts pa, pb;
    if (!BreakLocal(a, pa) || !BreakLocal(b, pb)) return a == b;
    return pa.hour == pb.hour && pa.minute == pb.minute;
}

// The candidate's values, read once however many records it is compared with. The
// comparisons are a conjunction, so the cheap ones go first; text and note, which cost a
// conversion each, are compared only for records that already agree on everything else.
class CCandidate {
public:
    explicit CCandidate(CDateBkRecord& record) : m_record(record) {
        m_untimed = record.IsUnTimed();
        record.GetStartTime(m_start);
        record.GetEndTime(m_end);
        m_private = record.IsPrivate();
        m_alarm = record.IsAlarmSet();
        record.GetAlarmAdvTime(m_alarmAdvance);
        record.GetAlarmAdvUnit(m_alarmUnit);
        m_repeating = record.IsRepeatingEvt();
    }

    long Start() const { return m_start; }

    bool Matches(CDateBkRecord& existing) {
        const long untimed = existing.IsUnTimed();
        if (untimed != m_untimed) return false;
        long start = 0;
        existing.GetStartTime(start);
        // An untimed appointment is a day; its stored time of day means nothing.
        if (untimed ? !SameLocalDay(start, m_start) : start != m_start) return false;
        if (!untimed) {
            long end = 0;
            existing.GetEndTime(end);
            if (!SameHourAndMinute(end, m_end)) return false;
        }
        if (existing.IsPrivate() != m_private) return false;
        const long alarm = existing.IsAlarmSet();
        if (alarm != m_alarm) return false;
        if (alarm) {
            long advance = 0;
            eAlarmUnit unit = eMinutes;
            existing.GetAlarmAdvTime(advance);
            existing.GetAlarmAdvUnit(unit);
            if (advance != m_alarmAdvance || unit != m_alarmUnit) return false;
        }
        const long repeating = existing.IsRepeatingEvt();
        if (repeating != m_repeating) return false;

        ReadTexts();
        std::string text;
        existing.GetDescription(text);
        if (ComparedText(text) != m_text) return false;
        text.clear();
        existing.GetNote(text);
        if (ComparedText(text) != m_note) return false;
        return !repeating || existing.IsSameRepeatingEvent(m_record) != 0;
    }

private:
    void ReadTexts() {
        if (m_bTexts) return;
        std::string text;
        m_record.GetDescription(text);
        m_text = ComparedText(text);
        text.clear();
        m_record.GetNote(text);
        m_note = ComparedText(text);
        m_bTexts = true;
    }

    CDateBkRecord& m_record;
    long m_untimed = 0, m_start = 0, m_end = 0, m_private = 0, m_alarm = 0, m_alarmAdvance = 0, m_repeating = 0;
    eAlarmUnit m_alarmUnit = eMinutes;
    bool m_bTexts = false;
    std::string m_text, m_note;
};

}  // namespace

int IsSameAppointment(CDateBkRecord& existing, CDateBkRecord& candidate) {
    CCandidate view(candidate);
    return view.Matches(existing) ? 1 : 0;
}

int IsDuplicate(CDateBkTable& table, CDateBkRecord& candidate) {
    CCandidate view(candidate);
    CDateBkIterator iterator(table);
    const long n = table.GetRecordCount();
    // The record at index, when it can be fetched; live twins of the candidate answer true.
    auto examine = [&](long index, CDateBkRecord& record) {
        return iterator.GetAt(record, index) == 0 && IsLive(record) && view.Matches(record);
    };

    if (n < kNarrowingFrom) {
        for (long i = 0; i < n; ++i) {
            CDateBkRecord record(table, 1);
            if (examine(i, record)) return 1;
        }
        return 0;
    }

    // A twin starts on the candidate's day, and in start order that day's records stand
    // together: halve the window down to the first of them, then look at each of them.
    iterator.SortByStartDate();
    const long dayStart = LocalMidnight(view.Start());
    const long dayEnd = NextLocalMidnight(view.Start());
    auto startAt = [&](long index) {
        CDateBkRecord record(table, 1);
        long start = 0;
        if (iterator.GetAt(record, index) != 0 || record.GetStartTime(start) != 0) return -1L;
        return start;
    };
    long lo = 0, hi = n;
    while (lo < hi) {
        const long mid = lo + (hi - lo) / 2;
        if (startAt(mid) < dayStart)
            lo = mid + 1;
        else
            hi = mid;
    }
    for (long i = lo; i < n; ++i) {
        CDateBkRecord record(table, 1);
        if (iterator.GetAt(record, i) != 0) continue;
        long start = 0;
        record.GetStartTime(start);
        if (start >= dayEnd) break;
        if (IsLive(record) && view.Matches(record)) return 1;
    }
    return 0;
}
