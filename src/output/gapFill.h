// Filling the gaps of a text image with the fill byte ("-F").
#pragma once

#include <cstdint>

struct Conversion;

// Fills from currentAddress up to `target` - 1 as the fill settings and
// settings.fillState allow. `atAddressRecord` is true for an ASP record and false
// for the final fill up to the end of the "-A" range. A binary image is padded instead,
// at every address record and whatever the fill settings (padBinaryImage).
void fillTo(Conversion &conv, std::uint32_t target, bool atAddressRecord);
