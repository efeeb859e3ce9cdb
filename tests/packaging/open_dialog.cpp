// open_dialog <program> <caption> [seconds]: starts the program without arguments, waits for its
// window with exactly that caption, closes it as a user would and waits for the program to end.
// Exit status 0 when the window came and the program ended, 1 when no such window came,
// 2 when the program did not end after the window was closed.
#include "tests/ui/gui_driver.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    using namespace vemra::gui;
    if (argc < 3) {
        std::fprintf(stderr, "usage: open_dialog <program> <caption> [seconds]\n");
        return 64;
    }
    const int waitMs = (argc > 3 ? std::atoi(argv[3]) : 30) * 1000;
    CProgram program;
    // The dialog only opens when the program may show windows.
    if (!program.Start(argv[1], {}, {{"VEMRA_UNATTENDED", ""}})) {
        std::fprintf(stderr, "open_dialog: cannot start %s\n", argv[1]);
        return 1;
    }
    // Window texts are compared in UTF-8; the arguments come in the system code page.
    wchar_t wide[512] = {};
    char caption[1536] = {};
    MultiByteToWideChar(CP_ACP, 0, argv[2], -1, wide, 512);
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, caption, sizeof caption, nullptr, nullptr);
    const HWND window = WaitForWindow(program.Id(), caption, waitMs);
    if (!window) {
        std::fprintf(stderr, "open_dialog: no window \"%s\" of %s\n", argv[2], argv[1]);
        return 1;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (!program.WaitForExit(waitMs)) {
        std::fprintf(stderr, "open_dialog: %s did not end after its window was closed\n", argv[1]);
        return 2;
    }
    std::printf("open_dialog: \"%s\" opened and closed\n", argv[2]);
    return 0;
}
