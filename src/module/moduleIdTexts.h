// The ID code and protect byte that a module carries as texts of attribute 55
// in its environment part: ".ID " and ".PROTECT ".
#pragma once

#include <cstdint>
#include <string>

struct ModuleSource;

// An ID code is seven bytes, wherever it comes from.
constexpr int idByteCount = 7;

struct ModuleIdTexts {
    bool idFound = false;       // a ".ID " text
    std::string idText;         // what follows ".ID " in the last of them
    bool protectFound = false;  // a ".PROTECT " text
    std::string protectText;    // what follows ".PROTECT " in the last of them
    std::uint8_t protectValue = 0;  // its byte, from its first two characters

    bool any() const { return idFound || protectFound; }
};

// The module's ID texts. A malformed one (a hexadecimal ID that is not one, a
// protect text without two hexadecimal digits, a text too long) is a malformed
// module.
ModuleIdTexts readModuleIdTexts(const ModuleSource &module, std::uint32_t environmentPart);
