#include "platform/locale_dates.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vemra {

namespace {

// The pictures as Wine 8 gives them for these locales, so that both builds write the same texts.
const LocalePictures kLocales[] = {
    {"en-US", "M/d/yyyy", "h:mm tt", true},
    {"en-GB", "dd/MM/yyyy", "HH:mm", false},
    {"de-DE", "d.M.yyyy", "HH:mm", false},
    {"fr-FR", "dd/MM/yyyy", "HH:mm", false},
    {"nl-NL", "d-M-yyyy", "HH:mm", false},
    {"it-IT", "d/M/yyyy", "HH:mm", false},
    {"es-ES", "d/M/yyyy", "H:mm", false},
};

// "de_DE.UTF-8@euro" -> language "de", territory "DE".
void SplitLocaleName(const char* name, std::string& language, std::string& territory) {
    language.clear();
    territory.clear();
    const char* p = name;
    while (*p && std::isalpha(static_cast<unsigned char>(*p))) language += static_cast<char>(std::tolower(*p++));
    if (*p == '_' || *p == '-') {
        ++p;
        while (*p && std::isalpha(static_cast<unsigned char>(*p))) territory += static_cast<char>(std::toupper(*p++));
    }
}

const char* LocaleNameFromEnvironment() {
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return value;
    }
    return "";
}

// Decimal digits of a non-negative value, at least width of them.
void AppendNumber(std::string& out, int value, int width) {
    char digits[12];
    int n = 0;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && n < 11);
    while (n < width && n < 11) digits[n++] = '0';
    while (n > 0) out += digits[--n];
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month != 2) return days[month - 1];
    // A two-digit year is taken in this century for the leap test (00 is a leap year).
    const int y = year < 100 ? 2000 + year : year;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return leap ? 29 : 28;
}

bool ValidDay(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// 0 no designator, 1 before noon, 2 after noon.
int Designator(const std::string& lower) {
    if (lower == "am" || lower == "a.m." || lower == "a") return 1;
    if (lower == "pm" || lower == "p.m." || lower == "p") return 2;
    return 0;
}

bool SplitFields(const std::string& word, char separator, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    for (char c : word) {
        if (c == separator) {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    for (const std::string& f : fields)
        if (!AllDigits(f)) return false;
    return true;
}

bool ParseTimeWord(const std::string& word, int& hour, int& minute, int& second, int& designator) {
    // A designator may be glued to the time ("2:30PM").
    std::size_t end = word.size();
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(word[end - 1]))) --end;
    if (end < word.size()) {
        designator = Designator(word.substr(end));
        if (designator == 0) return false;
    }
    std::vector<std::string> fields;
    if (!SplitFields(word.substr(0, end), ':', fields)) return false;
    if (fields.size() < 2 || fields.size() > 3) return false;
    for (const std::string& f : fields)
        if (f.size() > 2) return false;
    hour = std::atoi(fields[0].c_str());
    minute = std::atoi(fields[1].c_str());
    second = fields.size() == 3 ? std::atoi(fields[2].c_str()) : 0;
    return hour <= 23 && minute <= 59 && second <= 59;
}

bool ParseDateWord(const std::string& word, bool monthFirst, int currentYear, DateTimeParts& parts) {
    std::size_t i = 0;
    while (i < word.size() && std::isdigit(static_cast<unsigned char>(word[i]))) ++i;
    if (i == 0 || i == word.size()) return false;
    const char separator = word[i];
    if (separator != '/' && separator != '.' && separator != '-') return false;
    std::vector<std::string> fields;
    if (!SplitFields(word, separator, fields)) return false;
    if (fields.size() != 2 && fields.size() != 3) return false;

    if (fields.size() == 3 && fields[0].size() >= 3) {
        // Year first (ISO order).
        if (fields[0].size() > 4 || fields[1].size() > 2 || fields[2].size() > 2) return false;
        parts.year = std::atoi(fields[0].c_str());
        parts.month = std::atoi(fields[1].c_str());
        parts.day = std::atoi(fields[2].c_str());
        return ValidDay(parts.year, parts.month, parts.day);
    }
    if (fields[0].size() > 2 || fields[1].size() > 2) return false;
    int year = currentYear;
    if (fields.size() == 3) {
        if (fields[2].size() > 4) return false;
        year = std::atoi(fields[2].c_str());
    }
    const int a = std::atoi(fields[0].c_str());
    const int b = std::atoi(fields[1].c_str());
    int month = monthFirst ? a : b;
    int day = monthFirst ? b : a;
    // Like the system parser: when the locale's order gives no valid date, the other one may.
    if (!ValidDay(year, month, day) && ValidDay(year, day, month)) std::swap(month, day);
    if (!ValidDay(year, month, day)) return false;
    parts.year = year;
    parts.month = month;
    parts.day = day;
    return true;
}

}  // namespace

