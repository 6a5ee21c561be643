#include "plan/namesPlan.h"

#include <cctype>
#include <cstring>
#include <string>

#include "common/hexText.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "platform/fileSystem.h"

namespace {

const char programName[] = "romcast";

}  // namespace

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

std::string idReportName(const NamesPlan &names, const RunSettings &settings) {
    std::string name = names.outputBase;
    const char *imageExtension = settings.has(flag::hexOutput) ? ".hex" : ".mot";
    const std::size_t found = names.outputHasExtension ? name.find(imageExtension) : std::string::npos;
    if (found != std::string::npos) name.erase(found);
    return name + ".id";
}
