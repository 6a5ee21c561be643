#include "run/runSequence.h"

#include <cstdio>
#include <memory>
#include <new>

#include "run/conversion.h"
#include "common/cancel.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/options.h"
#include "plan/rangePlan.h"
#include "options/runSettings.h"
#include "module/moduleHeader.h"
#include "module/layoutReading.h"
#include "emission/treeListing.h"
#include "emission/directConvert.h"
#include "emission/imageEmission.h"
#include "run/outputFiles.h"
#include "output/outputTransaction.h"
#include "emission/idReport.h"
#include "module/moduleIdTexts.h"
#include "platform/process.h"
#include "options/securityOptions.h"

namespace {

// The error path of a run, before the error reaches the caller: every output
// the run created removed (the ID report stays), and the banner shown if it was
// not shown yet.
void cleanUpAfterFailure(Conversion &conv) {
    conv.outputs.rollback();
    if (!conv.console.bannerShown()) conv.console.showBanner();
}

// The usual path: the module read into section and unit trees, reconciled with
// "-A" and "-F", and written in address order.
void convertThroughTrees(Conversion &conv) {
    // The ID settings carried in the module win over the options.
    readModuleIdSettings(conv);
    // The ID report of an ID code from either, made before the module's parts
    // are read: a later failure leaves it in place.
    if (conv.settings.has(flag::idCode)) createIdReport(conv);
    // The module: sections, their units, then the units of each kind in address order.
    readSectionPart(conv);
    readDataPart(conv);
    // The section trees with their units ("+debug").
    listSectionTrees(conv);
    rebuildUnitTrees(conv);
    conv.progress.readingDone();
    // The merged unit trees ("+debug").
    listUnitTrees(conv);

    if (conv.settings.moduleLoadsNothing())
        fatalError(err::noData, conv.settings.inputName);
    // "-A" and "-F" against the module's extent.
    reconcileRangesAfterReading(conv);

    // The image in address order, with its security and end records.
    emitImage(conv);
}

void convert(Conversion &conv, int argc, const char *const *argv) {
    // Start values, then the security defaults; every option overrides a start value.
    initRunSettings(conv.settings);
    initSecurityDefaults(conv);

    // The command line, its cross-checks and the banner.
    parseOptions(conv, argc, argv);
    if (conv.settings.has(flag::binaryOutput)) conv.progress.countBytes();

    // A fill range cannot go into a binary image.
    checkFillAgainstBinary(conv);
    // "-A" and "-F" against each other, before any file is opened.
    reconcileRangesBeforeReading(conv);

    // Names, the input, its target (which settles the mode and so the output
    // form), the rest of the header, then the outputs.
    conv.names = deriveNames(conv.settings);
    openInput(conv);
    readModuleTarget(conv);
    planOutputForm(conv);
    conv.parts = readModuleParts(conv);
    openOutputs(conv);

    if (conv.settings.has(flag::directConvert) && !conv.settings.has(flag::dualArea)) {
        // "-N": the data part record by record, in place of the trees, their
        // reconciliation with "-A"/"-F" and the image emission.
        convertDirect(conv);
    } else {
        convertThroughTrees(conv);
    }

    // The ID report, filled once the image is written, if this run made one.
    if (OutputSink *report = conv.outputs.stream(OutputRole::idReport)) writeIdReport(conv, *report);

    // A module whose file changed while it was read is no module: its bytes
    // may be of either version, or zeros where a page was cut away.
    conv.moduleBytes.confirmUnchanged(conv.settings.inputName.c_str());
    // Every file closed and each close checked, then the outputs under their
    // names; a newline ends the progress line.
    conv.outputs.commit();
    conv.console.write("\n");
    // Records of type FF are this converter's own extension of Intel HEX.
    if (conv.settings.has(flag::hexOutput) && conv.settings.has(flag::above1MB)) conv.console.warn(wrn::originalHex);
}

}  // namespace

void runConversion(int argc, const char *const *argv, std::FILE *console, const CancelFlags &cancel) {
    // The run's state is large (its file buffers among it): it lives on the heap.
    const auto conv = std::make_unique<Conversion>(console, platform::isTerminal(console), cancel);
    try {
        convert(*conv, argc, argv);
    } catch (...) {
        // Whatever ended the run, nothing of it may stay behind; the error goes
        // on to the caller, which reports it.
        cleanUpAfterFailure(*conv);
        throw;
    }
}
