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

// The system formats and parses for itself; the native pictures are only for tests here.
bool SystemLocaleFormats(const std::string&, std::string&, std::string&) { return false; }

std::string DateText(long t) {
    SYSTEMTIME st;
    if (!ToSystemTime(t, st)) return std::string();
    CLocaleTextCache::Memory* memory = CLocaleTextCache::Active();
    const int key = st.wYear * 10000 + st.wMonth * 100 + st.wDay;
    if (memory) {
        const auto found = memory->dates.find(key);
        if (found != memory->dates.end()) return found->second;
    }
    char buffer[100];
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, sizeof buffer) == 0)
        return std::string();
    if (memory) memory->dates.emplace(key, buffer);
    return buffer;
}

std::string TimeText(long t) {
    SYSTEMTIME st;
    if (!ToSystemTime(t, st)) return std::string();
    CLocaleTextCache::Memory* memory = CLocaleTextCache::Active();
    const int key = st.wHour * 60 + st.wMinute;
    if (memory) {
        const auto found = memory->times.find(key);
        if (found != memory->times.end()) return found->second;
    }
    char buffer[100];
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buffer, sizeof buffer) == 0)
        return std::string();
    if (memory) memory->times.emplace(key, buffer);
    return buffer;
}

namespace {
bool ParseWithSystem(const std::string& text, DateTimeParts& parts) {
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
}  // namespace

bool ParseDateTime(const std::string& text, DateTimeParts& parts) {
    CLocaleTextCache::Memory* memory = CLocaleTextCache::Active();
    if (!memory) return ParseWithSystem(text, parts);
    const auto found = memory->parsed.find(text);
    if (found != memory->parsed.end()) {
        if (found->second.first) parts = found->second.second;
        return found->second.first;
    }
    DateTimeParts result;
    const bool ok = ParseWithSystem(text, result);
    memory->parsed.emplace(text, std::make_pair(ok, result));
    if (ok) parts = result;
    return ok;
}

}  // namespace vemra
