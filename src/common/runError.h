// The error that ends a run, raised where the run cannot go on and caught at
// the one boundary that reports it; and the text of warnings.
#pragma once

#include <string>

// How a run that cannot go on ends: the message code (see messages.h), its
// exit status and the console line that reports it ("" for an interrupt).
struct RunError {
    int code;
    int status;
    std::string message;
};

// Ends the run with `code`: throws the RunError that carries it, its "%s"
// placeholders replaced by the arguments in order. Never returns.
[[noreturn]] void fatalError(int code, const char *argument = nullptr, const char *second = nullptr);
[[noreturn]] inline void fatalError(int code, const std::string &argument) { fatalError(code, argument.c_str()); }

// The RunError of `code` with its arguments.
RunError describeError(int code, const char *argument, const char *second);
// The RunError of a run that memory ran out for.
RunError outOfMemory();

// "Warning (romcast): " and the warning text: what warn prints, for a caller
// that prints the same warning many times. Empty for an unknown code.
std::string warningLine(int code, const char *argument);

