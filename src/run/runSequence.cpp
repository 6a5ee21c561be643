#include "run/runSequence.h"

#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include "common/cancel.h"
#include "common/messages.h"
#include "common/runError.h"
#include "emission/directConvert.h"
#include "emission/idReport.h"
#include "emission/imageEmission.h"
#include "emission/layoutListing.h"
#include "module/layoutReading.h"
#include "module/moduleHeader.h"
#include "module/moduleIdTexts.h"
#include "module/moduleReader.h"
#include "options/options.h"
#include "options/runSettings.h"
#include "plan/imagePlan.h"
#include "plan/namesPlan.h"
#include "plan/rangePlan.h"
#include "plan/securityPlan.h"
#include "platform/process.h"
#include "output/outputTransaction.h"
#include "records/writerContext.h"
#include "run/outputFiles.h"
#include "run/run.h"

namespace {

// The error path of a run, before the error reaches the caller: every output
// the run created removed (the ID report stays), and the banner shown if it was
// not shown yet.
void cleanUpAfterFailure(Run &run) {
    run.outputs.rollback();
    if (!run.console.bannerShown()) run.console.showBanner();
}

// What a run's image was written from, for the steps after it.
struct Written {
    SecurityPlan security;
    ModuleExtent extent;
};

// The usual path: the module read into its layout, reconciled with "-A" and
// "-F", and written in address order.
Written convertThroughLayout(Run &run, const RunSettings &settings, const NamesPlan &names,
                             const RangePlan &rangeBeforeReading, const ModuleSource &module,
                             const ModuleParts &parts, bool dualArea) {
    // The ID settings carried in the module win over the options.
    SecurityPlan security = planSecurity(settings, readModuleIdTexts(module, parts.environmentPart));
    for (const int warning : security.warnings) run.console.warn(warning);
    // The ID report of an ID code from either, made before the module's parts
    // are read: a later failure leaves it in place.
    if (security.has(flag::idCode)) createIdReport(run, settings, names);
    // The module: sections, their units, then the units of each kind in address order.
    ModuleLayout read = readSectionPart(module, parts, dualArea, run.progress);
    const ModuleLayout layout = readDataPart(module, parts, dualArea, std::move(read), run.progress);
    // The sections with their units, then the units in order ("+debug").
    OutputSink *listing = run.outputs.stream(OutputRole::listing);
    if (listing != nullptr) listLayoutSections(*listing, run.console, layout, dualArea);
    countUnitProgress(layout, run.progress);
    run.progress.readingDone();
    if (listing != nullptr) listLayoutUnits(*listing, layout, dualArea);

    if (layout.extent.loadsNothing()) fatalError(err::noData, settings.inputName);
    // "-A" and "-F" against the module's extent.
    const RangePlan range = planRangesAfterReading(rangeBeforeReading, layout.extent);

    // The image in address order, with its security and end records.
    const ImagePlan plan{settings, names, range, security, layout.extent, dualArea};
    emitImage(plan, layout, parts, WriterContext{run.console, run.progress, run.fill, module}, run.outputs);
    return Written{std::move(security), layout.extent};
}

// The whole run. The module is read from the input file the command line
// names, or is `heldModule` when the caller holds it in memory.
Written convert(Run &run, int argc, const char *const *argv, const std::span<const std::uint8_t> *heldModule) {
    // The command line, its cross-checks and the banner.
    const RunSettings settings = parseOptions(argc, argv, run.console);
    if (settings.has(flag::binaryOutput)) run.progress.countBytes();
    // "-A" and "-F" against each other, before any file is opened.
    const RangePlan rangeBeforeReading = planRangesBeforeReading(settings);

    // Names, the input, its target (which settles the mode and so the output
    // form), the rest of the header, then the outputs.
    const NamesPlan names = deriveNames(settings);
    if (heldModule == nullptr)
        openInput(run, settings.inputName);
    else
        run.moduleBytes.assign(heldModule->begin(), heldModule->end());
    const ModuleSource module{run.moduleBytes, settings.inputName.c_str(), run.cancel};
    const ModuleTarget target = readModuleTarget(module);
    const bool dualArea = planDualArea(settings, target);
    const ModuleParts parts = readModuleParts(module, run.progress);
    openOutputs(run, settings, names, dualArea);

    Written written;
    if (settings.has(flag::directConvert) && !dualArea) {
        // "-N": the data part record by record, in place of the layout, its
        // reconciliation with "-A"/"-F" and the image emission. The module's ID
        // texts are not read.
        written.security = planSecurity(settings, ModuleIdTexts{});
        const ImagePlan plan{settings, names, rangeBeforeReading, written.security, ModuleExtent{}, false};
        written.extent =
            convertDirect(plan, parts, WriterContext{run.console, run.progress, run.fill, module}, run.outputs);
    } else {
        written = convertThroughLayout(run, settings, names, rangeBeforeReading, module, parts, dualArea);
    }

    // The ID report, filled once the image is written, if this run made one.
    if (OutputSink *report = run.outputs.stream(OutputRole::idReport)) writeIdReport(written.security, *report);

    // A module whose file changed while it was read is no module: its bytes
    // may be of either version, or zeros where a page was cut away.
    run.moduleBytes.confirmUnchanged(settings.inputName.c_str());
    // Every file closed and each close checked, then the outputs under their
    // names; a newline ends the progress line.
    run.outputs.commit();
    run.console.write("\n");
    // Records of type FF are this converter's own extension of Intel HEX.
    if (settings.has(flag::hexOutput) && written.extent.above1MB) run.console.warn(wrn::originalHex);
    return written;
}

// Runs `convert`; whatever ended the run, nothing of it may stay behind, and
// the error goes on to the caller, which reports it.
Written runCleanly(Run &run, int argc, const char *const *argv, const std::span<const std::uint8_t> *heldModule) {
    try {
        return convert(run, argc, argv, heldModule);
    } catch (...) {
        cleanUpAfterFailure(run);
        throw;
    }
}

}  // namespace

void runConversion(int argc, const char *const *argv, std::FILE *console, const CancelFlags &cancel) {
    Console text(console, platform::isTerminal(console));
    OutputTransaction outputs(cancel);
    // The run's state is large (its file buffers among it): it lives on the heap.
    const auto run = std::make_unique<Run>(text, cancel, outputs);
    runCleanly(*run, argc, argv, nullptr);
}

InMemoryRun convertInMemory(int argc, const char *const *argv, std::span<const std::uint8_t> module,
                            ConsoleHooks hooks, const CancelFlags &cancel) {
    Console text(nullptr, false, std::move(hooks));
    MemoryOutputs outputs(cancel);
    const auto run = std::make_unique<Run>(text, cancel, outputs);
    Written written = runCleanly(*run, argc, argv, &module);
    return InMemoryRun{outputs.take(), std::move(written.security)};
}
