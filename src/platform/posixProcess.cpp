// The process start on POSIX systems, where arguments are bytes and streams
// never translate line ends: nothing to do.
#include <unistd.h>

#include "platform/process.h"

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char **argv) { return {argv, argv + argc}; }

void writeConsoleUnchanged(std::FILE *) {}

bool isTerminal(std::FILE *stream) { return isatty(fileno(stream)) == 1; }

}  // namespace platform
