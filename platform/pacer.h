#pragma once
// Lets an expensive call through at most once per interval, measured by a monotonic clock.
// Long operations pump messages and restore the wait cursor between records; under Wine each
// such call costs tens of microseconds, more than the record's own work, so they run by time,
// not by count.

#include <chrono>

namespace vemra {

// Often enough that a window being moved or painted during an operation does not stutter.
constexpr std::chrono::milliseconds kPumpInterval{25};

class CPacer {
public:
    explicit CPacer(std::chrono::steady_clock::duration interval = kPumpInterval) : m_interval(interval) {}

    // True the first time, and whenever the interval has passed since the last true.
    bool Due() {
        const auto now = std::chrono::steady_clock::now();
        if (!m_bStarted || now - m_last >= m_interval) {
            m_bStarted = true;
            m_last = now;
            return true;
        }
        return false;
    }

private:
    std::chrono::steady_clock::duration m_interval;
    std::chrono::steady_clock::time_point m_last{};
    bool m_bStarted = false;
};

}  // namespace vemra
