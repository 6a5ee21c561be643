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

// Every finding of the dry run, in address order (those without an address
// first). The converter's own warnings are among them.
std::vector<Finding> preflightFindings(const DryRun &run);

}  // namespace modinspect
