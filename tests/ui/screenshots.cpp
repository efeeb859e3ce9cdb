// Takes the README's pictures of the program's windows (run by scripts/screenshots under Wine):
//   vemra_screenshots <VEMRA.exe> <VEMRA.exe with the German library> <Palm Desktop folder> <folder>
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/ui/gui_driver.h"

using namespace vemra::gui;

namespace {

constexpr int kWait = 20000;

// The first visible top-level window of the process, whatever its caption's language.
HWND WaitForAnyWindow(DWORD processId) {
    struct Search {
        DWORD process;
        HWND found;
    } search{processId, nullptr};
    WaitUntil([&] {
        EnumWindows([](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->process || !IsWindowVisible(window)) return TRUE;
            s->found = window;
            return FALSE;
        }, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, kWait);
    return search.found;
}

bool Picture(HWND window, const std::string& path) {
    if (!window) return false;
    SetWindowPos(window, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(1000);
    return SaveWindowPicture(window, path);
}

// The main dialog and, opened by command, another window of the program (0: none).
bool Pictures(const std::string& program, const std::string& folder, const std::string& main, int command,
              const std::string& other) {
    CProgram vemra;
    if (!vemra.Start(program, {}, {{"VEMRA_UNATTENDED", ""}})) return false;
    const HWND dialog = WaitForAnyWindow(vemra.Id());
    if (!Picture(dialog, folder + "\\" + main)) return false;
    if (!command) return true;
    PostCommand(dialog, command);
    Pump(500);
    return WaitUntil([&] { return GetLastActivePopup(dialog) != dialog; }, kWait) &&
           Picture(GetLastActivePopup(dialog), folder + "\\" + other);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: vemra_screenshots <VEMRA.exe> <German VEMRA.exe> <Palm folder> <folder>\n");
        return 2;
    }
    SetEnvironmentVariableA("VEMRA_PALM_DESKTOP", argv[3]);
    const std::string folder = argv[4];
    const bool done = Pictures(argv[1], folder, "main-dialog.bmp", ID_APP_ABOUT, "about-box.bmp") &&
                      Pictures(argv[1], folder, "main-dialog.bmp", ID_OPTIONS, "options-dialog.bmp") &&
                      Pictures(argv[2], folder, "main-dialog-de.bmp", 0, "");
    if (!done) std::fprintf(stderr, "a window did not show\n");
    return done ? 0 : 1;
}
