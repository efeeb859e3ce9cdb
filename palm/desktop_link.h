#pragma once
// Living beside a running Palm Desktop: the messages around a change of a user's datebook and
// the launch of Palm Desktop. (The toolbar entry is CSettings::SetDesktopButton.)

#include <cstdint>
#include <functional>
#include <string>

#include "platform/desktop_window.h"

enum : int { desktopBeforeChange = 1, desktopAfterChange = 2 };
constexpr unsigned kDesktopMessage = 0xBEC4;
constexpr const char* kDesktopWindowClass = "Bell XS-1";

// 1: go on; 0: Palm Desktop refused the change (only mode 1 can be refused).
int NotifyDesktop(int mode, uint32_t userId);

// The same exchange over given window calls (the real ones find and message Palm Desktop's
// main window).
struct DesktopWindowCalls {
    std::function<vemra::WindowHandle()> find;
    std::function<std::intptr_t(vemra::WindowHandle, std::uintptr_t wParam, std::intptr_t lParam)> send;
};
int NotifyDesktop(const DesktopWindowCalls& calls, int mode, uint32_t userId);

// DesktopDirectory + "\palm.exe" (one backslash between them).
std::string PalmDesktopProgram();

// Asks the shell to open Palm Desktop; false when that failed.
bool LaunchPalmDesktop(vemra::WindowHandle owner);
