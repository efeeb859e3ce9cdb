#pragma once
// Keeps the program responsive between the records of a long operation, and lets a user stop
// it. Windows: the thread's message pump; a quit message stops the operation (and is posted
// again for the program's own loop). Natively there is no message queue: SIGINT or SIGTERM,
// once InstallInterruptHandler has run, stops the operation instead of killing the process.

namespace vemra {

// 0: go on; -1: stop now (the caller still finishes its file and saves its datebook).
// Cheap enough to call once per record: the queue is looked at every few tens of milliseconds
// (and at once after RequestInterrupt or a console stop).
int PumpWaitingMessages();

// Batch runs: Ctrl-C and SIGTERM (Windows console: Ctrl-C, Ctrl-Break, console closed) make the
// next pump return -1. A second signal ends the process at once (saves are atomic).
void InstallInterruptHandler();

// True once a pump has reported a stop (sticky until ClearInterrupt).
bool WasInterrupted();

// Raises the stop request as the signal or quit message would; for tests.
void RequestInterrupt();
// Forgets a stop request (and on Windows drops a waiting quit message).
void ClearInterrupt();

}  // namespace vemra
