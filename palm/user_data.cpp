#include "palm/user_data.h"

#include <algorithm>
#include <vector>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

// The user folders, found afresh on every call: the callers ask again after each user and a
// HotSync may add a user while the program runs.
std::vector<std::string> UserFolders() {
    std::vector<std::string> users;
    std::string desktop;
    if (DesktopDirectory(desktop) <= 0) return users;
    std::vector<vemra::DirectoryEntry> entries;
    if (!vemra::ListDirectory(desktop, entries)) return users;
    for (const auto& e : entries) {
        if (e.isDirectory && vemra::FileExists(desktop + "\\" + e.name + "\\datebook\\datebook.dat"))
            users.push_back(e.name);
    }
    // By name ignoring case, then exactly, so that the order never depends on the listing.
    std::sort(users.begin(), users.end(), [](const std::string& a, const std::string& b) {
        const std::string la = vemra::ToLowerAscii(a), lb = vemra::ToLowerAscii(b);
        return la != lb ? la < lb : a < b;
    });
    if (users.size() > 0x7FFF) users.resize(0x7FFF);
    return users;
}

bool FolderOfId(uint32_t id, std::string& folder) {
    for (const auto& name : UserFolders()) {
        if (UserIdOfFolder(name) == id) {
            folder = name;
            return true;
        }
    }
    return false;
}

}  // namespace

uint32_t UserIdOfFolder(const std::string& folderName) {
    // FNV-1a: stable across runs, builds and machines.
    uint32_t h = 2166136261u;
    for (unsigned char c : folderName) {
        h ^= c;
        h *= 16777619u;
    }
    // 0 stands for "no user" and 0xFFFFFFFF for "no item" in the user list.
    if (h == 0 || h == 0xFFFFFFFFu) h = 1;
    return h;
}

short UserCount() { return static_cast<short>(UserFolders().size()); }

int UserIdAt(short index, uint32_t* id) {
    if (!id || index < 0) return 0;
    const std::vector<std::string> users = UserFolders();
    if (static_cast<std::size_t>(index) >= users.size()) return 0;
    *id = UserIdOfFolder(users[static_cast<std::size_t>(index)]);
    return 1;
}

int UserName(uint32_t id, std::string& name) {
    name.clear();
    return FolderOfId(id, name) ? 1 : 0;
}

int UserDirectory(uint32_t id, std::string& directory) {
    directory.clear();
    std::string folder;
    if (!FolderOfId(id, folder)) return 0;
    directory = "\\" + folder;
    return 1;
}

int DesktopDirectory(std::string& directory) {
    directory = vemra::GetEnv("VEMRA_PALM_DESKTOP");
    if (directory.empty()) {
        vemra::CRegistryKey core;
        if (!core.Open(vemra::RegistryRoot::currentUser, "Software\\U.S. Robotics\\Pilot Desktop\\Core") ||
            !core.QueryString("Path", directory))
            directory.clear();
    }
    return directory.empty() ? 0 : 1;
}
