// Output names and the opening of the input and output files.
#pragma once

#include <cstdio>

// Derives inputStem, inputDir, outputName, outputHasExtension and entryAddress.
void deriveNames();
// Opens inputFile for binary reading (error 1).
void openInput();
// Opens `name` with `mode`; on failure fatalError(errorCode, name).
std::FILE *openOrFail(const char *name, const char *mode, int errorCode);
// Names and creates the output files; runs after the header decided dualArea.
void openOutputs();
