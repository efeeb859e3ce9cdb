#include "ui/hyperlink.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

namespace {
// Loaded by the first link that attaches; kept until the process ends.
HCURSOR g_hLinkCursor = nullptr;
bool g_bLinkCursorTried = false;

void LoadLinkCursor() {
    if (g_bLinkCursorTried) return;
    g_bLinkCursorTried = true;
    char windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::string helpProgram = std::string(windows) + "\\winhlp32.exe";
        CModuleHandle module(LoadLibraryExA(helpProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (module) {
            if (const HCURSOR cursor = LoadCursorA(module.Get(), MAKEINTRESOURCEA(106)))
                g_hLinkCursor = CopyCursor(cursor);
        }
    }
    // Without winhlp32.exe: the system's own hand, which every current Windows has.
    if (!g_hLinkCursor) g_hLinkCursor = LoadCursorA(nullptr, IDC_HAND);
}
}  // namespace

CHyperLink::~CHyperLink() { UnsubclassWindow(); }

COLORREF CHyperLink::TextColour() const {
    if (m_bFocus) return kFocusColour;
    return m_bVisited ? kVisitedColour : kLinkColour;
}

void CHyperLink::PreSubclassWindow() {
    char text[1024] = {};
    GetWindowTextA(m_hWnd, text, sizeof text);
    if (m_strAddress.empty()) m_strAddress = text;
    if (text[0] == '\0') SetWindowTextA(m_hWnd, m_strAddress.c_str());

    if (const auto font = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0))) {
        LOGFONTA logFont{};
        if (GetObjectA(font, sizeof logFont, &logFont)) {
            logFont.lfUnderline = m_bUnderline ? TRUE : FALSE;
            m_linkFont.Reset(CreateFontIndirectA(&logFont));
            if (m_linkFont) SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.Get()), TRUE);
        }
        FitWindowToText();
    } else {
        m_bAdjustToFit = false;
    }

    LoadLinkCursor();

    m_toolTip.Reset(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                    GetModuleHandleA(nullptr), nullptr));
    if (m_toolTip) {
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = m_hWnd;
        tool.uId = 1;
        GetClientRect(m_hWnd, &tool.rect);
        tool.lpszText = const_cast<char*>(m_strAddress.c_str());
        SendMessageA(m_toolTip.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CHyperLink::FitWindowToText() {
    if (!m_bAdjustToFit) return;
    RECT windowRect, clientRect;
    GetWindowRect(m_hWnd, &windowRect);
    GetClientRect(m_hWnd, &clientRect);
    const HWND parent = GetParent(m_hWnd);
    if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&windowRect), 2);

    char text[1024] = {};
    const int length = GetWindowTextA(m_hWnd, text, sizeof text);
    SIZE extent{};
    if (const HDC dc = GetDC(m_hWnd)) {
        {
            CSelectObject select(dc, m_linkFont ? static_cast<HGDIOBJ>(m_linkFont.Get())
                                                : reinterpret_cast<HGDIOBJ>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
            GetTextExtentPoint32A(dc, text, length, &extent);
        }
        ReleaseDC(m_hWnd, dc);
    }
    const LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    const int width = clientRect.right - clientRect.left, height = clientRect.bottom - clientRect.top;
    const int cx = extent.cx < width ? extent.cx : width;
    const int cy = extent.cy < height ? extent.cy : height;
    RECT fit = clientRect;
    if (style & SS_CENTERIMAGE) fit.top = (height - cy) / 2;
    fit.bottom = fit.top + cy;
    const LONG align = style & SS_TYPEMASK;
    if (align == SS_CENTER) fit.left = (width - cx) / 2;
    else if (align == SS_RIGHT) fit.left = width - cx;
    fit.right = fit.left + cx;

    // Keep the borders: the window grows from the client rectangle by what it had around it.
    const int borderX = (windowRect.right - windowRect.left) - width;
    const int borderY = (windowRect.bottom - windowRect.top) - height;
    SetWindowPos(m_hWnd, nullptr, windowRect.left + fit.left, windowRect.top + fit.top, cx + borderX, cy + borderY,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
}

bool CHyperLink::PreTranslateMessage(MSG* msg) {
    if (m_toolTip) SendMessageA(m_toolTip.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return false;
}

LRESULT CHyperLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kReflectedMessageBase + WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, TextColour());
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    }
    case WM_SETCURSOR:
        if (!g_hLinkCursor) return FALSE;
        SetCursor(g_hLinkCursor);
        return TRUE;
    case WM_MOUSEMOVE: {
        if (!m_bHover) {
            m_bHover = true;
            Repaint();
            SetCapture(m_hWnd);
        } else {
            RECT client;
            GetClientRect(m_hWnd, &client);
            const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (!PtInRect(&client, point)) {
                m_bHover = false;
                ReleaseCapture();
                Repaint();
            }
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (m_bFocusOnClick) SetFocus(m_hWnd);
        m_bFocus = true;
        return 0;
    case WM_LBUTTONUP:
        if (m_bFocus) OpenLink();
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            OpenLink();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        m_bFocus = true;
        Repaint();
        return 0;
    case WM_KILLFOCUS:
        m_bHover = false;
        m_bFocus = false;
        Repaint();
        return 0;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_GETDLGCODE:
        // The space bar reaches the link instead of the dialog's navigation.
        return Default(message, wParam, lParam) | DLGC_WANTCHARS;
    case WM_NCDESTROY:
        m_toolTip.Reset();
        break;
    default: break;
    }
    return Default(message, wParam, lParam);
}

void CHyperLink::OpenLink() {
    const INT_PTR result = LaunchAddress(m_strAddress, SW_SHOW);
    if (result <= 32) {
        MessageBeep(MB_ICONEXCLAMATION);
        ShowLinkError(result);
        return;
    }
    m_bVisited = true;
    Repaint();
}

LONG ReadRegistryDefault(HKEY rootKey, const std::string& subKey, std::string& value) {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(rootKey, subKey.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS) return opened;
    char data[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;   // one byte kept for the terminating NUL
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
        value = data;
    RegCloseKey(key);
    return opened;
}

std::string BrowserCommand(const std::string& openCommand, const std::string& address, std::size_t bufferSize) {
    std::string command = openCommand;
    std::size_t cut = command.find("\"%1\"");
    if (cut == std::string::npos) cut = command.find("%1");
    if (cut != std::string::npos) command.erase(cut);
    command += ' ';
    command += address;
    // A command that does not fit is not run at all: a cut address would open something else.
    if (command.size() + 1 > bufferSize) return "";
    return command;
}

INT_PTR LaunchAddress(const std::string& address, int showCommand) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, showCommand));
    if (result > 32) return result;

    std::string documentClass, openCommand;
    if (ReadRegistryDefault(HKEY_CLASSES_ROOT, ".htm", documentClass) != ERROR_SUCCESS) return result;
    if (ReadRegistryDefault(HKEY_CLASSES_ROOT, documentClass + "\\shell\\open\\command", openCommand) != ERROR_SUCCESS)
        return result;
    const std::string command = BrowserCommand(openCommand, address);
    if (command.empty()) return result;
    return static_cast<INT_PTR>(WinExec(command.c_str(), static_cast<UINT>(showCommand)));
}

