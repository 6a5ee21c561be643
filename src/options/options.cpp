#include "options/options.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/console.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/optionValues.h"
#include "options/runSettings.h"
#include "options/securityOptions.h"

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

// A single-letter option followed by more characters is refused, quoting the
// argument without its "-".
void requireExact(const char *argument) {
    if (argument[2] != '\0') fatalError(err::invalidOption, argument + 1);
}

const ProtectOption *findProtectOption(const char *argument) {
    for (const ProtectOption &option : protectOptions)
        if (std::strcmp(argument, option.name) == 0) return &option;
    return nullptr;
}

// The command line, read once from the first argument to the last; every
// option sets its part of the run settings.
class CommandLine {
public:
    CommandLine(Console &console, int argc, const char *const *argv, bool nameRequired)
        : console(console), cursor{argc, argv, 1}, nameRequired(nameRequired) {}

    RunSettings read();

private:
    // The short banner is all that "-v" shows; the run then ends without a message.
    [[noreturn]] void showVersionAndExit() {
        console.showShortBanner();
        fatalError(err::versionShown);
    }

    const char *takeValue() {
        if (cursor.next >= cursor.count) failUsage();
        return cursor.vector[cursor.next++];
    }


    void refuseDuplicate(std::uint32_t bit, const char *argument) {
        if (settings.has(bit)) fatalError(err::multipleOption, argument);
    }


    void applyProtectOption(const ProtectOption &option, const char *argument) {
        refuseDuplicate(option.bit, argument);
        std::uint32_t value = static_cast<std::uint32_t>(option.fixedValue);
        if (option.fixedValue < 0) {
            const char *text = takeValue();
            if (parseHexValue(settings, text, &value) == 0) fatalError(err::notAppropriate, option.name);
            if (value > 0xFF) fatalError(err::outOfRange, text);
        }
        settings.set(option.bit);
        settings.protectValue = value;
        // Whether before or after "-ID", an explicit choice replaces the default 0xFF.
        settings.clear(flag::protectDefault);
    }

    void applyRangeOption(const char *argument) {
        if (settings.has(flag::rangeGiven | flag::entryGiven)) fatalError(err::multipleOption, argument);
        applyRangeValue(settings, takeValue());
        settings.set(flag::rangeGiven);
    }

    void applyBinaryOption(const char *argument) {
        if (settings.has(flag::entryGiven | flag::hexOutput | flag::longRecords) || directConvertTyped)
            fatalError(err::invalidOption, argument);
        refuseDuplicate(flag::binaryOutput, argument);
        settings.set(flag::binaryOutput);
    }

    void applyEntryOption(const char *argument) {
        if (settings.has(flag::binaryOutput | flag::hexOutput | flag::rangeGiven))
            fatalError(err::invalidOption, argument);
        refuseDuplicate(flag::entryGiven, argument);
        const char *value = takeValue();
        if (std::strlen(value) > entryTextLimit) fatalError(err::entryTooLong);
        std::strcpy(settings.entryText, value);
        settings.set(flag::entryGiven);
    }

    void applyFillOption(const char *argument) {
        refuseDuplicate(flag::fillGiven, argument);
        applyFillValue(settings, takeValue());
        settings.set(flag::fillGiven);
    }

    void applyHexOption(const char *argument) {
        refuseDuplicate(flag::binaryOutput | flag::entryGiven | flag::hexOutput, argument);
        settings.set(flag::hexOutput);
    }

    void applyIdOption(const char *argument) {
        if (argument[2] != 'D') fatalError(err::invalidOption, argument);
        refuseDuplicate(flag::idCode, argument);
        if (parseIdCode(settings, argument + 3) != 0) fatalError(err::notAppropriate, argument);
        settings.set(flag::idCode);
        // The ID bytes are substituted into the image, which direct conversion
        // never builds.
        settings.clear(flag::directConvert);
    }

    void applyDirectOption(const char *argument) {
        if (settings.has(flag::binaryOutput)) fatalError(err::invalidOption, argument);
        refuseDuplicate(flag::directConvert, argument);
        directConvertTyped = true;
        if (!settings.has(flag::idCode)) settings.set(flag::directConvert);
    }

    void applyLongOption(const char *argument) {
        refuseDuplicate(flag::longRecords, argument);
        settings.set(flag::longRecords);
        settings.recordLength = 32;
    }

