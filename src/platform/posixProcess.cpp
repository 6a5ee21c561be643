// The process start on POSIX systems, where arguments are bytes and streams
// never translate line ends.
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "platform/process.h"

namespace platform {

void openStandardStreams() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is this one, as the ones below it are open.
        const int opened = open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
        if (opened > descriptor) {
            dup2(opened, descriptor);
            close(opened);
        }
    }
}

std::vector<std::string> commandLineArguments(int argc, char **argv) { return {argv, argv + argc}; }

void writeConsoleUnchanged(std::FILE *) {}

bool isTerminal(std::FILE *stream) { return isatty(fileno(stream)) == 1; }

}  // namespace platform
