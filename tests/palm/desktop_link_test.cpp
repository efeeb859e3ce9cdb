#include "palm/desktop_link.h"

#include <gtest/gtest.h>

#include "platform/process.h"

namespace {
struct Sent {
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Sent&) const = default;
};
}  // namespace

TEST(DesktopLink, MessageExchange) {
    const struct {
        const char* what;
        bool window;
        std::intptr_t probeAnswer, changeAnswer;
        int mode;
        int expected;
        std::vector<Sent> sent;
    } cases[] = {
        {"no Palm Desktop", false, 0, 0, 1, 1, {}},
        {"window not taking part", true, 0, 0, 1, 1, {{0, 0}}},
        {"probe answered otherwise", true, 0xBEC3, 0, 2, 1, {{0, 0}}},
        {"change allowed", true, 0xBEC4, 0, 1, 1, {{0, 0}, {1, 77}}},
        {"change refused", true, 0xBEC4, 5, 1, 0, {{0, 0}, {1, 77}}},
        {"after change, any answer", true, 0xBEC4, 5, 2, 1, {{0, 0}, {2, 77}}},
    };
    for (const auto& c : cases) {
        std::vector<Sent> sent;
        DesktopWindowCalls calls;
        calls.find = [&] { return c.window ? vemra::WindowHandle(42) : vemra::WindowHandle(0); };
        calls.send = [&](vemra::WindowHandle w, std::uintptr_t wParam, std::intptr_t lParam) {
            EXPECT_EQ(w, 42);
            sent.push_back({wParam, lParam});
            return wParam == 0 ? c.probeAnswer : c.changeAnswer;
        };
        EXPECT_EQ(NotifyDesktop(calls, c.mode, 77), c.expected) << c.what;
        EXPECT_EQ(sent, c.sent) << c.what;
    }
}

TEST(DesktopLink, ProgramPathHasOneBackslash) {
    for (const char* dir : {"C:\\Palm", "C:\\Palm\\"}) {
        vemra::SetEnv("VEMRA_PALM_DESKTOP", dir);
        EXPECT_EQ(PalmDesktopProgram(), "C:\\Palm\\palm.exe") << dir;
    }
    vemra::SetEnv("VEMRA_PALM_DESKTOP", "");
}
