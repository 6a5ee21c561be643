// Reading the module's sections and units into its layout (moduleLayout.h).
#pragma once

#include "module/moduleLayout.h"
#include "module/moduleParts.h"

class Progress;
struct ModuleSource;

// The section part: the sections that load bytes (in a dual-area module the
// CODE and ROM data ones apart) and the module's extent.
ModuleLayout readSectionPart(const ModuleSource &module, const ModuleParts &parts, bool dualArea, Progress &progress);
// The data part: every unit under the sections of its index, then every list
// in order. The layout is complete and is only read from then on.
ModuleLayout readDataPart(const ModuleSource &module, const ModuleParts &parts, bool dualArea, ModuleLayout layout,
                          Progress &progress);
// The progress that completing the unit lists has always counted: once for
// every unit of each kind and each section of its index.
void countUnitProgress(const ModuleLayout &layout, Progress &progress);
