#include "palm/desktop_link.h"

#include <chrono>
#include <thread>

#include "palm/user_data.h"

int NotifyDesktop(const DesktopWindowCalls& calls, int mode, uint32_t userId) {
    const vemra::WindowHandle window = calls.find();
    if (!window) return 1;
    // A window that does not echo the probe does not take part in the exchange.
    if (calls.send(window, 0, 0) != static_cast<std::intptr_t>(kDesktopMessage)) return 1;
    if (mode == desktopBeforeChange) return calls.send(window, 1, static_cast<std::intptr_t>(userId)) == 0 ? 1 : 0;
    if (mode == desktopAfterChange) calls.send(window, 2, static_cast<std::intptr_t>(userId));
    return 1;
}

DesktopWindowCalls RealDesktopWindowCalls() {
    DesktopWindowCalls calls;
    calls.find = [] { return vemra::FindTopLevelWindow(kDesktopWindowClass); };
    calls.send = [](vemra::WindowHandle w, std::uintptr_t wParam, std::intptr_t lParam) {
        return vemra::SendWindowMessage(w, kDesktopMessage, wParam, lParam);
    };
    calls.pause = [] { std::this_thread::sleep_for(std::chrono::seconds(1)); };
    return calls;
}

int NotifyDesktop(int mode, uint32_t userId) { return NotifyDesktop(RealDesktopWindowCalls(), mode, userId); }

bool CDesktopChange::Begin() {
    m_bBegun = true;
    if (NotifyDesktop(m_calls, desktopBeforeChange, m_dwUserId) == 0) return false;
    // Palm Desktop writes its copy of the datebook back before it lets go of the file.
    if (m_calls.find()) m_calls.pause();
    return true;
}

CDesktopChange::~CDesktopChange() { End(); }

void CDesktopChange::End() {
    if (m_bBegun) NotifyDesktop(m_calls, desktopAfterChange, m_dwUserId);
    m_bBegun = false;
}

std::string PalmDesktopProgram() {
    std::string path;
    DesktopDirectory(path);
    if (path.empty() || path.back() != '\\') path += '\\';
    return path + "palm.exe";
}

bool LaunchPalmDesktop(vemra::WindowHandle owner) { return vemra::ShellOpen(PalmDesktopProgram(), owner); }
