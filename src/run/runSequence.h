// The fixed sequence of a run.
#pragma once

#include <cstdio>

#include <cstdint>
#include <span>
#include <vector>

#include "common/cancel.h"
#include "common/console.h"
#include "output/memoryOutputs.h"
#include "plan/securityPlan.h"

// Runs the whole conversion that the command line `argv` asks for, writing its
// console text to `console` and polling `cancel` at every safe point. A run that
// cannot finish cleans up and throws its RunError (or std::bad_alloc) on to the
// caller, which prints the message and decides the exit status.
void runConversion(int argc, const char *const *argv, std::FILE *console, const CancelFlags &cancel);

// The same run with the module given in memory and the outputs kept in memory:
// no file is touched. The console text goes nowhere but to `hooks`. Gives the
// outputs in the order the command line closes its files, and the security
// bytes the run was asked for.
struct InMemoryRun {
    std::vector<MemoryOutputs::Output> outputs;
    SecurityPlan security;
};
InMemoryRun convertInMemory(int argc, const char *const *argv, std::span<const std::uint8_t> module,
                            ConsoleHooks hooks, const CancelFlags &cancel);
