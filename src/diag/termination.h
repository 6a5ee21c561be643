// Every way a run ends: the error exit with its clean-up, warnings, and the
// normal closing of all files.
#pragma once

#include <cstdio>
#include <string>

struct Conversion;

// How a run that cannot go on ends: the message code (see messages.h) and the
// texts for its "%s" placeholders, in order. Thrown by fatalError and caught at
// the one boundary of the run, which cleans up and prints the message.
struct RunError {
    int code;
    std::string argument;
    std::string second;
};

// Ends the run with `code`: throws the RunError that carries it. Never returns.
[[noreturn]] void fatalError(int code, const char *argument = nullptr, const char *second = nullptr);
[[noreturn]] inline void fatalError(int code, const std::string &argument) { fatalError(code, argument.c_str()); }

// The boundary's half of an ending: removes what the run created (in the order
// the files were named), shows the banner if it was not shown, prints the one
// message and returns the code's exit status.
int finishFailedRun(Conversion &conv, RunError error);
// The exit status of an ending, and the console line that reports it (empty
// for an interrupt).
int errorStatus(const RunError &error);
std::string errorText(const RunError &error);

// Prints "Warning (romcast): " and the warning text, and returns.
void warn(Conversion &conv, int code, const char *argument = nullptr);
inline void warn(Conversion &conv, int code, const std::string &argument) { warn(conv, code, argument.c_str()); }
