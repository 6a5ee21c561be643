#include "api/commandLine.h"

#include <cstdio>

#include "api/apiErrors.h"
#include "common/console.h"
#include "options/options.h"
#include "options/runSettings.h"
#include "plan/namesPlan.h"

namespace romcast {
namespace {

std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

const char *protectOption(Protect protect) {
    switch (protect) {
    case Protect::protect1: return "-protect1";
    case Protect::protect2: return "-protect2";
    case Protect::protectX: return "-protectx";
    case Protect::ofsreg1: return "-ofsreg1";
    case Protect::ofsreg2: return "-ofsreg2";
    case Protect::ofsregX: return "-ofsregx";
    case Protect::none: break;
    }
    return nullptr;
}

Protect protectOf(const RunSettings &settings) {
    // The OFS choices first: on a TQ8 chip they are carried as protect choices too.
    if (settings.has(flag::ofsreg1)) return Protect::ofsreg1;
    if (settings.has(flag::ofsreg2)) return Protect::ofsreg2;
    if (settings.has(flag::ofsregX)) return Protect::ofsregX;
    if (settings.has(flag::protect1)) return Protect::protect1;
    if (settings.has(flag::protect2)) return Protect::protect2;
    if (settings.has(flag::protectX)) return Protect::protectX;
    return Protect::none;
}

Family familyOf(const RunSettings &settings) {
    switch (settings.targetKind) {
    case 2: return Family::tq8;
    case 4: return Family::tq8e;
    case 8: return Family::tq8n;
    default: return Family::tq40;
    }
}

Options optionsOf(const RunSettings &settings) {
    Options options;
    if (settings.has(flag::hexOutput)) options.form = OutputForm::intelHex;
    if (settings.has(flag::binaryOutput)) options.form = OutputForm::binary;
    options.longRecords = settings.has(flag::longRecords);
    if (settings.rangeForm != 0) {
        options.range = AddressRange{settings.rangeStart, std::nullopt};
        if (settings.rangeForm == 2) options.range->end = settings.rangeEnd;
    }
    if (settings.has(flag::fillGiven)) {
        options.fill = Fill{settings.fillByte, std::nullopt, std::nullopt};
        if (settings.fillForm >= 1) options.fill->start = settings.fillStart;
        if (settings.fillForm == 2) options.fill->end = settings.fillEnd;
    }
    if (settings.has(flag::entryGiven)) options.entry = parseEntryAddress(settings, settings.entryText);
    options.family = familyOf(settings);
    if (settings.has(flag::idCode)) options.idCode = settings.idText;
    options.protect = protectOf(settings);
    if (options.protect == Protect::protectX || options.protect == Protect::ofsregX)
        options.protectByte = static_cast<std::uint8_t>(settings.protectValue);
    options.recordByRecord = settings.has(flag::directConvert);
    options.dualArea = settings.has(flag::forceDualArea);
    options.listing = settings.has(flag::debugListing);
    options.quiet = settings.has(flag::quiet);
    if (settings.has(flag::outputNameGiven)) options.outputName = settings.outputName;
    return options;
}

}  // namespace

std::vector<std::string> argumentsOf(const Options &options, const std::string &moduleName) {
    std::vector<std::string> args;
    if (options.quiet) args.push_back("-.");
    if (options.form == OutputForm::intelHex) args.push_back("-H");
    if (options.form == OutputForm::binary) args.push_back("-B");
    if (options.longRecords) args.push_back("-L");
    if (options.range) {
        args.push_back("-A");
        args.push_back(hex(options.range->start));
        if (options.range->end) args.back().append(":").append(hex(*options.range->end));
    }
    if (options.fill) {
        args.push_back("-F");
        args.push_back(hex(options.fill->byte));
        if (options.fill->start) args.back().append(":").append(hex(*options.fill->start));
        if (options.fill->end) args.back().append(":").append(hex(*options.fill->end));
    }
    if (options.entry) {
        args.push_back("-e");
        args.push_back("0");
        args.back().append(hex(*options.entry));
    }
    if (options.family == Family::tq8) args.push_back("-TQ8");
    if (options.family == Family::tq8e) args.push_back("-TQ8E");
    if (options.family == Family::tq8n) args.push_back("-TQ8N");
    if (options.idCode) args.push_back(std::string("-ID").append(*options.idCode));
    if (const char *option = protectOption(options.protect)) {
        args.push_back(option);
        if (options.protect == Protect::protectX || options.protect == Protect::ofsregX)
            args.push_back(hex(options.protectByte));
    }
    if (options.recordByRecord) args.push_back("-N");
    if (options.dualArea) args.push_back("+d51x");
    if (options.listing) args.push_back("+debug");
    if (options.outputName) {
        args.push_back("-o");
        args.push_back(*options.outputName);
    }
    args.push_back(moduleName);
    return args;
}

Options parseCommandLine(const std::vector<std::string> &args) {
    return asPublicErrors([&] {
        std::vector<const char *> argv{"romcast"};
        for (const std::string &argument : args) argv.push_back(argument.c_str());
        argv.push_back(nullptr);
        Console nowhere(nullptr, false);
        return optionsOf(parseOptions(static_cast<int>(argv.size() - 1), argv.data(), nowhere, false));
    });
}

}  // namespace romcast
