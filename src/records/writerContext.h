// What a writer shares with the run while it writes: the console its warnings
// go to, the progress count, the fill's progress (which carries from the CODE
// file into the ROM data file of a dual-area run) and the module, which the
// S-record end record reads its entry address from.
#pragma once

#include "common/console.h"
#include "module/moduleReader.h"
#include "records/gapFillCursor.h"

struct WriterContext {
    Console &console;
    Progress &progress;
    GapFillCursor &fill;
    const ModuleSource &module;
};
