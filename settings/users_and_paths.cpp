// The settings' view of Palm Desktop: current user, datebook path, toolbar entry.
#include "palm/user_data.h"
#include "platform/reporter.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "res/string_ids.h"

namespace {
constexpr uint32_t kDatebookCreator = 0x64617465;   // 'date'
constexpr uint32_t kButtonCreator = 0x43616C66;     // 'Calf'
const char kUsRoboticsKey[] = "Software\\U.S. Robotics\\Pilot Desktop";
const char kPalmComputingKey[] = "Software\\Palm Computing\\Pilot Desktop";
const char kButtonKey[] = "ApplicationVEMRA";

bool QueryText(const vemra::CRegistryKey& key, const char* name, std::string& text) {
    uint32_t type = 0;
    if (!key.QueryValue(name, type, text)) return false;
    if (type != vemra::regString && type != vemra::regExpandString) return false;
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.erase(nul);
    return true;
}

// Palm Desktop starts the module by this path; its extension is written "exe" whatever case
// the system reports.
std::string ModulePath() {
    std::string path = vemra::ExecutablePath();
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path = path.substr(0, dot + 1) + "exe";
    return path;
}
}  // namespace

void CSettings::GetDatebookPath(std::string& path) const {
    if (!m_strDatebookFile.empty()) {
        path = m_strDatebookFile;
        return;
    }
    std::string user;
    if (UserDirectory(m_dwPalmUserId, user) <= 0) {
        if (m_pReporter) m_pReporter->Tell(vemra::LoadResString(IDS_NO_USER_DIRECTORY), vemra::MessageIcon::warning);
        user.clear();
    }
    std::string desktop;
    DesktopDirectory(desktop);
    path = desktop + user + GetComponentPath(kDatebookCreator, "\\datebook\\datebook.dat");
}

int CSettings::GetPalmUserName(std::string& name) const {
    UserName(m_dwPalmUserId, name);
    return 0;
}

// A display name ("John Smith") or, failing that, a folder name ("SmithJ"), letter case ignored.
int CSettings::FindUser(const char* name) {
    if (!name) return 0;
    for (bool byFolder : {false, true}) {
        for (short index = 0; index < UserCount(); ++index) {
            uint32_t id = 0;
            if (UserIdAt(index, &id) <= 0) continue;
            std::string text;
            if (byFolder) {
                if (UserDirectory(id, text) <= 0) continue;
                if (!text.empty() && text[0] == '\\') text.erase(0, 1);
            } else {
                UserName(id, text);
            }
            if (vemra::EqualsNoCaseText(text, name)) {
                m_dwPalmUserId = id;
                return 1;
            }
        }
    }
    return 0;
}

std::string CSettings::GetComponentPath(uint32_t creator, const char* defaultPath) {
    std::string result = defaultPath ? defaultPath : "";
    vemra::CRegistryKey desktop;
    if (!desktop.Open(vemra::RegistryRoot::currentUser, kUsRoboticsKey)) return result;
    std::string name;
    for (unsigned index = 0; desktop.EnumSubKey(index, name); ++index) {
        if (name.size() < 9 || !vemra::EqualsNoCase(std::string_view(name).substr(0, 9), "Component")) continue;
        vemra::CRegistryKey component;
        if (!component.Open(desktop, name)) continue;
        uint32_t type = 0;
        std::string code;
        if (!component.QueryValue("Creator", type, code) || code.size() != 4) continue;
        const auto* b = reinterpret_cast<const unsigned char*>(code.data());
        const uint32_t value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
        if (value != creator) continue;
        std::string directory, file;
        if (!QueryText(component, "Directory", directory) || !QueryText(component, "File0", file)) continue;
        result = (directory.empty() || directory[0] != '\\' ? "\\" : "") + directory + "\\" + file;
        break;
    }
    return result;
}

void CSettings::SetDesktopButton(bool enable) {
    using vemra::RegistryAccess;
    using vemra::RegistryRoot;
    vemra::CRegistryKey desktop;
    if (!desktop.Open(RegistryRoot::currentUser, kUsRoboticsKey, RegistryAccess::readWrite) &&
        !desktop.Open(RegistryRoot::currentUser, kPalmComputingKey, RegistryAccess::readWrite)) {
        m_bPalmDesktopButton = false;
        return;
    }
    if (!enable) {
        desktop.DeleteSubKey(kButtonKey);
        return;
    }
    vemra::CRegistryKey button;
    if (!button.Create(desktop, kButtonKey)) {
        m_bPalmDesktopButton = false;
        return;
    }
    button.SetString("Directory", "Backup");
    button.SetDword("Integrate", 1);
    button.SetDword("Creator", kButtonCreator);
    button.SetString("Name", "VEMRA");
    button.SetString("Module", ModulePath());
}
