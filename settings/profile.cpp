#include "settings/profile.h"

#include "platform/process.h"
#include "platform/registry.h"

namespace vemra {

namespace {
std::string& Root() {
    static std::string root = "Quelbarsk";
    return root;
}
std::string& ApplicationName() {
    static std::string name;
    return name;
}

bool OpenSection(const std::string& section, CRegistryKey& key) {
    return key.Open(RegistryRoot::currentUser, ProfileSectionPath(section));
}
bool CreateSection(const std::string& section, CRegistryKey& key) {
    return key.Create(RegistryRoot::currentUser, ProfileSectionPath(section));
}
}  // namespace

void SetProfileRoot(const std::string& root) { Root() = root; }

void SetProfileApplicationName(const std::string& name) { ApplicationName() = name; }

std::string ProfileApplicationName() {
    if (ApplicationName().empty()) {
        ApplicationName() = ExecutableBaseName();
        if (ApplicationName().empty()) ApplicationName() = "VEMRA";
    }
    return ApplicationName();
}

std::string ProfileSectionPath(const std::string& section) {
    return "Software\\" + Root() + "\\" + ProfileApplicationName() + "\\" + section;
}

int ReadProfileInt(const std::string& section, const std::string& entry, int defaultValue) {
    CRegistryKey key;
    uint32_t value = 0;
    if (!OpenSection(section, key) || !key.QueryDword(entry, value)) return defaultValue;
    return static_cast<int>(value);
}

std::string ReadProfileText(const std::string& section, const std::string& entry, const std::string& defaultValue) {
    CRegistryKey key;
    std::string value;
    if (!OpenSection(section, key) || !key.QueryString(entry, value)) return defaultValue;
    return value;
}

bool ReadProfileBinary(const std::string& section, const std::string& entry, std::string& data) {
    CRegistryKey key;
    return OpenSection(section, key) && key.QueryBinary(entry, data);
}

bool WriteProfileInt(const std::string& section, const std::string& entry, int value) {
    CRegistryKey key;
    return CreateSection(section, key) && key.SetDword(entry, static_cast<uint32_t>(value));
}

bool WriteProfileText(const std::string& section, const std::string& entry, const std::string& value) {
    CRegistryKey key;
    return CreateSection(section, key) && key.SetString(entry, value);
}

bool WriteProfileBinary(const std::string& section, const std::string& entry, std::string_view data) {
    CRegistryKey key;
    return CreateSection(section, key) && key.SetBinary(entry, data);
}

}  // namespace vemra
