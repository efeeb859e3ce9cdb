#include <cstdlib>
#include <ctime>

namespace vemra {

void PrepareTimeZone();

// Without TZ, glibc looks at /etc/localtime again on every conversion; naming the same file
// once keeps the zone and makes conversions several times cheaper.
void PrepareTimeZone() {
    if (std::getenv("TZ") == nullptr) ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

}  // namespace vemra
