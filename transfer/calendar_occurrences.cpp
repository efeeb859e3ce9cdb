// Occurrences to appointments: what the datebook holds of any set of occurrences, with as few
// appointments as its repeats allow. Each series is walked with the datebook's own rules before
// it is kept, so an appointment never occurs where no occurrence was.
#include "transfer/calendar.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "formats/appt_values.h"
#include "platform/local_time.h"
#include "transfer/transfer.h"

using namespace vemra;

namespace {

// Occurrences a series may miss in a row, each an exception date, before a new appointment is
// the smaller datebook (an exception costs 4 bytes, an appointment some 40 and its texts).
constexpr std::size_t kLongestGap = 8;

LocalParts PartsOf(long t) {
    LocalParts p;
    BreakLocal(t, p);
    return p;
}

// What the pieces of one series share: the time of day, the length, and the day the kind
// repeats on (the day of the month, the week and weekday, the month and day).
using Shape = std::tuple<bool, long, long, int>;

Shape ShapeOf(const OccurrencePiece& piece, const RepeatHint& hint) {
    const LocalParts p = PartsOf(piece.start);
    int day = 0;
    if (hint.kind == RepeatHint::monthlyByDate) day = p.day;
    if (hint.kind == RepeatHint::monthlyByWeekday) day = (hint.lastWeek ? 5 : (p.day - 1) / 7 + 1) * 8 + p.weekday;
    if (hint.kind == RepeatHint::yearly) day = p.month * 32 + p.day;
    return {piece.untimed, piece.start - LocalMidnight(piece.start), piece.end - piece.start, day};
}

bool Fill(CDateBkRecord& record, const CApptValues& base, const OccurrencePiece& piece) {
    CApptValues values = base;
    values.m_bUntimed = piece.untimed ? 1 : 0;
    values.m_timeDate = LocalMidnight(piece.start);
    values.m_timeStart = piece.start;
    values.m_timeEnd = piece.untimed ? piece.start : piece.end;
    values.m_bRepeat = 0;
    return values.m_timeDate != -1 && ValuesToRecord(record, values) == 0;
}

bool SetRule(CDateBkRecord& record, const RepeatHint& hint, const OccurrencePiece& first, unsigned weekDays, long end) {
    const LocalParts p = PartsOf(first.start);
    const int n = std::max(1, hint.interval);
    const auto wkst = static_cast<eDayIndex>(hint.firstDayOfWeek % 7);
    switch (hint.kind) {
    case RepeatHint::daily: return record.SetRepDaily(CDayName(static_cast<eDayIndex>(p.weekday), n, end, wkst)) == 0;
    case RepeatHint::weekly: return record.SetRepWeekly(CWeekly(static_cast<unsigned char>(weekDays), n, end, wkst)) == 0;
    case RepeatHint::monthlyByDate: return record.SetRepMonthlyByDate(CDateOfMonth(p.day, n, end, wkst)) == 0;
    case RepeatHint::monthlyByWeekday: {
        const eWeekIndex week = hint.lastWeek ? eLastWeek : static_cast<eWeekIndex>((p.day - 1) / 7);
        return record.SetRepMonthlyByDay(CDayOfMonth(week, static_cast<eDayIndex>(p.weekday), n, end, wkst)) == 0;
    }
    case RepeatHint::yearly:
        return record.SetRepYearlyByDate(CDateOfYear(static_cast<eMonthIndex>(p.month - 1), p.day, n, end, wkst)) == 0;
    }
    return false;
}

struct Run {
    std::size_t first = 0, last = 0;
    std::vector<long> exceptions;   // local midnights
};

// How far the series that starts at pieces[first] occurs exactly at the pieces that follow.
Run Walk(const CDateBkRecord& series, const std::vector<OccurrencePiece>& pieces, std::size_t first) {
    Run run{first, first, {}};
    std::vector<long> gap;
    long from = NextLocalMidnight(pieces[first].start);
    for (std::size_t j = first + 1; j < pieces.size() && from > 0;) {
        long next = 0;
        if (series.CalcNextOccurrance(from, next) != 0) break;
        if (next == pieces[j].start) {
            run.last = j++;
            run.exceptions.insert(run.exceptions.end(), gap.begin(), gap.end());
            gap.clear();
        } else if (LocalMidnight(next) < LocalMidnight(pieces[j].start) && gap.size() < kLongestGap) {
            gap.push_back(LocalMidnight(next));
        } else {
            break;
        }
        from = NextLocalMidnight(next);
    }
    return run;
}

// The series occurs at the run's pieces and nowhere else.
bool Occurs(const CDateBkRecord& series, const std::vector<OccurrencePiece>& pieces, const Run& run) {
    std::size_t j = run.first;
    long from = LocalMidnight(pieces[run.first].start);
    for (long next = 0; from > 0 && series.CalcNextOccurrance(from, next) == 0; from = NextLocalMidnight(next)) {
        if (series.IsException(next)) continue;
        if (j > run.last || next != pieces[j].start) return false;
        ++j;
    }
    return j == run.last + 1;
}

class CSeriesMaker {
public:
    CSeriesMaker(const CApptValues& base, CDateBkTable& scratch, std::vector<CDateBkRecord>& out)
        : m_base(base), m_scratch(scratch), m_out(out) {}

