#include "tests/fake_palm_desktop.h"

#include <windows.h>

#include <future>
#include <mutex>
#include <thread>

#include "palm/desktop_link.h"

namespace vemra::test {

struct CFakePalmDesktop::State {
    std::intptr_t changeAnswer = 0;
    mutable std::mutex lock;
    std::vector<Message> received;
    std::thread thread;
    DWORD threadId = 0;
};

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<CFakePalmDesktop::State*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == kDesktopMessage && state) {
        std::lock_guard<std::mutex> guard(state->lock);
        state->received.push_back({wParam, lParam});
        if (wParam == 0) return kDesktopMessage;   // the probe: Palm Desktop takes part
        if (wParam == desktopBeforeChange) return state->changeAnswer;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

CFakePalmDesktop::CFakePalmDesktop() : m_state(std::make_unique<State>()) {}

CFakePalmDesktop::~CFakePalmDesktop() {
    if (!m_state->thread.joinable()) return;
    PostThreadMessageA(m_state->threadId, WM_QUIT, 0, 0);
    m_state->thread.join();
}

bool CFakePalmDesktop::Start(std::intptr_t changeAnswer) {
    m_state->changeAnswer = changeAnswer;
    std::promise<bool> ready;
    std::future<bool> created = ready.get_future();
    State* state = m_state.get();
    m_state->thread = std::thread([state, &ready] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kDesktopWindowClass;
        RegisterClassA(&windowClass);
        HWND window = CreateWindowA(kDesktopWindowClass, "Palm Desktop", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                    nullptr, nullptr, windowClass.hInstance, nullptr);
        if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        state->threadId = GetCurrentThreadId();
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);   // the queue exists before anyone posts
        ready.set_value(window != nullptr);
        if (!window) return;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        DestroyWindow(window);
        UnregisterClassA(kDesktopWindowClass, windowClass.hInstance);
    });
    return created.get();
}

std::vector<CFakePalmDesktop::Message> CFakePalmDesktop::Received() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->received;
}

}  // namespace vemra::test
