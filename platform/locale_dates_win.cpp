#include "platform/locale_dates.h"
#include "platform/local_time.h"

#include <windows.h>
#include <oleauto.h>

namespace vemra {

namespace {
bool ToSystemTime(long t, SYSTEMTIME& st) {
    LocalParts p;
    if (!BreakLocal(t, p)) return false;
    st = SYSTEMTIME{};
    st.wYear = static_cast<WORD>(p.year);
    st.wMonth = static_cast<WORD>(p.month);
    st.wDay = static_cast<WORD>(p.day);
    st.wDayOfWeek = static_cast<WORD>(p.weekday);
    st.wHour = static_cast<WORD>(p.hour);
    st.wMinute = static_cast<WORD>(p.minute);
    st.wSecond = static_cast<WORD>(p.second);
    return true;
}
}  // namespace

std::string DateText(long t) {
    SYSTEMTIME st;
    char buffer[100];
    if (!ToSystemTime(t, st) ||
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, sizeof buffer) == 0)
        return std::string();
    return buffer;
}

std::string TimeText(long t) {
    SYSTEMTIME st;
    char buffer[100];
    if (!ToSystemTime(t, st) ||
        GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buffer, sizeof buffer) == 0)
        return std::string();
    return buffer;
}

bool ParseDateTime(const std::string& text, DateTimeParts& parts) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    DATE date = 0;
    if (FAILED(VarDateFromStr(wide.data(), LANG_USER_DEFAULT, 0, &date))) return false;
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(date, &st)) return false;
    parts.year = st.wYear;
    parts.month = st.wMonth;
    parts.day = st.wDay;
    parts.hour = st.wHour;
    parts.minute = st.wMinute;
    parts.second = st.wSecond;
    return true;
}

}  // namespace vemra
