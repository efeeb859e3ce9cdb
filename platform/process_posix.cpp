#include "platform/process.h"

#include <cstdlib>
#include <limits.h>
#include <unistd.h>

namespace vemra {

void SetEnv(const char* name, const std::string& value) {
    if (value.empty())
        ::unsetenv(name);
    else
        ::setenv(name, value.c_str(), 1);
}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "";
    return std::string(buffer, static_cast<std::size_t>(n));
}

bool IsOptionPrefix(char c) { return c == '-'; }

}  // namespace vemra
