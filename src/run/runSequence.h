// The fixed sequence of a run.
#pragma once

#include <cstdio>

#include "common/cancel.h"

// Runs the whole conversion that the command line `argv` asks for, writing its
// console text to `console` and polling `cancel` at every safe point. A run that
// cannot finish cleans up and throws its RunError (or std::bad_alloc) on to the
// caller, which prints the message and decides the exit status.
void runConversion(int argc, const char *const *argv, std::FILE *console, const CancelFlags &cancel);
