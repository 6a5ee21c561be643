#include "run/outputFiles.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "common/hexText.h"
#include "run/conversion.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "module/moduleReader.h"
#include "output/outputTransaction.h"
#include "platform/fileSystem.h"
#include "platform/inputFile.h"
#include "options/securityOptions.h"

namespace {

const char programName[] = "romcast";



// The "-e" text: hexadecimal, a value beginning with A to F written with a leading
// 0, never above the target's address space.
std::uint32_t parseEntryAddress(const RunSettings &settings, const char *text) {
    if (text[0] == '\0') fatalError(err::notAppropriate, "-e");
    if (text[0] != '0' && std::isalpha(static_cast<unsigned char>(text[0])))
        fatalError(err::notAppropriate, "-e");
    const char *digits = text;
    while (*digits == '0') ++digits;
    for (const char *p = digits; *p != '\0'; ++p)
        if (!isHexDigit(*p)) fatalError(err::notAppropriate, "-e");
    std::uint32_t value = 0;
    for (const char *p = digits; *p != '\0'; ++p) {
        value = value * 16 + static_cast<std::uint32_t>(hexDigitValue(*p));
        if (value > settings.addressLimit) fatalError(err::entryExceeds, settings.addressLimitText);
    }
    return value;
}

}  // namespace

void refuseTheInput(Conversion &conv, const std::string &name) {
    if (conv.inputIdentity && platform::isSameFile(*conv.inputIdentity, name))
        fatalError(err::cantCreate, name.c_str());
}

NamesPlan deriveNames(const RunSettings &settings) {
    if (settings.inputName.empty()) fatalError(err::usage, programName);
    const char *input = settings.inputName.c_str();
    const char *dot = std::strrchr(input, '.');
    if (dot == nullptr) fatalError(err::usage, programName);
    NamesPlan names;
    names.inputStem = std::string(input, static_cast<std::size_t>(dot - input));
    names.inputDir = settings.inputName.substr(0, platform::directoryLength(settings.inputName));
    names.outputBase = names.inputStem;

    if (settings.has(flag::outputNameGiven)) {
        const std::string &typed = settings.outputName;
        const char *given = typed.c_str();
        const std::size_t givenDirectory = platform::directoryLength(typed);
        const char *givenDot = std::strrchr(given, '.');
        // A leading dot of a bare name ("-o .out") is no extension.
        if (givenDirectory > 0)
            names.outputHasExtension = givenDot != nullptr && givenDot >= given + givenDirectory;
        else
            names.outputHasExtension = givenDot != nullptr && givenDot != given;
        // A bare name goes beside the input module, not into the working directory.
        names.outputBase = givenDirectory == 0 ? names.inputDir + typed : typed;
    }

    if (settings.has(flag::entryGiven)) names.entryAddress = parseEntryAddress(settings, settings.entryText);
    return names;
}

void openInput(Conversion &conv) {
    std::optional<platform::InputFile> input = platform::openInputFile(conv.settings.inputName);
    if (!input) fatalError(err::cantOpen, conv.settings.inputName);
    // A directory opens like a file but reads nothing: it cannot be opened as a module.
    conv.inputIdentity = platform::identify(input->stream());
    if (!conv.inputIdentity) fatalError(err::cantOpen, conv.settings.inputName);
    // The module is read in several passes, from memory: its bytes are read
    // into it as the first pass that needs them reaches them, and the file
    // stays open for that until the run ends.
    conv.moduleBytes = ModuleBytes(std::move(*input));
}

void planOutputForm(Conversion &conv) {
    if (conv.settings.has(flag::dualArea) && conv.settings.has(flag::binaryOutput)) fatalError(err::dualAreaBinary);
    if (conv.settings.has(flag::forceDualArea)) conv.settings.set(flag::dualArea);
}

void openOutputs(Conversion &conv) {
    const std::string &base = conv.names.outputBase;
    const bool hex = conv.settings.has(flag::hexOutput);
    std::string imageName, codeName, romdataName;

    if (conv.settings.has(flag::dualArea)) {
        if (conv.names.outputHasExtension) fatalError(err::notAppropriate, "-o (TQ40/51X mode)");
        // The two area files are text; a binary image of both cannot be made, also
        // when "+d51x" rather than the module asked for two areas.
        if (conv.settings.has(flag::binaryOutput)) fatalError(err::dualAreaBinary);
        codeName = base + (hex ? ".hcd" : ".mcd");
        romdataName = base + (hex ? ".hdt" : ".mdt");
    } else {
        const char *extension = hex ? ".hex" : conv.settings.has(flag::binaryOutput) ? ".bin" : ".mot";
        imageName = conv.names.outputHasExtension ? base : base + extension;
    }
    // The listing takes ".dbg" after the base name, even one with its own extension.
    const bool listing = conv.settings.has(flag::debugListing);
    const std::string listingName = base + ".dbg";

    // Every name is checked before the first file is created.
    if (conv.settings.has(flag::dualArea)) {
        refuseTheInput(conv, codeName);
        refuseTheInput(conv, romdataName);
    } else {
        refuseTheInput(conv, imageName);
    }
    if (listing) refuseTheInput(conv, listingName);

    if (conv.settings.has(flag::dualArea)) {
        conv.outputs.create(OutputRole::code, codeName);
        conv.outputs.create(OutputRole::romdata, romdataName);
    } else {
        conv.outputs.create(OutputRole::image, imageName);
    }
    if (listing) conv.outputs.create(OutputRole::listing, listingName);
}
