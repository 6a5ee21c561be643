// Where a module's parts begin: what its header tells the later steps.
#pragma once

#include <cstdint>

// File offsets of the module's parts, from the ASW records of the header.
struct ModuleParts {
    std::uint32_t environmentPart = 0;  // ASW index 1 (may stay 0)
    std::uint32_t sectionPart = 0;      // ASW index 2
    std::uint32_t dataPart = 0;         // ASW index 5
    std::uint32_t trailerPart = 0;      // ASW index 6 (holds the ASG record)
};
