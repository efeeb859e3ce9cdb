#pragma once
// Switching the locale that the date texts follow, for tests. Natively the texts follow LC_ALL at
// every call; on Windows the user-default locale is fixed when the process starts, so there a
// test can only check the locale it was started with (CTest starts it once per locale).

#include <cstdlib>
#include <string>

namespace vemra::test {

#ifdef _WIN32
constexpr bool kLocaleSwitchable = false;
inline void SetVariable(const char*, const char*) {}
inline std::string GetLocaleVariable() {
    const char* v = std::getenv("LC_ALL");
    return v ? v : "";
}
#else
constexpr bool kLocaleSwitchable = true;
inline void SetVariable(const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
}
inline std::string GetLocaleVariable() {
    const char* v = std::getenv("LC_ALL");
    return v ? v : "";
}
#endif

inline void SetLocaleVariable(const char* value) { SetVariable("LC_ALL", value); }

// Sets LC_ALL for one scope (natively) and puts the old value back.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* value) : m_old(std::getenv("LC_ALL") ? std::getenv("LC_ALL") : ""), m_had(std::getenv("LC_ALL") != nullptr) {
        SetLocaleVariable(value);
    }
    ~ScopedLocale() { SetLocaleVariable(m_had ? m_old.c_str() : nullptr); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::string m_old;
    bool m_had;
};

}  // namespace vemra::test
