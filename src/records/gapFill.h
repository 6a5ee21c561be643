// Filling the gaps of a text image with the fill byte ("-F").
#pragma once

#include <cstdint>

#include "records/gapFillCursor.h"

struct ImagePlan;
class ImageWriter;

// Fills from the writer's current address up to `target` - 1 as the fill plan
// and the cursor allow. `atAddressRecord` is true for an ASP record and false
// for the final fill up to the end of the "-A" range.
void fillTextGap(const ImagePlan &plan, GapFillCursor &cursor, ImageWriter &writer, std::uint32_t target,
                 bool atAddressRecord);