std::string LinkErrorText(INT_PTR code) {
    unsigned id = 0;
    switch (code) {
    case 0: id = IDS_LINK_ERROR_0; break;
    case SE_ERR_FNF: id = IDS_LINK_ERROR_2; break;
    case SE_ERR_PNF: id = IDS_LINK_ERROR_3; break;
    case SE_ERR_ACCESSDENIED: id = IDS_LINK_ERROR_5; break;
    case SE_ERR_OOM: id = IDS_LINK_ERROR_8; break;
    case ERROR_BAD_FORMAT: id = IDS_LINK_ERROR_11; break;
    case SE_ERR_SHARE: id = IDS_LINK_ERROR_26; break;
    case SE_ERR_ASSOCINCOMPLETE: id = IDS_LINK_ERROR_27; break;
    case SE_ERR_DDETIMEOUT: id = IDS_LINK_ERROR_28; break;
    case SE_ERR_DDEFAIL: id = IDS_LINK_ERROR_29; break;
    case SE_ERR_DDEBUSY: id = IDS_LINK_ERROR_30; break;
    case SE_ERR_NOASSOC: id = IDS_LINK_ERROR_31; break;
    case SE_ERR_DLLNOTFOUND: id = IDS_LINK_ERROR_32; break;
    default: break;
    }
    const std::string reason = id ? LoadResString(id)
                                  : FormatText(LoadResString(IDS_LINK_ERROR_OTHER).c_str(), static_cast<int>(code));
    return LoadResString(IDS_LINK_ERROR) + reason;
}

void ShowLinkError(INT_PTR code) { ShowMessage(LinkErrorText(code), MessageButtons::ok, MessageIcon::warning); }

}  // namespace vemra
