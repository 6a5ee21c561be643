// settings.fillState is the progress of the fill over the run: 0 no address
// record seen yet; 1 seen, none at or above the fill start yet; 2 filling; 3 the
// fill end was reached.
#include "records/gapFill.h"

#include "options/runSettings.h"
#include "plan/imagePlan.h"
#include "records/imageWriter.h"

namespace {

constexpr GapFillCursor::State noAddressYet = GapFillCursor::noAddressYet;
constexpr GapFillCursor::State beforeFillStart = GapFillCursor::beforeFillStart;
constexpr GapFillCursor::State filling = GapFillCursor::filling;
constexpr GapFillCursor::State fillDone = GapFillCursor::fillDone;

// A byte that the fill leaves open: the protect byte, and an ID byte alone in its
// gap. The security records write them.
bool leftForSecurityRecord(const SecurityPlan &security, std::uint32_t current, std::uint32_t target) {
    if (security.has(flag::protectPlaced) && current == security.protectAddress) return true;
    if (!security.has(flag::idCode) || target != current + 1) return false;
    for (const std::uint32_t address : security.idAddresses)
        if (current == address) return true;
    return false;
}

std::uint32_t larger(std::uint32_t a, std::uint32_t b) { return a > b ? a : b; }

}  // namespace

void fillTextGap(const ImagePlan &plan, GapFillCursor &cursor, ImageWriter &writer, std::uint32_t target,
                 bool atAddressRecord) {
    const RangePlan &range = plan.range;
    const std::uint32_t current = writer.state.currentAddress;
    if (!range.fillGiven) return;
    if (cursor.state == fillDone) return;
    if (!atAddressRecord && range.fillForm == 0) return;
    if (leftForSecurityRecord(plan.security, current, target)) return;

    const GapFillCursor::State state = cursor.state;
    std::uint32_t from = current;
    std::uint32_t end = target;  // exclusive, so a target of 0 fills nothing

    if (range.fillForm == 0) {
        // Nothing before the first unit; afterwards every gap.
        if (state == noAddressYet) {
            cursor.state = beforeFillStart;
            return;
        }
        cursor.state = filling;
    } else {
        if (state != filling && target < range.fillStart) {
            if (state == noAddressYet) cursor.state = beforeFillStart;
            return;
        }
        if (state == noAddressYet)
            from = range.fillStart;
        else if (state == beforeFillStart)
            from = larger(current, range.fillStart);
        if (range.fillForm == 2 && target > range.fillEnd) {
            cursor.state = fillDone;
            end = range.fillEnd + 1;
        } else {
            cursor.state = filling;
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
