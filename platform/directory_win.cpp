#include "platform/directory.h"

#include <windows.h>

namespace vemra {

namespace {
// Closes a FindFirstFile search.
class CFindHandle {
public:
    explicit CFindHandle(HANDLE h) : m_h(h) {}
    ~CFindHandle() {
        if (m_h != INVALID_HANDLE_VALUE) FindClose(m_h);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};
}  // namespace

bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (find.Get() == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find.Get(), &data));
    return true;
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateOneDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

}  // namespace vemra
