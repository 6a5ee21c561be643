// The console events that end a process on Windows. The console calls the
// handler on a thread of its own, which only sets the flag that the signals set
// elsewhere.
#include <windows.h>

#include "platform/interrupt.h"

namespace {

// The one mutable object of the process: the handler can reach nothing else.
volatile std::sig_atomic_t interruptSeen = 0;

BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        // A second interrupt finds the flag set and starts nothing more.
        interruptSeen = 1;
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        interruptSeen = 1;
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

const volatile std::sig_atomic_t *installInterruptHandlers() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    return &interruptSeen;
}

}  // namespace platform
