#pragma once
// Measuring helpers shared by the benchmark programs.

#include <chrono>

namespace bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Peak resident memory of this process so far, in KiB (support_posix.cpp / support_win.cpp).
long PeakKiB();

}  // namespace bench
