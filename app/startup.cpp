#include "app/startup.h"

#include "app/command_line.h"
#include "palm/user_data.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "settings/profile.h"
#include "settings/settings.h"
#include "res/string_ids.h"

namespace {

// Releases the language library whichever way the run ends.
class CLanguageLibrary {
public:
    CLanguageLibrary() : m_library(startup::LoadLanguageLibrary()) {
        if (m_library) vemra::SetResourceModule(m_library);
    }
    ~CLanguageLibrary() {
        if (!m_library) return;
        vemra::SetResourceModule(nullptr);
        startup::FreeLanguageLibrary(m_library);
    }
    CLanguageLibrary(const CLanguageLibrary&) = delete;
    CLanguageLibrary& operator=(const CLanguageLibrary&) = delete;

private:
    void* m_library;
};

class CSystemSession {
public:
    CSystemSession() : m_bStarted(startup::InitializeSystem()) {}
    ~CSystemSession() {
        if (m_bStarted) startup::ShutdownSystem();
    }
    CSystemSession(const CSystemSession&) = delete;
    CSystemSession& operator=(const CSystemSession&) = delete;
    bool Started() const { return m_bStarted; }

private:
    bool m_bStarted;
};
}  // namespace

bool IsAutomationLaunch(const std::vector<std::string>& args) {
    for (const auto& arg : args) {
        if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) continue;
        const std::string_view name = std::string_view(arg).substr(1);
        if (vemra::EqualsNoCase(name, "Embedding") || vemra::EqualsNoCase(name, "Automation")) return true;
    }
    return false;
}

int RunVEMRA(const std::vector<std::string>& args) {
    // Message boxes, or standard error where nobody could answer one.
    vemra::CMessageBoxReporter reporter;
    vemra::SetPlatformReporter(&reporter);
    struct Uninstall {
        ~Uninstall() { vemra::SetPlatformReporter(nullptr); }
    } uninstall;
    CSystemSession system;
    if (!system.Started()) return exitNotAvailable;
    int serverStatus = exitDone;
    if (startup::ServesAutomation(args, serverStatus)) return serverStatus;

    vemra::SetProfileRoot("Quelbarsk");
    CSettings settings(startup::TellsMissingDesktopAtStart() ? &reporter : nullptr);
    settings.m_pReporter = &reporter;
    settings.Load();
    CLanguageLibrary language;

    CVEMRACommandLineInfo commandLine(&settings);
    if (!commandLine.ParseCommandLine(args)) return commandLine.m_nExitStatus;

    if (settings.m_bImport || settings.m_bExport || settings.m_bRemoveAll) {
        if (!startup::TellsMissingDesktopAtStart() && settings.m_strDatebookFile.empty() && UserCount() <= 0) {
            reporter.Tell(vemra::LoadResString(IDS_NO_PALM_DESKTOP), vemra::MessageIcon::error);
            return exitFailed;
        }
        return RunBatchTransfer(settings, reporter);
    }
    return startup::RunInteractive(settings);
}
