#include "run/outputFiles.h"

#include <string>
#include <utility>

#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "output/outputSet.h"
#include "plan/namesPlan.h"
#include "platform/inputFile.h"
#include "run/run.h"

namespace {

void refuseTheInput(const Run &run, const std::string &name) {
    if (run.inputIdentity && platform::isSameFile(*run.inputIdentity, name)) fatalError(err::cantCreate, name.c_str());
}

}  // namespace

void openInput(Run &run, const std::string &inputName) {
    std::optional<platform::InputFile> input = platform::openInputFile(inputName);
    if (!input) fatalError(err::cantOpen, inputName);
    // A directory opens like a file but reads nothing: it cannot be opened as a module.
    run.inputIdentity = platform::identify(input->stream());
    if (!run.inputIdentity) fatalError(err::cantOpen, inputName);
    // The module is read in several passes, from memory: its bytes are read
    // into it as the first pass that needs them reaches them, and the file
    // stays open for that until the run ends.
    run.moduleBytes = ModuleBytes(std::move(*input));
}

void openOutputs(Run &run, const RunSettings &settings, const NamesPlan &names, bool dualArea) {
    const std::string &base = names.outputBase;
    const bool hex = settings.has(flag::hexOutput);
    std::string imageName, codeName, romdataName;

    if (dualArea) {
        if (names.outputHasExtension) fatalError(err::notAppropriate, "-o (TQ40/51X mode)");
        // The two area files are text; a binary image of both cannot be made, also
        // when "+d51x" rather than the module asked for two areas.
        if (settings.has(flag::binaryOutput)) fatalError(err::dualAreaBinary);
        codeName = base + (hex ? ".hcd" : ".mcd");
        romdataName = base + (hex ? ".hdt" : ".mdt");
    } else {
        const char *extension = hex ? ".hex" : settings.has(flag::binaryOutput) ? ".bin" : ".mot";
        imageName = names.outputHasExtension ? base : base + extension;
    }
    // The listing takes ".dbg" after the base name, even one with its own extension.
    const bool listing = settings.has(flag::debugListing);
    const std::string listingName = base + ".dbg";

    // Every name is checked before the first file is created.
    if (dualArea) {
        refuseTheInput(run, codeName);
        refuseTheInput(run, romdataName);
    } else {
        refuseTheInput(run, imageName);
    }
    if (listing) refuseTheInput(run, listingName);

    if (dualArea) {
        run.outputs.create(OutputRole::code, codeName);
        run.outputs.create(OutputRole::romdata, romdataName);
    } else {
        run.outputs.create(OutputRole::image, imageName);
    }
    if (listing) run.outputs.create(OutputRole::listing, listingName);
}

void createIdReport(Run &run, const RunSettings &settings, const NamesPlan &names) {
    const std::string name = idReportName(names, settings);
    refuseTheInput(run, name);
    run.outputs.createKept(OutputRole::idReport, name);
}
