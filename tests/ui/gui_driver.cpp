#include "tests/ui/gui_driver.h"

namespace vemra::gui {

void Pump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const DWORD now = GetTickCount();
        if (static_cast<int>(end - now) <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now < 20 ? end - now : 20, QS_ALLINPUT);
    }
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) return done();
        Pump(25);
    }
}

HWND FindWindowOf(DWORD processId, const std::string& caption) {
    struct Search {
        DWORD process;
        const std::string* caption;
        HWND found;
    } search{processId, &caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->process || !IsWindowVisible(window) || TextOf(window) != *s->caption) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, const std::string& caption, int timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(processId, caption)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitUntilGone(HWND window, int timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::string TextOf(HWND window) {
    wchar_t text[4096] = {};
    // With a timeout: a busy program must not stop the test. UTF-8, so that German texts
    // compare with the test's own literals.
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied))
        return "";
    std::string utf8(copied * 3, '\0');
    utf8.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(copied), utf8.data(),
                                                             static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}

std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

std::string MessageBoxText(HWND box) { return ItemText(box, 0xFFFF); }

void PostCommand(HWND dialog, int id, int code) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SelectComboItem(HWND dialog, int id, int index) {
    SendMessageTimeoutA(GetDlgItem(dialog, id), CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    // A click on an item notifies both; some dialogs act on the one, some on the other.
    PostCommand(dialog, id, CBN_SELCHANGE);
    PostCommand(dialog, id, CBN_SELENDOK);
}

bool AnswerFileDialog(HWND fileDialog, const std::string& path) {
    // The file name box: a combo box on Windows (cmb13), an edit control in Wine (edt1).
    HWND name = GetDlgItem(fileDialog, 0x47C);
    if (!name) name = GetDlgItem(fileDialog, 0x480);
    if (!name) return false;
    SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
    PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDOK)));
    return WaitUntilGone(fileDialog, 10000);
}

}  // namespace vemra::gui
