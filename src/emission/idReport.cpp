#include "emission/idReport.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "options/runSettings.h"
#include "output/outputSink.h"
#include "plan/securityPlan.h"

namespace {

// The protect choice as the heading names it. The OFS options come first, and a
// TQ8 target reports "-protectx" as "-ofsregx": for that family the two are one.
struct HeadingChoice {
    const char *option;  // nullptr: no protect or OFS option
    bool showsValue;     // the option takes the protect byte as its argument
};

HeadingChoice chooseHeading(const SecurityPlan &security) {
    if (security.has(flag::ofsreg1)) return {"-ofsreg1", false};
    if (security.has(flag::ofsreg2)) return {"-ofsreg2", false};
    if (security.has(flag::ofsregX) || (security.has(flag::tq8Target) && security.has(flag::protectX))) {
        return {"-ofsregx", true};
    }
    if (security.has(flag::protect1)) return {"-protect1", false};
    if (security.has(flag::protect2)) return {"-protect2", false};
    if (security.has(flag::protectX)) return {"-protectx", true};
    return {nullptr, false};
}

void writeAddressLine(OutputSink &report, std::uint32_t address, std::uint32_t value) {
    char line[32];
    const int length = std::snprintf(line, sizeof line, "%05X : %02X\n", static_cast<unsigned>(address),
                                     static_cast<unsigned>(value & 0xFF));
    writeText(report, std::string_view(line, static_cast<std::size_t>(length)));
}

}  // namespace

void writeIdReport(const SecurityPlan &security, OutputSink &report) {
    const HeadingChoice heading = chooseHeading(security);
    // The text up to a NUL it may hold, as a C string prints.
    std::string first = std::string("-ID") + security.idText.c_str();
    if (heading.option != nullptr) first.append(" ").append(heading.option);
    if (heading.showsValue) {
        char value[8];
        std::snprintf(value, sizeof value, " %02X", static_cast<unsigned>(security.protectValue & 0xFF));
        first += value;
    }
    writeText(report, first + "\n");

    for (int i = 0; i < idByteCount; ++i) {
        writeAddressLine(report, security.idAddresses[static_cast<std::size_t>(i)], security.idBytes[static_cast<std::size_t>(i)]);
    }
    if (security.has(flag::protectDefault | flag::protect1 | flag::protect2 | flag::protectX)) {
        writeAddressLine(report, security.protectAddress, security.protectValue);
    }
}
