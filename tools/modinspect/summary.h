// The summary of "-s": what fits a screen about a module, as the converter
// reads it and as a conversion without options writes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace modinspect {

// Prints the summary of the module `name` holds in `bytes`, as text or as one
// JSON document; `verbose` lists every attribute text as well. A module the
// converter refuses is summarised by its refusal. Returns the exit status: 0.
int printSummary(const std::string &name, const std::vector<std::uint8_t> &bytes, bool verbose, bool json);

}  // namespace modinspect
