// The summary of "-s": what fits a screen about a module.
#pragma once

#include "moduleView.h"

namespace modinspect {

// `verbose` lists every attribute text as well.
void printSummary(const ModuleView &view, bool verbose);

}  // namespace modinspect
