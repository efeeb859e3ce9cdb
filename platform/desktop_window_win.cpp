#include "platform/desktop_window.h"

#include <windows.h>
#include <shellapi.h>

namespace vemra {

WindowHandle FindTopLevelWindow(const char* className) {
    return reinterpret_cast<WindowHandle>(FindWindowA(className, nullptr));
}

std::intptr_t SendWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

bool ShellOpen(const std::string& file, WindowHandle owner) {
    const HINSTANCE result =
        ShellExecuteA(reinterpret_cast<HWND>(owner), "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<std::intptr_t>(result) > 32;
}

}  // namespace vemra
