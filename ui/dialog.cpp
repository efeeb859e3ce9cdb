#include "ui/dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/string_table.h"

namespace vemra {

HINSTANCE ResourceInstance() {
    void* module = GetResourceModule();
    return module ? static_cast<HINSTANCE>(module) : GetModuleHandleA(nullptr);
}

// ---- CSubclassedControl ----

CSubclassedControl::~CSubclassedControl() { UnsubclassWindow(); }

bool CSubclassedControl::SubclassDlgItem(int id, CDialog& dialog) {
    const HWND window = dialog.GetDlgItem(id);
    if (!window || !SubclassWindow(window)) return false;
    m_pDialog = &dialog;
    dialog.m_controls.push_back(this);
    return true;
}

bool CSubclassedControl::SubclassWindow(HWND window) {
    if (m_hWnd || !window) return false;
    m_hWnd = window;
    PreSubclassWindow();
    if (!SetWindowSubclass(window, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this))) {
        m_hWnd = nullptr;
        return false;
    }
    return true;
}

void CSubclassedControl::UnsubclassWindow() {
    if (m_pDialog) {
        auto& controls = m_pDialog->m_controls;
        controls.erase(std::remove(controls.begin(), controls.end(), this), controls.end());
        m_pDialog = nullptr;
    }
    if (m_hWnd) RemoveWindowSubclass(m_hWnd, SubclassProc, 1);
    m_hWnd = nullptr;
}

bool CSubclassedControl::PreTranslateMessage(MSG*) { return false; }

LRESULT CSubclassedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CSubclassedControl::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                  UINT_PTR, DWORD_PTR self) {
    auto* control = reinterpret_cast<CSubclassedControl*>(self);
    if (message == WM_NCDESTROY) {
        // The window goes first: the object forgets it and lets the chain finish.
        const LRESULT result = control->WindowProc(message, wParam, lParam);
        RemoveWindowSubclass(window, SubclassProc, 1);
        control->m_hWnd = nullptr;
        return result;
    }
    return control->WindowProc(message, wParam, lParam);
}

// ---- CDialog ----

CDialog::CDialog(UINT templateId, HWND parent) : m_hWndParent(parent), m_nTemplateId(templateId) {}

CDialog::~CDialog() {
    // Controls usually die with their window; any left must not point back here.
    for (CSubclassedControl* control : std::vector<CSubclassedControl*>(m_controls)) control->m_pDialog = nullptr;
    if (m_hWnd) DestroyWindow(m_hWnd);
}

// Without a window manager (and under some shells) a template without a position opens at the
// screen's corner: a dialog opens centred on its owner, a window without one on the work area.
void CDialog::CenterOnOwner() {
    RECT window{}, work{};
    if (!GetWindowRect(m_hWnd, &window)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    const HWND owner = GetWindow(m_hWnd, GW_OWNER);
    if (!GetMonitorInfoA(MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    work = monitor.rcWork;
    RECT around = work;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
    const int width = window.right - window.left, height = window.bottom - window.top;
    int x = around.left + ((around.right - around.left) - width) / 2;
    int y = around.top + ((around.bottom - around.top) - height) / 2;
    // Wholly on the work area where it fits.
    if (x + width > work.right) x = work.right - width;
    if (y + height > work.bottom) y = work.bottom - height;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CDialog::DoModal() {
    m_bEnded = false;
    m_nResult = IDCANCEL;
    // The parent stays disabled for the whole run, as with the system's own modal dialogs.
    const bool parentWasEnabled = m_hWndParent && IsWindowEnabled(m_hWndParent);
    HWND window = CreateDialogParamA(ResourceInstance(), MAKEINTRESOURCEA(m_nTemplateId), m_hWndParent, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!window) return -1;
    if (parentWasEnabled) EnableWindow(m_hWndParent, FALSE);
    if (!m_bEnded) ShowWindow(window, SW_SHOW);

    MSG msg;
    bool quit = false;
    while (!m_bEnded) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            break;
        }
        if (PreTranslateMessage(&msg)) continue;
        if (IsDialogMessageA(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (parentWasEnabled) {
        EnableWindow(m_hWndParent, TRUE);
        SetActiveWindow(m_hWndParent);
    }
    if (m_hWnd) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    if (quit) {
        // The quit request belongs to the loop outside this dialog.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return IDCANCEL;
    }
    return m_nResult;
}

void CDialog::EndDialog(INT_PTR result) {
    m_nResult = result;
    m_bEnded = true;
    // Wakes the modal loop if it is waiting for a message.
    if (m_hWnd) PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

std::string CDialog::ItemText(int id) const {
    const HWND item = GetDlgItem(id);
    if (!item) return "";
    const int length = GetWindowTextLengthA(item);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(item, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void CDialog::SetItemText(int id, const std::string& text) const { ::SetDlgItemTextA(m_hWnd, id, text.c_str()); }

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(m_hWnd, saveAndValidate);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

bool CDialog::PreTranslateMessage(MSG* msg) {
    for (CSubclassedControl* control : m_controls) {
        if (control->GetSafeHwnd() == msg->hwnd) return control->PreTranslateMessage(msg);
    }
    return false;
}

bool CDialog::OnCommand(UINT id, UINT, HWND) {
    switch (id) {
    case IDOK: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    default: return false;
    }
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->m_hWnd = window;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;
    const INT_PTR result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const BOOL result = OnInitDialog();
        CenterOnOwner();
        return result;
    }
    case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_DRAWITEM: {
        // Owner-drawn controls draw themselves.
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType != ODT_MENU && item->hwndItem &&
            SendMessageA(item->hwndItem, kReflectedMessageBase + message, wParam, lParam))
            return TRUE;
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        // A control that picks its own colours answers with a brush; others get the default.
        const LRESULT brush = SendMessageA(reinterpret_cast<HWND>(lParam), kReflectedMessageBase + message, wParam, lParam);
        if (brush) return static_cast<INT_PTR>(brush);
        break;
    }
    default: break;
    }
    INT_PTR result = 0;
    if (OnMessage(message, wParam, lParam, result)) {
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return message == WM_CTLCOLORDLG || message == WM_QUERYDRAGICON ? result : TRUE;
    }
    return FALSE;
}

}  // namespace vemra
