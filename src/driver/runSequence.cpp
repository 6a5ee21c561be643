#include "driver/runSequence.h"

#include <cstdio>
#include <new>

#include "diag/interrupt.h"
#include "diag/memory.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/options.h"
#include "driver/rangeChecks.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/moduleTrees.h"
#include "listing/treeListing.h"
#include "output/directConvert.h"
#include "output/imageEmission.h"
#include "output/outputFiles.h"
#include "output/recordWriter.h"
#include "security/idReport.h"
#include "security/moduleIdSettings.h"
#include "security/securityOptions.h"

namespace {

// The usual path: the module read into section and unit trees, reconciled with
// "-A" and "-F", and written in address order.
void convertThroughTrees() {
    // The ID settings carried in the module win over the options (and may
    // create the ID report).
    readModuleIdSettings();
    // The module: sections, their units, then the units of each kind in address order.
    readSectionPart();
    readDataPart();
    // The section trees with their units ("+debug").
    listSectionTrees();
    rebuildUnitTrees();
    settings.readingPhase = 0;
    // The merged unit trees ("+debug").
    listUnitTrees();

    // A module that loads nothing leaves the extent at its start values.
    if (settings.highestSectionAddress == 0 && settings.lowestSectionAddress == 0xFFFFFF)
        fatalError(err::noData, settings.inputName);
    // "-A" and "-F" against the module's extent.
    reconcileRangesAfterReading();

    // The image in address order, with its security and end records.
    emitImage();
}

void convert(int argc, char **argv) {

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

    // Names, the input, the header (which settles the mode), then the outputs.
    deriveNames();
    openInput();
    readModuleHeader();
    openOutputs();

    if (hasFlag(flag::directConvert) && !hasFlag(flag::dualArea)) {
        // "-N": the data part record by record, in place of the trees, their
        // reconciliation with "-A"/"-F" and the image emission.
        convertDirect();
    } else {
        convertThroughTrees();
    }

    // The ID report, filled once the image is written.
    if (hasFlag(flag::idCode)) writeIdReport(settings.idReportFile);

    // Every file closed and each close checked; a newline ends the progress line.
    closeAllFiles();
    std::putchar('\n');
    // Records of type FF are this converter's own extension of Intel HEX.
    if (hasFlag(flag::hexOutput) && hasFlag(flag::above1MB)) warn(wrn::originalHex);
}

}  // namespace

int runConversion(int argc, char **argv) {
    // Before anything else, so that an interrupt at any moment cleans up.
    installInterruptHandler();
    try {
        convert(argc, argv);
        return 0;
    } catch (const RunError &error) {
        return finishFailedRun(error);
    } catch (const std::bad_alloc &) {
        return finishFailedRun(RunError{err::noMemory, "", ""});
    }
}
