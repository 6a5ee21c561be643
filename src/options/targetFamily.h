// Where each target family keeps its security bytes.
#pragma once

#include <cstdint>

struct TargetFamily {
    std::uint32_t idAreaBase;      // base of the 256-byte ID page
    std::uint32_t protectAddress;  // the last address of the family's space
};

inline constexpr TargetFamily tq40Family{0xFFF00, 0xFFFFF};
inline constexpr TargetFamily tq8Family{0xFF00, 0xFFFF};

// Low address byte of each ID byte within the ID page, the first at the lowest.
inline constexpr std::uint8_t idLowBytes[] = {0xDF, 0xE3, 0xEB, 0xEF, 0xF3, 0xF7, 0xFB};
