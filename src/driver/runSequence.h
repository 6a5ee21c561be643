// The fixed sequence of a run.
#pragma once

#include <cstdio>

#include "diag/interrupt.h"

// Runs the whole conversion that the command line `argv` asks for, writing its
// console text to `console` and polling `cancel` at every safe point. Returns
// the exit status; never ends the process.
int runConversion(int argc, char **argv, std::FILE *console, const CancelFlags &cancel);
