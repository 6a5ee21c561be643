#include <romcast/romcast.h>

#include "common/cancel.h"
#include "common/messages.h"
#include "common/runError.h"
#include "run/runSequence.h"

namespace romcast {

Failure Failure::outOfMemory() { return describeError(err::noMemory, nullptr, nullptr); }

void convert(const std::vector<std::string> &args, std::FILE *console, const std::atomic<bool> *cancel) {
    // The run reads the command line as main receives it: the program's name
    // first, then the arguments, then a null pointer. It only reads them.
    std::vector<const char *> argv;
    argv.reserve(args.size() + 2);
    argv.push_back("romcast");
    for (const std::string &argument : args) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    runConversion(static_cast<int>(argv.size() - 1), argv.data(), console, CancelFlags{cancel});
}

int report(const Failure &failure, std::FILE *console) {
    std::fputs(failure.message.c_str(), console);
    std::fflush(console);
    return failure.status;
}

}  // namespace romcast
