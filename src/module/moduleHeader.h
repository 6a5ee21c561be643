// The module header: the processor it was linked for, the offsets of its parts;
// and the entry address in the trailer part.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "module/moduleParts.h"

class Progress;
struct ModuleSource;

// The processor named by the MB record, and the mode it settles.
struct ModuleTarget {
    std::string processor;
    bool dualArea = false;  // linked for the chip with a CODE and a ROM data area
};

// The module header, in two steps around the choice of the output form. MB:
// the processor must be a known target (else fatalError). Then the ASW records
// with the offsets of the parts and the ATN 38 check of an absolute module,
// which gives the parts' offsets. Each returns only when its part of the
// header is acceptable.
ModuleTarget readModuleTarget(const ModuleSource &module);
ModuleParts readModuleParts(const ModuleSource &module, Progress &progress);

// The execution start address: the plain number of the ASG record at the start
// of the trailer part. Anything else there gives none.
std::optional<std::uint32_t> readModuleEntry(const ModuleSource &module, std::uint32_t trailerPart);
