#include <romcast/romcast.h>

#include "diag/interrupt.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSequence.h"

namespace romcast {

Failure Failure::outOfMemory() { return describeError(err::noMemory, nullptr, nullptr); }

void convert(const std::vector<std::string> &args, std::FILE *console, const std::atomic<bool> *cancel) {
    // The run reads the command line as main receives it: the program's name
    // first, then the arguments, then a null pointer.
    std::vector<std::string> storage;
    storage.reserve(args.size() + 1);
    storage.emplace_back("romcast");
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    argv.reserve(storage.size() + 1);
    for (std::string &argument : storage) argv.push_back(argument.data());
    argv.push_back(nullptr);
    runConversion(static_cast<int>(storage.size()), argv.data(), console, CancelFlags{nullptr, cancel});
}

int report(const Failure &failure, std::FILE *console) {
    std::fputs(failure.message.c_str(), console);
    std::fflush(console);
    return failure.status;
}

}  // namespace romcast
