// Ctrl-C and Ctrl-Break on Windows: the console calls the handler on a thread
// of its own, which only sets the flag that SIGINT sets elsewhere.
#include <windows.h>

#include "platform/interrupt.h"

namespace {

// The one mutable object of the process: the handler can reach nothing else.
volatile std::sig_atomic_t interruptSeen = 0;

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    // A second interrupt finds the flag set and starts nothing more.
    interruptSeen = 1;
    return TRUE;
}

}  // namespace

namespace platform {

const volatile std::sig_atomic_t *installInterruptHandler() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    return &interruptSeen;
}

}  // namespace platform
