// The signals that end a process, caught so that they end a run as Ctrl-C
// does. A handler only records that a stop was asked for; the run polls the
// flag at its safe points and takes the error path there, so the clean-up never
// races with a file in use, and a second signal starts nothing more.
#pragma once

#include <atomic>

namespace platform {

// Installs the handlers and returns the flag they set. On POSIX systems:
// SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE and SIGXFSZ, each unless it was
// ignored when the process started (nohup, a background job); a system call
// that waits (a pipe, a FIFO) returns when one comes instead of going on
// waiting. On Windows: Ctrl-C, Ctrl-Break and the console's close, logoff and
// shutdown events.
const std::atomic<bool> *installInterruptHandlers();

}  // namespace platform