    void applyOutputOption(const char *argument) {
        if (argument[1] == 'o') {
            if (const ProtectOption *option = findProtectOption(argument)) {
                applyProtectOption(*option, argument);
                return;
            }
        }
        requireExact(argument);
        refuseDuplicate(flag::outputNameGiven, argument);
        settings.outputName = takeValue();
        settings.set(flag::outputNameGiven);
    }

    void applyTargetOption(const char *argument) {
        if (std::strcmp(argument, "-TQ8") == 0)
            selectTarget(settings, 2);
        else if (std::strcmp(argument, "-TQ8E") == 0)
            selectTarget(settings, 4);
        else if (std::strcmp(argument, "-TQ8N") == 0)
            selectTarget(settings, 8);
        else
            fatalError(err::invalidOption, argument);
    }

    // An argument beginning "-": the second character chooses the option.
    void applyDashOption(const char *argument) {
        switch (argument[1]) {
        case '.':
            requireExact(argument);
            refuseDuplicate(flag::quiet, argument);
            settings.set(flag::quiet);
            console.setQuiet();
            return;
        case 'A': case 'a': requireExact(argument); applyRangeOption(argument); return;
        case 'B': case 'b': requireExact(argument); applyBinaryOption(argument); return;
        case 'e': case 'E': requireExact(argument); applyEntryOption(argument); return;
        case 'F': case 'f': requireExact(argument); applyFillOption(argument); return;
        case 'H': case 'h': requireExact(argument); applyHexOption(argument); return;
        case 'L': case 'l': requireExact(argument); applyLongOption(argument); return;
        case 'N': case 'n': requireExact(argument); applyDirectOption(argument); return;
        case 'v': case 'V': requireExact(argument); showVersionAndExit();
        case 'I': applyIdOption(argument); return;
        case 'o': case 'O': applyOutputOption(argument); return;
        case 'T': applyTargetOption(argument); return;
        case 'p':
            if (const ProtectOption *option = findProtectOption(argument)) {
                applyProtectOption(*option, argument);
                return;
            }
            break;
        default: break;
        }
        fatalError(err::invalidOption, argument);
    }

    // An argument beginning "+": the two hidden options, and any other "+d..."
    // passes unnoticed.
    void applyPlusOption(const char *argument) {
        if (argument[1] != 'd') fatalError(err::invalidOption, argument);
        if (std::strcmp(argument, "+debug") == 0)
            settings.set(flag::debugListing);
        else if (std::strcmp(argument, "+d51x") == 0)
            settings.set(flag::forceDualArea);
    }

    Console &console;
    RunSettings settings;
    // The arguments still to be read; options with a value take the next one.
    struct {
        int count;
        const char *const *vector;
        int next;
    } cursor;
    // "-N" typed counts even when "-ID" cancelled its effect: direct conversion
    // and binary output are refused together outright.
    bool directConvertTyped = false;
    const bool nameRequired;
};

}  // namespace

RunSettings parseOptions(int argc, const char *const *argv, Console &console, bool nameRequired) {
    return CommandLine(console, argc, argv, nameRequired).read();
}

RunSettings CommandLine::read() {
    const int argc = cursor.count;
    const char *const *const argv = cursor.vector;

    // Nothing to convert, or a lone option: "-v" shows the version, anything
    // else beginning "-" is a misuse.
    if (nameRequired && argc < 2) {
        console.showBanner();
        failUsage();
    }
    if (nameRequired && argc == 2) {
        if (compareNoCase(argv[1], "-v") == 0) showVersionAndExit();
        if (argv[1][0] == '-') {
            console.showBanner();
            failUsage();
        }
    }

    while (cursor.next < argc && (argv[cursor.next][0] == '-' || argv[cursor.next][0] == '+')) {
        const char *argument = argv[cursor.next++];
        if (argument[0] == '-')
            applyDashOption(argument);
        else
            applyPlusOption(argument);
    }

    checkSecurityOptions(settings);
    if (!console.bannerShown()) console.showBanner();
    // The input name is the last argument, and nothing may follow it.
    if (!nameRequired && cursor.next == argc) return settings;
    if (cursor.next != argc - 1) failUsage();
    setInputName(settings, argv[cursor.next]);
    return settings;
}
