// The map's drawing: one SVG with the address axis, a column for each image
// file and the security bytes' labels on the right. Every element a reader may
// ask about carries its addresses (data-first, data-last, or data-address), a
// title with its details, and a tab stop.
#pragma once

#include <string>
#include <vector>

#include "dryRun.h"
#include "findings.h"
#include "mapContents.h"

namespace modinspect {

// `stem` names the image files as the conversion does: stem plus extension.
std::string mapDrawing(const DryRun &run, const MapContents &contents, const std::vector<Finding> &findings,
                       const std::string &stem);

}  // namespace modinspect
