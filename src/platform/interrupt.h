// The console interrupt of the operating system (Ctrl-C). The handler only
// records that an interrupt came; the run polls the flag at its safe points and
// takes the error path there, so the clean-up never races with a stream in use.
#pragma once

#include <csignal>

namespace platform {

// Installs the handler, which ignores further interrupts and sets the flag;
// returns the flag.
const volatile std::sig_atomic_t *installInterruptHandler();

}  // namespace platform
