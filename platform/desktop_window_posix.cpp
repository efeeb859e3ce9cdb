#include "platform/desktop_window.h"

namespace vemra {

WindowHandle FindTopLevelWindow(const char*) { return 0; }

std::intptr_t SendWindowMessage(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) { return 0; }

bool ShellOpen(const std::string&, WindowHandle) { return false; }

}  // namespace vemra
