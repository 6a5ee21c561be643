// Cancellation: what a run polls at its safe points (every record read, every
// progress event, the closing of the files).
#pragma once

#include <atomic>
#include <csignal>

// The flag an interrupt handler sets, and a request from a program that embeds
// the converter. Either may be absent.
struct CancelFlags {
    const volatile std::sig_atomic_t *signal = nullptr;
    const std::atomic<bool> *request = nullptr;

    bool raised() const {
        return (signal != nullptr && *signal != 0) || (request != nullptr && request->load());
    }
};

// Ends the run as an interrupt ends it: fatalError(100).
[[noreturn]] void stopForInterrupt();

// A safe point: when cancellation was asked for, the run ends there. Called for
// every record written, so the test stays inline.
inline void checkInterrupt(const CancelFlags &cancel) {
    if (cancel.raised()) stopForInterrupt();
}
