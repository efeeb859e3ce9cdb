#pragma once
// A stand-in for Palm Desktop's main window, for tests that run the program beside it: a
// top-level window of Palm Desktop's class, on a thread of its own, that answers the probe and
// answers a change (mode 1) as told, and records every message it is sent. Windows only; Start
// fails elsewhere (natively no such window can exist).

#include <cstdint>
#include <memory>
#include <vector>

namespace vemra::test {

class CFakePalmDesktop {
public:
    struct Message {
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool operator==(const Message&) const = default;
    };

    CFakePalmDesktop();
    ~CFakePalmDesktop();   // closes the window and ends its thread
    CFakePalmDesktop(const CFakePalmDesktop&) = delete;
    CFakePalmDesktop& operator=(const CFakePalmDesktop&) = delete;

    // Shows the window; changeAnswer is its answer to mode 1 (0 allows the change).
    bool Start(std::intptr_t changeAnswer);
    std::vector<Message> Received() const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

}  // namespace vemra::test
