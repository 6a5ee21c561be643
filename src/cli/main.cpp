// romcast: converts an absolute IEEE 695 load module into S-records, Intel HEX or
// a raw binary image. The command line is a thin shell around the converter,
// and the one place where a run's failure becomes a message and an exit status.
#include <cstdio>
#include <string>
#include <vector>

#include <romcast/romcast.h>

#include "platform/inputFile.h"
#include "platform/interrupt.h"
#include "platform/process.h"

int main(int argc, char **argv) {
    // Before any file is opened: the console text goes to the console or nowhere.
    platform::openStandardStreams();
    // Before anything else is done, so that a signal at any moment cleans up.
    const std::atomic<bool> *interrupted = platform::installInterruptHandlers();
    platform::mapInputsShared();
    // The console text is the same bytes on every system.
    platform::writeConsoleUnchanged(stdout);
    // The arguments as UTF-8, as every name inside the program is, without
    // the program's own name.
    std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());
    // The whole run, through the library as any program would run it: the
    // files, the console text and the exit status.
    return romcast::run(args, stdout, interrupted);
}
