#include "platform/locale_dates.h"
#include "platform/local_time.h"

namespace vemra {

std::string DateText(long t) {
    LocalParts p;
    if (!BreakLocal(t, p)) return std::string();
    return FormatPicture(CurrentLocalePictures().shortDate, p.year, p.month, p.day, p.hour, p.minute, p.second);
}

std::string TimeText(long t) {
    LocalParts p;
    if (!BreakLocal(t, p)) return std::string();
    return FormatPicture(CurrentLocalePictures().time, p.year, p.month, p.day, p.hour, p.minute, p.second);
}

namespace {
// The current year, for dates written without one; converted once per second at most.
int CurrentYear() {
    static long second = -1;
    static int year = 1970;
    const long now = Now();
    if (now != second) {
        LocalParts p;
        if (BreakLocal(now, p)) year = p.year;
        second = now;
    }
    return year;
}
}  // namespace

bool ParseDateTime(const std::string& text, DateTimeParts& parts) {
    return ParseDateTimeWithOrder(text, CurrentLocalePictures().monthFirst, CurrentYear(), parts);
}

}  // namespace vemra
