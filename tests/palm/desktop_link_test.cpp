#include "palm/desktop_link.h"

#include <gtest/gtest.h>

#include "platform/process.h"
#include "tests/test_support.h"

TEST(DesktopLink, MessageExchange) {
    for (const auto& row : vemra::test::DataRows("palm/desktop-link.txt")) {
        std::string sent;
        DesktopWindowCalls calls;
        calls.find = [&] { return vemra::WindowHandle(row.at(1) == "1" ? 42 : 0); };
        calls.send = [&](vemra::WindowHandle w, std::uintptr_t wParam, std::intptr_t lParam) {
            EXPECT_EQ(w, 42);
            sent.append(sent.empty() ? "" : " ").append(std::to_string(wParam) + ":" + std::to_string(lParam));
            return static_cast<std::intptr_t>(std::stoll(row.at(wParam == 0 ? 2 : 3), nullptr, 0));
        };
        EXPECT_EQ(NotifyDesktop(calls, std::stoi(row.at(4)), 77), std::stoi(row.at(5))) << row[0];
        EXPECT_EQ(sent, row.at(6)) << row[0];
    }
}

TEST(DesktopLink, ProgramPathHasOneBackslash) {
    for (const char* dir : {"C:\\Palm", "C:\\Palm\\"}) {
        vemra::SetEnv("VEMRA_PALM_DESKTOP", dir);
        EXPECT_EQ(PalmDesktopProgram(), "C:\\Palm\\palm.exe") << dir;
    }
    vemra::SetEnv("VEMRA_PALM_DESKTOP", "");
}
