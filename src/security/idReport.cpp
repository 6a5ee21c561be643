#include "security/idReport.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/conversion.h"
#include "common/messages.h"
#include "common/runError.h"
#include "driver/runSettings.h"
#include "output/outputFiles.h"
#include "output/outputTransaction.h"

namespace {

const char reportExtension[] = ".id";

// The protect choice as the heading names it. The OFS options come first, and a
// TQ8 target reports "-protectx" as "-ofsregx": for that family the two are one.
struct HeadingChoice {
    const char *option;  // nullptr: no protect or OFS option
    bool showsValue;     // the option takes the protect byte as its argument
};

HeadingChoice chooseHeading(Conversion &conv) {
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

void writeAddressLine(std::FILE *stream, std::uint32_t address, std::uint32_t value) {
    std::fprintf(stream, "%05X : %02X\n", static_cast<unsigned>(address),
                 static_cast<unsigned>(value & 0xFF));
}

}  // namespace

void createIdReport(Conversion &conv) {
    // The report sits beside the image: an "-o" name with the image's own
    // extension has it replaced, any other name has ".id" added.
    std::string name = conv.settings.outputName;
    const char *imageExtension = conv.settings.has(flag::hexOutput) ? ".hex" : ".mot";
    const std::size_t found =
        conv.settings.outputHasExtension != 0 ? name.find(imageExtension) : std::string::npos;
    if (found != std::string::npos) name.erase(found);
    name += reportExtension;

    refuseTheInput(conv, name);
    conv.outputs.createKept(OutputRole::idReport, name);
}

void writeIdReport(Conversion &conv, std::FILE *stream) {
    const char *idText = conv.settings.idText.c_str();
    const HeadingChoice heading = chooseHeading(conv);
    if (heading.option == nullptr) {
        std::fprintf(stream, "-ID%s\n", idText);
    } else if (!heading.showsValue) {
        std::fprintf(stream, "-ID%s %s\n", idText, heading.option);
    } else {
        std::fprintf(stream, "-ID%s %s %02X\n", idText, heading.option,
                     static_cast<unsigned>(conv.settings.protectValue & 0xFF));
    }

    for (int i = 0; i < idByteCount; ++i) {
        writeAddressLine(stream, conv.settings.idAddresses[i], conv.settings.idBytes[i]);
    }
    if (conv.settings.has(flag::protectDefault | flag::protect1 | flag::protect2 | flag::protectX)) {
        writeAddressLine(stream, conv.settings.protectAddress, conv.settings.protectValue);
    }
}
