// The console interrupt. The handler only records that an interrupt came; the
// run takes the error path at its next safe point, so the clean-up never races
// with a stream that is in use.
#pragma once

#include <atomic>
#include <csignal>

struct Conversion;

// What a run polls at its safe points: the flag the SIGINT handler sets, and a
// request from a program that embeds the converter. Either may be absent.
struct CancelFlags {
    const volatile std::sig_atomic_t *signal = nullptr;
    const std::atomic<bool> *request = nullptr;

    bool raised() const {
        return (signal != nullptr && *signal != 0) || (request != nullptr && request->load());
    }
};

// Installs the SIGINT handler, which ignores further interrupts and sets the
// flag that interruptFlag() returns.
void installInterruptHandler();
const volatile std::sig_atomic_t *interruptFlag();
// A safe point: when an interrupt has come, fatalError(100).
void checkInterrupt(Conversion &conv);
