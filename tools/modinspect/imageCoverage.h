// Which addresses the images of a dry run hold, as runs of consecutive
// addresses: what the pre-flight and the summary ask of a whole unit or
// section at once, without a look-up per byte.
#pragma once

#include <cstdint>
#include <vector>

#include "dryRun.h"

namespace modinspect {

class ImageCoverage {
public:
    explicit ImageCoverage(const DryRun &run);

    // How many addresses from `first` to `last` (inclusive) the images hold,
    // the lowest of those they hold and the lowest and highest of those they do not.
    struct Count {
        std::uint64_t held = 0, missing = 0;
        std::uint32_t firstHeld = 0, firstMissing = 0, lastMissing = 0;
    };
    Count count(std::uint32_t first, std::uint32_t last) const;
    std::uint64_t total() const;  // addresses held, the images together

private:
    struct Run {
        std::uint32_t first, last;
    };
    std::vector<Run> runs_;  // in address order, neither overlapping nor touching
};

}  // namespace modinspect
