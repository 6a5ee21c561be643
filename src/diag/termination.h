// Every way a run ends: the error exit with its clean-up, warnings, and the
// normal closing of all files.
#pragma once

#include <cstdio>

// Cleans up, prints the message of `code` (see messages.h) with its "%s"
// placeholders replaced by the arguments in order, and ends the process with the
// code's exit status. Never returns.
[[noreturn]] void fatalError(int code, const char *argument = nullptr, const char *second = nullptr);

// Prints "Warning (romcast): " and the warning text, and returns.
void warn(int code, const char *argument = nullptr);

// Closes an open stream and forgets it; a failed close is error 3 with `name`.
void closeOrFail(const char *name, std::FILE *&stream);

// Closes an open stream (ignoring the result), forgets it and deletes the file;
// for an output still under its temporary name, deletes that file too.
void discardOutput(std::FILE *&stream, const char *name);

// An output being written under `temporaryName`, in the directory of its
// `finalName`. closeAllFiles renames it into place once every close has
// succeeded; the error path deletes both names. `finalName` must stay valid.
// Without a temporary name the output is a device or a pipe written in place,
// which is neither renamed nor ever deleted. When `finalName` is a symbolic
// link, `target` is the file it leads to: the output is renamed onto that file
// (and that file is what the error path deletes), and the link stays.
void notePendingOutput(const char *finalName, const char *temporaryName, const char *target = nullptr);

// The normal closing step of a run: every open file closed, each close checked,
// then the outputs renamed to their final names.
void closeAllFiles();
