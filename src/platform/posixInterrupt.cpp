// SIGINT on POSIX systems.
#include "platform/interrupt.h"

namespace {

// The one mutable object of the process: a signal handler can reach nothing else.
volatile std::sig_atomic_t interruptSeen = 0;

extern "C" void onInterrupt(int) {
    // A second interrupt must not start a second clean-up.
    std::signal(SIGINT, SIG_IGN);
    interruptSeen = 1;
}

}  // namespace

namespace platform {

const volatile std::sig_atomic_t *installInterruptHandler() {
    std::signal(SIGINT, onInterrupt);
    return &interruptSeen;
}

}  // namespace platform
