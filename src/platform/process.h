// What the command line shell needs of the system at the start of the process.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Opens each of the standard descriptors 0, 1 and 2 that is closed on the null
// device, before any file is opened: a file would otherwise take its number, and
// console text meant for it would go into that file.
void openStandardStreams();

// The command-line arguments, the program's name first, as UTF-8 whatever code
// page the system would hand them over in.
std::vector<std::string> commandLineArguments(int argc, char **argv);

// Makes `console` write its bytes unchanged, so that its text ends its lines
// with "\n" on every system.
void writeConsoleUnchanged(std::FILE *console);

// Whether `stream` is a terminal, which shows what is written at once.
bool isTerminal(std::FILE *stream);

}  // namespace platform
