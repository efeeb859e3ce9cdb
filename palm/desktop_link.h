#pragma once
// Living beside a running Palm Desktop: the messages around a change of a user's datebook and
// the launch of Palm Desktop. (The toolbar entry is CSettings::SetDesktopButton.)

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

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
    std::function<void()> pause;   // after mode 1 was allowed, while a window exists
};
// The real ones: Palm Desktop's main window, and a pause of one second.
DesktopWindowCalls RealDesktopWindowCalls();
int NotifyDesktop(const DesktopWindowCalls& calls, int mode, uint32_t userId);

// One change of a user's datebook, announced to a running Palm Desktop as the main dialog does
// it: Begin sends mode 1 and, when a Palm Desktop window exists, gives it a second to let go of
// the file; the destructor sends mode 2 (also after a refusal). Without a Palm Desktop window
// nothing waits. Tests give window calls of their own.
class CDesktopChange {
public:
    explicit CDesktopChange(uint32_t userId, DesktopWindowCalls calls = RealDesktopWindowCalls())
        : m_dwUserId(userId), m_calls(std::move(calls)) {}
    ~CDesktopChange();
    CDesktopChange(const CDesktopChange&) = delete;
    CDesktopChange& operator=(const CDesktopChange&) = delete;

    // False when Palm Desktop refused: the change must not happen.
    bool Begin();
    // Sends mode 2 now rather than at the end of the scope (once; nothing when not begun).
    void End();

private:
    uint32_t m_dwUserId;
    DesktopWindowCalls m_calls;
    bool m_bBegun = false;
};

// DesktopDirectory + "\palm.exe" (one backslash between them).
std::string PalmDesktopProgram();

// Asks the shell to open Palm Desktop; false when that failed.
bool LaunchPalmDesktop(vemra::WindowHandle owner);
