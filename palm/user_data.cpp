#include "palm/user_data.h"

#include <algorithm>
#include <vector>

#include "palm/users_file.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

struct User {
    uint32_t id;
    std::string name;
    std::string folder;
};

// The users Palm Desktop lists in users.dat whose folders exist, in its order; empty when the
// file is missing, unreadable or not understood.
std::vector<User> ListedUsers(const std::string& desktop) {
    std::vector<User> users;
    std::string bytes;
    if (!vemra::ReadWholeFile(desktop + "\\users.dat", bytes)) return users;
    auto folderExists = [&desktop](const std::string& folder) {
        return vemra::DirectoryExists(desktop + "\\" + folder);
    };
    std::vector<PalmUserEntry> entries;
    if (!ReadUsersFile(bytes, folderExists, entries)) return users;
    for (const PalmUserEntry& e : entries) {
        if (IsPalmUserId(e.id) && folderExists(e.folder)) users.push_back({e.id, e.name, e.folder});
    }
    return users;
}

// The user folders holding a datebook, named after their folders, with IDs made from the names.
std::vector<User> FolderUsers(const std::string& desktop) {
    std::vector<User> users;
    std::vector<vemra::DirectoryEntry> entries;
    if (!vemra::ListDirectory(desktop, entries)) return users;
    for (const auto& e : entries) {
        if (e.isDirectory && vemra::FileExists(desktop + "\\" + e.name + "\\datebook\\datebook.dat"))
            users.push_back({UserIdOfFolder(e.name), e.name, e.name});
    }
    // By name ignoring case, then exactly, so that the order never depends on the listing.
    std::sort(users.begin(), users.end(), [](const User& a, const User& b) {
        const std::string la = vemra::ToLowerAscii(a.folder), lb = vemra::ToLowerAscii(b.folder);
        return la != lb ? la < lb : a.folder < b.folder;
    });
    return users;
}

// The users, found afresh on every call: the callers ask again after each user and a HotSync
// may add a user while the program runs. Palm Desktop's own list when it can be read, so that
// nothing gets worse when it cannot.
std::vector<User> Users() {
    std::string desktop;
    if (DesktopDirectory(desktop) <= 0) return {};
    std::vector<User> users = ListedUsers(desktop);
    if (users.empty()) users = FolderUsers(desktop);
    if (users.size() > 0x7FFF) users.resize(0x7FFF);
    return users;
}

const User* FindId(const std::vector<User>& users, uint32_t id) {
    for (const User& u : users)
        if (u.id == id) return &u;
    return nullptr;
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

short UserCount() { return static_cast<short>(Users().size()); }

int UserIdAt(short index, uint32_t* id) {
    if (!id || index < 0) return 0;
    const std::vector<User> users = Users();
    if (static_cast<std::size_t>(index) >= users.size()) return 0;
    *id = users[static_cast<std::size_t>(index)].id;
    return 1;
}

int UserName(uint32_t id, std::string& name) {
    const std::vector<User> users = Users();
    const User* user = FindId(users, id);
    name = user ? user->name : std::string();
    return user ? 1 : 0;
}

int UserDirectory(uint32_t id, std::string& directory) {
    const std::vector<User> users = Users();
    const User* user = FindId(users, id);
    directory = user ? "\\" + user->folder : std::string();
    return user ? 1 : 0;
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
