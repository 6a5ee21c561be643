// settings.fillState is the progress of the fill over the run: 0 no address
// record seen yet; 1 seen, none at or above the fill start yet; 2 filling; 3 the
// fill end was reached.
#include "output/gapFill.h"

#include <cstring>

#include "driver/runSettings.h"
#include "output/recordWriter.h"

namespace {

enum FillState : std::int32_t { noAddressYet = 0, beforeFillStart = 1, filling = 2, fillDone = 3 };

// A byte that the fill leaves open: the protect byte, and an ID byte alone in its
// gap. The security records write them.
bool leftForSecurityRecord(std::uint32_t target) {
    const std::uint32_t current = recordState.currentAddress;
    if (hasFlag(flag::protect1 | flag::protect2 | flag::idCode | flag::protectX) &&
        current == settings.protectAddress)
        return true;
    if (!hasFlag(flag::idCode) || current < settings.idAreaBase || target != current + 1) return false;
    for (int i = 0; i < idByteCount; ++i)
        if (current - settings.idAreaBase == settings.idAddressLow[i]) return true;
    return false;
}

std::uint32_t larger(std::uint32_t a, std::uint32_t b) { return a > b ? a : b; }

}  // namespace

void fillTo(std::uint32_t target, bool atAddressRecord) {
    // A binary image pads every gap at the unit's address record, with or
    // without "-F" (binaryImage.cpp).
    if (hasFlag(flag::binaryOutput)) {
        if (atAddressRecord) padBinaryImage(target, recordState.currentOutput);
        return;
    }
    if (!hasFlag(flag::fillGiven)) return;
    if (settings.fillState == fillDone) return;
    if (!atAddressRecord && settings.fillForm == 0) return;
    if (leftForSecurityRecord(target)) return;

    const std::uint32_t current = recordState.currentAddress;
    const std::int32_t state = settings.fillState;
    std::uint32_t from = current;
    std::uint32_t end = target;  // exclusive, so a target of 0 fills nothing

    if (settings.fillForm == 0) {
        // Nothing before the first unit; afterwards every gap.
        if (state == noAddressYet) {
            settings.fillState = beforeFillStart;
            return;
        }
        settings.fillState = filling;
    } else {
        if (state != filling && target < settings.fillStart) {
            if (state == noAddressYet) settings.fillState = beforeFillStart;
            return;
        }
        if (state == noAddressYet)
            from = settings.fillStart;
        else if (state == beforeFillStart)
            from = larger(current, settings.fillStart);
        if (settings.fillForm == 2 && target > settings.fillEnd) {
            settings.fillState = fillDone;
            end = settings.fillEnd + 1;
        } else {
            settings.fillState = filling;
        }
    }

    // The last address filled is end - 1, read as 0 for a target of 0; a fill that
    // ends at address 0 writes nothing, not even the byte at 0.
    if (end == 1) end = 0;
    if (from != current) flushRecord(from, recordState.currentOutput);
    // Every byte put moves the current address by one, so the gap takes exactly
    // end - currentAddress fill bytes; they go in pieces of one buffer.
    static std::uint8_t fill[4096];
    std::memset(fill, settings.fillByte, sizeof fill);
    while (recordState.currentAddress < end) {
        const std::uint32_t left = end - recordState.currentAddress;
        const std::uint32_t count = left < sizeof fill ? left : static_cast<std::uint32_t>(sizeof fill);
        putImageBytes(fill, count, recordState.currentOutput);
    }
}
