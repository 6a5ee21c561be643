#include "plan/rangePlan.h"

#include <algorithm>
#include <cstdint>

#include "run/conversion.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"

namespace {
// The "-F" form that a binary image cannot take, as the message shows it.
const char fillRangeOptionText[] = "-F data:Start Addr:End Addr";
}  // namespace

void checkFillAgainstBinary(Conversion &conv) {
    if (conv.settings.fillForm != 0 && conv.settings.has(flag::binaryOutput))
        fatalError(err::invalidOption, fillRangeOptionText);
}

void reconcileRangesBeforeReading(Conversion &conv) {
    RunSettings &s = conv.settings;
    bool fillGiven = conv.settings.has(flag::fillGiven);
    if (s.rangeForm == 1) {
        if (s.fillForm == 0) {
            if (fillGiven) {
                s.fillForm = 1;
                s.fillStart = s.rangeStart;
            }
        } else if (s.fillStart < s.rangeStart) {
            fatalError(err::fillExceeds);
        }
    } else if (s.rangeForm == 2) {
        if (s.fillForm == 0) {
            if (fillGiven) {
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
}

void reconcileRangesAfterReading(Conversion &conv) {
    RunSettings &s = conv.settings;
    const std::uint32_t low = s.lowestSectionAddress;
    const std::uint32_t high = s.highestSectionAddress;

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
        conv.settings.set(flag::rangeGiven);
        s.rangeForm = 2;
        s.rangeStart = std::min(s.fillStart, low);
        s.rangeEnd = std::max(s.fillEnd, high);
    }
}
