#include "platform/directory.h"

namespace vemra {

bool CreateDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
    const std::size_t slash = trimmed.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0) {
        const std::string parent = trimmed.substr(0, slash);
        // "C:" is a drive, not a folder to create.
        if (!(parent.size() == 2 && parent[1] == ':') && !CreateDirectories(parent)) return false;
    }
    return CreateOneDirectory(trimmed) || DirectoryExists(trimmed);
}

}  // namespace vemra
