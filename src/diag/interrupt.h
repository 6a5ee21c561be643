// The console interrupt. The handler only records that an interrupt came; the
// main flow takes the error path at its next safe point, so the clean-up never
// races with a stream that is in use.
#pragma once

// Installs onInterrupt for SIGINT.
void installInterruptHandler();
// The SIGINT handler: ignores further interrupts and records this one.
extern "C" void onInterrupt(int signalNumber);
// A safe point: when an interrupt has come, fatalError(100).
void checkInterrupt();
