#include <ctime>

namespace vemra {

void PrepareTimeZone();

void PrepareTimeZone() { _tzset(); }

}  // namespace vemra
