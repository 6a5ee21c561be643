// The module header: processor check, dual-area mode, the offsets of the parts;
// and the entry address in the trailer part.
#pragma once

#include <cstdint>
#include <optional>

#include "module/moduleParts.h"

struct Conversion;

// The module header, in two steps around the choice of the output form. MB:
// the processor must be a known target, whose name settles whether the module
// is for the dual-area chip (flag::dualArea). Then the ASW records with the
// offsets of the parts and the ATN 38 check of an absolute module, which gives
// the parts' offsets. Each returns only when its part of the header is
// acceptable (else fatalError).
void readModuleTarget(Conversion &conv);
ModuleParts readModuleParts(Conversion &conv);

// The execution start address: the plain number of the ASG record at the start
// of the trailer part. Anything else there gives none.
std::optional<std::uint32_t> readModuleEntry(Conversion &conv, std::uint32_t trailerPart);
