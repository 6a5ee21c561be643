// Output names and the opening of the input and output files.
#pragma once

#include <string>

#include "plan/namesPlan.h"

struct Conversion;
struct RunSettings;

// The names of the input and the outputs and the entry address, from the
// command line (error 0 for an input without an extension, errors 6 and 9 for
// an "-e" text that is no address of the target).
NamesPlan deriveNames(const RunSettings &settings);
// Opens the input module (error 1 when it cannot be opened or is a directory)
// for its bytes to be read as the run reaches them, and notes which file it is.
void openInput(Conversion &conv);
// Refuses (error 2) an output name that is the input module itself, under its
// own name or through a link, before anything is written: the user's module must
// never be truncated.
void refuseTheInput(Conversion &conv, const std::string &name);
// The output form against the module's target, as soon as the target is known:
// a binary image holds one area, so a module for the dual-area chip cannot
// become one (error 16); then "+d51x" forces two areas.
void planOutputForm(Conversion &conv);
// Names and creates the output files; runs after the header decided dualArea.
void openOutputs(Conversion &conv);
