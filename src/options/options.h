// The command line.
#pragma once

#include "options/runSettings.h"

class Console;

// The run settings from the command line (argv[0] is the program's name): each
// option checked as it is read, the security options against each other after
// the last, then the banner and the input name. `console` shows the banner, or
// the short one of "-v", and learns of "-.".
// With `nameRequired` false the input name may be left out, and a lone option
// is read as any other.
RunSettings parseOptions(int argc, const char *const *argv, Console &console, bool nameRequired = true);
