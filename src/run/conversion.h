// One conversion: everything a run reads and changes, owned in one place and
// handed by reference to every step that needs it. Nothing of a run outlives
// this object, so any number of runs can follow one another in one process.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "common/cancel.h"
#include "common/console.h"
#include "options/runSettings.h"
#include "module/moduleParts.h"
#include "module/moduleBytes.h"
#include "module/moduleLayout.h"
#include "plan/namesPlan.h"
#include "output/outputTransaction.h"
#include "platform/fileSystem.h"

struct Conversion {
    Conversion(std::FILE *consoleStream, bool flushEachMark, const CancelFlags &cancelFlags)
        : console(consoleStream, flushEachMark), progress(console, cancelFlags), cancel(cancelFlags) {}
    Conversion(const Conversion &) = delete;
    Conversion &operator=(const Conversion &) = delete;

    Console console;     // banners, progress characters, warnings
    Progress progress;
    CancelFlags cancel;  // polled at every safe point

    RunSettings settings{};
    NamesPlan names;  // the names step's result

    // The module: its bytes, read from the input as the run reaches them, the
    // part offsets of the header, and the section and unit trees.
    ModuleBytes moduleBytes;
    std::optional<platform::FileIdentity> inputIdentity;  // never to be written as an output
    ModuleParts parts{};
    ModuleTrees trees;

    // The output files; each gets its own writer (output/imageWriter.h).
    OutputTransaction outputs{cancel};
    int listingItemCount = 0;  // unit items on the listing's current line
};
