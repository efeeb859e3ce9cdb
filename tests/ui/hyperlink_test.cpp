#include "ui/hyperlink.h"

#include <gtest/gtest.h>

#include "res/version.h"
#include "tests/test_support.h"
#include "ui/about_dialog.h"

using namespace vemra;

TEST(LaunchAddress, BrowserCommandIsCutAtTheRegisteredPlaceholder) {
    const std::string address = "https://example.org/x";
    struct Case {
        const char* command;
        const char* expected;
    };
    const Case cases[] = {
        {"\"C:\\Web\\browser.exe\" \"%1\"", "\"C:\\Web\\browser.exe\"  https://example.org/x"},
        {"\"C:\\Web\\browser.exe\" -url \"%1\" -new", "\"C:\\Web\\browser.exe\" -url  https://example.org/x"},
        {"C:\\Web\\browser.exe %1", "C:\\Web\\browser.exe  https://example.org/x"},
        {"browser.exe -nohome", "browser.exe -nohome https://example.org/x"},
        {"browser.exe %1 \"%1\"", "browser.exe %1  https://example.org/x"},   // the quoted one wins
        {"", " https://example.org/x"},
    };
    for (const Case& c : cases) EXPECT_EQ(BrowserCommand(c.command, address), c.expected) << c.command;
}

TEST(LaunchAddress, CommandThatWouldNotFitItsBufferIsNotBuilt) {
    const std::string command = std::string(500, 'b') + " \"%1\"";
    // 500 + the space before "%1" + a space + address + NUL: 17 characters of address fit in
    // 520 bytes, 18 do not.
    EXPECT_EQ(BrowserCommand(command, std::string(17, 'a')).size(), 519u);
    EXPECT_EQ(BrowserCommand(command, std::string(18, 'a')), "");
    EXPECT_EQ(BrowserCommand(std::string(2000, 'c'), "x"), "");
}

// The warning for every code ShellExecute gives, and for unknown ones.
TEST(ShowLinkError, EveryCodeHasItsText) {
    test::MessageCapture capture;
    std::string shown;
    for (INT_PTR code = -1; code <= 33; ++code) {
        ShowLinkError(code);
        ASSERT_EQ(capture.messages.size(), static_cast<std::size_t>(code + 2));
        EXPECT_EQ(capture.icons.back(), MessageIcon::warning) << code;
        shown += std::to_string(code) + ": " + capture.messages.back() + "\n";
    }
    test::ExpectGolden("ui/link-errors.txt", shown);
}

TEST(HyperLink, TakesItsAddressFromTheTextUnderlinesAndColoursByState) {
    CWindowHandle parent(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr, nullptr));
    const HWND text = CreateWindowExA(0, "STATIC", "https://example.org/", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 10, 10,
                                      300, 20, parent.Get(), nullptr, nullptr, nullptr);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(text));
    EXPECT_EQ(link.GetAddress(), "https://example.org/");

    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    // Fitted to its text: narrower than the 300 pixels it was given, still at its place.
    RECT rect;
    GetWindowRect(text, &rect);
    MapWindowPoints(nullptr, parent.Get(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 10);
    EXPECT_LT(rect.right - rect.left, 300);
    EXPECT_GT(rect.right - rect.left, 20);

    EXPECT_EQ(link.TextColour(), CHyperLink::kLinkColour);
    EXPECT_EQ(SendMessageA(text, WM_NCHITTEST, 0, 0), HTCLIENT);
    SendMessageA(text, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(link.TextColour(), CHyperLink::kFocusColour);
    SendMessageA(text, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(link.TextColour(), CHyperLink::kLinkColour);
    // The colour answer of the parent's reflected control-colour message.
    const HDC dc = GetDC(text);
    EXPECT_EQ(SendMessageA(text, kReflectedMessageBase + WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(text)),
              reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH)));
    EXPECT_EQ(GetTextColor(dc), CHyperLink::kLinkColour);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    ReleaseDC(text, dc);
    // A cursor is set: the one of winhlp32.exe or the system's hand.
    EXPECT_EQ(SendMessageA(text, WM_SETCURSOR, reinterpret_cast<WPARAM>(text), HTCLIENT), TRUE);
}

TEST(AboutBox, VersionTextUsesTheLowByteOfTheMinorNumber) {
    EXPECT_EQ(VersionText(MAKELONG(3, 1), MAKELONG(282, 2)), "1.3.2");   // file version 1.3.2.282
    EXPECT_EQ(VersionText(MAKELONG(260, 1), MAKELONG(0, 7)), "1.4.7");
    EXPECT_EQ(VersionText(MAKELONG(0, 0), MAKELONG(0, 0)), "0.0.0");
    // This program's own version resource.
    EXPECT_EQ(ProgramVersionText(), std::to_string(VEMRA_VERSION_MAJOR) + "." + std::to_string(VEMRA_VERSION_MINOR) +
                                        "." + std::to_string(VEMRA_VERSION_BUILD));
}
