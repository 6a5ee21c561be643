#include "plan/securityPlan.h"

#include "common/hexText.h"
#include "common/messages.h"
#include "options/runSettings.h"

namespace {

constexpr std::uint32_t ofsFlags = flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX;
constexpr std::uint32_t protectFlags = flag::protect1 | flag::protect2 | flag::protectX;
constexpr std::uint32_t securityFlags =
    flag::idCode | flag::protectDefault | protectFlags | ofsFlags | flag::tq8Target;

// The seven ID bytes from the module's ID text: "#" and hexadecimal digits
// pairing up high nibble first, or up to seven characters taken as their codes.
// Bytes that the text does not reach are 0.
std::array<std::uint8_t, idByteCount> idBytesOfText(const std::string &text) {
    std::array<std::uint8_t, idByteCount> bytes{};
    if (!text.empty() && text[0] == '#') {
        pairHexDigits(std::string_view(text).substr(1), bytes);
        return bytes;
    }
    for (std::size_t i = 0; i < bytes.size() && i < text.size(); ++i) bytes[i] = static_cast<std::uint8_t>(text[i]);
    return bytes;
}

SecuritySource protectSourceOf(const SecurityPlan &plan) {
    if (plan.has(protectFlags)) return SecuritySource::option;
    return plan.has(flag::protectDefault) ? SecuritySource::byDefault : SecuritySource::none;
}

}  // namespace

SecurityPlan planSecurity(const RunSettings &settings, const ModuleIdTexts &texts) {
    SecurityPlan plan;
    plan.flags = settings.flags & securityFlags;
    plan.idBytes = settings.idBytes;
    plan.idText = settings.idText;
    plan.protectValue = settings.protectValue;
    plan.idAreaBase = settings.family.idAreaBase;
    for (int i = 0; i < idByteCount; ++i) plan.idAddresses[i] = settings.family.idAreaBase + idLowBytes[i];
    plan.protectAddress = settings.family.protectAddress;
    plan.idSource = plan.has(flag::idCode) ? SecuritySource::option : SecuritySource::none;
    plan.protectSource = protectSourceOf(plan);

    // The module's settings win; name the command-line options they displace.
    if (texts.any()) {
        if (plan.has(flag::idCode)) plan.warnings.push_back(wrn::idNotProcessed);
        if (plan.has(ofsFlags)) {
            plan.warnings.push_back(wrn::ofsregNotProcessed);
        } else if (plan.has(protectFlags)) {
            plan.warnings.push_back(wrn::protectNotProcessed);
        }
    }
    // A protect text without an ID text drops the command line's ID code.
    if (texts.protectFound && !texts.idFound) {
        plan.flags &= ~flag::idCode;
        plan.idSource = SecuritySource::none;
    }
    if (texts.idFound) {
        plan.flags |= flag::idCode | flag::protectDefault;
        plan.flags &= ~(protectFlags | ofsFlags);
        plan.protectValue = 0xFF;
        plan.idBytes = idBytesOfText(texts.idText);
        plan.idText = texts.idText;
        plan.idSource = SecuritySource::module;
        plan.protectSource = SecuritySource::byDefault;
    }
    if (texts.protectFound) {
        plan.flags &= ~(flag::protectDefault | protectFlags | ofsFlags);
        plan.flags |= flag::protectX;
        plan.protectValue = texts.protectValue;
        plan.protectSource = SecuritySource::module;
    }
    return plan;
}
