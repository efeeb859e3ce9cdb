#include "formats/icalendar.h"
#include "platform/local_time.h"

namespace vemra {

namespace {

std::string Digits(long long n, int width) {
    std::string s = std::to_string(n < 0 ? -n : n);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return s;
}
std::string DateText(const IcsDate& d) { return Digits(d.year, 4) + Digits(d.month, 2) + Digits(d.day, 2); }
std::string DateTimeText(const IcsDate& d, int minute, int second = 0) {
    return DateText(d) + "T" + Digits(minute / 60, 2) + Digits(minute % 60, 2) + Digits(second, 2);
}
IcsDate NextDay(const IcsDate& d) {
    IcsDate next;
    CivilFromDays(DaysFromCivil(d.year, d.month, d.day) + 1, next.year, next.month, next.day);
    return next;
}

// The RRULE line of a datebook repeat.
std::string RuleText(const IcsEvent& e) {
    const IcsRule& r = e.rule;
    static const char* const kFreq[] = {"", "DAILY", "WEEKLY", "MONTHLY", "MONTHLY", "YEARLY"};
    std::string rule = std::string("RRULE:FREQ=") + kFreq[r.kind];
    if (r.interval > 1) rule += ";INTERVAL=" + std::to_string(r.interval);
    // Until the end of the last day, in the form of the start.
    if (r.hasEnd) rule += ";UNTIL=" + (e.allDay ? DateText(r.end) : DateTimeText(r.end, 23 * 60 + 59, 59));
    switch (r.kind) {
    case IcsRule::weekly: {
        std::string days;
        for (int d = 0; d < 7; ++d)
            if (r.weekDays & (1u << d)) days += std::string(days.empty() ? "" : ",") + IcsDayCode(d);
        rule += ";BYDAY=" + days + ";WKST=" + IcsDayCode(r.firstDayOfWeek);
        break;
    }
    case IcsRule::monthlyByWeekday: rule += ";BYDAY=" + std::to_string(r.weekOfMonth) + IcsDayCode(r.weekday); break;
    case IcsRule::monthlyByDate: rule += ";BYMONTHDAY=" + std::to_string(r.monthDay); break;
    case IcsRule::yearly:
        rule += ";BYMONTH=" + std::to_string(r.month) + ";BYMONTHDAY=" + std::to_string(r.monthDay);
        break;
    default: break;
    }
    return rule;
}

}  // namespace

std::string IcsEscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ';': out += "\\;"; break;
        case ',': out += "\\,"; break;
        case '\n': out += "\\n"; break;
        case '\r': break;
        default: out += c;
        }
    }
    return out;
}

std::string IcsFoldLine(std::string_view line) {
    std::string out;
    std::size_t width = 0;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t len = 1;
        while (i + len < line.size() && (static_cast<unsigned char>(line[i + len]) & 0xC0) == 0x80) ++len;
        if (width + len > 75) {
            out += "\r\n ";
            width = 1;
        }
        out.append(line.substr(i, len));
        width += len;
        i += len;
    }
    out += "\r\n";
    return out;
}

std::string IcsCalendarBegin() {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quelbarsk//VEMRA//EN\r\nCALSCALE:GREGORIAN\r\n";
}

std::string IcsCalendarEnd() { return "END:VCALENDAR\r\n"; }

std::string IcsEventText(const IcsEvent& e, const std::string& dtstamp) {
    std::string out = "BEGIN:VEVENT\r\n";
    auto line = [&out](const std::string& text) { out += IcsFoldLine(text); };
    line("UID:" + e.uid);
    line("DTSTAMP:" + dtstamp);
    if (e.allDay) {
        line("DTSTART;VALUE=DATE:" + DateText(e.start));
        line("DTEND;VALUE=DATE:" + DateText(NextDay(e.end)));
    } else {
        line("DTSTART:" + DateTimeText(e.start, e.startMinute));
        line("DTEND:" + DateTimeText(e.end, e.endMinute));
    }
    line("SUMMARY:" + IcsEscapeText(e.summary));
    if (!e.description.empty()) line("DESCRIPTION:" + IcsEscapeText(e.description));
    if (!e.location.empty()) line("LOCATION:" + IcsEscapeText(e.location));
    if (!e.url.empty()) line("URL:" + e.url);
    if (e.isPrivate) line("CLASS:PRIVATE");
    if (e.rule.kind != IcsRule::none) {
        line(RuleText(e));
        if (!e.exceptions.empty()) {
            std::string ex = e.allDay ? "EXDATE;VALUE=DATE:" : "EXDATE:";
            for (std::size_t i = 0; i < e.exceptions.size(); ++i) {
                if (i) ex += ',';
                ex += e.allDay ? DateText(e.exceptions[i]) : DateTimeText(e.exceptions[i], e.startMinute);
            }
            line(ex);
        }
    }
    if (e.alarm) {
        static const char* const kUnit[] = {"M", "H", "D"};
        const int unit = e.alarmUnit >= 0 && e.alarmUnit <= 2 ? e.alarmUnit : 0;
        out += "BEGIN:VALARM\r\nACTION:DISPLAY\r\n";
        line("DESCRIPTION:" + IcsEscapeText(e.summary));
        line(std::string("TRIGGER:-P") + (unit == 2 ? "" : "T") + std::to_string(e.alarmAdvance) + kUnit[unit]);
        out += "END:VALARM\r\n";
    }
    out += "END:VEVENT\r\n";
    return out;
}

}  // namespace vemra
