#include <cstdio>

#include "app/startup.h"
#include "palm/user_data.h"
#include "platform/console.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "res/string_ids.h"

namespace startup {

bool InitializeSystem() { return true; }
void ShutdownSystem() {}
// No automation server natively: such switches are ordinary (unknown) options.
bool ServesAutomation(const std::vector<std::string>&, int&) { return false; }
bool TellsMissingDesktopAtStart() { return false; }
void* LoadLanguageLibrary() { return nullptr; }
void FreeLanguageLibrary(void*) {}

// There is no main window natively: show how to run a batch transfer and for whom.
int RunInteractive(CSettings& settings) {
    std::printf("%s\n\n", vemra::LoadResString(IDS_USAGE).c_str());
    std::fflush(stdout);
    std::string desktop;
    if (DesktopDirectory(desktop) <= 0) {
        vemra::WriteLine(vemra::ConsoleStream::error, vemra::LoadResString(IDS_NO_DESKTOP_FOLDER));
        return exitDone;
    }
    const short count = UserCount();
    std::printf(vemra::LoadResString(count > 0 ? IDS_USERS_IN : IDS_NO_USERS_IN).c_str(), desktop.c_str());
    std::printf("\n");
    for (short i = 0; i < UserCount(); ++i) {
        uint32_t id = 0;
        std::string name, folder;
        if (UserIdAt(i, &id) <= 0) continue;
        UserName(id, name);
        // -u takes the folder's name too: show it where it differs from the display name.
        if (UserDirectory(id, folder) > 0 && !folder.empty() && folder[0] == '\\') folder.erase(0, 1);
        if (folder != name && !folder.empty()) name += " (" + folder + ")";
        std::printf("  %s%s\n", name.c_str(), id == settings.m_dwPalmUserId ? " *" : "");
    }
    std::fflush(stdout);
    return exitDone;
}

}  // namespace startup
