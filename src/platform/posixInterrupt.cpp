// The signals of POSIX systems that end a process and can be caught.
#include <signal.h>

#include <atomic>

#include "platform/interrupt.h"

namespace {

// The flag the stop signals set; a handler can reach nothing but such objects.
std::atomic<bool> interruptSeen{false};
// Stored to from a signal handler: only a lock-free atomic may be.
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int) { interruptSeen.store(true); }

// SIGPIPE: the console's reader has gone ("romcast app | head"), or an output
// pipe's; SIGXFSZ: an output reached the file size limit ("ulimit -f").
constexpr int stopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ};

}  // namespace

namespace platform {

const std::atomic<bool> *installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    // No SA_RESTART: a read or write that waits is cut short by the signal, so
    // the run sees the flag at once instead of when the wait ends.
    action.sa_flags = 0;
    sigemptyset(&action.sa_mask);
    for (const int signal : stopSignals) sigaddset(&action.sa_mask, signal);
    for (const int signal : stopSignals) {
        struct sigaction inherited {};
        // A signal ignored by whoever started the process stays ignored.
        if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
    return &interruptSeen;
}

}  // namespace platform
