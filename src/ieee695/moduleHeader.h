// The module header: processor check, dual-area mode, the offsets of the parts;
// and the entry address in the trailer part.
#pragma once

#include <cstdint>
#include <optional>

struct Conversion;

// File offsets of the module's parts, from the ASW records of the header.
struct ModuleParts {
    std::uint32_t environmentPart;  // ASW index 1 (may stay 0)
    std::uint32_t sectionPart;      // ASW index 2
    std::uint32_t dataPart;         // ASW index 5
    std::uint32_t trailerPart;      // ASW index 6 (holds the ASG record)
};

// Reads MB, the ASW records and the ATN 38 check from the start of the module;
// returns only when the header is acceptable (else fatalError).
void readModuleHeader(Conversion &conv);

// The execution start address: the plain number of the ASG record at the start
// of the trailer part. Anything else there gives none.
std::optional<std::uint32_t> readModuleEntry(const Conversion &conv, std::uint32_t trailerPart);
