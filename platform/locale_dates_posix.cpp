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

bool ParseDateTime(const std::string& text, DateTimeParts& parts) {
    LocalParts now;
    BreakLocal(Now(), now);
    return ParseDateTimeWithOrder(text, CurrentLocalePictures().monthFirst, now.year, parts);
}

}  // namespace vemra
