// Reading the module's sections and units into its layout (unitTrees.h).
#pragma once

#include "module/moduleLayout.h"

struct Conversion;

void readSectionPart(Conversion &conv);
void readDataPart(Conversion &conv);
// The unit trees complete: the progress they count, and their order.
void rebuildUnitTrees(Conversion &conv);
// Empties every tree and forgets every section, for reading a module afresh.
void clearModuleTrees(Conversion &conv);
