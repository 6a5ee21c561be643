// The ID code and the protect (or OFS) byte that the image gets: the options,
// unless the module's own ID texts replace them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "module/moduleIdTexts.h"

struct RunSettings;

// Where a security value came from.
enum class SecuritySource { none, option, module, byDefault };

struct SecurityPlan {
    // The flag:: bits of the ID code and protect choices in force: idCode,
    // protectDefault, protect1, protect2, protectX, the OFS bits (for the
    // report) and tq8Target.
    std::uint32_t flags = 0;
    std::array<std::uint8_t, idByteCount> idBytes{};  // entry 0 at the lowest address
    std::string idText;                               // as the report names the ID code
    std::uint32_t protectValue = 0xFF;                // low byte used
    std::uint32_t idAreaBase = 0;                     // base of the 256-byte ID page
    std::array<std::uint32_t, idByteCount> idAddresses{};
    std::uint32_t protectAddress = 0;
    SecuritySource idSource = SecuritySource::none;
    SecuritySource protectSource = SecuritySource::none;
    // The options the module's texts displaced: warnings, in the order shown.
    std::vector<int> warnings;

    bool has(std::uint32_t bits) const { return (flags & bits) != 0; }
};

// The options' choices, then the module's ID texts over them: an ID text
// brings its code and the default protect byte, a protect text its byte; a
// protect text alone drops the options' ID code.
SecurityPlan planSecurity(const RunSettings &settings, const ModuleIdTexts &texts);
