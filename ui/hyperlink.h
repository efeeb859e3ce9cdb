#pragma once
// A static text that behaves like a link in a web page: coloured and underlined, a hand
// cursor, a tooltip with its address, and a click (or the space bar) opens the address.

#include <windows.h>

#include <string>

#include "platform/win_handles.h"
#include "ui/dialog.h"

namespace vemra {

class CHyperLink : public CSubclassedControl {
public:
    CHyperLink() = default;
    ~CHyperLink() override;

    static constexpr COLORREF kFocusColour = RGB(0, 128, 128);
    static constexpr COLORREF kVisitedColour = RGB(128, 0, 128);
    static constexpr COLORREF kLinkColour = RGB(0, 0, 255);

    const std::string& GetAddress() const { return m_strAddress; }
    COLORREF TextColour() const;
    bool PreTranslateMessage(MSG* msg) override;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FitWindowToText();
    void OpenLink();
    void Repaint() { InvalidateRect(m_hWnd, nullptr, TRUE); }

    bool m_bFocus = false;
    bool m_bHover = false;
    bool m_bVisited = false;
    bool m_bUnderline = true;
    bool m_bAdjustToFit = true;
    bool m_bFocusOnClick = true;
    std::string m_strAddress;
    CFontHandle m_linkFont;
    CWindowHandle m_toolTip;
};

// Opens the address with the shell; when that fails, with the command registered for .htm
// files. The launch result: above 32 means success.
INT_PTR LaunchAddress(const std::string& address, int showCommand);

// The default value of a key; the result of opening the key (ERROR_SUCCESS when it could be).
LONG ReadRegistryDefault(HKEY rootKey, const std::string& subKey, std::string& value);

// The browser command for an address from a registered open command: cut at its %1 (quoted or
// not) and followed by a space and the address; never longer than bufferSize - 1 characters.
std::string BrowserCommand(const std::string& openCommand, const std::string& address, std::size_t bufferSize = 520);

// The message of a failed launch, and the box that shows it.
std::string LinkErrorText(INT_PTR code);
void ShowLinkError(INT_PTR code);

}  // namespace vemra
