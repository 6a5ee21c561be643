#include "diag/interrupt.h"

#include <csignal>

#include "diag/messages.h"
#include "diag/termination.h"

namespace {
volatile std::sig_atomic_t interruptSeen = 0;
}

extern "C" void onInterrupt(int) {
    // A second interrupt must not start a second clean-up.
    std::signal(SIGINT, SIG_IGN);
    interruptSeen = 1;
}

void installInterruptHandler() { std::signal(SIGINT, onInterrupt); }

void checkInterrupt() {
    if (interruptSeen != 0) fatalError(err::interrupted);
}
