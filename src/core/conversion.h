// One conversion: everything a run reads and changes, owned in one place and
// handed by reference to every step that needs it. Nothing of a run outlives
// this object, so any number of runs can follow one another in one process.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "diag/interrupt.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/moduleTrees.h"
#include "output/outputFiles.h"
#include "output/recordWriter.h"

// The arguments still to be read; options with a value take the next one.
struct ArgumentCursor {
    int count = 0;
    char **vector = nullptr;
    int next = 1;
};

struct Conversion {
    Conversion(std::FILE *consoleStream, const CancelFlags &cancelFlags)
        : console(consoleStream), cancel(cancelFlags) {}
    Conversion(const Conversion &) = delete;
    Conversion &operator=(const Conversion &) = delete;

    std::FILE *console;  // banners, progress characters, warnings and the final message
    CancelFlags cancel;  // polled at every safe point

    RunSettings settings{};

    // The command line while it is read. "-N" typed counts even when "-ID"
    // cancelled its effect: direct conversion and binary output are refused
    // together outright.
    ArgumentCursor arguments;
    bool directConvertTyped = false;

    // The module: its bytes, read whole when the input is opened, the part
    // offsets of the header, and the section and unit trees.
    std::vector<std::uint8_t> moduleBytes;
    ModuleParts parts{};
    ModuleTrees trees;

    // The writers and the files.
    RecordState recordState{};
    WriterBuffers writerBuffers{};
    OutputFiles files{};
    int listingItemCount = 0;  // unit items on the listing's current line
};
