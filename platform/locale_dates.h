#pragma once
// The user's short date and hour:minute texts, and the parser that reads dates and times back.
// Windows: the locale services of the system for the user-default locale. Elsewhere: Windows
// style pictures for the locale named by LC_ALL / LC_TIME / LANG (en-US when none), read at
// every call so that a changed environment takes effect at once.

#include <string>

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

// The native pictures (exposed for tests and the native implementation).
struct LocalePictures {
    const char* name;        // e.g. "en-US"
    const char* shortDate;   // e.g. "M/d/yyyy"
    const char* time;        // e.g. "h:mm tt"
    bool monthFirst;         // day order of a date without a year first
};

// The pictures of the locale named by the environment now (en-US for C, POSIX and unknown names).
const LocalePictures& CurrentLocalePictures();

// Formats the picture letters d, dd, M, MM, yy, yyyy, h, hh, H, HH, m, mm, s, ss, tt ('AM'/'PM');
// any other character is copied. Text in single quotes is copied literally.
std::string FormatPicture(const char* picture, int year, int month, int day, int hour, int minute,
                          int second);

// The native parser, for the given date order (month before day, or day before month).
bool ParseDateTimeWithOrder(const std::string& text, bool monthFirst, int currentYear, DateTimeParts& parts);

}  // namespace vemra
