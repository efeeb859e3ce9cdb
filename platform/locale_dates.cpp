#include "platform/locale_dates.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/local_time.h"
#include "platform/reporter.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

namespace {

// Windows' default short date and time pictures for these locales, so that a file moves between
// a Windows and a Linux machine unchanged.
const LocalePictures kLocales[] = {
    {"en-US", "M/d/yyyy", "h:mm tt", true},
    {"en-GB", "dd/MM/yyyy", "HH:mm", false},
    {"de-DE", "dd.MM.yyyy", "HH:mm", false},
    {"fr-FR", "dd/MM/yyyy", "HH:mm", false},
    {"nl-NL", "d-M-yyyy", "HH:mm", false},
    {"it-IT", "dd/MM/yyyy", "HH:mm", false},
    {"es-ES", "dd/MM/yyyy", "H:mm", false},
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

bool ValidDay(int year, int month, int day) {
    // A two-digit year is taken in this century for the leap test (00 is a leap year).
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year < 100 ? 2000 + year : year, month);
}

// 0 no designator, 1 before noon, 2 after noon.
int Designator(const std::string& lower) {
    if (lower == "am" || lower == "a.m." || lower == "a") return 1;
    if (lower == "pm" || lower == "p.m." || lower == "p") return 2;
    return 0;
}

bool SplitFields(const std::string& word, char separator, std::vector<std::string>& fields) {
    fields = Split(word, separator);
    for (const std::string& f : fields)
        if (!IsDigits(f)) return false;
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

bool ParseDateWord(const std::string& word, bool monthFirst, bool yearFirst, int currentYear, DateTimeParts& parts) {
    std::size_t i = 0;
    while (i < word.size() && std::isdigit(static_cast<unsigned char>(word[i]))) ++i;
    if (i == 0 || i == word.size()) return false;
    const char separator = word[i];
    if (separator != '/' && separator != '.' && separator != '-') return false;
    std::vector<std::string> fields;
    if (!SplitFields(word, separator, fields)) return false;
    if (fields.size() != 2 && fields.size() != 3) return false;

    if (fields.size() == 3 && (fields[0].size() >= 3 || yearFirst)) {
        // Year first (ISO order, or the locale's).
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

namespace {
int g_cacheDepth = 0;
CLocaleTextCache::Memory g_cacheMemory;
}  // namespace

CLocaleTextCache::CLocaleTextCache() { ++g_cacheDepth; }

CLocaleTextCache::~CLocaleTextCache() {
    if (--g_cacheDepth == 0) g_cacheMemory = Memory();
}

CLocaleTextCache::Memory* CLocaleTextCache::Active() {
    if (g_cacheDepth == 0) return nullptr;
    // A file of ever new texts must not make the memory grow without bound.
    if (g_cacheMemory.parsed.size() > 10000) g_cacheMemory.parsed.clear();
    return &g_cacheMemory;
}

namespace {

bool IsPortableName(const char* name) {
    return !*name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0;
}

// Pictures built from the C library's data, kept for the whole run (handed out by reference).
struct DerivedPictures {
    std::string name, shortDate, time;
    LocalePictures pictures{};
};

// Where the fields of a date picture stand: month before day, year before both.
void DateOrder(const std::string& picture, bool& monthFirst, bool& yearFirst) {
    const std::size_t d = picture.find('d'), m = picture.find('M'), y = picture.find('y');
    monthFirst = m < d;
    yearFirst = y < d && y < m;
}

const LocalePictures* FromSystem(const char* name, const std::string& language, const std::string& territory) {
    static std::map<std::string, std::unique_ptr<DerivedPictures>> derived;
    const auto known = derived.find(name);
    if (known != derived.end()) return known->second ? &known->second->pictures : nullptr;
    std::unique_ptr<DerivedPictures>& entry = derived[name];

    std::string dateFormat, timeFormat;
    // Text in memory is UTF-8 here: prefer the locale's UTF-8 form when it is installed.
    const std::string utf8Name = language + (territory.empty() ? "" : "_" + territory) + ".UTF-8";
    if (!SystemLocaleFormats(utf8Name, dateFormat, timeFormat) && !SystemLocaleFormats(name, dateFormat, timeFormat)) {
        ReportPlatformProblem(FormatText(LoadResString(IDS_LOCALE_NOT_INSTALLED).c_str(), name));
        return nullptr;
    }
    entry = std::make_unique<DerivedPictures>();
    entry->name = language + (territory.empty() ? "" : "-" + territory);
    // No white space inside a date: a space separates the dates of an exceptions cell.
    entry->shortDate = PictureFromStrftime(dateFormat, false);
    std::erase_if(entry->shortDate, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
    entry->time = PictureFromStrftime(timeFormat, true);
    // Month or day names cannot be read back by number: such a locale gets the unambiguous forms.
    if (entry->shortDate.empty() || entry->shortDate.find('y') == std::string::npos ||
        entry->shortDate.find('M') == std::string::npos || entry->shortDate.find('d') == std::string::npos)
        entry->shortDate = "yyyy-MM-dd";
    if (entry->time.empty() || entry->time.find('m') == std::string::npos ||
        entry->time.find_first_of("hH") == std::string::npos)
        entry->time = "HH:mm";
    LocalePictures& p = entry->pictures;
    p.name = entry->name.c_str();
    p.shortDate = entry->shortDate.c_str();
    p.time = entry->time.c_str();
    DateOrder(entry->shortDate, p.monthFirst, p.yearFirst);
    return &p;
}

}  // namespace

const LocalePictures& CurrentLocalePictures() {
    // Looked up again only when the environment names another locale.
    static std::string lastName = "\x01";
    static const LocalePictures* last = nullptr;
    const char* name = LocaleNameFromEnvironment();
    if (last && lastName == name) return *last;
    lastName = name;
    last = &kLocales[0];
    if (IsPortableName(name)) return *last;
    std::string language, territory;
    SplitLocaleName(name, language, territory);
    const LocalePictures* sameLanguage = nullptr;
    for (const LocalePictures& l : kLocales) {
        if (language.size() != 2 || std::strncmp(l.name, language.c_str(), 2) != 0) continue;
        if (territory == l.name + 3) return *(last = &l);
        if (!sameLanguage) sameLanguage = &l;
    }
    // A language alone takes our pictures of it; any other locale its own data.
    if (sameLanguage && territory.empty()) return *(last = sameLanguage);
    if (const LocalePictures* system = FromSystem(name, language, territory)) last = system;
    return *last;
}

std::string PictureFromStrftime(const std::string& format, bool withoutSeconds) {
    // Tokens: a field's picture letters, or literal text.
    struct Token {
        bool field;
        std::string text;
    };
    std::vector<Token> tokens;
    auto literal = [&](const std::string& text) {
        if (!tokens.empty() && !tokens.back().field) tokens.back().text += text;
        else tokens.push_back({false, text});
    };
    auto field = [&](const char* letters) { tokens.push_back({true, letters}); };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            literal(std::string(1, format[i]));
            continue;
        }
        if (++i >= format.size()) return std::string();
        bool unpadded = false;
        while (i < format.size() && std::strchr("-_0^#", format[i])) unpadded |= format[i++] != '0';
        while (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;   // alternative digits
        if (i >= format.size()) return std::string();
        switch (format[i]) {
        case 'd': field(unpadded ? "d" : "dd"); break;
        case 'e': field("d"); break;
        case 'm': field(unpadded ? "M" : "MM"); break;
        case 'Y': field("yyyy"); break;
        case 'y': field("yy"); break;
        case 'D': field("MM"); literal("/"); field("dd"); literal("/"); field("yy"); break;
        case 'F': field("yyyy"); literal("-"); field("MM"); literal("-"); field("dd"); break;
        case 'H': field(unpadded ? "H" : "HH"); break;
        case 'k': field("H"); break;
        case 'I': field(unpadded ? "h" : "hh"); break;
        case 'l': field("h"); break;
        case 'M': field("mm"); break;
        case 'S': field("ss"); break;
        case 'p': case 'P': field("tt"); break;
        case 'T': field("HH"); literal(":"); field("mm"); literal(":"); field("ss"); break;
        case 'R': field("HH"); literal(":"); field("mm"); break;
        case 'r': field("hh"); literal(":"); field("mm"); literal(":"); field("ss"); literal(" "); field("tt"); break;
        case 'n': case 't': literal(" "); break;
        case '%': literal("%"); break;
        default: return std::string();   // names of months or days, week numbers, ...
        }
    }
    if (withoutSeconds) {
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            if (!tokens[i].field || tokens[i].text != "ss") continue;
            const bool separatorBefore = i > 0 && !tokens[i - 1].field &&
                tokens[i - 1].text.find_first_not_of(":.,") == std::string::npos;
            if (separatorBefore) {   // "HH:mm:ss": the separator goes with the seconds
                tokens.erase(tokens.begin() + static_cast<long>(i) - 1, tokens.begin() + static_cast<long>(i) + 1);
            } else {                 // "HH時mm分ss秒": the unit after them does
                const bool unitAfter = i + 1 < tokens.size() && !tokens[i + 1].field;
                tokens.erase(tokens.begin() + static_cast<long>(i), tokens.begin() + static_cast<long>(i) + (unitAfter ? 2 : 1));
            }
            break;
        }
    }
    std::string picture;
    for (const Token& t : tokens) {
        if (t.field) {
            picture += t.text;
            continue;
        }
        if (t.text.find('\'') != std::string::npos) return std::string();
        bool letters = false;
        for (char c : t.text) letters |= std::isalpha(static_cast<unsigned char>(c)) != 0;
        picture += letters ? "'" + t.text + "'" : t.text;
    }
    return std::string(Trim(picture));
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

namespace {

bool ParseCommonForms(const std::string& text, bool monthFirst, bool yearFirst, int currentYear, DateTimeParts& parts) {
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
            if (!ParseDateWord(w, monthFirst, yearFirst, currentYear, result)) return false;
            hasDate = true;
        }
    }
    if (designator == 2 && result.hour < 12) result.hour += 12;
    if (designator == 1 && result.hour == 12) result.hour = 0;
    parts = result;
    return true;
}

// Matches text from pos against a picture exactly: numbers for its fields (one or two digits,
// up to four for a year), its literal text as written, any run of white space for a space.
bool MatchPicture(const std::string& text, std::size_t& pos, const char* picture, DateTimeParts& parts,
                  int& designator) {
    for (const char* p = picture; *p;) {
        const char c = *p;
        if (c == '\'') {
            ++p;
            while (*p && *p != '\'') {
                if (pos >= text.size() || text[pos] != *p) return false;
                ++pos, ++p;
            }
            if (*p) ++p;
            continue;
        }
        int n = 0;
        while (p[n] == c) ++n;
        p += n;
        if (std::strchr("dMyhHms", c)) {
            const std::size_t most = c == 'y' ? 4 : 2, start = pos;
            int value = 0;
            while (pos < text.size() && pos - start < most && std::isdigit(static_cast<unsigned char>(text[pos])))
                value = value * 10 + (text[pos++] - '0');
            if (pos == start) return false;
            switch (c) {
            case 'd': parts.day = value; break;
            case 'M': parts.month = value; break;
            case 'y': parts.year = value; break;
            case 'h': case 'H': parts.hour = value; break;
            case 'm': parts.minute = value; break;
            default: parts.second = value; break;
            }
        } else if (c == 't') {
            std::size_t end = pos;
            while (end < text.size() && (std::isalpha(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
            designator = Designator(ToLowerAscii(text.substr(pos, end - pos)));
            if (!designator) return false;
            pos = end;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            if (pos >= text.size() || !std::isspace(static_cast<unsigned char>(text[pos]))) return false;
            while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        } else {
            for (int i = 0; i < n; ++i, ++pos)
                if (pos >= text.size() || text[pos] != c) return false;
        }
    }
    return true;
}

bool ParsePictureForms(const std::string& text, const LocalePictures& pictures, DateTimeParts& parts) {
    const std::string trimmed(Trim(text));
    for (int form = 0; form < 3; ++form) {
        DateTimeParts result;
        int designator = 0;
        std::size_t pos = 0;
        const bool hasDate = form != 1, hasTime = form != 0;
        if (hasDate && !MatchPicture(trimmed, pos, pictures.shortDate, result, designator)) continue;
        if (form == 2) {
            if (pos >= trimmed.size() || !std::isspace(static_cast<unsigned char>(trimmed[pos]))) continue;
            while (std::isspace(static_cast<unsigned char>(trimmed[pos]))) ++pos;
        }
        if (hasTime && !MatchPicture(trimmed, pos, pictures.time, result, designator)) continue;
        if (pos != trimmed.size()) continue;
        if (hasDate && !ValidDay(result.year, result.month, result.day)) continue;
        if (designator && (result.hour < 1 || result.hour > 12)) continue;
        if (result.hour > 23 || result.minute > 59 || result.second > 59) continue;
        if (designator == 2 && result.hour < 12) result.hour += 12;
        if (designator == 1 && result.hour == 12) result.hour = 0;
        parts = result;
        return true;
    }
    return false;
}

}  // namespace

bool ParseDateTimeWithOrder(const std::string& text, bool monthFirst, int currentYear, DateTimeParts& parts) {
    return ParseCommonForms(text, monthFirst, false, currentYear, parts);
}

bool ParseDateTimeFor(const std::string& text, const LocalePictures& pictures, int currentYear,
                      DateTimeParts& parts) {
    // The locale's own forms first: "09.15" is a time where times are written so, not 15 September.
    return ParsePictureForms(text, pictures, parts) ||
           ParseCommonForms(text, pictures.monthFirst, pictures.yearFirst, currentYear, parts);
}

}  // namespace vemra
