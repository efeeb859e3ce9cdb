#include "bench/bench_support.h"

#include <sys/resource.h>

namespace bench {

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace bench
