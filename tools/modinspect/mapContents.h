// What the memory map shows, taken from a dry run: the image files side by
// side (one, or the CODE and the ROM data file of a dual-area run), each with
// its sections, their units, the bytes it holds and which of them are fill,
// and the overlaps; the sections left out of the image; the security bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dryRun.h"
#include "mapAxis.h"

namespace modinspect {

struct MapUnit {
    Interval bytes;
    const romcast::Section *section = nullptr;
};

struct MapColumn {
    std::string extension;  // of the image file
    bool code = false;      // the CODE file of a dual-area run
    std::vector<const romcast::Section *> sections;
    std::vector<MapUnit> units;        // in address order, empty units left out
    std::vector<Interval> overlaps;    // addresses more than one unit loads
    std::vector<Interval> written;     // what the file holds
    std::vector<Interval> filled;      // what it holds from no unit and no security byte
};

struct LeftOut {
    const romcast::Section *section = nullptr;
    std::string why;
};

struct MapSecurityByte {
    romcast::SecurityByte asked;
    std::size_t column = 0;
    bool written = false;  // the image holds this value at this address
};

struct MapContents {
    std::vector<MapColumn> columns;
    std::vector<LeftOut> leftOut;
    std::vector<MapSecurityByte> security;
};

MapContents mapContents(const DryRun &run);

// Every address the map marks, for the axis to pass through.
std::vector<Interval> marksOf(const MapContents &contents, const DryRun &run);

}  // namespace modinspect
