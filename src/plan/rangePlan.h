// The image's range and fill: "-A" and "-F" checked against each other before
// the module is read, then closed and widened against its extent after.
#pragma once

#include <cstdint>

struct ModuleExtent;
struct RunSettings;

struct RangePlan {
    bool clipsToRange = false;  // the image is limited to rangeStart..rangeEnd
    std::int32_t rangeForm = 0; // 0 none, 1 start only, 2 start and end
    std::uint32_t rangeStart = 0;
    std::uint32_t rangeEnd = 0;
    bool fillGiven = false;     // "-F"
    std::int32_t fillForm = 0;  // 0 byte only, 1 byte and start, 2 byte, start and end
    std::uint8_t fillByte = 0xFF;
    std::uint32_t fillStart = 0;
    std::uint32_t fillEnd = 0;  // 0 unless a fill end was set
};

// Before any file is opened: a fill range cannot go into a binary image (error
// 5); the fill range is completed from "-A" and must lie inside it (error 20).
RangePlan planRangesBeforeReading(const RunSettings &settings);
// Once the module's extent is known: an open range is closed at the module's
// end, a range that misses the module is refused (error 17) and so is a fill
// start past it (error 20); a fill range widens the output to cover it.
RangePlan planRangesAfterReading(RangePlan plan, const ModuleExtent &extent);
// "-N" writes the data part as it stands, with no fill: an open range ends where
// the address order ends it, at the module's last address or a fill end beyond.
RangePlan closeRangeForDirect(RangePlan plan, const ModuleExtent &extent);
