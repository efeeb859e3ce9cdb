#include "platform/locale_dates.h"
#include "platform/local_time.h"

#include <langinfo.h>
#include <locale.h>

namespace vemra {

bool SystemLocaleFormats(const std::string& name, std::string& dateFormat, std::string& timeFormat) {
    const locale_t locale = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (!locale) return false;
    dateFormat = nl_langinfo_l(D_FMT, locale);
    timeFormat = nl_langinfo_l(T_FMT, locale);
    freelocale(locale);
    return true;
}

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
    return ParseDateTimeFor(text, CurrentLocalePictures(), CurrentYear(), parts);
}

}  // namespace vemra
