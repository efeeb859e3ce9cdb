#include "platform/message_pump.h"

#include <windows.h>

#include <atomic>

#include "platform/pacer.h"

namespace vemra {

namespace {
bool g_bReported = false;
DWORD g_mainThread = 0;
// Looking at the queue is a window-server call: done by the clock, or at once after a stop
// request of our own.
CPacer g_pacer;
std::atomic<bool> g_bLookNow{false};

BOOL WINAPI OnConsoleControl(DWORD) {
    // Runs on a thread of its own: hand the stop to the operation's thread as a quit message.
    PostThreadMessageA(g_mainThread, WM_QUIT, 0, 0);
    g_bLookNow = true;
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    return TRUE;
}
}  // namespace

int PumpWaitingMessages() {
    if (!g_bLookNow.exchange(false) && !g_pacer.Due()) return 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            // The program's own message loop must still see the quit request.
            PostQuitMessage(0);
            g_bReported = true;
            return -1;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

void InstallInterruptHandler() {
    g_mainThread = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);   // makes sure the thread has a queue
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool WasInterrupted() { return g_bReported; }

void RequestInterrupt() {
    PostQuitMessage(0);
    g_bLookNow = true;
}

void ClearInterrupt() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    g_bReported = false;
}

}  // namespace vemra
