// The memory map as one HTML page: the image a conversion will write, drawn
// from the converter's own dry run, with the pre-flight's findings marked at
// their addresses. The page needs nothing beside it: styles and drawing are
// inline, nothing is fetched, and it reads with scripting off (a few lines of
// script only show an element's details on hover or focus).
#pragma once

#include <string>
#include <vector>

#include "dryRun.h"
#include "findings.h"

namespace modinspect {

struct MapHeader {
    std::string moduleName;  // as given
    std::string options;     // the conversion options as typed
};

std::string mapPage(const DryRun &run, const std::vector<Finding> &findings, const MapHeader &header);

}  // namespace modinspect
