// romcast as a library: the converter of absolute IEEE 695 load modules into
// Motorola S-records, Intel HEX and raw binary images, callable any number of
// times in one process. Nothing here ends the process or keeps state between
// calls; every call is a whole run of the command line.
#pragma once

#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace romcast {

// Why a run ended before its end: the number of the program's message, the
// exit status that goes with it (1 interrupted, 2 a file could not be opened,
// created or closed, or memory ran out, 3 the module is unusable, 4 the command
// line is wrong) and the message line as the command line prints it ("" for an
// interrupt, and for "-v", which ends a run with status 0).
struct Failure {
    int code;
    int status;
    std::string message;

    static Failure outOfMemory();
};

// Runs `romcast args...` (`args` without the program's name), writing the
// console text to `console` and polling `cancel` at every safe point; when it
// becomes true the run ends as an interrupt ends it. A run that cannot finish
// removes what it created, shows the banner if it was not shown yet, and then
// throws its Failure (or std::bad_alloc), leaving the message to the caller.
void convert(const std::vector<std::string> &args, std::FILE *console, const std::atomic<bool> *cancel = nullptr);

// Prints the failure's message on `console`; returns its exit status.
int report(const Failure &failure, std::FILE *console);

// Does exactly what `romcast args...` does: the same files, the same text on
// `console`, and the same exit status returned.
inline int run(const std::vector<std::string> &args, std::FILE *console, const std::atomic<bool> *cancel = nullptr) {
    try {
        convert(args, console, cancel);
        return 0;
    } catch (const Failure &failure) {
        return report(failure, console);
    } catch (const std::bad_alloc &) {
        return report(Failure::outOfMemory(), console);
    }
}

}  // namespace romcast
