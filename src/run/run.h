// What changes while a run goes: its console and progress count, the cancel
// flags, the input module's bytes as they are read, the output transaction and
// the fill's progress. Everything else a step needs is a value an earlier step
// made. Nothing of a run outlives this object, so any number of runs can follow
// one another in one process.
#pragma once

#include <cstdio>
#include <optional>

#include "common/cancel.h"
#include "common/console.h"
#include "module/moduleBytes.h"
#include "output/outputSet.h"
#include "platform/fileSystem.h"
#include "records/gapFillCursor.h"

struct Run {
    Run(Console &runConsole, const CancelFlags &cancelFlags, OutputSet &runOutputs)
        : console(runConsole), progress(runConsole, cancelFlags), cancel(cancelFlags), outputs(runOutputs) {}
    Run(const Run &) = delete;
    Run &operator=(const Run &) = delete;

    Console &console;    // banners, progress characters, warnings
    Progress progress;
    CancelFlags cancel;  // polled at every safe point

    ModuleBytes moduleBytes;  // read from the input as the steps reach them
    std::optional<platform::FileIdentity> inputIdentity;  // never to be written as an output
    OutputSet &outputs;       // files published together, or memory
    GapFillCursor fill;
};
