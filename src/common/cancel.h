// Cancellation: what a run polls at its safe points (every record read, every
// progress event, the closing of the files).
#pragma once

#include <atomic>

// The flag an interrupt handler sets, or a request from a program that embeds
// the converter; absent where nothing can ask for a stop.
struct CancelFlags {
    const std::atomic<bool> *request = nullptr;

    bool raised() const { return request != nullptr && request->load(std::memory_order_relaxed); }
};

// Ends the run as an interrupt ends it: fatalError(100).
[[noreturn]] void stopForInterrupt();

// A safe point: when cancellation was asked for, the run ends there. Called for
// every record written, so the test stays inline.
inline void checkInterrupt(const CancelFlags &cancel) {
    if (cancel.raised()) stopForInterrupt();
}
