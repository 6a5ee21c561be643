// Every way a run ends: the error exit with its clean-up, warnings, and the
// normal closing of all files.
#pragma once

#include <cstdio>
#include <string>

#include <romcast/romcast.h>

struct Conversion;

// How a run that cannot go on ends: the message code (see messages.h), its
// exit status and the console line that reports it.
using RunError = romcast::Failure;

// Ends the run with `code`: throws the RunError that carries it, its "%s"
// placeholders replaced by the arguments in order. Never returns.
[[noreturn]] void fatalError(int code, const char *argument = nullptr, const char *second = nullptr);
[[noreturn]] inline void fatalError(int code, const std::string &argument) { fatalError(code, argument.c_str()); }

// The RunError of `code` with its arguments.
RunError describeError(int code, const char *argument, const char *second);

// The error path of a run, before the error reaches the caller: every output
// the run created removed (the ID report stays), and the banner shown if it was
// not shown yet.
void cleanUpAfterFailure(Conversion &conv);

// "Warning (romcast): " and the warning text: what warn prints, for a caller
// that prints the same warning many times. Empty for an unknown code.
std::string warningLine(int code, const char *argument);

// Prints "Warning (romcast): " and the warning text, and returns.
void warn(Conversion &conv, int code, const char *argument = nullptr);
inline void warn(Conversion &conv, int code, const std::string &argument) { warn(conv, code, argument.c_str()); }
