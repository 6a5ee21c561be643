#include "imageCoverage.h"

#include <algorithm>

namespace modinspect {

ImageCoverage::ImageCoverage(const DryRun &run) {
    std::vector<Run> runs;
    for (const WrittenImage &image : run.images)
        for (const MemoryImage::Byte &byte : image.memory.bytes) {
            if (!runs.empty() && runs.back().last != UINT32_MAX && runs.back().last + 1 == byte.address) {
                runs.back().last = byte.address;
            } else {
                runs.push_back(Run{byte.address, byte.address});
            }
        }
    // The images of a dual-area run may interleave: merge them into one list.
    std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) { return a.first < b.first; });
    for (const Run &r : runs) {
        if (!runs_.empty() && std::uint64_t{runs_.back().last} + 1 >= r.first) {
            runs_.back().last = std::max(runs_.back().last, r.last);
        } else {
            runs_.push_back(r);
        }
    }
}

ImageCoverage::Count ImageCoverage::count(std::uint32_t first, std::uint32_t last) const {
    Count count;
    bool anyHeld = false, anyMissing = false;
    std::uint64_t next = first;  // the lowest address not yet counted
    auto r = std::lower_bound(runs_.begin(), runs_.end(), first, [](const Run &run, std::uint32_t a) { return run.last < a; });
    for (; r != runs_.end() && r->first <= last && next <= last; ++r) {
        if (r->first > next) {
            if (!anyMissing) count.firstMissing = static_cast<std::uint32_t>(next);
            anyMissing = true;
            count.missing += r->first - next;
            count.lastMissing = r->first - 1;
            next = r->first;
        }
        const std::uint64_t end = std::min<std::uint64_t>(r->last, last);
        if (!anyHeld) count.firstHeld = static_cast<std::uint32_t>(next);
        anyHeld = true;
        count.held += end - next + 1;
        next = end + 1;
    }
    if (next <= last) {
        if (!anyMissing) count.firstMissing = static_cast<std::uint32_t>(next);
        count.missing += last - next + 1;
        count.lastMissing = last;
    }
    return count;
}

std::uint64_t ImageCoverage::total() const {
    std::uint64_t total = 0;
    for (const Run &r : runs_) total += std::uint64_t{r.last} - r.first + 1;
    return total;
}

}  // namespace modinspect
