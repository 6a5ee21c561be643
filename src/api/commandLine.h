// Typed options and the command line's arguments, each from the other.
#pragma once

#include <string>
#include <vector>

#include <romcast/romcast.h>

namespace romcast {

// The arguments that set `options`, in a fixed order, for the option parser to
// apply the command line's rules to; `moduleName` last.
std::vector<std::string> argumentsOf(const Options &options, const std::string &moduleName);

}  // namespace romcast
