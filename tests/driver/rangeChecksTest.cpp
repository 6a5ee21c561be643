#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "driver/rangeChecks.h"
#include "driver/runSettings.h"
#include "ieee695/readerTestSupport.h"

namespace {

// Range form, start, end; fill form, start, end: as the options or the
// reconciliation leave them.
using Ranges = std::array<std::uint32_t, 6>;

const char fillOutside[] = "Address specified by '-F' option exceed output address";
const char rangeOutside[] = "'-A' Option Illegal address";

// `high` 0: reconciled before reading, "-F" given as `flagOn` says. Otherwise
// after reading a module at 0x1000 up to `high`, with "-F" given; `flagOn`
// tells whether "-A" counts as given afterwards.
TEST(Ranges, CompletedClosedAndWidenedOrRefused) {
    const struct {
        std::uint32_t high;
        bool flagOn;
        Ranges given, expected;
        const char *refusal;
    } cases[] = {
        {0, true, {0, 0, 0, 2, 0x100, 0x200}, {0, 0, 0, 2, 0x100, 0x200}, nullptr},
        {0, false, {1, 0x1000, 0, 0, 0, 0}, {1, 0x1000, 0, 0, 0, 0}, nullptr},
        {0, true, {1, 0x1000, 0, 0, 0, 0}, {1, 0x1000, 0, 1, 0x1000, 0}, nullptr},
        {0, true, {1, 0x1000, 0, 2, 0x1800, 0x1900}, {1, 0x1000, 0, 2, 0x1800, 0x1900}, nullptr},
        {0, true, {2, 0x1000, 0x1FFF, 0, 0, 0}, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x1FFF}, nullptr},
        {0, true, {2, 0x1000, 0x1FFF, 1, 0x1800, 0}, {2, 0x1000, 0x1FFF, 2, 0x1800, 0x1FFF}, nullptr},
        {0, true, {1, 0x1000, 0, 1, 0x800, 0}, {}, fillOutside},
        {0, true, {2, 0x1000, 0x1FFF, 1, 0xFFF, 0}, {}, fillOutside},
        {0, true, {2, 0x1000, 0x1FFF, 2, 0x1000, 0x2000}, {}, fillOutside},
        // -A 1000 -F 0: the range is closed at the module's last address.
        {0x1FFF, true, {1, 0x1000, 0, 1, 0x1000, 0}, {1, 0x1000, 0x1FFF, 1, 0x1000, 0}, nullptr},
        // A fill end past the module closes the range there instead, as form 2.
        {0x1FFF, true, {1, 0x1000, 0, 2, 0x1800, 0x2FFF}, {2, 0x1000, 0x2FFF, 2, 0x1800, 0x2FFF}, nullptr},
        {0x2FFF, true, {1, 0x1000, 0, 2, 0x1800, 0x1900}, {2, 0x1000, 0x2FFF, 2, 0x1800, 0x1900}, nullptr},
        // A fill range without "-A" widens the output over module and fill.
        {0x1FFF, true, {0, 0, 0, 2, 0, 0xFFFF}, {2, 0, 0xFFFF, 2, 0, 0xFFFF}, nullptr},
        {0x1FFF, true, {0, 0, 0, 2, 0x9000, 0x9FFF}, {2, 0x1000, 0x9FFF, 2, 0x9000, 0x9FFF}, nullptr},
        // A range that overlaps the module only partly is fine.
        {0x1FFF, true, {2, 0x800, 0x1000, 2, 0x800, 0x1000}, {2, 0x800, 0x1000, 2, 0x800, 0x1000}, nullptr},
        // A fill start past the module is fine when "-A" set both ends.
        {0x1FFF, true, {2, 0x1000, 0x3000, 1, 0x2800, 0}, {2, 0x1000, 0x3000, 1, 0x2800, 0}, nullptr},
        {0x1FFF, false, {0, 0, 0, 1, 0x1800, 0}, {0, 0, 0, 1, 0x1800, 0}, nullptr},
        {0x1FFF, true, {1, 0x2000, 0, 0, 0, 0}, {}, rangeOutside},
        {0x1FFF, true, {2, 0x100, 0xFFF, 0, 0, 0}, {}, rangeOutside},
        {0x1FFF, true, {0, 0, 0, 1, 0x2000, 0}, {}, fillOutside},
        {0x1FFF, true, {1, 0x1000, 0, 1, 0x2000, 0}, {}, fillOutside},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.given) + (c.high != 0 ? " after reading" : ""));
        initRunSettings();
        setFlag(flag::bannerShown);
        if (c.flagOn || c.high != 0) setFlag(flag::fillGiven);
        if (c.given[0] != 0) setFlag(flag::rangeGiven);
        settings.rangeForm = static_cast<std::int32_t>(c.given[0]);
        settings.rangeStart = c.given[1];
        settings.rangeEnd = c.given[2];
        settings.fillForm = static_cast<std::int32_t>(c.given[3]);
        settings.fillStart = c.given[4];
        settings.fillEnd = c.given[5];
        settings.lowestSectionAddress = 0x1000;
        settings.highestSectionAddress = c.high;
        const auto reconcile = c.high != 0 ? reconcileRangesAfterReading : reconcileRangesBeforeReading;
        if (c.refusal != nullptr) {
            EXPECT_RUN_ENDS(reconcile(), 4, c.refusal);
            continue;
        }
        reconcile();
        const Ranges current = {static_cast<std::uint32_t>(settings.rangeForm), settings.rangeStart,
                                settings.rangeEnd, static_cast<std::uint32_t>(settings.fillForm),
                                settings.fillStart, settings.fillEnd};
        EXPECT_EQ(current, c.expected);
        EXPECT_TRUE(c.high == 0 || hasFlag(flag::rangeGiven) == c.flagOn);
    }
}

}  // namespace
