// What the pre-flight finds in a dry run: notes (information) and warnings
// (the image will differ from the module's memory or from what the options
// asked for), each at its address where it has one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dryRun.h"

namespace modinspect {

struct Finding {
    enum class Kind { note, warning };
    Kind kind = Kind::warning;
    std::optional<std::uint32_t> address;
    std::string text;
    std::optional<std::uint32_t> through = std::nullopt;  // the last address it concerns, when it spans several
};

// A byte the module loads, and where.
struct Loaded {
    std::uint32_t address;
    std::uint8_t value;
    std::uint32_t section;
};

// The module's memory: what each unit the converter reads loads, as the
// converter reads it (romcast::unitBytes), addresses wrapping round the 32-bit
// space as a chip's would, in address order. Addresses two units load are left
// out and listed in `twice`: the overlap finding speaks of them. Past a size
// the image would take long to compare with, none. The module must have been read.
std::vector<Loaded> moduleMemory(const DryRun &run, std::vector<std::uint32_t> &twice);

// Every finding of the dry run, in address order (those without an address
// first). The converter's own warnings are among them.
std::vector<Finding> preflightFindings(const DryRun &run);

}  // namespace modinspect
