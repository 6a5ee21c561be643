// Reading the module named on the command line, named as romcast names it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace modinspect {

// The file romcast reads for `argument`: ".tqx" added when the name after its
// last "/" or "\" has no ".".
std::string moduleFileName(const std::string &argument);

// A line of the converter's about a module it held in memory, as the command
// line prints it for the module `name`.
std::string namedAs(std::string line, const std::string &name);

// The whole file; none when it cannot be read or is longer than a module can
// be (its offsets are 32 bits), with `why` saying which.
std::optional<std::vector<std::uint8_t>> readModuleFile(const std::string &name, std::string &why);

}  // namespace modinspect
