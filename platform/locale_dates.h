#pragma once
// The user's short date and hour:minute texts, and the parser that reads dates and times back.
// Windows: the locale services of the system for the user-default locale. Elsewhere: Windows
// style pictures for the locale named by LC_ALL / LC_TIME / LANG (en-US when none), read at
// every call so that a changed environment takes effect at once.

#include <string>
#include <unordered_map>

namespace vemra {

// What the parser found. A text without a date part gives 1899-12-30 (day zero of the
// automation date), one without a time part 00:00:00. The year is the year as the text gives
// it: a two-digit year may come back below 100; callers apply their own year window.
struct DateTimeParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Short date of the local day of t; empty when t cannot be converted.
std::string DateText(long t);

// Hour and minute of t in local time, without seconds; empty when t cannot be converted.
std::string TimeText(long t);

// Parses a date, a time, or a date followed by a time, in the user's locale. False when the
// text is not a date or time. Leading and trailing white space is allowed.
bool ParseDateTime(const std::string& text, DateTimeParts& parts);

// While one lives, the texts of each day and minute and what each text parses to are kept, so
// that an operation asks the system's locale services once per distinct value rather than once
// per cell (under Wine each such call is slow). Meant for one operation: the user may change the
// locale's settings between operations. Nested ones share the outermost one's memory.
class CLocaleTextCache {
public:
    CLocaleTextCache();
    ~CLocaleTextCache();
    CLocaleTextCache(const CLocaleTextCache&) = delete;
    CLocaleTextCache& operator=(const CLocaleTextCache&) = delete;

    // The memory of the outermost living cache, or null (for the platform implementations).
    struct Memory {
        std::unordered_map<int, std::string> dates;   // year * 10000 + month * 100 + day
        std::unordered_map<int, std::string> times;   // hour * 60 + minute
        std::unordered_map<std::string, std::pair<bool, DateTimeParts>> parsed;
    };
    static Memory* Active();
};

// The native pictures (exposed for tests and the native implementation).
struct LocalePictures {
    const char* name;        // e.g. "en-US"
    const char* shortDate;   // e.g. "M/d/yyyy"
    const char* time;        // e.g. "h:mm tt"
    bool monthFirst;         // day order of a date without a year first
    bool yearFirst = false;  // the year comes before month and day
};

// The pictures of the locale named by the environment now: our own for the locales whose
// texts both builds must write alike, else built from the C library's data for that locale;
// en-US for C and POSIX, and for a locale that is not installed (said once per name).
const LocalePictures& CurrentLocalePictures();

// A C library date or time format (strftime conversions, as nl_langinfo gives them) as a
// picture; withoutSeconds drops the seconds with their separator or unit. Empty when the
// format uses what a picture cannot say (names of months or days).
std::string PictureFromStrftime(const std::string& format, bool withoutSeconds);

// The C library's short date and time formats of the named locale; false when it is not
// installed (locale_dates_posix.cpp; the Windows build has none).
bool SystemLocaleFormats(const std::string& name, std::string& dateFormat, std::string& timeFormat);

// The native parser for a locale: exactly the forms of its pictures first (date, time, date and
// time), then the common forms (as ParseDateTimeWithOrder, with the locale's order).
bool ParseDateTimeFor(const std::string& text, const LocalePictures& pictures, int currentYear,
                      DateTimeParts& parts);

// Formats the picture letters d, dd, M, MM, yy, yyyy, h, hh, H, HH, m, mm, s, ss, tt ('AM'/'PM');
// any other character is copied. Text in single quotes is copied literally.
std::string FormatPicture(const char* picture, int year, int month, int day, int hour, int minute,
                          int second);

// The native parser, for the given date order (month before day, or day before month).
bool ParseDateTimeWithOrder(const std::string& text, bool monthFirst, int currentYear, DateTimeParts& parts);

}  // namespace vemra
