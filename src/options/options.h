// The command line.
#pragma once

struct Conversion;

void parseOptions(Conversion &conv, int argc, const char *const *argv);
