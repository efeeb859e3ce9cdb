#pragma once
// The few window and shell calls the program makes to live beside Palm Desktop. Natively no
// such window exists and nothing can be opened.

#include <cstdint>
#include <string>

namespace vemra {

using WindowHandle = std::intptr_t;   // 0: none

// The top-level window of that class, or 0.
WindowHandle FindTopLevelWindow(const char* className);

// A synchronous message; its answer.
std::intptr_t SendWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

// Asks the shell to "open" the file (no parameters, no working folder, shown normally).
bool ShellOpen(const std::string& file, WindowHandle owner);

}  // namespace vemra
