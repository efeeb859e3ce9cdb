#include "platform/directory.h"

#include <dirent.h>
#include <sys/stat.h>

#include "platform/file.h"

namespace vemra {

bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    const std::string native = NativePath(path);
    DIR* dir = ::opendir(native.c_str());
    if (!dir) return false;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        DirectoryEntry entry;
        entry.name = name;
        struct stat st {};
        // stat, not the entry's type: a symbolic link to a folder counts as a folder.
        entry.isDirectory = ::stat((native + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return true;
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateOneDirectory(const std::string& path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

}  // namespace vemra
