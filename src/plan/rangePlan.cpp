#include "plan/rangePlan.h"

#include <algorithm>

#include "common/messages.h"
#include "common/runError.h"
#include "module/moduleLayout.h"
#include "options/runSettings.h"

namespace {
// The "-F" form that a binary image cannot take, as the message shows it.
const char fillRangeOptionText[] = "-F data:Start Addr:End Addr";
}  // namespace

RangePlan planRangesBeforeReading(const RunSettings &settings) {
    if (settings.fillForm != 0 && settings.has(flag::binaryOutput))
        fatalError(err::invalidOption, fillRangeOptionText);
    RangePlan s;
    s.clipsToRange = settings.has(flag::rangeGiven);
    s.rangeForm = settings.rangeForm;
    s.rangeStart = settings.rangeStart;
    s.rangeEnd = settings.rangeEnd;
    s.fillGiven = settings.has(flag::fillGiven);
    s.fillForm = settings.fillForm;
    s.fillByte = settings.fillByte;
    s.fillStart = settings.fillStart;
    s.fillEnd = settings.fillEnd;
    if (s.rangeForm == 1) {
        if (s.fillForm == 0) {
            if (s.fillGiven) {
                s.fillForm = 1;
                s.fillStart = s.rangeStart;
            }
        } else if (s.fillStart < s.rangeStart) {
            fatalError(err::fillExceeds);
        }
    } else if (s.rangeForm == 2) {
        if (s.fillForm == 0) {
            if (s.fillGiven) {
                s.fillForm = 2;
                s.fillStart = s.rangeStart;
                s.fillEnd = s.rangeEnd;
            }
        } else if (s.fillForm == 1) {
            if (s.fillStart < s.rangeStart) fatalError(err::fillExceeds);
            s.fillForm = 2;
            s.fillEnd = s.rangeEnd;
        } else if (s.fillStart < s.rangeStart || s.fillEnd > s.rangeEnd) {
            fatalError(err::fillExceeds);
        }
    }
    return s;
}

RangePlan planRangesAfterReading(RangePlan s, const ModuleExtent &extent) {
    const std::uint32_t low = extent.lowest;
    const std::uint32_t high = extent.highest;

    // fillEnd is 0 unless a fill end was set, so it only ever widens.
    if (s.rangeForm == 1) s.rangeEnd = std::max(high, s.fillEnd);
    if (s.rangeForm == 1 || s.rangeForm == 2) {
        if (s.rangeStart > high) fatalError(err::rangeAddress);
        if (s.rangeEnd < low) fatalError(err::rangeAddress);
    }

    if (s.fillForm == 1) {
        if (s.rangeForm != 2 && s.fillStart > high) fatalError(err::fillExceeds);
    } else if (s.fillForm == 2 && s.rangeForm == 1) {
        s.rangeEnd = std::max(s.fillEnd, high);
        s.rangeForm = 2;
    } else if (s.fillForm == 2 && s.rangeForm == 0) {
        // A fill range without "-A" widens the output to cover module and fill.
        s.clipsToRange = true;
        s.rangeForm = 2;
        s.rangeStart = std::min(s.fillStart, low);
        s.rangeEnd = std::max(s.fillEnd, high);
    }
    return s;
}

RangePlan closeRangeForDirect(RangePlan s, const ModuleExtent &extent) {
    if (s.rangeForm == 1) s.rangeEnd = extent.highest > s.fillEnd ? extent.highest : s.fillEnd;
    return s;
}
