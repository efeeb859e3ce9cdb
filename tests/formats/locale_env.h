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
#else
constexpr bool kLocaleSwitchable = true;
// A null value removes the variable; an empty one stays set, empty.
inline void SetVariable(const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
}
#endif

inline std::string GetLocaleVariable() {
    const char* v = std::getenv("LC_ALL");
    return v ? v : "";
}

// Sets LC_ALL for one scope (natively) and puts the old value back.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* value) : m_old(GetLocaleVariable()), m_had(std::getenv("LC_ALL") != nullptr) {
        SetVariable("LC_ALL", value);
    }
    ~ScopedLocale() { SetVariable("LC_ALL", m_had ? m_old.c_str() : nullptr); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::string m_old;
    bool m_had;
};

}  // namespace vemra::test
