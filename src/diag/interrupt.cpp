#include "diag/interrupt.h"

#include "core/conversion.h"
#include "diag/messages.h"
#include "diag/termination.h"

namespace {
// The one mutable object of the process: a signal handler can reach nothing else.
volatile std::sig_atomic_t interruptSeen = 0;

extern "C" void onInterrupt(int) {
    // A second interrupt must not start a second clean-up.
    std::signal(SIGINT, SIG_IGN);
    interruptSeen = 1;
}
}  // namespace

void installInterruptHandler() { std::signal(SIGINT, onInterrupt); }

const volatile std::sig_atomic_t *interruptFlag() { return &interruptSeen; }

void checkInterrupt(Conversion &conv) {
    if (conv.cancel.raised()) fatalError(err::interrupted);
}
