// One conversion: everything a run reads and changes, owned in one place and
// handed by reference to every step that needs it. Nothing of a run outlives
// this object, so any number of runs can follow one another in one process.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "diag/interrupt.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/moduleReader.h"
#include "ieee695/moduleTrees.h"
#include "output/outputFiles.h"
#include "output/outputTransaction.h"
#include "platform/fileSystem.h"

struct Conversion {
    Conversion(std::FILE *consoleStream, const CancelFlags &cancelFlags)
        : console(consoleStream), cancel(cancelFlags) {}
    Conversion(const Conversion &) = delete;
    Conversion &operator=(const Conversion &) = delete;

    std::FILE *console;  // banners, progress characters, warnings and the final message
    CancelFlags cancel;  // polled at every safe point

    RunSettings settings{};

    // The module: its bytes, read from the input as the run reaches them, the
    // part offsets of the header, and the section and unit trees.
    ModuleBytes moduleBytes;
    std::optional<platform::FileIdentity> inputIdentity;  // never to be written as an output
    ModuleParts parts{};
    ModuleTrees trees;

    // The files; each output file gets its own writer (output/imageWriter.h).
    OutputFiles files;
    OutputTransaction outputs;
    int listingItemCount = 0;  // unit items on the listing's current line
};
