// Where each target family keeps its security bytes.
#pragma once

#include <cstdint>

struct Conversion;

struct TargetFamily {
    std::uint32_t idAreaBase;      // base of the 256-byte ID page
    std::uint32_t protectAddress;  // the last address of the family's space
};

extern const TargetFamily tq40Family;
extern const TargetFamily tq8Family;

// Sets the security addresses of the run to those of `family`.
void applyTargetFamily(Conversion &conv, const TargetFamily &family);
