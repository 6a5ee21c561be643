// Output names and the opening of the input and output files.
#pragma once

#include <cstdio>
#include <string>

struct Conversion;

// Outputs under their temporary names: the main output or the two area files,
// and the listing. They keep their entry until the run ends, so that the error
// path also finds an output already closed or already renamed.
struct PendingOutput {
    const char *finalName;
    std::string temporaryName;  // empty: written in place
    std::string target;         // the file renamed onto: finalName, or the file a link leads to
};

// The stdio buffers the run gives its files, and the outputs it has created.
struct OutputFiles {
    static constexpr int maxPendingOutputs = 4;
    PendingOutput pending[maxPendingOutputs];
    int pendingCount = 0;
    // The file whose close failed: an output among them is still deleted by the
    // clean-up, although its stream is already gone.
    const char *closeFailedName = nullptr;

    static constexpr std::size_t inputBufferSize = 256 * 1024;
    char inputBuffer[inputBufferSize];
    // A run writes at most two files at once (the CODE and the ROMDATA file), and
    // a buffer stays with its stream until the stream is closed.
    static constexpr std::size_t outputBufferSize = 256 * 1024;
    struct OutputBuffer {
        std::FILE *stream;
        char bytes[outputBufferSize];
    } outputBuffers[2];
};

// Derives inputStem, inputDir, outputName, outputHasExtension and entryAddress.
void deriveNames(Conversion &conv);
// Opens inputFile for binary reading (error 1).
void openInput(Conversion &conv);
// Opens `name` with `mode`; on failure fatalError(errorCode, name).
std::FILE *openOrFail(Conversion &conv, const char *name, const char *mode, int errorCode);
// Names and creates the output files; runs after the header decided dualArea.
void openOutputs(Conversion &conv);
