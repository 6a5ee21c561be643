// settings.fillState is the progress of the fill over the run: 0 no address
// record seen yet; 1 seen, none at or above the fill start yet; 2 filling; 3 the
// fill end was reached.
#include "records/gapFill.h"

#include "run/conversion.h"
#include "records/imageWriter.h"

namespace {

enum FillState : std::int32_t { noAddressYet = 0, beforeFillStart = 1, filling = 2, fillDone = 3 };

// A byte that the fill leaves open: the protect byte, and an ID byte alone in its
// gap. The security records write them.
bool leftForSecurityRecord(Conversion &conv, std::uint32_t current, std::uint32_t target) {
    if (conv.settings.has(flag::protectPlaced) &&
        current == conv.settings.protectAddress)
        return true;
    if (!conv.settings.has(flag::idCode) || current < conv.settings.idAreaBase || target != current + 1) return false;
    for (int i = 0; i < idByteCount; ++i)
        if (current - conv.settings.idAreaBase == conv.settings.idAddressLow[i]) return true;
    return false;
}

std::uint32_t larger(std::uint32_t a, std::uint32_t b) { return a > b ? a : b; }

}  // namespace

void fillTextGap(Conversion &conv, ImageWriter &writer, std::uint32_t target, bool atAddressRecord) {
    const std::uint32_t current = writer.state.currentAddress;
    if (!conv.settings.has(flag::fillGiven)) return;
    if (conv.settings.fillState == fillDone) return;
    if (!atAddressRecord && conv.settings.fillForm == 0) return;
    if (leftForSecurityRecord(conv, current, target)) return;

    const std::int32_t state = conv.settings.fillState;
    std::uint32_t from = current;
    std::uint32_t end = target;  // exclusive, so a target of 0 fills nothing

    if (conv.settings.fillForm == 0) {
        // Nothing before the first unit; afterwards every gap.
        if (state == noAddressYet) {
            conv.settings.fillState = beforeFillStart;
            return;
        }
        conv.settings.fillState = filling;
    } else {
        if (state != filling && target < conv.settings.fillStart) {
            if (state == noAddressYet) conv.settings.fillState = beforeFillStart;
            return;
        }
        if (state == noAddressYet)
            from = conv.settings.fillStart;
        else if (state == beforeFillStart)
            from = larger(current, conv.settings.fillStart);
        if (conv.settings.fillForm == 2 && target > conv.settings.fillEnd) {
            conv.settings.fillState = fillDone;
            end = conv.settings.fillEnd + 1;
        } else {
            conv.settings.fillState = filling;
        }
    }

    // The last address filled is end - 1, read as 0 for a target of 0; a fill that
    // ends at address 0 writes nothing, not even the byte at 0.
    if (end == 1) end = 0;
    if (from != current) writer.flushRecord(from);
    // Every byte put moves the current address by one, so the gap takes exactly
    // end - currentAddress fill bytes.
    if (writer.state.currentAddress < end) writer.putFillBytes(end - writer.state.currentAddress);
}
