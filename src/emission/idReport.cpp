#include "emission/idReport.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "run/conversion.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "run/outputFiles.h"
#include "output/outputSink.h"
#include "output/outputTransaction.h"

namespace {

const char reportExtension[] = ".id";

// The protect choice as the heading names it. The OFS options come first, and a
// TQ8 target reports "-protectx" as "-ofsregx": for that family the two are one.
struct HeadingChoice {
    const char *option;  // nullptr: no protect or OFS option
    bool showsValue;     // the option takes the protect byte as its argument
};

HeadingChoice chooseHeading(const Conversion &conv) {
    if (conv.settings.has(flag::ofsreg1)) return {"-ofsreg1", false};
    if (conv.settings.has(flag::ofsreg2)) return {"-ofsreg2", false};
    if (conv.settings.has(flag::ofsregX) || (conv.settings.has(flag::tq8Target) && conv.settings.has(flag::protectX))) {
        return {"-ofsregx", true};
    }
    if (conv.settings.has(flag::protect1)) return {"-protect1", false};
    if (conv.settings.has(flag::protect2)) return {"-protect2", false};
    if (conv.settings.has(flag::protectX)) return {"-protectx", true};
    return {nullptr, false};
}

void writeAddressLine(OutputSink &report, std::uint32_t address, std::uint32_t value) {
    char line[32];
    const int length = std::snprintf(line, sizeof line, "%05X : %02X\n", static_cast<unsigned>(address),
                                     static_cast<unsigned>(value & 0xFF));
    writeText(report, std::string_view(line, static_cast<std::size_t>(length)));
}

}  // namespace

void createIdReport(Conversion &conv) {
    // The report sits beside the image: an "-o" name with the image's own
    // extension has it replaced, any other name has ".id" added.
    std::string name = conv.names.outputBase;
    const char *imageExtension = conv.settings.has(flag::hexOutput) ? ".hex" : ".mot";
    const std::size_t found =
        conv.names.outputHasExtension ? name.find(imageExtension) : std::string::npos;
    if (found != std::string::npos) name.erase(found);
    name += reportExtension;

    refuseTheInput(conv, name);
    conv.outputs.createKept(OutputRole::idReport, name);
}

void writeIdReport(const Conversion &conv, OutputSink &report) {
    const HeadingChoice heading = chooseHeading(conv);
    // The text up to a NUL it may hold, as a C string prints.
    std::string first = std::string("-ID") + conv.settings.idText.c_str();
    if (heading.option != nullptr) first.append(" ").append(heading.option);
    if (heading.showsValue) {
        char value[8];
        std::snprintf(value, sizeof value, " %02X", static_cast<unsigned>(conv.settings.protectValue & 0xFF));
        first += value;
    }
    writeText(report, first + "\n");

    for (int i = 0; i < idByteCount; ++i) {
        writeAddressLine(report, conv.settings.idAddresses[i], conv.settings.idBytes[i]);
    }
    if (conv.settings.has(flag::protectDefault | flag::protect1 | flag::protect2 | flag::protectX)) {
        writeAddressLine(report, conv.settings.protectAddress, conv.settings.protectValue);
    }
}
