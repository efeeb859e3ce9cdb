#include "platform/message_pump.h"

#include <csignal>

namespace vemra {

namespace {
volatile std::sig_atomic_t g_stopRequested = 0;
bool g_bReported = false;

extern "C" void OnInterruptSignal(int) { g_stopRequested = 1; }
}  // namespace

int PumpWaitingMessages() {
    if (!g_stopRequested) return 0;
    g_bReported = true;
    return -1;
}

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    // Restarted system calls keep file writes whole; the handler resets itself so that a
    // second Ctrl-C ends a run that does not stop quickly enough.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool WasInterrupted() { return g_bReported; }

void RequestInterrupt() { g_stopRequested = 1; }

void ClearInterrupt() {
    g_stopRequested = 0;
    g_bReported = false;
}

}  // namespace vemra
