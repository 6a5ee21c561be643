#include "driver/runSequence.h"

#include <cstdio>

#include "diag/interrupt.h"
#include "diag/memory.h"
#include "driver/options.h"
#include "driver/rangeChecks.h"
#include "driver/runSettings.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

int runConversion(int argc, char **argv) {
    // Before anything else, so that an interrupt at any moment cleans up.
    installInterruptHandler();
    installMemoryHandler();

    // Start values, then the record state and the security defaults; every
    // option overrides a start value.
    initRunSettings();
    recordState.binarySum = 0;
    recordState.binaryLength = 0;
    resetRecordState();
    initSecurityDefaults();

    // The command line, its cross-checks and the banner.
    parseOptions(argc, argv);

    // A fill range cannot go into a binary image.
    checkFillAgainstBinary();
    // "-A" and "-F" against each other, before any file is opened.
    reconcileRangesBeforeReading();

    return 0;
}
