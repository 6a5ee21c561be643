// The console events that end a process on Windows. The console calls the
// handler on a thread of its own, which only sets the flag that the signals set
// elsewhere.
#include <windows.h>

#include <atomic>

#include "platform/interrupt.h"

namespace {

// The flag the console events set, from a thread of their own.
std::atomic<bool> interruptSeen{false};
// Stored to from a signal handler: only a lock-free atomic may be.
static_assert(std::atomic<bool>::is_always_lock_free);

BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        // A second interrupt finds the flag set and starts nothing more.
        interruptSeen.store(true);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        interruptSeen.store(true);
        // The system ends the process as soon as this handler returns: it never
        // does. The run sees the flag, cleans up and ends the process itself;
        // the system still ends it after its own time-out.
        Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

namespace platform {

const std::atomic<bool> *installInterruptHandlers() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    return &interruptSeen;
}

}  // namespace platform
