#include "core/conversion.h"
#include "driver/options.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diag/console.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/optionValues.h"
#include "driver/runSettings.h"
#include "security/securityOptions.h"

namespace {

const char programName[] = "romcast";
constexpr std::size_t entryTextLimit = sizeof RunSettings::entryText - 1;


// The protect and OFS options all write the one protect byte; those without a
// fixed byte take it from the next argument.
struct ProtectOption {
    const char *name;
    std::uint32_t bit;
    int fixedValue;  // -1: the value follows as the next argument
};
const ProtectOption protectOptions[] = {
    {"-protect1", flag::protect1, 0x3F}, {"-protect2", flag::protect2, 0xF3},
    {"-protectx", flag::protectX, -1},   {"-ofsreg1", flag::ofsreg1, 0x3F},
    {"-ofsreg2", flag::ofsreg2, 0xF3},   {"-ofsregx", flag::ofsregX, -1},
};

[[noreturn]] void failUsage() { fatalError(err::usage, programName); }

// The short banner is all that "-v" shows; the run then ends without a message.
[[noreturn]] void showVersionAndExit(Conversion &conv) {
    showShortBanner(conv);
    conv.settings.set(flag::bannerShown);
    fatalError(err::versionShown);
}

const char *takeValue(Conversion &conv) {
    if (conv.arguments.next >= conv.arguments.count) failUsage();
    return conv.arguments.vector[conv.arguments.next++];
}

// A single-letter option followed by more characters is refused, quoting the
// argument without its "-".
void requireExact(const char *argument) {
    if (argument[2] != '\0') fatalError(err::invalidOption, argument + 1);
}

void refuseDuplicate(Conversion &conv, std::uint32_t bit, const char *argument) {
    if (conv.settings.has(bit)) fatalError(err::multipleOption, argument);
}

const ProtectOption *findProtectOption(const char *argument) {
    for (const ProtectOption &option : protectOptions)
        if (std::strcmp(argument, option.name) == 0) return &option;
    return nullptr;
}

void applyProtectOption(Conversion &conv, const ProtectOption &option, const char *argument) {
    refuseDuplicate(conv, option.bit, argument);
    std::uint32_t value = static_cast<std::uint32_t>(option.fixedValue);
    if (option.fixedValue < 0) {
        const char *text = takeValue(conv);
        if (parseHexValue(conv, text, &value) == 0) fatalError(err::notAppropriate, option.name);
        if (value > 0xFF) fatalError(err::outOfRange, text);
    }
    conv.settings.set(option.bit);
    conv.settings.protectValue = value;
    // Whether before or after "-ID", an explicit choice replaces the default 0xFF.
    conv.settings.clear(flag::protectDefault);
}

void applyRangeOption(Conversion &conv, const char *argument) {
    if (conv.settings.has(flag::rangeGiven | flag::entryGiven)) fatalError(err::multipleOption, argument);
    applyRangeValue(conv, takeValue(conv));
    conv.settings.set(flag::rangeGiven);
}

void applyBinaryOption(Conversion &conv, const char *argument) {
    if (conv.settings.has(flag::entryGiven | flag::hexOutput | flag::longRecords) || conv.directConvertTyped)
        fatalError(err::invalidOption, argument);
    refuseDuplicate(conv, flag::binaryOutput, argument);
    conv.settings.set(flag::binaryOutput);
}

void applyEntryOption(Conversion &conv, const char *argument) {
    if (conv.settings.has(flag::binaryOutput | flag::hexOutput | flag::rangeGiven))
        fatalError(err::invalidOption, argument);
    refuseDuplicate(conv, flag::entryGiven, argument);
    const char *value = takeValue(conv);
    if (std::strlen(value) > entryTextLimit) fatalError(err::entryTooLong);
    std::strcpy(conv.settings.entryText, value);
    conv.settings.set(flag::entryGiven);
}

void applyFillOption(Conversion &conv, const char *argument) {
    refuseDuplicate(conv, flag::fillGiven, argument);
    applyFillValue(conv, takeValue(conv));
    conv.settings.fillState = 0;
    conv.settings.set(flag::fillGiven);
}

void applyHexOption(Conversion &conv, const char *argument) {
    refuseDuplicate(conv, flag::binaryOutput | flag::entryGiven | flag::hexOutput, argument);
    conv.settings.set(flag::hexOutput);
}

void applyIdOption(Conversion &conv, const char *argument) {
    if (argument[2] != 'D') fatalError(err::invalidOption, argument);
    refuseDuplicate(conv, flag::idCode, argument);
    if (parseIdCode(conv, argument + 3) != 0) fatalError(err::notAppropriate, argument);
    conv.settings.set(flag::idCode);
    // The ID bytes are substituted into the image, which direct conversion
    // never builds.
    conv.settings.clear(flag::directConvert);
}

void applyDirectOption(Conversion &conv, const char *argument) {
    if (conv.settings.has(flag::binaryOutput)) fatalError(err::invalidOption, argument);
    refuseDuplicate(conv, flag::directConvert, argument);
    conv.directConvertTyped = true;
    if (!conv.settings.has(flag::idCode)) conv.settings.set(flag::directConvert);
}

void applyLongOption(Conversion &conv, const char *argument) {
    refuseDuplicate(conv, flag::longRecords, argument);
    conv.settings.set(flag::longRecords);
    conv.settings.recordLength = 32;
}

void applyOutputOption(Conversion &conv, const char *argument) {
    if (argument[1] == 'o') {
        if (const ProtectOption *option = findProtectOption(argument)) {
            applyProtectOption(conv, *option, argument);
            return;
        }
    }
    requireExact(argument);
    refuseDuplicate(conv, flag::outputNameGiven, argument);
    conv.settings.outputName = takeValue(conv);
    conv.settings.set(flag::outputNameGiven);
}

void applyTargetOption(Conversion &conv, const char *argument) {
    if (std::strcmp(argument, "-TQ8") == 0)
        selectTarget(conv, 2);
    else if (std::strcmp(argument, "-TQ8E") == 0)
        selectTarget(conv, 4);
    else if (std::strcmp(argument, "-TQ8N") == 0)
        selectTarget(conv, 8);
    else
        fatalError(err::invalidOption, argument);
}

// An argument beginning "-": the second character chooses the option.
void applyDashOption(Conversion &conv, const char *argument) {
    switch (argument[1]) {
    case '.':
        requireExact(argument);
        refuseDuplicate(conv, flag::quiet, argument);
        conv.settings.set(flag::quiet);
        return;
    case 'A': case 'a': requireExact(argument); applyRangeOption(conv, argument); return;
    case 'B': case 'b': requireExact(argument); applyBinaryOption(conv, argument); return;
    case 'e': case 'E': requireExact(argument); applyEntryOption(conv, argument); return;
    case 'F': case 'f': requireExact(argument); applyFillOption(conv, argument); return;
    case 'H': case 'h': requireExact(argument); applyHexOption(conv, argument); return;
    case 'L': case 'l': requireExact(argument); applyLongOption(conv, argument); return;
    case 'N': case 'n': requireExact(argument); applyDirectOption(conv, argument); return;
    case 'v': case 'V': requireExact(argument); showVersionAndExit(conv);
    case 'I': applyIdOption(conv, argument); return;
    case 'o': case 'O': applyOutputOption(conv, argument); return;
    case 'T': applyTargetOption(conv, argument); return;
    case 'p':
        if (const ProtectOption *option = findProtectOption(argument)) {
            applyProtectOption(conv, *option, argument);
            return;
        }
        break;
    default: break;
    }
    fatalError(err::invalidOption, argument);
}

// An argument beginning "+": the two hidden options, and any other "+d..."
// passes unnoticed.
void applyPlusOption(Conversion &conv, const char *argument) {
    if (argument[1] != 'd') fatalError(err::invalidOption, argument);
    if (std::strcmp(argument, "+debug") == 0)
        conv.settings.set(flag::debugListing);
    else if (std::strcmp(argument, "+d51x") == 0)
        conv.settings.set(flag::forceDualArea);
}

}  // namespace

