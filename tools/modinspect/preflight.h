// The pre-flight of "--check": what a conversion with romcast's options will
// make of a module, asked of the converter itself through a dry run.
#pragma once

#include <string>
#include <vector>

namespace modinspect {

// `args` are romcast's arguments, the module's name last. Prints the report,
// as text or as one JSON document, and returns modinspect's exit status: the
// converter's when it refuses, else 1 with a warning among the findings, else 0.
int checkConversion(const std::vector<std::string> &args, bool json);

}  // namespace modinspect