const LocalePictures& CurrentLocalePictures() {
    // Looked up again only when the environment names another locale.
    static std::string lastName = "\x01";
    static const LocalePictures* last = nullptr;
    const char* name = LocaleNameFromEnvironment();
    if (last && lastName == name) return *last;
    lastName = name;
    std::string language, territory;
    SplitLocaleName(name, language, territory);
    const LocalePictures* sameLanguage = nullptr;
    for (const LocalePictures& l : kLocales) {
        if (language.size() != 2 || std::strncmp(l.name, language.c_str(), 2) != 0) continue;
        if (territory == l.name + 3) {
            sameLanguage = &l;
            break;
        }
        if (!sameLanguage) sameLanguage = &l;
    }
    last = sameLanguage ? sameLanguage : &kLocales[0];
    return *last;
}

std::string FormatPicture(const char* picture, int year, int month, int day, int hour, int minute,
                          int second) {
    std::string out;
    const char* p = picture;
    while (*p) {
        const char c = *p;
        if (c == '\'') {
            ++p;
            while (*p && *p != '\'') out += *p++;
            if (*p) ++p;
            continue;
        }
        int n = 0;
        while (p[n] == c) ++n;
        switch (c) {
        case 'd': AppendNumber(out, day, n >= 2 ? 2 : 1); break;
        case 'M': AppendNumber(out, month, n >= 2 ? 2 : 1); break;
        case 'y':
            if (n <= 2) AppendNumber(out, year % 100, 2);
            else AppendNumber(out, year, 4);
            break;
        case 'h': AppendNumber(out, hour % 12 == 0 ? 12 : hour % 12, n >= 2 ? 2 : 1); break;
        case 'H': AppendNumber(out, hour, n >= 2 ? 2 : 1); break;
        case 'm': AppendNumber(out, minute, n >= 2 ? 2 : 1); break;
        case 's': AppendNumber(out, second, n >= 2 ? 2 : 1); break;
        case 't':
            out += hour < 12 ? "AM" : "PM";
            if (n == 1) out.resize(out.size() - 1);
            break;
        default: out.append(static_cast<std::size_t>(n), c); break;
        }
        p += n;
    }
    return out;
}

bool ParseDateTimeWithOrder(const std::string& text, bool monthFirst, int currentYear, DateTimeParts& parts) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    if (words.empty()) return false;

    DateTimeParts result;
    bool hasDate = false, hasTime = false;
    int designator = 0;
    for (const std::string& w : words) {
        std::string lower;
        for (char c : w) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (const int d = Designator(lower)) {
            if (!hasTime || designator) return false;
            designator = d;
        } else if (w.find(':') != std::string::npos) {
            if (hasTime) return false;
            if (!ParseTimeWord(lower, result.hour, result.minute, result.second, designator)) return false;
            hasTime = true;
        } else {
            if (hasDate || hasTime) return false;
            if (!ParseDateWord(w, monthFirst, currentYear, result)) return false;
            hasDate = true;
        }
    }
    if (designator == 2 && result.hour < 12) result.hour += 12;
    if (designator == 1 && result.hour == 12) result.hour = 0;
    parts = result;
    return true;
}

}  // namespace vemra
