#include "platform/process.h"

#include <cstdlib>

namespace vemra {

std::string GetEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ExecutableBaseName() {
    const std::string path = ExecutablePath();
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

}  // namespace vemra