    bool Single(const OccurrencePiece& piece) {
        ++m_nSingles;
        return Fill(Add(), m_base, piece);
    }

    // One shape's pieces, in order, as series of the hint's kind where they form one.
    bool Series(const std::vector<OccurrencePiece>& pieces, const RepeatHint& hint) {
        unsigned weekDays = 0;
        for (const OccurrencePiece& p : pieces) weekDays |= 1u << PartsOf(p.start).weekday;
        for (std::size_t i = 0; i < pieces.size();) {
            CDateBkRecord& record = Add();
            if (!Fill(record, m_base, pieces[i]) || !SetRule(record, hint, pieces[i], weekDays, NoEndDate())) return false;
            Run run = Walk(record, pieces, i);
            if (run.last == i) {
                m_out.pop_back();
                if (!Single(pieces[i++])) return false;
                continue;
            }
            CRepeateDayInfo* info = nullptr;
            if (record.GetRepeateInfo(info) != 0 || !info) return false;
            info->SetEndDate(LocalMidnight(pieces[run.last].start));
            for (const long day : run.exceptions) record.AddException(day);
            if (!Occurs(record, pieces, run)) {
                // Not what the walk promised: the pieces stand alone rather than move.
                m_out.pop_back();
                for (std::size_t j = run.first; j <= run.last; ++j)
                    if (!Single(pieces[j])) return false;
            }
            i = run.last + 1;
        }
        return true;
    }

    std::size_t Singles() const { return m_nSingles; }

private:
    CDateBkRecord& Add() {
        m_out.emplace_back(m_scratch, 1);
        m_scratch.AppendBlankRecord(m_out.back());
        return m_out.back();
    }

    const CApptValues& m_base;
    CDateBkTable& m_scratch;
    std::vector<CDateBkRecord>& m_out;
    std::size_t m_nSingles = 0;
};

}  // namespace

bool AppointmentsAt(std::vector<OccurrencePiece> pieces, const std::optional<RepeatHint>& hint, const CApptValues& base,
                    CDateBkTable& scratch, std::vector<CDateBkRecord>& out, std::size_t maxSingles) {
    const auto order = [](const OccurrencePiece& a, const OccurrencePiece& b) {
        return std::tie(a.start, a.end, a.untimed) < std::tie(b.start, b.end, b.untimed);
    };
    std::sort(pieces.begin(), pieces.end(), order);
    // Occurrences that overlap share the days between: one appointment a day.
    pieces.erase(std::unique(pieces.begin(), pieces.end(),
                             [&](const auto& a, const auto& b) { return !order(a, b) && !order(b, a); }),
                 pieces.end());
    CSeriesMaker maker(base, scratch, out);
    if (!hint) {
        if (pieces.size() > maxSingles) return false;
        for (const OccurrencePiece& piece : pieces)
            if (!maker.Single(piece)) return false;
        return true;
    }
    std::map<Shape, std::vector<OccurrencePiece>> shapes;
    for (const OccurrencePiece& piece : pieces) shapes[ShapeOf(piece, *hint)].push_back(piece);
    for (const auto& [shape, same] : shapes)
        if (!maker.Series(same, *hint)) return false;
    return true;
}
