// The process start on POSIX systems, where arguments are bytes and streams
// never translate line ends: nothing to do.
#include "platform/process.h"

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char **argv) { return {argv, argv + argc}; }

void writeConsoleUnchanged(std::FILE *) {}

}  // namespace platform
