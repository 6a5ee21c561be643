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

// Closes an open stream and forgets it; a failed close is error 3 with `name`.
void closeOrFail(Conversion &conv, const char *name, std::FILE *&stream);

// Closes an open stream (ignoring the result), forgets it and deletes the file;
// for an output still under its temporary name, deletes that file too.
void discardOutput(Conversion &conv, std::FILE *&stream, const char *name);

// An output being written under `temporaryName`, in the directory of its
// `finalName`. closeAllFiles renames it into place once every close has
// succeeded; the error path deletes both names. `finalName` must stay valid.
// Without a temporary name the output is a device or a pipe written in place,
// which is neither renamed nor ever deleted. When `finalName` is a symbolic
// link, `target` is the file it leads to: the output is renamed onto that file
// (and that file is what the error path deletes), and the link stays.
void notePendingOutput(Conversion &conv, const char *finalName, const char *temporaryName,
                       const char *target = nullptr);

// The normal closing step of a run: every open file closed, each close checked,
// then the outputs renamed to their final names.
void closeAllFiles(Conversion &conv);
