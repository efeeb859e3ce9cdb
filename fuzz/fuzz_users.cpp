// Fuzzes the reader of Palm Desktop's users.dat: whatever it accepts must be entries it could
// have written itself, with folder names that stay inside the data folder.

#include "palm/users_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Half the folders "exist", so that both ways of telling entries apart are taken.
    auto exists = [](const std::string& folder) { return folder.size() % 2 == 0; };
    std::vector<PalmUserEntry> users;
    if (!ReadUsersFile(bytes, exists, users)) {
        if (!users.empty()) std::abort();
        return 0;
    }
    if (users.empty()) std::abort();
    for (const PalmUserEntry& u : users) {
        if (u.folder.empty() || u.name.empty() || u.folder == "..") std::abort();
        if (u.folder.find_first_of("\\/:") != std::string::npos) std::abort();
    }
    std::vector<PalmUserEntry> again;
    if (!ReadUsersFile(WriteUsersFile(users), [](const std::string&) { return true; }, again)) std::abort();
    if (again.size() != users.size()) std::abort();
    for (std::size_t i = 0; i < users.size(); ++i) {
        if (again[i].id != users[i].id || again[i].name != users[i].name || again[i].folder != users[i].folder ||
            again[i].active != users[i].active)
            std::abort();
    }
    return 0;
}