int compareNoCase(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int ca = std::toupper(static_cast<unsigned char>(*a));
        int cb = std::toupper(static_cast<unsigned char>(*b));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == '\0') return 0;
    }
}

void parseOptions(Conversion &conv, int argc, char **argv) {
    conv.arguments = ArgumentCursor{argc, argv, 1};
    conv.directConvertTyped = false;

    // Nothing to convert, or a lone option: "-v" shows the version, anything
    // else beginning "-" is a misuse.
    if (argc < 2) {
        showBanner(conv);
        failUsage();
    }
    if (argc == 2) {
        if (compareNoCase(argv[1], "-v") == 0) showVersionAndExit(conv);
        if (argv[1][0] == '-') {
            showBanner(conv);
            failUsage();
        }
    }

    while (conv.arguments.next < argc && (argv[conv.arguments.next][0] == '-' || argv[conv.arguments.next][0] == '+')) {
        const char *argument = argv[conv.arguments.next++];
        if (argument[0] == '-')
            applyDashOption(conv, argument);
        else
            applyPlusOption(conv, argument);
    }

    checkSecurityOptions(conv);
    if (!conv.settings.has(flag::bannerShown)) showBanner(conv);
    // The input name is the last argument, and nothing may follow it.
    if (conv.arguments.next != argc - 1) failUsage();
    setInputName(conv, argv[conv.arguments.next]);
}
