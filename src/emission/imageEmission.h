// Writes the memory image in ascending address order from the unit trees.
#pragma once

#include <cstdint>

#include "module/layoutReading.h"

struct Conversion;
class ImageWriter;

// Every output file of the run: the single image, or the CODE and the ROMDATA
// file of a dual-area run.
void emitImage(Conversion &conv);
// One file: its header, the units of `units` in address order, the final fill
// up to the end of the "-A" range. Each unit is read again from the module's
// bytes at its ASP record, up to the next SB, ME or ASP record. The security and
// end records are the caller's.
void emitFile(Conversion &conv, UnitTree &units, ImageWriter &writer);
