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

// The module header, in two steps around the choice of the output form. MB:
// the processor must be a known target, whose name settles whether the module
// is for the dual-area chip (flag::dualArea). Then the ASW records with the
// offsets of the parts and the ATN 38 check of an absolute module. Each returns
// only when its part of the header is acceptable (else fatalError).
void readModuleTarget(Conversion &conv);
void readModuleParts(Conversion &conv);

// The execution start address: the plain number of the ASG record at the start
// of the trailer part. Anything else there gives none.
std::optional<std::uint32_t> readModuleEntry(Conversion &conv, std::uint32_t trailerPart);
