#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/startup.h"
#include "automation/com/com_server.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/string_table.h"
#include "settings/settings.h"
#include "res/string_ids.h"
#include "ui/main_dialog.h"

namespace startup {

bool InitializeSystem() {
    if (FAILED(OleInitialize(nullptr))) {
        vemra::ShowMessage(vemra::LoadResString(IDS_OLE_INIT_FAILED), vemra::MessageButtons::ok, vemra::MessageIcon::error);
        return false;
    }
    return true;
}

void ShutdownSystem() { OleUninitialize(); }

bool ServesAutomation(const std::vector<std::string>& args, int& exitStatus) {
    if (IsAutomationLaunch(args)) {
        exitStatus = vemra::com::RunAutomationServer();
        return true;
    }
    if (vemra::com::HandleRegistrationSwitches(args, exitStatus)) return true;
    // Every interactive or batch start points COM at this copy; a refusal never stops the work.
    std::string ignored;
    vemra::com::RegisterServer(ignored);
    return false;
}

bool TellsMissingDesktopAtStart() { return true; }

void* LoadLanguageLibrary() { return LoadLibraryA("VEMRALangDE"); }

void FreeLanguageLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

int RunInteractive(CSettings& settings) {
    // A scheduled job must never wait for a window that nobody sees.
    if (vemra::GetEnv("VEMRA_UNATTENDED") == "1") {
        vemra::ShowMessage(vemra::LoadResString(IDS_UNATTENDED_NO_WINDOW) + "\n\n" + vemra::LoadResString(IDS_USAGE),
                           vemra::MessageButtons::ok, vemra::MessageIcon::information);
        return exitDone;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    vemra::CVEMRADlg dialog;
    dialog.m_pSettings = &settings;
    dialog.DoModal();
    return exitDone;
}

}  // namespace startup
