// "-N": the data part converted record by record in module order.
#pragma once

#include "module/moduleLayout.h"
#include "module/moduleParts.h"
#include "records/writerContext.h"

struct ImagePlan;
class OutputSet;

// Writes the image from `plan`, whose range is as the options left it and whose
// extent is not known yet: the extent is read here, from the section part
// alone. Returns the extent.
ModuleExtent convertDirect(const ImagePlan &plan, const ModuleParts &parts, const WriterContext &context,
                           const OutputSet &outputs);
