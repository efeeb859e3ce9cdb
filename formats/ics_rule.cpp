#include "formats/ics_rule.h"

#include <algorithm>

#include "platform/local_time.h"
#include "platform/text.h"

namespace vemra {

namespace {

using Freq = IcsRecurrence::Freq;

Freq FreqOf(std::string_view text) {
    static const char* const kNames[] = {"SECONDLY", "MINUTELY", "HOURLY", "DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
    for (int i = 0; i < 7; ++i)
        if (EqualsNoCase(text, kNames[i])) return static_cast<Freq>(i + 1);
    return Freq::unknown;
}

long CountOf(const std::string& text, bool& ok) {
    if (IsDigits(text) && text.size() <= 9) return static_cast<long>(IcsNumber(text));
    ok = false;
    return 0;
}

// Numbers of at most maxDigits digits, with a sign where the part allows one.
std::vector<int> NumberList(const std::string& text, std::size_t maxDigits, bool sign, bool& ok) {
    std::vector<int> out;
    if (text.empty()) return out;
    for (const std::string& item : Split(text, ',')) {
        std::string_view digits = item;
        const bool negative = sign && !digits.empty() && digits[0] == '-';
        if (sign && !digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
        const bool number = IsDigits(digits) && digits.size() <= maxDigits;
        ok = ok && number;
        const int n = number ? static_cast<int>(IcsNumber(digits)) : 0;
        out.push_back(negative ? -n : n);
    }
    return out;
}

// "MO", "2TU", "-1FR": a weekday with an ordinal of at most two digits, not 0.
std::vector<IcsRecurrence::Weekday> WeekdayList(const std::string& text, bool& ok) {
    std::vector<IcsRecurrence::Weekday> out;
    if (text.empty()) return out;
    for (const std::string& item : Split(text, ',')) {
        IcsRecurrence::Weekday w;
        w.day = item.size() < 2 ? -1 : IcsWeekdayOf(std::string_view(item).substr(item.size() - 2));
        std::string_view n = std::string_view(item).substr(0, item.size() < 2 ? 0 : item.size() - 2);
        const bool negative = !n.empty() && n[0] == '-';
        if (!n.empty() && (n[0] == '-' || n[0] == '+')) n.remove_prefix(1);
        if (item.size() > 2 && (!IsDigits(n) || n.size() > 2 || IcsNumber(n) == 0)) w.day = -1;
        if (w.day >= 0 && item.size() > 2) w.ordinal = static_cast<int>(IcsNumber(n)) * (negative ? -1 : 1);
        ok = ok && w.day >= 0;
        out.push_back(w);
    }
    return out;
}

void ReadPart(const IcsRecurrence::Part& p, IcsRecurrence& r) {
    const std::string& v = p.value;
    bool& ok = r.wellFormed;
    if (p.key == "FREQ") r.freq = FreqOf(v);
    else if (p.key == "INTERVAL") r.interval = CountOf(v, ok);
    else if (p.key == "COUNT") r.count = CountOf(v, ok);
    else if (p.key == "UNTIL") {
        r.hasUntil = true;
        r.untilText = v;
        ok = ParseIcsTime(v, r.until) && ok;
    } else if (p.key == "BYDAY") r.byDay = WeekdayList(v, ok);
    else if (p.key == "BYMONTHDAY") r.byMonthDay = NumberList(v, 2, true, ok);
    else if (p.key == "BYYEARDAY") r.byYearDay = NumberList(v, 3, true, ok);
    else if (p.key == "BYWEEKNO") r.byWeekNo = NumberList(v, 2, true, ok);
    else if (p.key == "BYMONTH") r.byMonth = NumberList(v, 2, false, ok);
    else if (p.key == "BYSETPOS") r.bySetPos = NumberList(v, 3, true, ok);
    else if (p.key == "BYHOUR") r.byHour = NumberList(v, 2, false, ok);
    else if (p.key == "BYMINUTE") r.byMinute = NumberList(v, 2, false, ok);
    else if (p.key == "BYSECOND") r.bySecond = NumberList(v, 2, false, ok);
    else if (p.key == "WKST") r.weekStart = IcsWeekdayOf(v);
}

bool SmallCount(const std::string& text, std::size_t maxDigits) {
    return IsDigits(text) && text.size() <= maxDigits && IcsNumber(text) >= 1;
}

// The parts in the order written: the first the datebook cannot take decides.
IcsRuleFit FitParts(const IcsRecurrence& r, const IcsUntilDay& until, IcsRule& out) {
    static const char* const kTaken[] = {"FREQ", "BYDAY", "BYMONTHDAY", "BYMONTH", "WKST", "RSCALE", "SKIP"};
    for (const IcsRecurrence::Part& p : r.parts) {
        if (p.key == "INTERVAL" || p.key == "COUNT") {
            if (!SmallCount(p.value, p.key == "COUNT" ? 6 : 4)) return IcsRuleFit::notHeld;
        } else if (p.key == "UNTIL") {
            if (!until(p.value, out.end)) return IcsRuleFit::untilNotHeld;
            out.hasEnd = true;
        } else if (p.key == "BYSETPOS") {
            return IcsRuleFit::bySetPos;
        } else if (std::none_of(std::begin(kTaken), std::end(kTaken), [&](const char* k) { return p.key == k; })) {
            return IcsRuleFit::notHeld;
        }
    }
    return IcsRuleFit::held;
}

// The one value of a list within lo..hi, else 0.
int Single(const std::vector<int>& list, int lo, int hi) {
    return list.size() == 1 && list[0] >= lo && list[0] <= hi ? list[0] : 0;
}

bool FitKind(const IcsRecurrence& r, const IcsDate& start, IcsRule& out) {
    unsigned mask = 0;
    const IcsRecurrence::Weekday* ordinal = nullptr;
    for (const IcsRecurrence::Weekday& d : r.byDay) {
        mask |= 1u << d.day;
        if (d.ordinal != 0) ordinal = &d;
    }
    const bool byMonth = !r.byMonth.empty(), byMonthDay = !r.byMonthDay.empty();
    switch (r.freq) {
    case Freq::daily:
    case Freq::weekly:
        if (byMonth || byMonthDay || ordinal) return false;
        if (r.freq == Freq::daily && !mask) {
            out.kind = IcsRule::daily;
            return true;
        }
        // Daily on some weekdays is weekly on them, where no interval spreads it.
        if (r.freq == Freq::daily && out.interval != 1) return false;
        out.kind = IcsRule::weekly;
        out.weekDays = mask ? mask : 1u << WeekdayOfDays(DaysFromCivil(start.year, start.month, start.day));
        return true;
    case Freq::monthly:
        if (byMonth) return false;
        if (!r.byDay.empty()) {
            if (byMonthDay || !ordinal || r.byDay.size() > 1 ||
                !((ordinal->ordinal >= 1 && ordinal->ordinal <= 4) || ordinal->ordinal == -1))
                return false;
            out.kind = IcsRule::monthlyByWeekday;
            out.weekOfMonth = ordinal->ordinal;
            out.weekday = ordinal->day;
            return true;
        }
        out.kind = IcsRule::monthlyByDate;
        out.monthDay = byMonthDay ? Single(r.byMonthDay, 1, 31) : start.day;
        return out.monthDay != 0;
    case Freq::yearly:
        if (!r.byDay.empty()) return false;
        out.kind = IcsRule::yearly;
        out.month = byMonth ? Single(r.byMonth, 1, 12) : start.month;
        out.monthDay = byMonthDay ? Single(r.byMonthDay, 1, 31) : start.day;
        return out.month != 0 && out.monthDay != 0;
    default: return false;
    }
}

}  // namespace

IcsRecurrence ParseIcsRecurrence(std::string_view text) {
    IcsRecurrence r;
    for (const std::string& part : Split(text, ';')) {
        const std::size_t eq = part.find('=');
        if (eq == std::string::npos) continue;
        r.parts.push_back({ToUpperAscii(Trim(part.substr(0, eq))), Trim(part.substr(eq + 1))});
        ReadPart(r.parts.back(), r);
    }
    return r;
}

IcsRuleFit FitDatebookRule(const IcsRecurrence& r, const IcsDate& start, const IcsUntilDay& until, IcsRule& out) {
    if (const IcsRuleFit fit = FitParts(r, until, out); fit != IcsRuleFit::held) return fit;
    if (r.byMonth.size() > 1) return IcsRuleFit::severalMonths;
    if (!r.wellFormed) return IcsRuleFit::notHeld;
    out.interval = static_cast<int>(r.interval);
    out.count = r.count;
    out.firstDayOfWeek = std::max(0, r.weekStart);
    return FitKind(r, start, out) ? IcsRuleFit::held : IcsRuleFit::notHeld;
}

}  // namespace vemra
