// Writes the memory image in ascending address order from the module's layout.
#pragma once

#include "module/moduleLayout.h"
#include "module/moduleParts.h"
#include "records/writerContext.h"

struct ImagePlan;
class ImageWriter;
class OutputSet;

// Every output file of the run: the single image, or the CODE and the ROMDATA
// file of a dual-area run.
void emitImage(const ImagePlan &plan, const ModuleLayout &layout, const ModuleParts &parts,
               const WriterContext &context, const OutputSet &outputs);
// One file: its header, the units of `units` in address order, the final fill
// up to the end of the "-A" range. Each unit is read again from the module's
// bytes at its ASP record, up to the next SB, ME or ASP record. The security and
// end records are the caller's.
void emitFile(const ImagePlan &plan, const WriterContext &context, const UnitList &units, ImageWriter &writer);
