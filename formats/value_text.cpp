#include "formats/value_text.h"

#include <cctype>
#include <cstdint>

#include "palm/datebook_repeat.h"
#include "platform/local_time.h"
#include "platform/locale_dates.h"
#include "platform/text.h"

namespace vemra {

std::string EscapeCell(std::string_view value, int removeLineBreaks, std::string_view quote) {
    const bool hasQuote = quote.size() == 1;
    const char q = hasQuote ? quote[0] : 0;
    std::string out;
    out.reserve(value.size() + 8);
    for (char c : value) {
        if (hasQuote && c == q) {
            out += c;
            out += c;
        } else if (c == '\n') {
            out += removeLineBreaks ? ' ' : '\n';
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

std::string ExpandLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        // A line break that comes as CR LF already (spreadsheet cells) stays one.
        if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
        out += c;
    }
    return out;
}

std::string NextExceptionToken(std::string& list, const std::string& separator) {
    std::string token;
    if (list.empty()) return token;
    std::size_t i = 0;
    if (list[0] == '"') ++i;
    for (; i < list.size(); ++i) {
        if (!separator.empty() && list[i] == separator[0]) {
            ++i;
            break;
        }
        token += list[i];
    }
    list.erase(0, i);
    return token;
}

bool CorrectYear(int& year) {
    if (year < 100) year += 1900;
    if (year < kDatebookFirstYear) year += 100;
    // Below 1970 even after the step: the datebook cannot hold it (the time would be negative).
    return IsDatebookYear(year);
}

namespace {

// Whether the text spells year out in four digits: such a year means itself, the two-digit
// window does not move it ("12/21/1899" is no date of 1999).
bool SpellsFourDigitYear(const std::string& text, int year) {
    const std::string digits = std::to_string(year);
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        if (end - i == 4 && text.compare(i, 4, digits) == 0) return true;
        i = end == i ? i + 1 : end;
    }
    return false;
}

}  // namespace

int DateFromText(const std::string& text, long& t) {
    DateTimeParts parts;
    if (!ParseDateTime(text, parts)) return -1;
    // A time alone parses as day zero of the automation calendar; it names no date.
    if (parts.year == 1899 && parts.month == 12 && parts.day == 30) return -1;
    int year = parts.year;
    if (SpellsFourDigitYear(text, year) ? !IsDatebookYear(year) : !CorrectYear(year)) return -1;
    const long value = MakeLocal(year, parts.month, parts.day);
    if (value < 0) return -1;
    t = value;
    return 0;
}

int DateCellValue(const std::string& cell, long& t) {
    const std::string text = Trim(cell);
    if (text.empty()) return -2;
    return DateFromText(text, t);
}

namespace {
// Today's local date; converted once per second at most, as imports read many time cells.
bool Today(LocalParts& today) {
    static long second = -1;
    static LocalParts cached;
    const long now = Now();
    if (now != second) {
        if (!BreakLocal(now, cached)) return false;
        second = now;
    }
    today = cached;
    return true;
}
}  // namespace

int TimeCellValue(const std::string& cell, long& t) {
    const std::string text = Trim(cell);
    if (text.empty()) return -2;
    DateTimeParts parts;
    if (!ParseDateTime(text, parts)) return -1;
    LocalParts today;
    if (!Today(today)) return -1;
    const long value = MakeLocal(today.year, today.month, today.day, parts.hour, parts.minute, 0);
    if (value < 0) return -1;
    t = value;
    return 0;
}

long IntCellValue(const std::string& cell) {
    std::size_t i = 0;
    while (i < cell.size() && std::isspace(static_cast<unsigned char>(cell[i]))) ++i;
    bool negative = false;
    if (i < cell.size() && (cell[i] == '+' || cell[i] == '-')) negative = cell[i++] == '-';
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
    for (; i < cell.size() && std::isdigit(static_cast<unsigned char>(cell[i])); ++i) {
        value = value * 10 + (cell[i] - '0');
        if (value > limit) value = limit;
    }
    return static_cast<long>(negative ? -value : value);
}

}  // namespace vemra
