// A byte as every report of the inspector writes it: "3F".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace modinspect {

inline std::string hexByte(std::uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

}  // namespace modinspect
